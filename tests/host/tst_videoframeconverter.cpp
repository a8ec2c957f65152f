#include "VideoFrameConverter.h"

#include <QtTest>
#include <QVideoFrame>

#include <array>
#include <cstring>
#include <vector>

using Format = QVideoFrameFormat::PixelFormat;
Q_DECLARE_METATYPE(QVideoFrameFormat::PixelFormat)

namespace {

struct Yuv
{
    int y, u, v;
};

// Four blocks split on even columns and rows, so 2x2 chroma never straddles two colours: red,
// blue / green, white. Studio-range BT.601 samples, and the same colours in full range.
constexpr std::array<QRgb, 4> Colours = {0xFFFF0000, 0xFF0000FF, 0xFF00FF00, 0xFFFFFFFF};
constexpr std::array<Yuv, 4> Studio601 = {
    {{81, 90, 240}, {41, 240, 110}, {145, 54, 34}, {235, 128, 128}}};
constexpr std::array<Yuv, 4> Full601 = {
    {{76, 85, 255}, {29, 255, 107}, {150, 44, 21}, {255, 128, 128}}};

int blockAt(int x, int y, QSize size)
{
    const int splitX = (size.width() / 2) & ~1;
    const int splitY = (size.height() / 2) & ~1;
    return (y >= splitY ? 2 : 0) + (x >= splitX ? 1 : 0);
}

// Alpha of the source pixels: some see-through blocks for formats that carry alpha.
int alphaAt(int block, Format format)
{
    switch (format) {
    case QVideoFrameFormat::Format_ARGB8888:
    case QVideoFrameFormat::Format_BGRA8888:
    case QVideoFrameFormat::Format_ABGR8888:
    case QVideoFrameFormat::Format_RGBA8888:
    case QVideoFrameFormat::Format_ARGB8888_Premultiplied:
    case QVideoFrameFormat::Format_BGRA8888_Premultiplied:
        return block == 1 ? 128 : 255;
    default:
        return 255;
    }
}

// The byte order of each 32-bit format, as indices into {alpha, red, green, blue}.
std::array<int, 4> byteOrder(Format format)
{
    switch (format) {
    case QVideoFrameFormat::Format_ARGB8888:
    case QVideoFrameFormat::Format_ARGB8888_Premultiplied:
    case QVideoFrameFormat::Format_XRGB8888:
        return {0, 1, 2, 3};
    case QVideoFrameFormat::Format_BGRA8888:
    case QVideoFrameFormat::Format_BGRA8888_Premultiplied:
    case QVideoFrameFormat::Format_BGRX8888:
        return {3, 2, 1, 0};
    case QVideoFrameFormat::Format_ABGR8888:
    case QVideoFrameFormat::Format_XBGR8888:
        return {0, 3, 2, 1};
    default: // RGBA8888, RGBX8888
        return {1, 2, 3, 0};
    }
}

bool isPadded(Format format)
{
    return format == QVideoFrameFormat::Format_XRGB8888 ||
           format == QVideoFrameFormat::Format_BGRX8888 ||
           format == QVideoFrameFormat::Format_XBGR8888 ||
           format == QVideoFrameFormat::Format_RGBX8888;
}

bool isPremultiplied(Format format)
{
    return format == QVideoFrameFormat::Format_ARGB8888_Premultiplied ||
           format == QVideoFrameFormat::Format_BGRA8888_Premultiplied;
}

// Writes the four blocks into planes laid out as the format prescribes. Every byte of a row
// beyond the picture keeps whatever was there (the caller's garbage).
void paint(Format format, QSize size, uchar *const data[3], const int stride[3], bool fullRange)
{
    const auto &table = fullRange ? Full601 : Studio601;
    const int w = size.width();
    const int h = size.height();
    const auto yuvAt = [&](int x, int y) {
        return table[std::size_t(blockAt(x, y, size))];
    };
    const auto put16 = [](uchar *at, int value8) {
        const quint16 value = quint16(value8 << 8);
        std::memcpy(at, &value, 2);
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Yuv c = yuvAt(x, y);
            const bool chroma = x % 2 == 0 && y % 2 == 0;
            switch (format) {
            case QVideoFrameFormat::Format_NV12:
            case QVideoFrameFormat::Format_NV21: {
                data[0][y * stride[0] + x] = uchar(c.y);
                if (chroma) {
                    const bool vu = format == QVideoFrameFormat::Format_NV21;
                    uchar *uv = data[1] + (y / 2) * stride[1] + x;
                    uv[0] = uchar(vu ? c.v : c.u);
                    uv[1] = uchar(vu ? c.u : c.v);
                }
                break;
            }
            case QVideoFrameFormat::Format_P010:
            case QVideoFrameFormat::Format_P016:
                put16(data[0] + y * stride[0] + 2 * x, c.y);
                if (chroma) {
                    put16(data[1] + (y / 2) * stride[1] + 2 * x, c.u);
                    put16(data[1] + (y / 2) * stride[1] + 2 * x + 2, c.v);
                }
                break;
            case QVideoFrameFormat::Format_YUV420P:
            case QVideoFrameFormat::Format_YV12:
            case QVideoFrameFormat::Format_YUV422P: {
                data[0][y * stride[0] + x] = uchar(c.y);
                const bool is422 = format == QVideoFrameFormat::Format_YUV422P;
                if (x % 2 == 0 && (is422 || y % 2 == 0)) {
                    const int row = is422 ? y : y / 2;
                    const int u = format == QVideoFrameFormat::Format_YV12 ? 2 : 1;
                    data[u][row * stride[u] + x / 2] = uchar(c.u);
                    data[3 - u][row * stride[3 - u] + x / 2] = uchar(c.v);
                }
                break;
            }
            case QVideoFrameFormat::Format_YUYV:
            case QVideoFrameFormat::Format_UYVY: {
                uchar *pair = data[0] + y * stride[0] + (x / 2) * 4;
                const bool yuyv = format == QVideoFrameFormat::Format_YUYV;
                pair[yuyv ? (x % 2) * 2 : 1 + (x % 2) * 2] = uchar(c.y);
                if (x % 2 == 0) {
                    pair[yuyv ? 1 : 0] = uchar(c.u);
                    pair[yuyv ? 3 : 2] = uchar(c.v);
                    if (x + 1 == w) // an odd width's last pair repeats the pixel
                        pair[yuyv ? 2 : 3] = uchar(c.y);
                }
                break;
            }
            case QVideoFrameFormat::Format_Y8:
                data[0][y * stride[0] + x] = uchar(c.y);
                break;
            default: {
                const int block = blockAt(x, y, size);
                const QRgb rgb = Colours[std::size_t(block)];
                int argb[4] = {alphaAt(block, format), qRed(rgb), qGreen(rgb), qBlue(rgb)};
                if (isPremultiplied(format)) {
                    for (int i = 1; i < 4; ++i)
                        argb[i] = argb[i] * argb[0] / 255;
                }
                if (isPadded(format))
                    argb[0] = 0; // padding, not transparency
                const std::array<int, 4> order = byteOrder(format);
                uchar *pixel = data[0] + y * stride[0] + x * 4;
                for (int i = 0; i < 4; ++i)
                    pixel[i] = uchar(argb[order[std::size_t(i)]]);
            }
            }
        }
    }
}

