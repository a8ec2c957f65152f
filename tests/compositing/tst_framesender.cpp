// Frame delivery: the watermark, slot handling, order, drops and stopping; and the whole engine
// under concurrent use, frame threads against GUI-thread edits, the sanitizers watching.

#include "CompositingTestSupport.h"

#include "CMLayer.h"
#include "FrameSender.h"
#include "PixelRows.h"
#include "PreviewCenterData.h"
#include "PreviewCombineLogic.h"
#include "PreviewLogic.h"

#include <appcommon/ZqCSAutoLocker.h>

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <atomic>
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

} // namespace

class TestFrameSender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void watermarkScalesWithOutputHeight_data();
    void watermarkScalesWithOutputHeight();

    void deliveredFrameCarriesTheWatermark();
    void blockedHostDropsAndDeliversInOrder();
    void stopIsCleanAndRestartable();
    void engineUnderConcurrentUse();

private:
    // A frame through a slot, as the compositor hands one over; false when it was dropped.
    bool send(unsigned long timestamp, const QImage &picture = QImage())
    {
        const ZqCSAutoLocker locker(&m_sender->lock());
        QImage *frame = m_sender->beginFrame(QSize(1280, 768), timestamp);
        if (!frame)
            return false;
        if (picture.isNull())
            frame->fill(Qt::black);
        else
            *frame = picture.copy();
        m_sender->sendFrame();
        return true;
    }

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

// The frame as composed (opaque), with the watermark scaled without smoothing to 167 x 96 and
// stamped by its formula over every covered pixel; the runs the sender stamps must give exactly
// that, and the host the slot's timestamp and size.
void TestFrameSender::deliveredFrameCarriesTheWatermark()
{
    QImage composed(1280, 768, QImage::Format_RGB32);
    for (int y = 0; y < composed.height(); ++y)
        for (int x = 0; x < composed.width(); ++x)
            composed.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF));
    QVERIFY(send(42, composed));
    QVERIFY(m_host->waitForFrames(1));
    const HostReceiver::Frame frame = m_host->takeFrames().front();
    QCOMPARE(frame.timestamp, 42ul);

    QImage expected = composed.convertToFormat(QImage::Format_ARGB32);
    const QImage mark = testWatermark()
                            .scaled(167, 96, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                            .convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < mark.height(); ++y)
        PixelRows::reference().stamp(reinterpret_cast<std::uint32_t *>(expected.scanLine(y)),
                                     reinterpret_cast<const std::uint32_t *>(mark.constScanLine(y)),
                                     mark.width());
    QCOMPARE(frame.image, expected);
    QCOMPARE(m_host->sizes.size(), size_t(1));
}

void TestFrameSender::blockedHostDropsAndDeliversInOrder()
{
    m_host->block();
    send(5);
    QVERIFY(m_host->waitForEntered(1)); // the sender thread now holds slot 1
    send(30);
    send(10);
    send(20);
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
    m_host->block();
    send(1);
    send(2);
    QVERIFY(m_host->waitForEntered(1));
    // The thread is inside the host's receiver, which may itself wait for this thread: stop
    // returns at once, and the thread delivers nothing after the frame in hand.
    m_sender->stop();
    QVERIFY(!m_sender->isRunning());
    m_host->release();
    QVERIFY(m_host->waitForFrames(1));
    QTest::qWait(50);
    QCOMPARE(m_host->frameCount(), size_t(1));

    send(3);
    QTest::qWait(50);
    QCOMPARE(m_host->frameCount(), size_t(1));
    m_sender->stop(); // stopping twice is harmless

    m_sender->start();
    send(4);
    QVERIFY(m_host->waitForFrames(2));
    QCOMPARE(m_host->takeFrames().back().timestamp, 4ul);
    // A restarted sender announces its output size again.
    QCOMPARE(m_host->sizes.size(), size_t(2));
}

// Game and camera frames (some of other sizes, some malformed) pushed from two threads while the
// GUI thread adds, deletes, moves, hides and resizes layers, changes the output size and
// restarts the engine.
void TestFrameSender::engineUnderConcurrentUse()
{
    m_engine->init(30);
    m_engine->setVideoSize(320, 180);
    PreviewEngine *engine = m_engine;
    const QByteArray game = solidFrame(320, 180, 0x00336699);
    const QByteArray camera = solidFrame(64, 48, 0x80FF0000);
    std::atomic<bool> running{true};
    std::atomic<int> gameFrames{0};
    std::thread gameThread([&] {
        QRandomGenerator random(1);
        while (running.load()) {
            const int pick = random.bounded(10);
            engine->pushGameVideoData(game.constData(), uint(game.size()), pick == 0 ? 160 : 320,
                                      pick == 1 ? 0 : (pick == 0 ? 90 : 180),
                                      gameFrames.fetch_add(1));
        }
    });
    std::thread cameraThread([&] {
        while (running.load()) {
            engine->pushCameraData(camera.constData(), uint(camera.size()), 64, 48, 0);
            engine->setCamOpenStatus(true);
        }
    });

    QRandomGenerator random(2);
    QElapsedTimer timer;
    timer.start();
    for (int cycles = 0; timer.elapsed() < 2500;) {
        PreviewCombineLogic *c = m_engine->controller()->combine();
        QVERIFY(c);
        const QList<QPointer<CMLayer>> layers = c->layers();
        switch (random.bounded(9)) {
        case 0:
            c->addImageLayer(QString(), true, QPoint(5, 5), true, QSize(50, 40), 80, {});
            break;
        case 1:
            c->addTextLayer(QFont(), Qt::yellow, QStringLiteral("live"), QPoint(20, 20), true, {});
            break;
        case 2:
            c->addCameraLayer(QPoint(100, 100), true, QSize(64, 48), 90, QStringLiteral("cam"),
                              QSize(64, 48), {}, false, 0x00FF00, 0.05f, 0.8f);
            break;
        case 3:
            if (!layers.isEmpty() && layers.last())
                c->markLayerDeleted(layers.last()->layerId());
            break;
        case 4:
            if (!layers.isEmpty() && layers.first())
                c->moveLayer(layers.first()->layerId(), random.bounded(layers.size()));
            break;
        case 5:
            for (const QPointer<CMLayer> &layer : layers)
                if (layer)
                    layer->setCombine(!layer->isCombine());
            break;
        case 6:
            m_engine->setVideoSize(random.bounded(2) ? 320 : 480, 180);
            break;
        case 7:
            if (++cycles % 4 == 0) {
                m_engine->unInit();
                m_engine->init(30);
                m_engine->setVideoSize(320, 180);
            }
            break;
        default:
            for (const QPointer<CMLayer> &layer : layers)
                if (layer)
                    layer->onGeometryChanged(QRectF(random.bounded(300), random.bounded(150),
                                                    random.bounded(200), random.bounded(100)));
            break;
        }
        QCoreApplication::processEvents();
    }
    running.store(false);
    gameThread.join();
    cameraThread.join();
    m_engine->unInit();
    QVERIFY(gameFrames.load() > 100);
    QVERIFY(m_host->frameCount() > 10);
}

QTEST_MAIN(TestFrameSender)
#include "tst_framesender.moc"
