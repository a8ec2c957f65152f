#pragma once

#include <QImage>
#include <QSize>
#include <QVideoFrameFormat>

#include <atomic>
#include <cstddef>

class QVideoFrame;

// Turns a video frame as Qt Multimedia hands it over on Linux (NV12, NV21, YUYV, UYVY, I420,
// YV12, I422, grey, P010/P016 and the 32-bit RGB orders) into 32-bit ARGB, bytes blue, green,
// red, alpha: the engine's camera format, and with alpha 0xFF also its game format. libyuv does
// the pixel work; the output picture is reused, so a steady stream allocates nothing. One
// converter serves one stream: it is not meant to be used from two threads at once.
class VideoFrameConverter
{
public:
    // One frame's planes as they lie in memory. bytes[i] is the size of plane i when known
    // (0: unknown, trusted), so a plane too short for its rows is refused rather than overread.
    struct Planes
    {
        QVideoFrameFormat::PixelFormat format = QVideoFrameFormat::Format_Invalid;
        QSize size;
        const uchar *data[3] = {};
        int bytesPerLine[3] = {};
        std::size_t bytes[3] = {};
        QVideoFrameFormat::ColorSpace colorSpace = QVideoFrameFormat::ColorSpace_Undefined;
        QVideoFrameFormat::ColorRange colorRange = QVideoFrameFormat::ColorRange_Unknown;
    };

    enum class Result { Converted, Unsupported, Malformed };

    static bool supports(QVideoFrameFormat::PixelFormat format);

    // Maps the frame for reading, converts it and unmaps it.
    Result convert(const QVideoFrame &frame);
    Result convert(const Planes &planes);

    // The last converted frame, Format_ARGB32, rows of exactly 4 x width bytes. Valid until the
    // next convert().
    const QImage &image() const { return m_image; }

    std::int64_t unsupportedFrames() const { return m_unsupported; }
    std::int64_t malformedFrames() const { return m_malformed; }

private:
    Result _refuse(Result why, const Planes &planes);

    QImage m_image;
    std::atomic<std::int64_t> m_unsupported{0};
    std::atomic<std::int64_t> m_malformed{0};
    bool m_reported = false;
};
