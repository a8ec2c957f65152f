// The compositing side driven through the engine as a host drives it: frames in, composed and
// watermarked frames out, malformed input, init/unInit cycles, and a concurrency stress run.

#include "CompositingTestSupport.h"

#include "CMCameraLayer.h"
#include "CMLayer.h"
#include "LogThrottle.h"
#include "PreviewCenterData.h"
#include "PreviewCombineLogic.h"
#include "PreviewLogic.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <memory>

namespace {

QImage testWatermark()
{
    QImage image(236, 136, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(255 - x, y, 3 * x & 0xFF, (x * 5 + y) & 0xFF));
    return image;
}

quint32 stamped(QRgb mark, quint32 frame)
{
    const int a = qAlpha(mark);
    quint32 out = 0xFF000000u;
    const int s[3] = {qBlue(mark), qGreen(mark), qRed(mark)};
    for (int i = 0; i < 3; ++i) {
        const int d = int((frame >> (8 * i)) & 0xFF);
        const int v = qMin((s[i] * a - ((a * d * 255) >> 8) + d * 255) / 255, 255);
        out |= quint32(v) << (8 * i);
    }
    return out;
}

} // namespace

class TestCompositingEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void gameFrameComesOutComposedAndMarked();
    void outputSizeChangesAndReinit();
    void malformedFramesAreSurvived();
    void repeatedWarningsAreThrottled();
    void releaseTearsDownWhileFramesFlow();
    void concurrentStress();

private:
    PreviewCombineLogic *combine() const { return m_engine->controller()->combine(); }

    PreviewEngine *m_engine = nullptr;
    std::unique_ptr<HostReceiver> m_host;
};

void TestCompositingEngine::init()
{
    m_engine = PreviewEngine::createInstance();
    m_host = std::make_unique<HostReceiver>(m_engine);
}

