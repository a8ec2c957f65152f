#include "VideoFrameConverter.h"

#include <libyuv/convert_argb.h>
#include <libyuv/planar_functions.h>

#include <QtGlobal>
#include <QVideoFrame>

#include <cstdint>

namespace {

using Format = QVideoFrameFormat::PixelFormat;

// Bytes per row and rows of each plane of a w x h frame; 0 rows for planes the format lacks.
struct PlaneShape
{
    int rowBytes = 0;
    int rows = 0;
};

int planeCount(Format format)
{
    switch (format) {
    case QVideoFrameFormat::Format_NV12:
    case QVideoFrameFormat::Format_NV21:
    case QVideoFrameFormat::Format_P010:
    case QVideoFrameFormat::Format_P016:
        return 2;
    case QVideoFrameFormat::Format_YUV420P:
    case QVideoFrameFormat::Format_YV12:
    case QVideoFrameFormat::Format_YUV422P:
        return 3;
    default:
        return 1;
    }
}

PlaneShape planeShape(Format format, int plane, int width, int height)
{
    const int halfWidth = (width + 1) / 2;
    const int halfHeight = (height + 1) / 2;
    switch (format) {
    case QVideoFrameFormat::Format_NV12:
    case QVideoFrameFormat::Format_NV21:
        return plane == 0 ? PlaneShape{width, height} : PlaneShape{halfWidth * 2, halfHeight};
    case QVideoFrameFormat::Format_P010:
    case QVideoFrameFormat::Format_P016:
        return plane == 0 ? PlaneShape{width * 2, height} : PlaneShape{halfWidth * 4, halfHeight};
    case QVideoFrameFormat::Format_YUV420P:
    case QVideoFrameFormat::Format_YV12:
        return plane == 0 ? PlaneShape{width, height} : PlaneShape{halfWidth, halfHeight};
    case QVideoFrameFormat::Format_YUV422P:
        return plane == 0 ? PlaneShape{width, height} : PlaneShape{halfWidth, height};
    case QVideoFrameFormat::Format_YUYV:
    case QVideoFrameFormat::Format_UYVY:
        return {halfWidth * 4, height};
    case QVideoFrameFormat::Format_Y8:
        return {width, height};
    default: // the 32-bit RGB orders
        return {width * 4, height};
    }
}

// Studio-range BT.601 unless the frame says otherwise, as camera drivers assume.
const libyuv::YuvConstants *yuvMatrix(QVideoFrameFormat::ColorSpace space,
                                      QVideoFrameFormat::ColorRange range)
{
    const bool full = range == QVideoFrameFormat::ColorRange_Full;
    switch (space) {
    case QVideoFrameFormat::ColorSpace_BT709:
        return full ? &libyuv::kYuvF709Constants : &libyuv::kYuvH709Constants;
    case QVideoFrameFormat::ColorSpace_BT2020:
        return full ? &libyuv::kYuvV2020Constants : &libyuv::kYuv2020Constants;
    case QVideoFrameFormat::ColorSpace_AdobeRgb: // what Qt reports for JPEG-range YCbCr
        return &libyuv::kYuvJPEGConstants;
    default:
        return full ? &libyuv::kYuvJPEGConstants : &libyuv::kYuvI601Constants;
    }
}

// Copy and set alpha in one pass: the padding byte is undefined, not transparency.
void copyOpaque(const uchar *source, int stride, QImage &image)
{
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const auto *in = reinterpret_cast<const std::uint32_t *>(source + std::size_t(stride) * y);
        auto *out = reinterpret_cast<std::uint32_t *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            out[x] = in[x] | 0xFF000000u;
    }
}

void makeOpaque(QImage &image)
{
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<std::uint32_t *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] |= 0xFF000000u;
    }
}

} // namespace

