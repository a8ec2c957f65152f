// The pixel arithmetic of composition: every instruction set's kernels give the reference's
// bytes, the reference's blends are what Qt's painter makes, the watermark is its integer
// formula, and scaling keeps flat colours exact and follows the picture.

#include "ImageScaler.h"
#include "PixelRows.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using Pixels = std::vector<std::uint32_t>;

Pixels noise(size_t count, quint32 seed)
{
    Pixels pixels(count);
    QRandomGenerator random(seed);
    random.fillRange(pixels.data(), qsizetype(count));
    return pixels;
}

// Valid premultiplied pixels, with whole runs of clear and of opaque ones as pictures have.
Pixels premultipliedNoise(size_t count, quint32 seed)
{
    Pixels pixels = noise(count, seed);
    for (size_t i = 0; i < count; ++i) {
        const size_t run = (i / 37) % 4;
        if (run == 0)
            pixels[i] = 0;
        else if (run == 1)
            pixels[i] |= 0xFF000000u;
        else
            pixels[i] = PixelRows::premultiplyPixel(pixels[i]);
    }
    return pixels;
}

QImage noiseImage(const QSize &size, quint32 seed)
{
    QImage image(size, QImage::Format_ARGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y)
        random.fillRange(reinterpret_cast<quint32 *>(image.scanLine(y)), size.width());
    return image;
}

int countOtherThan(const QImage &image, quint32 pixel)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const quint32 *>(image.constScanLine(y));
        count += int(
            std::count_if(line, line + image.width(), [pixel](quint32 p) { return p != pixel; }));
    }
    return count;
}

QImage scaled(const QImage &source, const QSize &size, ImageScaler::Filter filter,
              ImageScaler::Alpha alpha = ImageScaler::Alpha::Keep)
{
    QImage out(size, QImage::Format_ARGB32);
    out.fill(0x5A5A5A5A);
    if (!ImageScaler::scaleInto(source, &out, filter, alpha))
        return QImage();
    return out;
}

// The picture scaled span by span, each row cut at the given fractions of its width, as
// composition scales a game row that an opaque layer partly hides.
QImage scaledInSpans(const QImage &source, const QSize &size, ImageScaler::Filter filter)
{
    ImageScaler::RowScaler scaler;
    QImage out(size, QImage::Format_ARGB32);
    if (!scaler.prepare(source.width(), source.height(), size.width(), size.height(), filter))
        return QImage();
    const int w = size.width();
    const int cuts[] = {0, w / 3, w / 3 + 1, 2 * w / 3, w - 1, w};
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<std::uint32_t *>(out.scanLine(y));
        for (size_t c = 0; c + 1 < std::size(cuts); ++c) {
            if (cuts[c] < cuts[c + 1])
                scaler.scaleSpan(source.constBits(), int(source.bytesPerLine()), y, cuts[c],
                                 cuts[c + 1], line + cuts[c], 0, PixelRows::inUse());
        }
    }
    return out;
}

// Where output pixel i of `to` samples `from` pixels: centres aligned, edges repeated.
struct Tap
{
    int left;
    int right;
    double fraction;
};

Tap tapOf(int i, int from, int to, bool nearest)
{
    if (nearest) {
        const int index = qMin(int((i + 0.5) * from / to), from - 1);
        return {index, index, 0.0};
    }
    const double position = qBound(0.0, (i + 0.5) * from / to - 0.5, from - 1.0);
    const int left = int(position);
    return {left, qMin(left + 1, from - 1), position - left};
}

