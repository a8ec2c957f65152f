#pragma once

#include "FrameWriter.h"

#include <cstdint>

// Writes delivered output frames as a VP8 video in a WebM (.webm) or Matroska (.mkv) file,
// encoded by GStreamer through an appsrc element, and keeps the last frame beside it as a PNG of
// the same base name. The video keeps the size of its first frame: frames of another size (the
// game changed size) are scaled to it. Without the GStreamer plug-ins it needs, start() says
// which one is missing.
class EncodedVideoWriter : public FrameWriter
{
public:
    EncodedVideoWriter(const QString &path, int fps, int poolSlots = 8);
    ~EncodedVideoWriter() override;

    // True for the file names this writer takes (.webm, .mkv).
    static bool handles(const QString &path);

    QString destination() const override { return m_path; }

protected:
    bool _prepare(QString *error) override;
    void _beginStream(int width, int height) override;
    bool _writeFrame(const FramePool::Frame &frame) override;
    void _endStream() override;
    QString _picturePath() const override;

private:
    struct Pipeline;
    bool _checkBus();

    const QString m_path;
    Pipeline *m_pipeline = nullptr; // writer thread only (and finish(), after the join)
    std::int64_t m_frameIndex = 0;
    bool m_broken = false;
};
