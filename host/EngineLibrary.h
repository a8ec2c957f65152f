#pragma once

#include <QLibrary>
#include <QString>

namespace ZqStudio {
class IPreviewEngine;
}

// Loads libpreviewengine at run time and resolves its factory, as any host does.
class EngineLibrary
{
public:
    explicit EngineLibrary(const QString &path = QString());
    ~EngineLibrary();

    EngineLibrary(const EngineLibrary &) = delete;
    EngineLibrary &operator=(const EngineLibrary &) = delete;

    // The engine beside this program (<program dir>/../lib/ in a build tree, <program dir>/../
    // once installed), else whatever the dynamic loader finds.
    static QString defaultPath();

    bool load();
    QString errorString() const { return m_error; }
    QString fileName() const { return m_library.fileName(); }

    // The process's engine; null until load() succeeded.
    ZqStudio::IPreviewEngine *createEngine() const;
    // Unloads the library once release() is done; first serves events for a moment, so timers
    // the engine left pending run out while its code is still loaded.
    bool unload();

private:
    QLibrary m_library;
    QString m_error;
    using Factory = ZqStudio::IPreviewEngine *(*)();
    Factory m_factory = nullptr;
};
