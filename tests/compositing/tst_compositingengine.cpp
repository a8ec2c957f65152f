// The engine under concurrent use: frame threads against GUI-thread edits, the sanitizers
// watching. End-to-end output is checked in tests/engine.

#include "CompositingTestSupport.h"

#include "CMLayer.h"
#include "PreviewCombineLogic.h"
#include "PreviewLogic.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <atomic>
#include <memory>

class TestCompositingEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

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
