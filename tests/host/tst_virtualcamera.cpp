#include "FakeEngine.h"
#include "VirtualCamera.h"

#include <QtTest>

#include <memory>
#include <thread>

namespace {

void requestOpen(FakeEngine &engine, int width, int height, int fps)
{
    const tagSIZE size{width, height};
    engine.sigOpenCamera(VirtualCamera::deviceName(), size, size, fps, false);
}

// Frames stop arriving: the count does not move over a few camera intervals.
bool staysStill(const std::atomic<int> &counter)
{
    const int before = counter;
    QTest::qWait(120);
    return counter == before;
}

} // namespace

class tst_VirtualCamera : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openPushesFramesAndReportsOnTheGuiThread();
    void closeStopsFrames();
    void openingAgainRestartsOnlyForOtherParameters();
    void openAndCloseFromManyThreads();
    void detachedOrDestroyedWhileRunning();
};

void tst_VirtualCamera::openPushesFramesAndReportsOnTheGuiThread()
{
    FakeEngine engine;
    VirtualCamera camera(&engine);
    camera.attach();
    std::vector<std::wstring> devices{L"Other Camera"};
    engine.sigGetCameraList(devices);
    QCOMPARE(devices, (std::vector<std::wstring>{L"Other Camera", VirtualCamera::deviceName()}));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no camera named"));
    QVERIFY(!camera.open(L"USB Camera", QSize(640, 480), 30)); // reports "closed"
    requestOpen(engine, 640, 480, 30);
    QVERIFY(camera.isRunning());
    QVERIFY(engine.statusList().empty()); // reported later, not inside the request
    QTRY_VERIFY(engine.cameraFrames >= 3);
    QCOMPARE(engine.lastCameraHeight.load(), 480);
    QCOMPARE(engine.badCameraFrames.load(), 0);
    QTRY_COMPARE(engine.statusList(), (std::vector<bool>{false, true}));
    QVERIFY(!engine.calledOffMainThread);
}

void tst_VirtualCamera::closeStopsFrames()
{
    FakeEngine engine;
    VirtualCamera camera(&engine);
    camera.attach();
    // Closed before the open report went out: only "closed" reaches the engine.
    requestOpen(engine, 640, 480, 60);
    engine.sigCloseCamera();
    QTest::qWait(30);
    QCOMPARE(engine.statusList(), std::vector<bool>{false});

    requestOpen(engine, 640, 480, 60);
    QTRY_VERIFY(engine.cameraFrames >= 2);
    engine.sigCloseCamera();
    QVERIFY(!camera.isRunning());
    QVERIFY(staysStill(engine.cameraFrames));
    QTRY_COMPARE(engine.statusList(), (std::vector<bool>{false, true, false}));
    // Closing a closed camera reports nothing new.
    engine.sigCloseCamera();
    QTest::qWait(20);
    QCOMPARE(engine.statusList().size(), std::size_t(3));
}

void tst_VirtualCamera::openingAgainRestartsOnlyForOtherParameters()
{
    FakeEngine engine;
    VirtualCamera camera(&engine);
    camera.attach();
    requestOpen(engine, 640, 480, 30);
    requestOpen(engine, 640, 480, 30);
    QCOMPARE(camera.starts(), 1);

    requestOpen(engine, 1280, 720, 30);
    QCOMPARE(camera.starts(), 2);
    QTRY_COMPARE(engine.lastCameraHeight.load(), 720);

    requestOpen(engine, 1280, 720, 15);
    QCOMPARE(camera.starts(), 3);
    QCOMPARE(camera.fps(), 15);
    QCOMPARE(engine.badCameraFrames.load(), 0);
}

// Start, restart and stop from several threads at once while frames flow; the sanitizer build
// turns any race on the camera's thread or buffers into a failure.
void tst_VirtualCamera::openAndCloseFromManyThreads()
{
    FakeEngine engine;
    VirtualCamera camera(&engine);
    camera.attach();
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&engine, t] {
            for (int i = 0; i < 40; ++i) {
                if ((i + t) % 3 == 0)
                    engine.sigCloseCamera();
                else
                    requestOpen(engine, (i % 2) ? 640 : 1280, (i % 2) ? 480 : 720, 60);
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    engine.sigCloseCamera();
    QVERIFY(!camera.isRunning());
    QVERIFY(staysStill(engine.cameraFrames));
    QCOMPARE(engine.badCameraFrames.load(), 0);
    // Every report arrives and the last word is "closed".
    QTRY_VERIFY(!engine.statusList().empty() && engine.statusList().back() == false);
}

// Detached or destroyed while running: frames stop and nothing more reaches the engine, not
// even reports already posted; requests that still come are not answered.
void tst_VirtualCamera::detachedOrDestroyedWhileRunning()
{
    FakeEngine engine;
    auto camera = std::make_unique<VirtualCamera>(&engine);
    camera->attach();
    requestOpen(engine, 640, 480, 30);
    QTRY_VERIFY(engine.cameraFrames > 0);
    const std::size_t reports = engine.statusList().size();
    camera->detach();
    QVERIFY(!camera->isRunning());
    QVERIFY(staysStill(engine.cameraFrames));
    requestOpen(engine, 640, 480, 30);
    QVERIFY(!camera->open(VirtualCamera::deviceName(), QSize(640, 480), 30));
    QTest::qWait(30);
    QCOMPARE(engine.statusList().size(), reports);

    camera = std::make_unique<VirtualCamera>(&engine);
    camera->attach();
    requestOpen(engine, 1280, 720, 60);
    const int stillAt = engine.cameraFrames;
    QTRY_VERIFY(engine.cameraFrames > stillAt);
    camera.reset();
    QVERIFY(staysStill(engine.cameraFrames));
    requestOpen(engine, 640, 480, 30);
    std::vector<std::wstring> devices;
    engine.sigGetCameraList(devices);
    QVERIFY(devices.empty());
}

QTEST_MAIN(tst_VirtualCamera)
#include "tst_virtualcamera.moc"
