#include "VideoFrameConverter.h"

#include <QtTest>
#include <QVideoFrame>

#include <array>
#include <cstring>
#include <vector>

using Format = QVideoFrameFormat::PixelFormat;
Q_DECLARE_METATYPE(QVideoFrameFormat::PixelFormat)

namespace {

// Where one kind of sample of a YUV format lies: in plane `plane`, one sample per xSub x ySub
// pixels, the n-th of a row at byte n * step + offset, `bytes` wide (16-bit samples hold the
// value in their top byte). Written from the formats' definitions, not from the converter.
struct Samples
{
    int kind; // 0 Y, 1 U, 2 V
    int plane, xSub, ySub, step, offset, bytes;
};

QList<Samples> layoutOf(Format format)
{
    switch (format) {
    case QVideoFrameFormat::Format_NV12:
        return {{0, 0, 1, 1, 1, 0, 1}, {1, 1, 2, 2, 2, 0, 1}, {2, 1, 2, 2, 2, 1, 1}};
    case QVideoFrameFormat::Format_NV21:
        return {{0, 0, 1, 1, 1, 0, 1}, {2, 1, 2, 2, 2, 0, 1}, {1, 1, 2, 2, 2, 1, 1}};
    case QVideoFrameFormat::Format_P010:
    case QVideoFrameFormat::Format_P016:
        return {{0, 0, 1, 1, 2, 0, 2}, {1, 1, 2, 2, 4, 0, 2}, {2, 1, 2, 2, 4, 2, 2}};
    case QVideoFrameFormat::Format_YUV420P:
        return {{0, 0, 1, 1, 1, 0, 1}, {1, 1, 2, 2, 1, 0, 1}, {2, 2, 2, 2, 1, 0, 1}};
    case QVideoFrameFormat::Format_YV12:
        return {{0, 0, 1, 1, 1, 0, 1}, {2, 1, 2, 2, 1, 0, 1}, {1, 2, 2, 2, 1, 0, 1}};
    case QVideoFrameFormat::Format_YUV422P:
        return {{0, 0, 1, 1, 1, 0, 1}, {1, 1, 2, 1, 1, 0, 1}, {2, 2, 2, 1, 1, 0, 1}};
    case QVideoFrameFormat::Format_YUYV:
        return {{0, 0, 1, 1, 2, 0, 1}, {1, 0, 2, 1, 4, 1, 1}, {2, 0, 2, 1, 4, 3, 1}};
    case QVideoFrameFormat::Format_UYVY:
        return {{0, 0, 1, 1, 2, 1, 1}, {1, 0, 2, 1, 4, 0, 1}, {2, 0, 2, 1, 4, 2, 1}};
    case QVideoFrameFormat::Format_Y8:
        return {{0, 0, 1, 1, 1, 0, 1}};
    default:
        return {};
    }
}

// The 32-bit formats: byte i of a pixel holds component order[i] of {alpha, red, green, blue};
// padded formats carry no alpha, premultiplied ones carry colour times alpha.
struct Packed
{
    std::array<int, 4> order;
    bool padded = false;
    bool premultiplied = false;
};

Packed packedOf(Format format)
{
    const std::array<int, 4> argb{0, 1, 2, 3}, bgra{3, 2, 1, 0}, abgr{0, 3, 2, 1}, rgba{1, 2, 3, 0};
    switch (format) {
    case QVideoFrameFormat::Format_ARGB8888_Premultiplied:
        return {argb, false, true};
    case QVideoFrameFormat::Format_XRGB8888:
        return {argb, true};
    case QVideoFrameFormat::Format_BGRA8888:
        return {bgra};
    case QVideoFrameFormat::Format_BGRA8888_Premultiplied:
        return {bgra, false, true};
    case QVideoFrameFormat::Format_BGRX8888:
        return {bgra, true};
    case QVideoFrameFormat::Format_ABGR8888:
        return {abgr};
    case QVideoFrameFormat::Format_XBGR8888:
        return {abgr, true};
    case QVideoFrameFormat::Format_RGBA8888:
        return {rgba};
    case QVideoFrameFormat::Format_RGBX8888:
        return {rgba, true};
    default: // ARGB8888
        return {argb};
    }
}

// Four blocks split on even columns and rows, so no chroma sample straddles two colours: red,
// blue / green, light grey; the blue one half transparent where the format carries alpha. Their
// BT.601 samples in studio range, and in full range (the grey tells the two ranges apart).
constexpr std::array<QRgb, 4> Colours = {0xFFFF0000, 0x800000FF, 0xFF00FF00, 0xFFC0C0C0};
constexpr int Studio601[4][3] = {{81, 90, 240}, {41, 240, 110}, {145, 54, 34}, {181, 128, 128}};
constexpr int Full601[4][3] = {{76, 85, 255}, {29, 255, 107}, {150, 44, 21}, {192, 128, 128}};

int blockAt(int x, int y, QSize size)
{
    return (y >= (size.height() / 2 & ~1) ? 2 : 0) + (x >= (size.width() / 2 & ~1) ? 1 : 0);
}

bool isYuv(Format format)
{
    return !layoutOf(format).isEmpty();
}

// Writes the four blocks into planes laid out as the format prescribes; bytes beyond the picture
// in each row keep whatever was there.
void paint(Format format, QSize size, uchar *const data[3], const int stride[3], bool fullRange)
{
    const auto &table = fullRange ? Full601 : Studio601;
    for (const Samples &s : layoutOf(format)) {
        for (int y = 0; y < size.height(); y += s.ySub) {
            for (int x = 0; x < size.width(); x += s.xSub) {
                uchar *at = data[s.plane] + (y / s.ySub) * stride[s.plane] + (x / s.xSub) * s.step +
                            s.offset;
                const int value = table[blockAt(x, y, size)][s.kind];
                if (s.bytes == 2)
                    at[0] = 0, at[1] = uchar(value);
                else
                    at[0] = uchar(value);
            }
        }
    }
    if (isYuv(format))
        return;
    const Packed packed = packedOf(format);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb rgb = Colours[std::size_t(blockAt(x, y, size))];
            const int alpha = packed.padded ? 255 : qAlpha(rgb);
            int argb[4] = {packed.padded ? 0 : alpha, qRed(rgb), qGreen(rgb), qBlue(rgb)};
            for (int i = 1; packed.premultiplied && i < 4; ++i)
                argb[i] = argb[i] * alpha / 255;
            for (int i = 0; i < 4; ++i)
                data[0][y * stride[0] + x * 4 + i] = uchar(argb[packed.order[std::size_t(i)]]);
        }
    }
}