// The largest difference of any byte of out from an ideal scaling of in, computed in doubles.
int largestError(const QImage &in, const QImage &out, bool nearest)
{
    int worst = 0;
    for (int y = 0; y < out.height(); ++y) {
        const Tap v = tapOf(y, in.height(), out.height(), nearest);
        for (int x = 0; x < out.width(); ++x) {
            const Tap h = tapOf(x, in.width(), out.width(), nearest);
            for (int shift = 0; shift < 32; shift += 8) {
                const auto at = [&](int sx, int sy) {
                    return (in.pixel(sx, sy) >> shift) & 0xFF;
                };
                const double top =
                    at(h.left, v.left) * (1 - h.fraction) + at(h.right, v.left) * h.fraction;
                const double bottom =
                    at(h.left, v.right) * (1 - h.fraction) + at(h.right, v.right) * h.fraction;
                const double ideal = top * (1 - v.fraction) + bottom * v.fraction;
                const double got = (out.pixel(x, y) >> shift) & 0xFF;
                worst = qMax(worst, int(std::ceil(std::abs(got - ideal))));
            }
        }
    }
    return worst;
}

// Every 16-bit pair (colour byte, alpha byte) once, as a 256 x 256 straight ARGB picture.
QImage everyColourAndAlpha()
{
    QImage image(256, 256, QImage::Format_ARGB32);
    for (int a = 0; a < 256; ++a)
        for (int c = 0; c < 256; ++c)
            image.setPixel(c, a, qRgba(c, 255 - c, (c * 7) & 0xFF, a));
    return image;
}

QImage backdrop(quint32 seed)
{
    QImage image = noiseImage(QSize(256, 256), seed);
    image.reinterpretAsFormat(QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < 256; ++x)
            line[x] |= 0xFF000000u;
    }
    return image;
}

int countDifferent(const QImage &a, const QImage &b, int tolerance)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (qAbs(qRed(p) - qRed(q)) > tolerance || qAbs(qGreen(p) - qGreen(q)) > tolerance ||
                qAbs(qBlue(p) - qBlue(q)) > tolerance || qAlpha(p) != qAlpha(q))
                ++count;
        }
    }
    return count;
}

} // namespace

class TestPixelRows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everySetGivesTheReferenceBytes_data();
    void everySetGivesTheReferenceBytes();
    void blendsAreWhatQtPaints();
    void watermarkIsItsFormula_data();
    void watermarkIsItsFormula();
    void scalingKeepsFlatColoursExact_data();
    void scalingKeepsFlatColoursExact();
    void scalingFollowsThePicture();
};

void TestPixelRows::everySetGivesTheReferenceBytes_data()
{
    QTest::addColumn<int>("set");
    for (size_t i = 0; i < PixelRows::available().size(); ++i)
        QTest::newRow(PixelRows::available()[i]->name) << int(i);
}

