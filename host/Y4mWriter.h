#pragma once

#include "FrameWriter.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <vector>

// Writes delivered output frames as a YUV4MPEG2 (4:2:0) stream into a folder, as demo.y4m, and
// keeps the last one as demo.png. A stream has a single size, so when the frame size changes the
// writer closes the file and continues in demo-2.y4m, demo-3.y4m, ...
class Y4mWriter : public FrameWriter
{
public:
    Y4mWriter(const QString &directory, int fps, int poolSlots = 8);
    ~Y4mWriter() override;

    QString directory() const { return m_directory; }
    QString destination() const override { return m_directory; }

    static QByteArray streamHeader(int width, int height, int fps);
    // "demo.y4m" for the first stream, "demo-<n>.y4m" for the n-th.
    static QString streamFileName(int number);

protected:
    // Creates the directory and removes the files of an earlier run.
    bool _prepare(QString *error) override;
    void _beginStream(int width, int height) override;
    bool _writeFrame(const FramePool::Frame &frame) override;
    void _endStream() override;
    QString _picturePath() const override;

private:
    const QString m_directory;

    // Writer thread only (and finish(), after the join).
    QFile m_file;
    int m_streamNumber = 0;
    std::vector<std::uint8_t> m_i420;
};
