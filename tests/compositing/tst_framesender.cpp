// Frame composition and delivery: scaling and watermark arithmetic, the game layer's place in
// the stack, slot handling, order, drops and stopping.

#include "CompositingTestSupport.h"

#include "CMCameraLayer.h"
#include "CMGamepicLayer.h"
#include "CMPicLayer.h"
#include "FrameSender.h"
#include "ImageScaler.h"
#include "PreviewCenterData.h"
#include "PreviewLogic.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// A 236 x 136 watermark whose pixels are all different, with every alpha value present.
QImage testWatermark()
{
    QImage image(236, 136, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x, y, (x * 7 + y) & 0xFF, (x + y * 3) & 0xFF));
    return image;
}

quint32 blendChannel(int s, int a, int d)
{
    return quint32(qMin((s * a - ((a * d * 255) >> 8) + d * 255) / 255, 255));
}

// Every check of the pixel arithmetic runs with each set of row kernels the processor has.
void addInstructionSetRows()
{
    QTest::addColumn<int>("instructionSet");
    QTest::newRow("portable") << int(ImageScaler::InstructionSet::Portable);
    QTest::newRow("avx2") << int(ImageScaler::InstructionSet::Avx2);
}

#define USE_INSTRUCTION_SET()                                                                      \
    QFETCH(int, instructionSet);                                                                   \
    const ImageScaler::InstructionSet previousSet = ImageScaler::instructionSet();                 \
    if (!ImageScaler::setInstructionSet(ImageScaler::InstructionSet(instructionSet)))              \
        QSKIP("the processor lacks this instruction set");                                         \
    const auto restoreSet =                                                                        \
        qScopeGuard([previousSet] { ImageScaler::setInstructionSet(previousSet); })

QImage scaled(const QImage &source, const QSize &size, ImageScaler::Filter filter,
              ImageScaler::Alpha alpha = ImageScaler::Alpha::Keep)
{
    QImage out(size, QImage::Format_ARGB32);
    out.fill(0x5A5A5A5A);
    if (!ImageScaler::scaleInto(source, &out, filter, alpha))
        return QImage();
    return out;
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

QImage noise(const QSize &size, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        random.fillRange(reinterpret_cast<quint32 *>(image.scanLine(y)), size.width());
    return image;
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

} // namespace

class TestFrameSender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void scalingKeepsFlatColoursExact_data() { addInstructionSetRows(); }
    void scalingKeepsFlatColoursExact();
    void scalingFollowsThePicture();
    void watermarkBlendIsExact_data() { addInstructionSetRows(); }
    void watermarkBlendIsExact();
    void watermarkScalesWithOutputHeight_data();
    void watermarkScalesWithOutputHeight();

    void emptyListGivesBlackWatermarkedFrame();
    void gameTakesItsPlaceInTheStack_data();
    void gameTakesItsPlaceInTheStack();
    void blockedHostDropsAndDeliversInOrder();
    void stopIsCleanAndRestartable();

private:
    PreviewEngine *m_engine = nullptr;
    std::unique_ptr<FrameSender> m_sender;
    std::unique_ptr<HostReceiver> m_host;
};

void TestFrameSender::initTestCase()
{
    m_engine = PreviewEngine::createInstance();
}

void TestFrameSender::cleanupTestCase()
{
    m_engine->release();
}

void TestFrameSender::init()
{
    m_engine->controller()->centerData()->setVideoSize(QSize(1280, 768));
    m_host = std::make_unique<HostReceiver>(m_engine);
    m_sender = std::make_unique<FrameSender>(PreviewEngine::logic());
    m_sender->start();
    m_sender->setWatermark(testWatermark());
}