// Every kernel of every set against the reference, at lengths around each vector width and at
// every alignment of the target, on random pixels; and whole scalings, which use the column
// kernels with their real taps (windows of one and two vectors, and gathers).
void TestPixelRows::everySetGivesTheReferenceBytes()
{
    QFETCH(int, set);
    const PixelRows::Kernels &k = *PixelRows::available()[size_t(set)];
    const PixelRows::Kernels &r = PixelRows::reference();
    const Pixels a = noise(1100, 1);
    const Pixels b = noise(1100, 2);
    const Pixels premultiplied = premultipliedNoise(1100, 3);
    const int lengths[] = {0, 1, 3, 4, 7, 8, 9, 15, 16, 17, 31, 33, 63, 64, 65, 100, 1000};
    int failures = 0;
    const auto check = [&](const char *kernel, int length, int offset, auto run) {
        Pixels expected(b);
        Pixels got(b);
        run(r, expected.data() + offset);
        run(k, got.data() + offset);
        if (expected != got && ++failures <= 5)
            qWarning("%s differs at length %d, offset %d", kernel, length, offset);
    };
    QRandomGenerator random(4);
    for (int length : lengths) {
        for (int offset = 0; offset < 4; ++offset) {
            const int fraction = 1 + random.bounded(127);
            const int opacity = random.bounded(256);
            const std::uint32_t mask = offset % 2 ? 0xFF000000u : 0u;
            using K = PixelRows::Kernels;
            check("interpolate", length, offset, [&](const K &s, std::uint32_t *d) {
                s.interpolate(d, a.data(), b.data() + 50, length, fraction, mask);
            });
            check("copy", length, offset,
                  [&](const K &s, std::uint32_t *d) { s.copy(d, a.data(), length, mask); });
            check("stream", length, offset,
                  [&](const K &s, std::uint32_t *d) { s.stream(d, a.data() + 1, length); });
            check("fill", length, offset,
                  [&](const K &s, std::uint32_t *d) { s.fill(d, length, a[0]); });
            check("premultiply", length, offset,
                  [&](const K &s, std::uint32_t *d) { s.premultiply(d, a.data(), length); });
            // Runs of opaque and of clear pixels among others, as camera frames have.
            check("premultiply runs", length, offset, [&](const K &s, std::uint32_t *d) {
                s.premultiply(d, premultiplied.data() + offset, length);
            });
            // Whether every pixel was opaque, with one that is not at the start, in the middle
            // or last (the vector part and the tail).
            Pixels opaque(a);
            for (std::uint32_t &pixel : opaque)
                pixel |= 0xFF000000u;
            Pixels out(size_t(length) + 1);
            for (int clear : {-1, 0, length / 2, length - 1}) {
                Pixels in(opaque);
                if (clear >= 0)
                    in[size_t(offset + clear)] &= 0xFEFFFFFFu;
                const bool expected = clear < 0 || length == 0;
                if ((k.premultiply(out.data(), in.data() + offset, length) != expected ||
                     r.premultiply(out.data(), in.data() + offset, length) != expected) &&
                    ++failures <= 5)
                    qWarning("premultiply: opaque wrong at length %d, pixel %d", length, clear);
            }
            check("blend", length, offset, [&](const K &s, std::uint32_t *d) {
                s.blend(d, premultiplied.data() + offset, length);
            });
            check("blendAt", length, offset, [&](const K &s, std::uint32_t *d) {
                s.blendAt(d, premultiplied.data(), length, opacity);
            });
            check("mix", length, offset,
                  [&](const K &s, std::uint32_t *d) { s.mix(d, a.data(), length, opacity); });
            check("stamp", length, offset,
                  [&](const K &s, std::uint32_t *d) { s.stamp(d, a.data(), length); });
        }
    }
    PixelRows::finishStreaming();

    const QList<QPair<QSize, QSize>> pairs{
        {QSize(37, 23), QSize(100, 61)},  {QSize(100, 61), QSize(37, 23)},
        {QSize(64, 48), QSize(411, 31)},  {QSize(823, 5), QSize(640, 9)},
        {QSize(200, 7), QSize(41, 3)},    {QSize(640, 4), QSize(823, 3)},
        {QSize(1280, 3), QSize(1920, 4)}, {QSize(1920, 3), QSize(1280, 2)},
        {QSize(9, 9), QSize(1, 1)},       {QSize(1, 1), QSize(5, 3)},
        {QSize(640, 5), QSize(640, 4)},
    };
    const auto restore = qScopeGuard([] { PixelRows::use(nullptr); });
    for (const auto &pair : pairs) {
        const QImage in = noiseImage(pair.first, quint32(pair.first.width()));
        for (ImageScaler::Filter filter :
             {ImageScaler::Filter::Fast, ImageScaler::Filter::Smooth}) {
            PixelRows::use(&r);
            const QImage expected = scaled(in, pair.second, filter);
            PixelRows::use(&k);
            if ((scaled(in, pair.second, filter) != expected ||
                 scaledInSpans(in, pair.second, filter) != expected) &&
                ++failures <= 5)
                qWarning("scaling %dx%d to %dx%d differs", pair.first.width(), pair.first.height(),
                         pair.second.width(), pair.second.height());
        }
    }
    QCOMPARE(failures, 0);
}

