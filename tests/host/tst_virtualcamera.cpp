#include "FakeEngine.h"
#include "VirtualCamera.h"

#include <QtTest>

#include <memory>
#include <thread>

namespace {

void requestOpen(FakeEngine &engine, const std::wstring &device, int width, int height, int fps)
{
    const tagSIZE size{width, height};
    engine.sigOpenCamera(device, size, size, fps, false);
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
    void listsItselfAndItsSizes();
    void openPushesFramesAndReportsOnTheGuiThread();
    void closeStopsFrames();
    void openingAgainRestartsOnlyForOtherParameters();
    void unknownDeviceFails();
    void unsupportedSizeFallsBackToTheFirstMode();
    void openAndCloseFromManyThreads();
    void detachStopsEverything();
    void destroyedWhileRunning();
};

void tst_VirtualCamera::listsItselfAndItsSizes()
{
    FakeEngine engine;
    VirtualCamera camera(&engine);
    camera.attach();
    std::vector<std::wstring> devices{L"Other Camera"};
    engine.sigGetCameraList(devices);
    QCOMPARE(devices.size(), std::size_t(2));
    QCOMPARE(devices.back(), VirtualCamera::deviceName());

    std::vector<tagSIZE> sizes;
    engine.sigGetCameraResolutions(VirtualCamera::deviceName(), sizes);
    QCOMPARE(sizes.size(), std::size_t(2));
    QCOMPARE(sizes[0].cx, 640);
    QCOMPARE(sizes[0].cy, 480);
    QCOMPARE(sizes[1].cx, 1280);
    QCOMPARE(sizes[1].cy, 720);

    std::vector<tagSIZE> none;
    engine.sigGetCameraResolutions(L"Other Camera", none);
    QVERIFY(none.empty());
}

void tst_VirtualCamera::openPushesFramesAndReportsOnTheGuiThread()
{
    FakeEngine engine;
    VirtualCamera camera(&engine);
    camera.attach();
    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 30);
    QVERIFY(camera.isRunning());
    QVERIFY(engine.statusList().empty()); // reported later, not inside the request
    QTRY_VERIFY(engine.cameraFrames >= 3);
    QCOMPARE(engine.lastCameraWidth.load(), 640);
    QCOMPARE(engine.lastCameraHeight.load(), 480);
    QCOMPARE(engine.badCameraFrames.load(), 0);
    QTRY_COMPARE(engine.statusList(), std::vector<bool>{true});
    QVERIFY(!engine.statusOnOtherThread);
    QCOMPARE(camera.fps(), 30);
}

void tst_VirtualCamera::closeStopsFrames()
{
    FakeEngine engine;
    VirtualCamera camera(&engine);
    camera.attach();
    // Closed before the open report went out: only "closed" reaches the engine.
    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 60);
    engine.sigCloseCamera();
    QTest::qWait(30);
    QCOMPARE(engine.statusList(), std::vector<bool>{false});

    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 60);
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
    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 30);
    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 30);
    QCOMPARE(camera.starts(), 1);

    requestOpen(engine, VirtualCamera::deviceName(), 1280, 720, 30);
    QCOMPARE(camera.starts(), 2);
    QCOMPARE(camera.frameSize(), QSize(1280, 720));
    QTRY_COMPARE(engine.lastCameraWidth.load(), 1280);
    QCOMPARE(engine.lastCameraHeight.load(), 720);

    requestOpen(engine, VirtualCamera::deviceName(), 1280, 720, 15);
    QCOMPARE(camera.starts(), 3);
    QCOMPARE(camera.fps(), 15);
    QCOMPARE(engine.badCameraFrames.load(), 0);
}

void tst_VirtualCamera::unknownDeviceFails()
{
    FakeEngine engine;
    VirtualCamera camera(&engine);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no camera named"));
    QVERIFY(!camera.open(L"USB Camera", QSize(640, 480), 30));
    QVERIFY(!camera.isRunning());
    QTRY_COMPARE(engine.statusList(), std::vector<bool>{false});
    QCOMPARE(engine.cameraFrames.load(), 0);
}

void tst_VirtualCamera::unsupportedSizeFallsBackToTheFirstMode()
{
    FakeEngine engine;
    VirtualCamera camera(&engine);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no 333x222 mode"));
    QVERIFY(camera.open(VirtualCamera::deviceName(), QSize(333, 222), 0));
    QCOMPARE(camera.frameSize(), QSize(640, 480));
    QCOMPARE(camera.fps(), VirtualCamera::DefaultFps);
    QTRY_VERIFY(engine.cameraFrames > 0);
    QCOMPARE(engine.lastCameraWidth.load(), 640);
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
                    requestOpen(engine, VirtualCamera::deviceName(), (i % 2) ? 640 : 1280,
                                (i % 2) ? 480 : 720, 60);
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

void tst_VirtualCamera::detachStopsEverything()
{
    FakeEngine engine;
    VirtualCamera camera(&engine);
    camera.attach();
    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 30);
    QTRY_VERIFY(engine.cameraFrames > 0);
    const std::size_t reports = engine.statusList().size();
    camera.detach();
    QVERIFY(!camera.isRunning());
    QVERIFY(staysStill(engine.cameraFrames));
    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 30);
    QVERIFY(!camera.isRunning());
    QVERIFY(!camera.open(VirtualCamera::deviceName(), QSize(640, 480), 30));
    // Nothing reaches the engine after detaching, not even reports already posted.
    QTest::qWait(30);
    QCOMPARE(engine.statusList().size(), reports);
}

void tst_VirtualCamera::destroyedWhileRunning()
{
    FakeEngine engine;
    {
        auto camera = std::make_unique<VirtualCamera>(&engine);
        camera->attach();
        requestOpen(engine, VirtualCamera::deviceName(), 1280, 720, 60);
        QTRY_VERIFY(engine.cameraFrames > 0);
    }
    QVERIFY(staysStill(engine.cameraFrames));
    // The engine may still ask; nobody answers and nothing crashes.
    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 30);
    std::vector<std::wstring> devices;
    engine.sigGetCameraList(devices);
    QVERIFY(devices.empty());
}

QTEST_MAIN(tst_VirtualCamera)
#include "tst_virtualcamera.moc"