// The planes of a frame with rows `padding` bytes wider than the picture needs, each plane
// exactly as long as its rows (no padding after the last one).
struct PaddedFrame
{
    std::vector<uchar> storage[3];
    VideoFrameConverter::Planes planes;

    PaddedFrame(Format format, QSize size, int padding)
    {
        int rowBytes[3] = {isYuv(format) ? 0 : size.width() * 4, 0, 0};
        int rows[3] = {isYuv(format) ? 0 : size.height(), 0, 0};
        for (const Samples &s : layoutOf(format)) {
            const int count = (size.width() + s.xSub - 1) / s.xSub;
            rowBytes[s.plane] = std::max(rowBytes[s.plane], count * s.step);
            rows[s.plane] = (size.height() + s.ySub - 1) / s.ySub;
        }
        planes.format = format;
        planes.size = size;
        for (int i = 0; i < 3 && rows[i] > 0; ++i) {
            planes.bytesPerLine[i] = rowBytes[i] + padding;
            storage[i].assign(std::size_t(planes.bytesPerLine[i]) * (rows[i] - 1) + rowBytes[i],
                              0x5A);
            planes.data[i] = storage[i].data();
            planes.bytes[i] = storage[i].size();
        }
    }
    uchar *const *writable()
    {
        for (int i = 0; i < 3; ++i)
            m_data[i] = storage[i].data();
        return m_data;
    }

private:
    uchar *m_data[3] = {};
};

QRgb expectedAt(int x, int y, QSize size, Format format)
{
    const int block = blockAt(x, y, size);
    if (format == QVideoFrameFormat::Format_Y8) {
        const int grey = qBound(0, (Studio601[block][0] - 16) * 255 / 219, 255);
        return qRgb(grey, grey, grey);
    }
    const QRgb rgb = Colours[std::size_t(block)];
    return isYuv(format) || packedOf(format).padded ? rgb | 0xFF000000 : rgb;
}