// What the cached layers and the game at an opacity are blended with must be what QPainter
// paints on an RGB32 frame: premultiplied pictures opaque and at every opacity in percent, an
// opaque picture at an opacity, and the premultiplication itself, each for every colour byte
// under every alpha over random frame pixels.
void TestPixelRows::blendsAreWhatQtPaints()
{
    const QImage straight = everyColourAndAlpha();
    const QImage premultiplied = straight.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const QRgb pixel = straight.pixel(x, y);
            QCOMPARE(PixelRows::premultiplyPixel(pixel), qPremultiply(pixel));
        }
    }
    QImage opaque = straight.convertToFormat(QImage::Format_RGB32);
    const auto ours = [](const QImage &under, const QImage &over, auto pixelRule) {
        QImage out = under.copy();
        for (int y = 0; y < 256; ++y) {
            auto *d = reinterpret_cast<std::uint32_t *>(out.scanLine(y));
            const auto *s = reinterpret_cast<const std::uint32_t *>(over.constScanLine(y));
            for (int x = 0; x < 256; ++x)
                d[x] = pixelRule(d[x], s[x]);
        }
        return out;
    };
    const auto qts = [](const QImage &under, const QImage &over, int percent) {
        QImage out = under.copy();
        QPainter painter(&out);
        if (percent < 100)
            painter.setOpacity(percent / 100.0);
        painter.drawImage(0, 0, over);
        return out;
    };
    int mismatches = 0;
    for (int percent = 0; percent <= 100; ++percent) {
        const QImage under = backdrop(quint32(percent));
        const int opacity = PixelRows::opacityFromPercent(percent);
        const QImage blended = ours(under, premultiplied, [&](std::uint32_t d, std::uint32_t s) {
            return percent == 100 ? PixelRows::blendPixel(d, s)
                                  : PixelRows::blendPixelAt(d, s, std::uint32_t(opacity));
        });
        mismatches += countDifferent(blended, qts(under, premultiplied, percent), 0);
        const QImage mixed = ours(under, opaque, [&](std::uint32_t d, std::uint32_t s) {
            return PixelRows::mixPixel(d, s, std::uint32_t(opacity));
        });
        // How an opaque picture at an opacity rounds is up to each of Qt's instruction sets.
        mismatches += countDifferent(mixed, qts(under, opaque, percent), 1);
    }
    QCOMPARE(mismatches, 0);
}

void TestPixelRows::watermarkIsItsFormula_data()
{
    everySetGivesTheReferenceBytes_data();
    QTest::newRow("reference") << -1;
}

// Every watermark byte under every alpha over random frame bytes, against the formula written
// out here once more: d = min((s * a - ((a * d * 255) >> 8) + d * 255) / 255, 255), the fourth
// byte 0xFF.
void TestPixelRows::watermarkIsItsFormula()
{
    QFETCH(int, set);
    const PixelRows::Kernels &kernels =
        set < 0 ? PixelRows::reference() : *PixelRows::available()[size_t(set)];
    const QImage mark = everyColourAndAlpha();
    const Pixels frame = noise(256 * 256, 7);
    Pixels stamped = frame;
    for (int y = 0; y < 256; ++y)
        kernels.stamp(stamped.data() + y * 256,
                      reinterpret_cast<const std::uint32_t *>(mark.constScanLine(y)), 256);
    const auto channel = [](int s, int a, int d) {
        return quint32(qMin((s * a - ((a * d * 255) >> 8) + d * 255) / 255, 255));
    };
    int mismatches = 0;
    for (int i = 0; i < 256 * 256; ++i) {
        const quint32 d = frame[size_t(i)];
        const QRgb s = mark.pixel(i % 256, i / 256);
        const int a = qAlpha(s);
        const quint32 expected = 0xFF000000u | channel(qRed(s), a, qRed(d)) << 16 |
                                 channel(qGreen(s), a, qGreen(d)) << 8 |
                                 channel(qBlue(s), a, qBlue(d));
        if (stamped[size_t(i)] != expected && ++mismatches <= 5)
            qWarning("pixel %d: %08x, expected %08x", i, stamped[size_t(i)], expected);
    }
    QCOMPARE(mismatches, 0);
}