bool VideoFrameConverter::supports(QVideoFrameFormat::PixelFormat format)
{
    switch (format) {
    case QVideoFrameFormat::Format_NV12:
    case QVideoFrameFormat::Format_NV21:
    case QVideoFrameFormat::Format_P010:
    case QVideoFrameFormat::Format_P016:
    case QVideoFrameFormat::Format_YUV420P:
    case QVideoFrameFormat::Format_YV12:
    case QVideoFrameFormat::Format_YUV422P:
    case QVideoFrameFormat::Format_YUYV:
    case QVideoFrameFormat::Format_UYVY:
    case QVideoFrameFormat::Format_Y8:
    case QVideoFrameFormat::Format_ARGB8888:
    case QVideoFrameFormat::Format_ARGB8888_Premultiplied:
    case QVideoFrameFormat::Format_XRGB8888:
    case QVideoFrameFormat::Format_BGRA8888:
    case QVideoFrameFormat::Format_BGRA8888_Premultiplied:
    case QVideoFrameFormat::Format_BGRX8888:
    case QVideoFrameFormat::Format_ABGR8888:
    case QVideoFrameFormat::Format_XBGR8888:
    case QVideoFrameFormat::Format_RGBA8888:
    case QVideoFrameFormat::Format_RGBX8888:
        return true;
    default:
        return false;
    }
}

VideoFrameConverter::Result VideoFrameConverter::convert(const QVideoFrame &frame)
{
    Planes planes;
    planes.format = frame.pixelFormat();
    planes.size = frame.size();
    planes.colorSpace = frame.surfaceFormat().colorSpace();
    planes.colorRange = frame.surfaceFormat().colorRange();
    if (!supports(planes.format))
        return _refuse(Result::Unsupported, planes);
    QVideoFrame mapped(frame); // shares the buffer; map() needs a non-const frame
    if (!mapped.map(QVideoFrame::ReadOnly))
        return _refuse(Result::Malformed, planes);
    const int count = qMin(mapped.planeCount(), 3);
    for (int i = 0; i < count; ++i) {
        planes.data[i] = mapped.bits(i);
        planes.bytesPerLine[i] = mapped.bytesPerLine(i);
        planes.bytes[i] = std::size_t(qMax(0, mapped.mappedBytes(i)));
    }
    const Result result = convert(planes);
    mapped.unmap();
    return result;
}