// The planes of a w x h frame with rows `padding` bytes wider than needed.
struct PaddedFrame
{
    std::vector<uchar> storage[3];
    VideoFrameConverter::Planes planes;

    PaddedFrame(Format format, QSize size, int padding)
    {
        const int w = size.width();
        const int cw = (w + 1) / 2;
        const int ch = (size.height() + 1) / 2;
        int rowBytes[3] = {w * 4, 0, 0};
        int rows[3] = {size.height(), 0, 0};
        switch (format) {
        case QVideoFrameFormat::Format_NV12:
        case QVideoFrameFormat::Format_NV21:
            rowBytes[0] = w, rowBytes[1] = cw * 2, rows[1] = ch;
            break;
        case QVideoFrameFormat::Format_P010:
        case QVideoFrameFormat::Format_P016:
            rowBytes[0] = w * 2, rowBytes[1] = cw * 4, rows[1] = ch;
            break;
        case QVideoFrameFormat::Format_YUV420P:
        case QVideoFrameFormat::Format_YV12:
            rowBytes[0] = w, rowBytes[1] = rowBytes[2] = cw, rows[1] = rows[2] = ch;
            break;
        case QVideoFrameFormat::Format_YUV422P:
            rowBytes[0] = w, rowBytes[1] = rowBytes[2] = cw;
            rows[1] = rows[2] = size.height();
            break;
        case QVideoFrameFormat::Format_YUYV:
        case QVideoFrameFormat::Format_UYVY:
            rowBytes[0] = cw * 4;
            break;
        case QVideoFrameFormat::Format_Y8:
            rowBytes[0] = w;
            break;
        default:
            break;
        }
        planes.format = format;
        planes.size = size;
        for (int i = 0; i < 3 && rows[i] > 0; ++i) {
            planes.bytesPerLine[i] = rowBytes[i] + padding;
            // Exactly as long as the rows need: the last row has no padding after it.
            storage[i].assign(std::size_t(planes.bytesPerLine[i]) * (rows[i] - 1) + rowBytes[i],
                              0x5A);
            planes.data[i] = storage[i].data();
            planes.bytes[i] = storage[i].size();
        }
    }
};