void TestPixelRows::scalingKeepsFlatColoursExact_data()
{
    QTest::addColumn<int>("set");
    QTest::newRow("best") << 0;
    QTest::newRow("reference") << -1;
}

void TestPixelRows::scalingKeepsFlatColoursExact()
{
    QFETCH(int, set);
    PixelRows::use(set < 0 ? &PixelRows::reference() : &PixelRows::best());
    const auto restore = qScopeGuard([] { PixelRows::use(nullptr); });
    using ImageScaler::Filter;
    // Every pair of these lengths, narrowing and widening, across and down; 640 x 480 to
    // 585 x 439 darkened an opaque camera picture and let the game show through.
    const int lengths[] = {1, 2, 3, 8, 9, 17, 439, 480, 585, 640};
    const quint32 colours[] = {0xFF00C800u, 0x80402010u};
    int failures = 0;
    const auto check = [&](const QSize &from, const QSize &to) {
        for (Filter filter : {Filter::Fast, Filter::Smooth}) {
            for (quint32 colour : colours) {
                QImage in(from, QImage::Format_ARGB32);
                in.fill(colour);
                const int wrong = countOtherThan(scaled(in, to, filter), colour);
                if (wrong > 0 && ++failures <= 5)
                    qWarning("%dx%d to %dx%d, %s, %08x: %d pixels differ", from.width(),
                             from.height(), to.width(), to.height(),
                             filter == Filter::Fast ? "fast" : "smooth", colour, wrong);
            }
        }
    };
    for (int from : lengths) {
        for (int to : lengths) {
            check(QSize(from, 3), QSize(to, 2));
            check(QSize(2, from), QSize(3, to));
        }
    }
    check(QSize(640, 480), QSize(585, 439));
    check(QSize(585, 439), QSize(823, 617));
    QCOMPARE(failures, 0);

    // The fourth byte made opaque in the same pass.
    QImage clear(7, 5, QImage::Format_ARGB32);
    clear.fill(0x00336699u);
    QCOMPARE(countOtherThan(scaled(clear, QSize(9, 4), Filter::Smooth, ImageScaler::Alpha::Opaque),
                            0xFF336699u),
             0);
}

void TestPixelRows::scalingFollowsThePicture()
{
    using ImageScaler::Filter;
    // Widening and narrowing on each axis, down alone (the game's usual pass), rows shorter and
    // longer than the kernels' vectors, and sources too far apart to be read as windows.
    const QList<QPair<QSize, QSize>> pairs{
        {QSize(37, 23), QSize(100, 61)}, {QSize(100, 61), QSize(37, 23)},
        {QSize(64, 48), QSize(411, 31)}, {QSize(823, 5), QSize(640, 9)},
        {QSize(40, 30), QSize(40, 29)},  {QSize(200, 7), QSize(41, 3)},
        {QSize(9, 9), QSize(1, 1)},      {QSize(1, 1), QSize(5, 3)},
    };
    for (const auto &pair : pairs) {
        const QImage in = noiseImage(pair.first, quint32(pair.first.width()));
        for (Filter filter : {Filter::Fast, Filter::Smooth}) {
            const QImage out = scaled(in, pair.second, filter);
            // 7-bit weights and a rounded intermediate row cost at most three steps.
            const int tolerance = filter == Filter::Fast ? 0 : 3;
            QVERIFY2(largestError(in, out, filter == Filter::Fast) <= tolerance,
                     qPrintable(QStringLiteral("%1x%2 to %3x%4")
                                    .arg(pair.first.width())
                                    .arg(pair.first.height())
                                    .arg(pair.second.width())
                                    .arg(pair.second.height())));
        }
    }
}

QTEST_MAIN(TestPixelRows)
#include "tst_pixelrows.moc"