VideoFrameConverter::Result VideoFrameConverter::convert(const Planes &planes)
{
    const Format format = planes.format;
    if (!supports(format))
        return _refuse(Result::Unsupported, planes);
    const int width = planes.size.width();
    const int height = planes.size.height();
    if (width < 1 || height < 1 || width > 16384 || height > 16384)
        return _refuse(Result::Malformed, planes);
    for (int i = 0; i < planeCount(format); ++i) {
        const PlaneShape shape = planeShape(format, i, width, height);
        if (!planes.data[i] || planes.bytesPerLine[i] < shape.rowBytes)
            return _refuse(Result::Malformed, planes);
        const std::size_t needed =
            std::size_t(planes.bytesPerLine[i]) * std::size_t(shape.rows - 1) + shape.rowBytes;
        if (planes.bytes[i] != 0 && planes.bytes[i] < needed)
            return _refuse(Result::Malformed, planes);
    }

    if (m_image.width() != width || m_image.height() != height)
        m_image = QImage(width, height, QImage::Format_ARGB32);
    if (m_image.isNull())
        return _refuse(Result::Malformed, planes);
    uchar *const out = m_image.bits();
    const int outStride = int(m_image.bytesPerLine());
    const uchar *const *d = planes.data;
    const int *s = planes.bytesPerLine;
    const libyuv::YuvConstants *matrix = yuvMatrix(planes.colorSpace, planes.colorRange);

    // libyuv names 32-bit orders by the little-endian word: its "ARGB" is the byte order blue,
    // green, red, alpha (our output), its "BGRA" is Qt's ARGB8888, and so on.
    int status = 0;
    switch (format) {
    case QVideoFrameFormat::Format_NV12:
        status =
            libyuv::NV12ToARGBMatrix(d[0], s[0], d[1], s[1], out, outStride, matrix, width, height);
        break;
    case QVideoFrameFormat::Format_NV21:
        status =
            libyuv::NV21ToARGBMatrix(d[0], s[0], d[1], s[1], out, outStride, matrix, width, height);
        break;
    case QVideoFrameFormat::Format_P010:
    case QVideoFrameFormat::Format_P016:
        // 16-bit samples, significant bits at the top; libyuv counts strides in samples.
        status = libyuv::P010ToARGBMatrix(reinterpret_cast<const std::uint16_t *>(d[0]), s[0] / 2,
                                          reinterpret_cast<const std::uint16_t *>(d[1]), s[1] / 2,
                                          out, outStride, matrix, width, height);
        break;
    case QVideoFrameFormat::Format_YUV420P:
        status = libyuv::I420ToARGBMatrix(d[0], s[0], d[1], s[1], d[2], s[2], out, outStride,
                                          matrix, width, height);
        break;
    case QVideoFrameFormat::Format_YV12: // planes Y, V, U
        status = libyuv::I420ToARGBMatrix(d[0], s[0], d[2], s[2], d[1], s[1], out, outStride,
                                          matrix, width, height);
        break;
    case QVideoFrameFormat::Format_YUV422P:
        status = libyuv::I422ToARGBMatrix(d[0], s[0], d[1], s[1], d[2], s[2], out, outStride,
                                          matrix, width, height);
        break;
    case QVideoFrameFormat::Format_YUYV:
        status = libyuv::YUY2ToARGB(d[0], s[0], out, outStride, width, height);
        break;
    case QVideoFrameFormat::Format_UYVY:
        status = libyuv::UYVYToARGB(d[0], s[0], out, outStride, width, height);
        break;
    case QVideoFrameFormat::Format_Y8:
        status = libyuv::I400ToARGBMatrix(d[0], s[0], out, outStride, matrix, width, height);
        break;
    case QVideoFrameFormat::Format_BGRA8888:
        status = libyuv::ARGBCopy(d[0], s[0], out, outStride, width, height);
        break;
    case QVideoFrameFormat::Format_BGRX8888:
        copyOpaque(d[0], s[0], m_image);
        break;
    case QVideoFrameFormat::Format_BGRA8888_Premultiplied:
        status = libyuv::ARGBUnattenuate(d[0], s[0], out, outStride, width, height);
        break;
    case QVideoFrameFormat::Format_ARGB8888:
    case QVideoFrameFormat::Format_ARGB8888_Premultiplied:
    case QVideoFrameFormat::Format_XRGB8888:
        status = libyuv::BGRAToARGB(d[0], s[0], out, outStride, width, height);
        break;
    case QVideoFrameFormat::Format_ABGR8888:
    case QVideoFrameFormat::Format_XBGR8888:
        status = libyuv::RGBAToARGB(d[0], s[0], out, outStride, width, height);
        break;
    case QVideoFrameFormat::Format_RGBA8888:
    case QVideoFrameFormat::Format_RGBX8888:
        status = libyuv::ABGRToARGB(d[0], s[0], out, outStride, width, height);
        break;
    default:
        return _refuse(Result::Unsupported, planes);
    }
    if (status != 0)
        return _refuse(Result::Malformed, planes);

    switch (format) {
    case QVideoFrameFormat::Format_ARGB8888_Premultiplied:
        libyuv::ARGBUnattenuate(out, outStride, out, outStride, width, height);
        break;
    case QVideoFrameFormat::Format_XRGB8888:
    case QVideoFrameFormat::Format_XBGR8888:
    case QVideoFrameFormat::Format_RGBX8888:
        makeOpaque(m_image); // the padding byte is undefined, not transparency
        break;
    default:
        break;
    }
    return Result::Converted;
}

VideoFrameConverter::Result VideoFrameConverter::_refuse(Result why, const Planes &planes)
{
    ++(why == Result::Unsupported ? m_unsupported : m_malformed);
    // Once per stream: a camera sends the same kind of frame thirty times a second.
    if (!m_reported) {
        m_reported = true;
        qWarning("previewhost: cannot use %s video frames of %dx%d%s; dropping them",
                 qPrintable(QVideoFrameFormat::pixelFormatToString(planes.format)),
                 planes.size.width(), planes.size.height(),
                 why == Result::Unsupported ? " (pixel format not supported)"
                                            : " (planes missing or too short)");
    }
    return why;
}