void TestFrameSender::cleanup()
{
    m_host->release();
    m_sender.reset();
    m_host.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestFrameSender::scalingKeepsFlatColoursExact()
{
    USE_INSTRUCTION_SET();
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

void TestFrameSender::scalingFollowsThePicture()
{
    using ImageScaler::Filter;
    // Widening and narrowing on each axis, down alone (the game's usual pass), rows shorter and
    // longer than the kernels' blocks, and sources too far apart to be read as blocks.
    const QList<QPair<QSize, QSize>> pairs{
        {QSize(37, 23), QSize(100, 61)}, {QSize(100, 61), QSize(37, 23)},
        {QSize(64, 48), QSize(411, 31)}, {QSize(823, 5), QSize(640, 9)},
        {QSize(40, 30), QSize(40, 29)},  {QSize(200, 7), QSize(41, 3)},
        {QSize(9, 9), QSize(1, 1)},      {QSize(1, 1), QSize(5, 3)},
    };
    const ImageScaler::InstructionSet best = ImageScaler::instructionSet();
    for (const auto &pair : pairs) {
        const QImage in = noise(pair.first, quint32(pair.first.width()));
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
            // The same bytes whatever the processor.
            ImageScaler::setInstructionSet(ImageScaler::InstructionSet::Portable);
            const QImage portable = scaled(in, pair.second, filter);
            ImageScaler::setInstructionSet(best);
            QCOMPARE(out, portable);
        }
    }
}

void TestFrameSender::watermarkBlendIsExact()
{
    USE_INSTRUCTION_SET();
    // Every watermark byte and alpha over random frame bytes; the frame is wider than the
    // watermark, and what lies beyond keeps every byte, its fourth one too.
    QImage mark(256, 256, QImage::Format_ARGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            mark.setPixel(x, y, qRgba(x, 255 - x, x ^ y, y));
    QImage frame(300, 256, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < 256; ++y)
        random.fillRange(reinterpret_cast<quint32 *>(frame.scanLine(y)), 300);
    const QImage before = frame.copy();
    FrameSender::stampWatermark(&frame, mark);
    int mismatches = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 300; ++x) {
            const quint32 d = reinterpret_cast<const quint32 *>(before.constScanLine(y))[x];
            const QRgb s = mark.pixel(qMin(x, 255), y);
            const int a = qAlpha(s);
            const quint32 expected = x >= 256
                                         ? d
                                         : 0xFF000000u | blendChannel(qRed(s), a, qRed(d)) << 16 |
                                               blendChannel(qGreen(s), a, qGreen(d)) << 8 |
                                               blendChannel(qBlue(s), a, qBlue(d));
            const quint32 got = reinterpret_cast<const quint32 *>(frame.constScanLine(y))[x];
            if (got != expected && ++mismatches <= 5)
                qWarning("pixel %d,%d: %08x, expected %08x", x, y, got, expected);
        }
    }
    QCOMPARE(mismatches, 0);
}

void TestFrameSender::watermarkScalesWithOutputHeight_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("768") << 768 << QSize(167, 96);
    QTest::newRow("1080") << 1080 << QSize(236, 136);
    QTest::newRow("tiny") << 4 << QSize(0, 0);
}

void TestFrameSender::watermarkScalesWithOutputHeight()
{
    QFETCH(int, height);
    QFETCH(QSize, expected);
    QCOMPARE(FrameSender::watermarkSize(QSize(236, 136), height), expected);
}

void TestFrameSender::emptyListGivesBlackWatermarkedFrame()
{
    CMPicLayer deleted;
    deleted.markDeleted();
    QList<QPointer<CMLayer>> layers{QPointer<CMLayer>(), QPointer<CMLayer>(&deleted)};
    bool anyDeleted = false;
    m_sender->compose(layers, QSizeF(700, 420), nullptr, 0, 0, 0, 42, &anyDeleted);
    QVERIFY(anyDeleted);
    QVERIFY(m_host->waitForFrames(1));
    const HostReceiver::Frame frame = m_host->takeFrames().front();
    QCOMPARE(frame.timestamp, 42ul);

    // The watermark, scaled without smoothing to 167 x 96, over black; black elsewhere.
    QImage expected(1280, 768, QImage::Format_ARGB32);
    expected.fill(Qt::black);
    FrameSender::stampWatermark(
        &expected, testWatermark().scaled(167, 96, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    QCOMPARE(frame.image, expected);
    QCOMPARE(m_host->sizes.size(), size_t(1));
}

void TestFrameSender::gameTakesItsPlaceInTheStack_data()
{
    QTest::addColumn<bool>("pictureBelow");
    QTest::addColumn<int>("opacity");
    QTest::addColumn<bool>("combine");

    QTest::newRow("alone") << false << 100 << true;
    QTest::newRow("over a picture") << true << 100 << true;
    QTest::newRow("half, alone") << false << 50 << true;
    QTest::newRow("half, over a picture") << true << 50 << true;
    QTest::newRow("hidden") << false << 100 << false;
    QTest::newRow("hidden, over a picture") << true << 100 << false;
}

void TestFrameSender::gameTakesItsPlaceInTheStack()
{
    QFETCH(bool, pictureBelow);
    QFETCH(int, opacity);
    QFETCH(bool, combine);

    // Output 1280 x 768 from a 700 x 420 scene. From the bottom: a red picture that the game
    // partly covers, the game (whose frame carries a fourth byte of 0) and an opaque green
    // camera picture scaled 640 x 480 to 585 x 439.
    m_sender->setWatermark(QImage());
    const QSizeF scene(700, 420);
    QTemporaryDir dir;
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(dir.filePath(QStringLiteral("red.png"))));
    CMPicLayer picture;
    picture.onGeometryChanged(QRectF(0, 0, 300, 200));
    picture.onPicChanged(dir.filePath(QStringLiteral("red.png")));

    CMGamepicLayer game(PreviewEngine::logic());
    game.onGeometryChanged(QRectF(100, 50, 400, 300.5));
    game.onAlphaChanged(opacity);
    game.setCombine(combine);
    const QByteArray gameFrame = solidFrame(320, 181, 0x00336699u);

    CMCameraLayer camera(PreviewEngine::logic());
    camera.onGeometryChanged(QRectF(350, 150, 320, 240.1));
    CameraParam param;
    param.deviceName = QStringLiteral("cam");
    param.width = 640;
    param.height = 480;
    camera.setCameraParam(param);
    const QByteArray cameraFrame = solidFrame(640, 480, 0xFF00C800u);
    camera.onCameraData(cameraFrame.constData(), uint(cameraFrame.size()), 640, 480, 0);

    QList<QPointer<CMLayer>> layers;
    if (pictureBelow)
        layers.append(&picture);
    layers << &game << &camera;
    bool anyDeleted = false;
    m_sender->compose(layers, scene, gameFrame.constData(), uint(gameFrame.size()), 320, 181, 1,
                      &anyDeleted);
    QVERIFY(m_host->waitForFrames(1));
    const QImage frame = m_host->takeFrames().front().image;

    // The same stack painted by Qt from flat rectangles.
    const QRect gameRect = game.outputPixelRect();
    const QRect cameraRect = camera.outputPixelRect();
    QCOMPARE(gameRect, QRect(182, 91, 731, 549));
    QCOMPARE(cameraRect.size(), QSize(585, 439));
    QImage expected(frame.size(), QImage::Format_ARGB32);
    expected.fill(Qt::black);
    {
        QPainter painter(&expected);
        if (pictureBelow)
            painter.fillRect(picture.outputPixelRect(), Qt::red);
        if (combine) {
            painter.setOpacity(opacity / 100.0);
            painter.fillRect(gameRect, QColor(0x33, 0x66, 0x99));
            painter.setOpacity(1);
        }
        painter.fillRect(cameraRect, QColor(0, 200, 0));
    }
    int mismatches = 0;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb got = frame.pixel(x, y);
            const QRgb want = expected.pixel(x, y);
            // Qt rounds a half-transparent blend its own way; all else is exact.
            const int slack = opacity < 100 ? 1 : 0;
            if (qAlpha(got) != 255 || qAbs(qRed(got) - qRed(want)) > slack ||
                qAbs(qGreen(got) - qGreen(want)) > slack ||
                qAbs(qBlue(got) - qBlue(want)) > slack) {
                if (++mismatches <= 5)
                    qWarning("pixel %d,%d is %08x, expected %08x", x, y, got, want);
            }
        }
    }
    QCOMPARE(mismatches, 0);
}