QRgb expectedAt(int x, int y, QSize size, Format format)
{
    const int block = blockAt(x, y, size);
    const QRgb rgb = Colours[std::size_t(block)];
    if (format == QVideoFrameFormat::Format_Y8) {
        const int grey = qBound(0, (Studio601[std::size_t(block)].y - 16) * 255 / 219, 255);
        return qRgb(grey, grey, grey);
    }
    return qRgba(qRed(rgb), qGreen(rgb), qBlue(rgb), alphaAt(block, format));
}

// The first pixel further than 8 per channel from the four blocks, described; empty if none.
QString firstWrongPixel(const QImage &image, Format format)
{
    if (image.format() != QImage::Format_ARGB32 || image.bytesPerLine() != image.width() * 4)
        return QStringLiteral("not a packed ARGB32 picture");
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb want = expectedAt(x, y, image.size(), format);
            const QRgb got = row[x];
            if (std::abs(qRed(got) - qRed(want)) > 8 || std::abs(qGreen(got) - qGreen(want)) > 8 ||
                std::abs(qBlue(got) - qBlue(want)) > 8 || std::abs(qAlpha(got) - qAlpha(want)) > 8)
                return QStringLiteral("pixel (%1, %2) is %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(got, 8, 16, QLatin1Char('0'))
                    .arg(want, 8, 16, QLatin1Char('0'));
        }
    }
    return {};
}

const QList<Format> AllFormats = {QVideoFrameFormat::Format_NV12,
                                  QVideoFrameFormat::Format_NV21,
                                  QVideoFrameFormat::Format_YUYV,
                                  QVideoFrameFormat::Format_UYVY,
                                  QVideoFrameFormat::Format_YUV420P,
                                  QVideoFrameFormat::Format_YV12,
                                  QVideoFrameFormat::Format_YUV422P,
                                  QVideoFrameFormat::Format_Y8,
                                  QVideoFrameFormat::Format_P010,
                                  QVideoFrameFormat::Format_P016,
                                  QVideoFrameFormat::Format_ARGB8888,
                                  QVideoFrameFormat::Format_ARGB8888_Premultiplied,
                                  QVideoFrameFormat::Format_XRGB8888,
                                  QVideoFrameFormat::Format_BGRA8888,
                                  QVideoFrameFormat::Format_BGRA8888_Premultiplied,
                                  QVideoFrameFormat::Format_BGRX8888,
                                  QVideoFrameFormat::Format_ABGR8888,
                                  QVideoFrameFormat::Format_XBGR8888,
                                  QVideoFrameFormat::Format_RGBA8888,
                                  QVideoFrameFormat::Format_RGBX8888};

} // namespace

class tst_VideoFrameConverter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertsEveryFormat_data();
    void convertsEveryFormat();
    void refusesWhatItCannotRead();
};

