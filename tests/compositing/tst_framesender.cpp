// Frame composition and delivery: the watermark arithmetic, direct game writes, slot handling,
// order, drops and stopping.

#include "CompositingTestSupport.h"

#include "CMGamepicLayer.h"
#include "CMPicLayer.h"
#include "FrameSender.h"
#include "PreviewCenterData.h"
#include "PreviewLogic.h"

#include <QtTest>

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

QByteArray gradientFrame(int width, int height)
{
    QByteArray bytes(qsizetype(width) * height * 4, Qt::Uninitialized);
    auto *p = reinterpret_cast<quint32 *>(bytes.data());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p[qsizetype(y) * width + x] = 0x00000000u | (quint32(x * 255 / width) << 16) |
                                          (quint32(y * 255 / height) << 8) | 0x40;
    return bytes;
}

quint32 blendChannel(int s, int a, int d)
{
    return quint32(qMin((s * a - ((a * d * 255) >> 8) + d * 255) / 255, 255));
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

    void watermarkBlendIsExact_data();
    void watermarkBlendIsExact();
    void watermarkScalesWithOutputHeight_data();
    void watermarkScalesWithOutputHeight();

    void emptyListGivesBlackWatermarkedFrame();
    void directGameWriteEqualsPainting();
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

void TestFrameSender::watermarkBlendIsExact_data()
{
    QTest::addColumn<int>("s");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("d");
    QTest::addColumn<int>("expected");

    QTest::newRow("transparent keeps frame") << 200 << 0 << 77 << 77;
    QTest::newRow("opaque over dark") << 90 << 255 << 10 << 90;
    QTest::newRow("opaque over white is one more") << 90 << 255 << 255 << 91;
    QTest::newRow("white over white saturates") << 255 << 255 << 255 << 255;
    QTest::newRow("half") << 200 << 128 << 50 << 125;
    QTest::newRow("faint over white") << 0 << 1 << 255 << 254;
}

void TestFrameSender::watermarkBlendIsExact()
{
    QFETCH(int, s);
    QFETCH(int, a);
    QFETCH(int, d);
    QFETCH(int, expected);

    QImage frame(2, 1, QImage::Format_RGB32);
    auto *line = reinterpret_cast<quint32 *>(frame.scanLine(0));
    line[0] = qRgb(d, d, d);
    line[1] = 0x00123456; // outside the watermark: untouched, even its fourth byte
    QImage mark(1, 1, QImage::Format_ARGB32);
    mark.setPixel(0, 0, qRgba(s, s, s, a));
    FrameSender::stampWatermark(&frame, mark);
    const quint32 out = reinterpret_cast<const quint32 *>(frame.constScanLine(0))[0];
    QCOMPARE(int(out & 0xFF), expected);
    QCOMPARE(int((out >> 8) & 0xFF), expected);
    QCOMPARE(int((out >> 16) & 0xFF), expected);
    QCOMPARE(out >> 24, 0xFFu);
    QCOMPARE(reinterpret_cast<const quint32 *>(frame.constScanLine(0))[1], 0x00123456u);
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
    const QImage mark =
        testWatermark().scaled(167, 96, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    int mismatches = 0;
    for (int y = 0; y < 768; ++y) {
        for (int x = 0; x < 1280; ++x) {
            quint32 expected = 0xFF000000u;
            if (x < 167 && y < 96) {
                const QRgb s = mark.pixel(x, y);
                expected |= (blendChannel(qRed(s), qAlpha(s), 0) << 16) |
                            (blendChannel(qGreen(s), qAlpha(s), 0) << 8) |
                            blendChannel(qBlue(s), qAlpha(s), 0);
            }
            if (frame.image.pixel(x, y) != expected && ++mismatches < 5)
                qWarning("pixel %d,%d is %08x, expected %08x", x, y, frame.image.pixel(x, y),
                         expected);
        }
    }
    QCOMPARE(mismatches, 0);
    QCOMPARE(m_host->sizes.size(), size_t(1));
}

void TestFrameSender::directGameWriteEqualsPainting()
{
    m_sender->setWatermark(QImage());
    const QByteArray game = gradientFrame(320, 180);
    CMGamepicLayer gameLayer(PreviewEngine::logic());
    gameLayer.onGeometryChanged(QRectF(10, 20, 300, 150));
    CMPicLayer emptyBelow; // paints nothing, but makes the game layer not the first

    bool anyDeleted = false;
    m_sender->compose({&gameLayer}, QSizeF(700, 420), game.constData(), uint(game.size()), 320, 180,
                      1, &anyDeleted);
    m_sender->compose({&emptyBelow, &gameLayer}, QSizeF(700, 420), game.constData(),
                      uint(game.size()), 320, 180, 2, &anyDeleted);
    QVERIFY(m_host->waitForFrames(2));
    const std::vector<HostReceiver::Frame> frames = m_host->takeFrames();
    QCOMPARE(frames.at(0).image, frames.at(1).image);

    const QImage &image = frames.at(0).image;
    const QRect rect = gameLayer.outputPixelRect();
    QCOMPARE(rect, QRect(18, 36, 548, 274)); // 10 x 1280/700, 20 x 768/420, ...
    QCOMPARE(image.pixel(rect.left() - 1, rect.top()), 0xFF000000u);
    QCOMPARE(image.pixel(rect.right() + 1, rect.bottom()), 0xFF000000u);
    QCOMPARE(image.pixel(rect.left(), rect.bottom() + 1), 0xFF000000u);
    QCOMPARE(qAlpha(image.pixel(rect.center())), 255); // the game's fourth byte is replaced
    QCOMPARE(qBlue(image.pixel(rect.center())), 0x40);
    QVERIFY(qRed(image.pixel(rect.right(), rect.top())) > 240);
    QVERIFY(qRed(image.pixel(rect.left(), rect.top())) < 10);
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