void TestFrameSender::blockedHostDropsAndDeliversInOrder()
{
    m_host->block();
    bool anyDeleted = false;
    const QList<QPointer<CMLayer>> none;
    m_sender->compose(none, QSizeF(700, 420), nullptr, 0, 0, 0, 5, &anyDeleted);
    QVERIFY(m_host->waitForEntered(1)); // the sender thread now holds slot 1
    m_sender->compose(none, QSizeF(700, 420), nullptr, 0, 0, 0, 30, &anyDeleted);
    m_sender->compose(none, QSizeF(700, 420), nullptr, 0, 0, 0, 10, &anyDeleted);
    m_sender->compose(none, QSizeF(700, 420), nullptr, 0, 0, 0, 20, &anyDeleted);
    QCOMPARE(m_sender->droppedCount(), 1u);
    QCOMPARE(m_sender->composedCount(), 3u);
    m_host->release();
    QVERIFY(m_host->waitForFrames(3));
    QTest::qWait(50);
    const std::vector<HostReceiver::Frame> frames = m_host->takeFrames();
    QCOMPARE(frames.size(), size_t(3));
    QCOMPARE(frames.at(0).timestamp, 5ul);
    QCOMPARE(frames.at(1).timestamp, 10ul);
    QCOMPARE(frames.at(2).timestamp, 30ul);
}

void TestFrameSender::stopIsCleanAndRestartable()
{
    bool anyDeleted = false;
    const QList<QPointer<CMLayer>> none;
    m_host->block();
    m_sender->compose(none, QSizeF(700, 420), nullptr, 0, 0, 0, 1, &anyDeleted);
    m_sender->compose(none, QSizeF(700, 420), nullptr, 0, 0, 0, 2, &anyDeleted);
    QVERIFY(m_host->waitForEntered(1));
    // The thread is inside the host's receiver, which may itself wait for this thread: stop
    // returns at once, and the thread delivers nothing after the frame in hand.
    m_sender->stop();
    QVERIFY(!m_sender->isRunning());
    m_host->release();
    QVERIFY(m_host->waitForFrames(1));
    QTest::qWait(50);
    QCOMPARE(m_host->frameCount(), size_t(1));

    m_sender->compose(none, QSizeF(700, 420), nullptr, 0, 0, 0, 3, &anyDeleted);
    QTest::qWait(50);
    QCOMPARE(m_host->frameCount(), size_t(1));
    m_sender->stop(); // stopping twice is harmless

    m_sender->start();
    m_sender->compose(none, QSizeF(700, 420), nullptr, 0, 0, 0, 4, &anyDeleted);
    QVERIFY(m_host->waitForFrames(2));
    QCOMPARE(m_host->takeFrames().back().timestamp, 4ul);
    // A restarted sender announces its output size again.
    QCOMPARE(m_host->sizes.size(), size_t(2));
}

QTEST_MAIN(TestFrameSender)
#include "tst_framesender.moc"