void tst_VideoFrameConverter::convertsEveryFormat_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("padding"); // -1: a QVideoFrame laid out by Qt itself
    QTest::addColumn<bool>("fullRange");
    for (const Format format : AllFormats) {
        const QString name = QVideoFrameFormat::pixelFormatToString(format);
        // Qt 6.4 gives its own 4:2:2 planar buffers chroma rows a quarter of the width, too
        // short for the picture (the converter refuses them); GStreamer's frames are right.
        if (format != QVideoFrameFormat::Format_YUV422P)
            QTest::addRow("%s QVideoFrame 64x32", qPrintable(name))
                << format << QSize(64, 32) << -1 << false;
        QTest::addRow("%s odd 33x17, wide rows", qPrintable(name))
            << format << QSize(33, 17) << 12 << false;
    }
    QTest::addRow("NV12 full range")
        << QVideoFrameFormat::Format_NV12 << QSize(64, 32) << -1 << true;
    QTest::addRow("I420 1x1") << QVideoFrameFormat::Format_YUV420P << QSize(1, 1) << 3 << false;
}

// Each format's planes are written by hand from known samples, so a swapped plane, a wrong byte
// order, a stride taken for the width or a lost alpha shows as a wrong colour somewhere.
void tst_VideoFrameConverter::convertsEveryFormat()
{
    QFETCH(Format, format);
    QFETCH(QSize, size);
    QFETCH(int, padding);
    QFETCH(bool, fullRange);

    VideoFrameConverter converter;
    if (padding < 0) {
        QVideoFrameFormat surface(size, format);
        if (fullRange)
            surface.setColorRange(QVideoFrameFormat::ColorRange_Full);
        QVideoFrame frame(surface);
        QVERIFY(frame.map(QVideoFrame::WriteOnly));
        uchar *data[3] = {};
        int stride[3] = {};
        for (int i = 0; i < frame.planeCount() && i < 3; ++i) {
            data[i] = frame.bits(i);
            stride[i] = frame.bytesPerLine(i);
        }
        paint(format, size, data, stride, fullRange);
        frame.unmap();
        QCOMPARE(converter.convert(frame), VideoFrameConverter::Result::Converted);
    } else {
        PaddedFrame frame(format, size, padding);
        uchar *data[3] = {frame.storage[0].data(), frame.storage[1].data(),
                          frame.storage[2].data()};
        paint(format, size, data, frame.planes.bytesPerLine, fullRange);
        QCOMPARE(converter.convert(frame.planes), VideoFrameConverter::Result::Converted);
    }
    QCOMPARE(converter.image().size(), size);
    QCOMPARE(firstWrongPixel(converter.image(), format), QString());

    // The next frame of the stream reuses the picture.
    const uchar *const buffer = converter.image().constBits();
    PaddedFrame again(format, size, 0);
    uchar *data[3] = {again.storage[0].data(), again.storage[1].data(), again.storage[2].data()};
    paint(format, size, data, again.planes.bytesPerLine, false);
    QCOMPARE(converter.convert(again.planes), VideoFrameConverter::Result::Converted);
    QCOMPARE(converter.image().constBits(), buffer);
}

void tst_VideoFrameConverter::refusesWhatItCannotRead()
{
    VideoFrameConverter converter;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot use .* dropping them"));

    PaddedFrame good(QVideoFrameFormat::Format_NV12, QSize(32, 16), 0);
    PaddedFrame shortRows = good;
    shortRows.planes.bytesPerLine[1] = 30;
    PaddedFrame shortPlane = good;
    shortPlane.planes.bytes[1] -= 1;
    PaddedFrame missingPlane = good;
    missingPlane.planes.data[1] = nullptr;
    PaddedFrame empty = good;
    empty.planes.size = QSize(0, 16);
    for (const PaddedFrame *frame : {&shortRows, &shortPlane, &missingPlane, &empty})
        QCOMPARE(converter.convert(frame->planes), VideoFrameConverter::Result::Malformed);
    QCOMPARE(converter.malformedFrames(), 4);

    QVideoFrame jpeg(QVideoFrameFormat(QSize(32, 16), QVideoFrameFormat::Format_Jpeg));
    QCOMPARE(converter.convert(jpeg), VideoFrameConverter::Result::Unsupported);
    QCOMPARE(converter.unsupportedFrames(), 1);
    QCOMPARE(converter.convert(good.planes), VideoFrameConverter::Result::Converted);
}

QTEST_GUILESS_MAIN(tst_VideoFrameConverter)
#include "tst_videoframeconverter.moc"