void TestCompositingEngine::cleanup()
{
    m_host.reset();
    if (PreviewEngine *engine = PreviewEngine::instance())
        engine->release();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestCompositingEngine::gameFrameComesOutComposedAndMarked()
{
    m_engine->init(30);
    QVERIFY(combine());
    QCOMPARE(combine()->layerCount(), 1); // the default stack: one game layer
    QCOMPARE(combine()->layers().first()->layerType(), int(LT_GAMEVIDEO));
    QCOMPARE(combine()->layers().first()->uiRect(), QRectF(0, 0, 700, 420));

    m_engine->setVideoSize(1280, 720);
    QCOMPARE(combine()->sceneSize(), QSizeF(746, 420));
    combine()->sender().setWatermark(testWatermark());

    const quint32 colour = 0x00204080; // the host's fourth byte means nothing
    const QByteArray frame = solidFrame(1280, 720, colour);
    for (unsigned long t = 100; t < 103; ++t) {
        m_engine->pushGameVideoData(frame.constData(), uint(frame.size()), 1280, 720, t);
        QVERIFY(m_host->waitForFrames(size_t(t - 99)));
    }
    const std::vector<HostReceiver::Frame> frames = m_host->takeFrames();
    QCOMPARE(frames.at(0).timestamp, 100ul);
    QCOMPARE(frames.at(2).timestamp, 102ul);
    const HostReceiver::Frame &out = frames.front();
    QVERIFY(out.thread != std::this_thread::get_id());
    QCOMPARE(out.size.width, 1280.0f);
    QCOMPARE(out.size.height, 720.0f);
    QCOMPARE(out.stride, 1280u * 4);

    // Fitted to the 746 x 420 area, the game layer covers rows 0 to 718 in the output.
    const QRect gameRect = combine()->layers().first()->outputPixelRect();
    QCOMPARE(gameRect.top(), 0);
    QCOMPARE(gameRect.height(), 719);
    const QSize mark = FrameSender::watermarkSize(QSize(236, 136), 720);
    const QImage scaledMark =
        testWatermark().scaled(mark, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    int mismatches = 0;
    for (int y = 0; y < 720; ++y) {
        for (int x = 0; x < 1280; ++x) {
            const quint32 below = gameRect.contains(x, y) ? (colour | 0xFF000000u) : 0xFF000000u;
            const quint32 expected = (x < mark.width() && y < mark.height())
                                         ? stamped(scaledMark.pixel(x, y), below)
                                         : below;
            if (out.image.pixel(x, y) != expected && ++mismatches < 5)
                qWarning("pixel %d,%d is %08x, expected %08x", x, y, out.image.pixel(x, y),
                         expected);
        }
    }
    QCOMPARE(mismatches, 0);

    // The size was announced once, by setVideoSize; compositions found nothing new.
    QCOMPARE(m_host->sizes.size(), size_t(1));
    QCOMPARE(m_host->sizes.front(), std::make_pair(1280u, 720u));
}

void TestCompositingEngine::outputSizeChangesAndReinit()
{
    m_engine->init(30);
    m_engine->setVideoSize(1280, 720);
    const QByteArray frame = solidFrame(640, 360, 0x00FF0000);
    m_engine->pushGameVideoData(frame.constData(), uint(frame.size()), 640, 360, 1);
    QVERIFY(m_host->waitForFrames(1));

    m_engine->setVideoSize(1920, 1080);
    m_engine->pushGameVideoData(frame.constData(), uint(frame.size()), 640, 360, 2);
    QVERIFY(m_host->waitForFrames(2));
    QCOMPARE(m_host->takeFrames().back().size.width, 1920.0f);
    QCOMPARE(m_host->sizes.size(), size_t(2));

    m_engine->unInit();
    QVERIFY(!combine());
    QCOMPARE(m_engine->getVideoWidth(), 0);
    m_engine->pushGameVideoData(frame.constData(), uint(frame.size()), 640, 360, 3);
    QTest::qWait(100);
    QCOMPARE(m_host->frameCount(), size_t(0));

    // A second init works like the first: default stack, frames out at the host's size.
    m_engine->init(25);
    m_engine->setVideoSize(640, 360);
    QCOMPARE(combine()->layerCount(), 1);
    m_engine->pushGameVideoData(frame.constData(), uint(frame.size()), 640, 360, 4);
    QVERIFY(m_host->waitForFrames(1));
    const HostReceiver::Frame out = m_host->takeFrames().front();
    QCOMPARE(out.timestamp, 4ul);
    QCOMPARE(out.size.width, 640.0f);
    QCOMPARE(out.image.pixel(320, 180), 0xFFFF0000u);
}

void TestCompositingEngine::malformedFramesAreSurvived()
{
    m_engine->init(30);
    m_engine->setVideoSize(320, 180);
    combine()->addCameraLayer(QPoint(10, 10), true, QSize(100, 80), 100, QString(), QSize(), {},
                              false, 0x00FF00, 0.05f, 0.8f);
    const QByteArray big = solidFrame(640, 480, 0x00112233);

    // Null data, zero and negative sizes, lengths that do not fit.
    m_engine->pushGameVideoData(nullptr, uint(big.size()), 640, 480, 1);
    m_engine->pushGameVideoData(big.constData(), uint(big.size()), 0, 480, 2);
    m_engine->pushGameVideoData(big.constData(), uint(big.size()), 640, -1, 3);
    m_engine->pushGameVideoData(big.constData(), 100, 640, 480, 4);
    m_engine->pushGameVideoData(big.constData(), 0, 640, 480, 5);
    m_engine->pushGameVideoData(big.constData(), uint(big.size()), 1 << 20, 1 << 20, 6);
    m_engine->pushCameraData(nullptr, 16, 2, 2, 1);
    m_engine->pushCameraData(big.constData(), uint(big.size()), -640, 480, 1);
    m_engine->pushCameraData(big.constData(), uint(big.size()), 640, 0, 1);
    m_engine->pushCameraData(big.constData(), uint(big.size()), 1 << 20, 1 << 20, 1);
    m_engine->pushCameraData(big.constData(), uint(big.size()) + 4, 640, 480, 1);
    // An absurd output size, and a scene of no size, suppress composition without harm.
    m_engine->setVideoSize(100000, 100000);
    m_engine->pushGameVideoData(big.constData(), uint(big.size()), 640, 480, 7);
    m_engine->setVideoSize(320, 180);
    combine()->setSceneSize(QSizeF(0, 420));
    m_engine->pushGameVideoData(big.constData(), uint(big.size()), 640, 480, 8);
    combine()->setSceneSize(QSizeF(746, 420));
    QTest::qWait(50);
    QCOMPARE(m_host->frameCount(), size_t(0));

    // Sizes that change every frame: every frame refits, nothing goes wrong.
    unsigned long t = 10;
    QRandomGenerator random(7);
    for (int i = 0; i < 60; ++i) {
        const int w = 1 + random.bounded(640);
        const int h = 1 + random.bounded(480);
        m_engine->pushGameVideoData(big.constData(), uint(w * h * 4), w, h, t++);
        m_engine->pushCameraData(big.constData(), uint(w * h * 4), w, h, t);
        QCoreApplication::processEvents();
    }
    const QRectF rect = combine()->layers().first()->uiRect();
    QVERIFY(std::isfinite(rect.width()) && std::isfinite(rect.height()));
    QVERIFY(rect.width() > 0 && rect.height() > 0);

    // A good frame still goes through afterwards.
    const size_t before = m_host->frameCount();
    QTest::qWait(50);
    m_engine->pushGameVideoData(big.constData(), uint(big.size()), 640, 480, 1000);
    QTRY_VERIFY(m_host->frameCount() > before);
}

void TestCompositingEngine::repeatedWarningsAreThrottled()
{
    LogThrottle throttle(200);
    int suppressed = -1;
    QVERIFY(throttle.shouldLog(&suppressed));
    QCOMPARE(suppressed, 0);
    for (int i = 0; i < 1000; ++i)
        QVERIFY(!throttle.shouldLog());
    QTest::qWait(250);
    QVERIFY(throttle.shouldLog(&suppressed));
    QCOMPARE(suppressed, 1000);
}

void TestCompositingEngine::releaseTearsDownWhileFramesFlow()
{
    m_engine->init(30);
    m_engine->setVideoSize(320, 180);
    const QByteArray frame = solidFrame(320, 180, 0x00FFFFFF);
    std::atomic<bool> running{true};
    PreviewEngine *engine = m_engine;
    std::thread capture([&] {
        // The host stops pushing before it releases; until then frames keep coming.
        while (running.load())
            engine->pushGameVideoData(frame.constData(), uint(frame.size()), 320, 180, 1);
    });
    QTRY_VERIFY(m_host->frameCount() > 3);
    m_engine->unInit();
    running.store(false);
    capture.join();
    m_host->release();
    m_host.reset();
    m_engine->release();
    QVERIFY(!PreviewEngine::instance());
}

void TestCompositingEngine::concurrentStress()
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
            // Mostly good frames, some of other sizes, some malformed.
            const int pick = random.bounded(10);
            const int w = pick == 0 ? 160 : 320;
            const int h = pick == 1 ? 0 : (pick == 0 ? 90 : 180);
            engine->pushGameVideoData(game.constData(), uint(game.size()), w, h,
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
    int cycles = 0;
    while (timer.elapsed() < 2500) {
        PreviewCombineLogic *c = combine();
        QVERIFY(c);
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
        case 3: {
            const auto layers = c->layers();
            if (!layers.isEmpty() && layers.last())
                c->markLayerDeleted(layers.last()->layerId());
            break;
        }
        case 4: {
            const auto layers = c->layers();
            if (!layers.isEmpty() && layers.first())
                c->moveLayer(layers.first()->layerId(), random.bounded(layers.size()));
            break;
        }
        case 5:
            for (const QPointer<CMLayer> &layer : c->layers())
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
            for (const QPointer<CMLayer> &layer : c->layers())
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
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(gameFrames.load() > 100);
    QVERIFY(m_host->frameCount() > 10);
}

QTEST_MAIN(TestCompositingEngine)
#include "tst_compositingengine.moc"
