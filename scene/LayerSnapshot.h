#pragma once

#include "BasicLayerData.h"

#include <QString>

#include <memory>

// What it takes to bring a deleted layer back as it was: its kind's record (its rectangle and
// what its editor edits: picture path, text and font, camera, opacity; canEditSize whether it
// may be resized), its name and whether the output shows it. A value; the record's layer
// pointer is never used.
class LayerSnapshot
{
public:
    LayerSnapshot() = default;
    LayerSnapshot(std::shared_ptr<const BasicLayerData> record, const QString &name, bool combine);

    bool isValid() const { return m_record != nullptr; }
    const BasicLayerData &record() const { return *m_record; }
    QString name() const { return m_name; }
    bool combine() const { return m_combine; }

    // A copy of a record of any kind.
    static std::unique_ptr<BasicLayerData> copyRecord(const BasicLayerData &record);
    // Whether two records describe the same state (the layer pointer aside).
    static bool sameRecord(const BasicLayerData &a, const BasicLayerData &b);

private:
    std::shared_ptr<const BasicLayerData> m_record;
    QString m_name;
    bool m_combine = true;
};