// The first pixel further than 8 per channel from its block's colour, described; empty if none.
QString firstWrongPixel(const QImage &image, Format format)
{
    if (image.format() != QImage::Format_ARGB32 || image.bytesPerLine() != image.width() * 4)
        return QStringLiteral("not a packed ARGB32 picture");
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb want = expectedAt(x, y, image.size(), format);
            const QRgb got = reinterpret_cast<const QRgb *>(image.constScanLine(y))[x];
            for (int shift = 0; shift < 32; shift += 8) {
                if (std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)) > 8)
                    return QStringLiteral("pixel (%1, %2) is %3, expected %4")
                        .arg(x)
                        .arg(y)
                        .arg(got, 8, 16, QLatin1Char('0'))
                        .arg(want, 8, 16, QLatin1Char('0'));
            }
        }
    }
    return {};
}

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
    for (int f = QVideoFrameFormat::Format_ARGB8888; f <= QVideoFrameFormat::Format_P016; ++f) {
        const auto format = Format(f);
        if (!VideoFrameConverter::supports(format))
            continue;
        const QByteArray name = QVideoFrameFormat::pixelFormatToString(format).toLatin1();
        // Qt 6.4 gives its own 4:2:2 planar buffers chroma rows a quarter of the width, too
        // short for the picture (the converter refuses them); GStreamer's frames are right.
        if (format != QVideoFrameFormat::Format_YUV422P)
            QTest::addRow("%s QVideoFrame 64x32", name.data())
                << format << QSize(64, 32) << -1 << false;
        QTest::addRow("%s odd 33x17, wide rows", name.data())
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
        uchar *data[3] = {frame.bits(0), frame.bits(1), frame.bits(2)};
        const int stride[3] = {frame.bytesPerLine(0), frame.bytesPerLine(1), frame.bytesPerLine(2)};
        paint(format, size, data, stride, fullRange);
        frame.unmap();
        QCOMPARE(converter.convert(frame), VideoFrameConverter::Result::Converted);
    } else {
        PaddedFrame frame(format, size, padding);
        paint(format, size, frame.writable(), frame.planes.bytesPerLine, fullRange);
        QCOMPARE(converter.convert(frame.planes), VideoFrameConverter::Result::Converted);
    }
    QCOMPARE(converter.image().size(), size);
    QCOMPARE(firstWrongPixel(converter.image(), format), QString());

    // The next frame of the stream reuses the picture.
    const uchar *const buffer = converter.image().constBits();
    PaddedFrame again(format, size, 0);
    paint(format, size, again.writable(), again.planes.bytesPerLine, false);
    QCOMPARE(converter.convert(again.planes), VideoFrameConverter::Result::Converted);
    QCOMPARE(converter.image().constBits(), buffer);
}

void tst_VideoFrameConverter::refusesWhatItCannotRead()
{
    VideoFrameConverter converter;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot use .* dropping them"));
    PaddedFrame good(QVideoFrameFormat::Format_NV12, QSize(32, 16), 0);
    const auto refused = [&](auto change) {
        VideoFrameConverter::Planes planes = good.planes;
        change(planes);
        return converter.convert(planes) == VideoFrameConverter::Result::Malformed;
    };
    QVERIFY(refused([](auto &p) { p.bytesPerLine[1] = 30; }));
    QVERIFY(refused([](auto &p) { p.bytes[1] -= 1; }));
    QVERIFY(refused([](auto &p) { p.data[1] = nullptr; }));
    QVERIFY(refused([](auto &p) { p.size = QSize(0, 16); }));
    QCOMPARE(converter.malformedFrames(), 4);

    QVideoFrame jpeg(QVideoFrameFormat(QSize(32, 16), QVideoFrameFormat::Format_Jpeg));
    QCOMPARE(converter.convert(jpeg), VideoFrameConverter::Result::Unsupported);
    QCOMPARE(converter.unsupportedFrames(), 1);
    QCOMPARE(converter.convert(good.planes), VideoFrameConverter::Result::Converted);
}

QTEST_GUILESS_MAIN(tst_VideoFrameConverter)
#include "tst_videoframeconverter.moc"
