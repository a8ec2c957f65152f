// The cameras the host offers the engine: the machine's cameras through a backend the test
// drives, and the virtual camera, alone and beside them.

#include "CameraModeSelector.h"
#include "CameraService.h"
#include "FakeEngine.h"
#include "VirtualCamera.h"

#include <QtTest>
#include <QVideoFrame>

#include <memory>
#include <thread>

namespace {

using Format = QVideoFrameFormat::PixelFormat;

CameraMode mode(int w, int h, float fps, Format format = QVideoFrameFormat::Format_YUYV)
{
    return CameraMode{QSize(w, h), 5, fps, format};
}

CameraInfo usbCamera(const QByteArray &id)
{
    return {id,
            QStringLiteral("USB Camera"),
            {mode(1280, 720, 10), mode(640, 480, 30),
             mode(1280, 720, 30, QVideoFrameFormat::Format_Jpeg), mode(320, 240, 30),
             mode(640, 480, 15, QVideoFrameFormat::Format_NV12)}};
}

// The machine's cameras as a test wants them; frames are delivered by the test.
class FakeBackend : public CameraBackend
{
public:
    QList<CameraInfo> cameras() const override { return list; }
    void start(const QByteArray &id, const CameraMode &mode, FrameHandler handler) override
    {
        const std::lock_guard<std::mutex> guard(mutex);
        startedId = id;
        startedMode = mode;
        m_handler = std::move(handler);
        ++starts;
    }
    void stop() override
    {
        const std::lock_guard<std::mutex> guard(mutex);
        m_handler = nullptr;
        startedId.clear();
    }
    bool deliver(const QVideoFrame &frame)
    {
        const std::lock_guard<std::mutex> guard(mutex);
        if (m_handler)
            m_handler(frame);
        return bool(m_handler);
    }
    void plug(const QList<CameraInfo> &cameras)
    {
        list = cameras;
        Q_EMIT camerasChanged();
    }

    QList<CameraInfo> list;
    std::mutex mutex;
    QByteArray startedId;
    CameraMode startedMode;
    int starts = 0;

private:
    FrameHandler m_handler;
};

QVideoFrame nv12Frame(QSize size)
{
    QVideoFrame frame(QVideoFrameFormat(size, QVideoFrameFormat::Format_NV12));
    frame.map(QVideoFrame::WriteOnly);
    std::memset(frame.bits(0), 0x80, std::size_t(frame.mappedBytes(0)));
    std::memset(frame.bits(1), 0x80, std::size_t(frame.mappedBytes(1)));
    frame.unmap();
    return frame;
}

// Frames pushed from a capture thread, as the real backend delivers them.
void deliverFromAnotherThread(FakeBackend &backend, QSize size, int count)
{
    std::thread capture([&] {
        for (int i = 0; i < count; ++i)
            backend.deliver(nv12Frame(size));
    });
    capture.join();
}

void requestOpen(FakeEngine &engine, const std::wstring &name, int w, int h, int fps = 30)
{
    engine.sigOpenCamera(name, tagSIZE{w, h}, tagSIZE{w, h}, fps, false);
}

// The camera service on a fake backend, attached to a fake engine.
struct ServiceRig
{
    explicit ServiceRig(const QList<CameraInfo> &cameras = {usbCamera("/dev/video0")})
    {
        backend.list = cameras;
        service = std::make_unique<CameraService>(&engine, &backend);
        service->attach();
    }
    FakeEngine engine;
    FakeBackend backend;
    std::unique_ptr<CameraService> service;
};

// Frames stop arriving: the count does not move over a few camera intervals.
bool staysStill(const std::atomic<int> &counter)
{
    const int before = counter;
    QTest::qWait(120);
    return counter == before;
}

} // namespace

class tst_Cameras : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsCamerasAndTheirSizes();
    void nearestMode_data();
    void nearestMode();
    void opensPushesAndCloses();
    void unpluggedWhileOpenThenPluggedBack();
    void switchesBetweenRealAndVirtualCameras();

    void virtualCameraOpensRestartsAndCloses();
    void virtualCameraOpenAndCloseFromManyThreads();
    void virtualCameraDetachedOrDestroyedWhileRunning();
};

void tst_Cameras::listsCamerasAndTheirSizes()
{
    ServiceRig rig({usbCamera("/dev/video0"),
                    usbCamera("/dev/video2"),
                    {"/dev/video4", QStringLiteral("Laptop Camera"), {}}});
    FakeEngine &engine = rig.engine;

    std::vector<std::wstring> names;
    engine.sigGetCameraList(names);
    QCOMPARE(names, (std::vector<std::wstring>{L"USB Camera", L"USB Camera (2)", L"Laptop Camera",
                                               VirtualCamera::deviceName()}));

    const auto sizesOf = [&](const std::wstring &name) {
        std::vector<tagSIZE> sizes;
        engine.sigGetCameraResolutions(name, sizes);
        QList<QSize> result;
        for (const tagSIZE &s : sizes)
            result << QSize(s.cx, s.cy);
        return result;
    };
    // Each size once, smallest first, whatever formats and rates it comes in.
    QCOMPARE(sizesOf(L"USB Camera (2)"), (QList<QSize>{{320, 240}, {640, 480}, {1280, 720}}));
    QCOMPARE(sizesOf(L"Laptop Camera"), QList<QSize>());
    QCOMPARE(sizesOf(L"Gone Camera"), QList<QSize>());
    QCOMPARE(sizesOf(VirtualCamera::deviceName()), (QList<QSize>{{640, 480}, {1280, 720}}));

    rig.backend.list.clear(); // a machine without cameras still has the virtual one
    names.clear();
    engine.sigGetCameraList(names);
    QCOMPARE(names, std::vector<std::wstring>{VirtualCamera::deviceName()});
}

void tst_Cameras::nearestMode_data()
{
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<int>("fps");
    QTest::addColumn<int>("expected"); // index into usbCamera()'s modes

    QTest::newRow("exact size, a rate that keeps up") << QSize(640, 480) << 30 << 1;
    QTest::newRow("exact size, slow rate asked") << QSize(640, 480) << 15 << 4;
    // 1280x720 at 30 only as MJPEG: keeping the rate beats an undecoded format.
    QTest::newRow("rate before format") << QSize(1280, 720) << 30 << 2;
    QTest::newRow("format when the rate allows") << QSize(1280, 720) << 10 << 0;
    QTest::newRow("missing size: the closest") << QSize(352, 288) << 30 << 3;
}

void tst_Cameras::nearestMode()
{
    QFETCH(QSize, wanted);
    QFETCH(int, fps);
    QFETCH(int, expected);
    QCOMPARE(CameraModeSelector::nearest(usbCamera("id").modes, wanted, fps), expected);
    QCOMPARE(CameraModeSelector::nearest({}, wanted, fps), -1);
}

void tst_Cameras::opensPushesAndCloses()
{
    ServiceRig rig;
    FakeEngine &engine = rig.engine;
    FakeBackend &backend = rig.backend;

    requestOpen(engine, L"USB Camera", 640, 480);
    QCOMPARE(backend.startedId, QByteArray("/dev/video0"));
    QCOMPARE(backend.startedMode.resolution, QSize(640, 480));
    QVERIFY(engine.statusList().empty()); // open only once the camera says so
    Q_EMIT backend.started();
    QCOMPARE(engine.statusList(), std::vector<bool>{true});

    // Frames from the capture thread arrive as packed ARGB of their own size.
    deliverFromAnotherThread(backend, QSize(642, 482), 3);
    QCOMPARE(engine.cameraFrames.load(), 3);
    QCOMPARE(engine.lastCameraHeight.load(), 482);
    QCOMPARE(engine.badCameraFrames.load(), 0);
    QCOMPARE(rig.service->framesPushed(), 3);

    engine.sigCloseCamera();
    QVERIFY(backend.startedId.isEmpty());
    QCOMPARE(engine.statusList(), (std::vector<bool>{true, false}));
    QVERIFY(!backend.deliver(nv12Frame(QSize(64, 48))));

    // A camera that is not plugged in is reported closed.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no camera \"Gone\" is plugged in"));
    requestOpen(engine, L"Gone", 640, 480);
    QCOMPARE(engine.statusList().back(), false);
    QCOMPARE(backend.starts, 1);

    // A camera that fails after starting (driver error) is reported closed as well.
    requestOpen(engine, L"USB Camera", 320, 240);
    Q_EMIT backend.started();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("device busy"));
    Q_EMIT backend.failed(QStringLiteral("device busy"));
    QCOMPARE(engine.statusList(), (std::vector<bool>{true, false, false, true, false}));
    QVERIFY(backend.startedId.isEmpty());
}

void tst_Cameras::unpluggedWhileOpenThenPluggedBack()
{
    ServiceRig rig;
    FakeEngine &engine = rig.engine;
    FakeBackend &backend = rig.backend;
    requestOpen(engine, L"USB Camera", 640, 480);
    Q_EMIT backend.started();
    deliverFromAnotherThread(backend, QSize(640, 480), 2);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("\"USB Camera\" was unplugged"));
    backend.plug({});
    QCOMPARE(engine.statusList(), (std::vector<bool>{true, false}));
    QVERIFY(!backend.deliver(nv12Frame(QSize(640, 480))));
    QCOMPARE(engine.cameraFrames.load(), 2);

    // Back under another device node: found by its name, opened at the same mode.
    backend.plug({usbCamera("/dev/video1")});
    QCOMPARE(backend.startedId, QByteArray("/dev/video1"));
    QCOMPARE(backend.startedMode.resolution, QSize(640, 480));
    Q_EMIT backend.started();
    QCOMPARE(engine.statusList(), (std::vector<bool>{true, false, true}));
    deliverFromAnotherThread(backend, QSize(640, 480), 1);
    QCOMPARE(engine.cameraFrames.load(), 3);

    // Once the engine closed it, plugging it in again opens nothing.
    engine.sigCloseCamera();
    backend.plug({});
    backend.plug({usbCamera("/dev/video0")});
    QVERIFY(backend.startedId.isEmpty());
    QCOMPARE(engine.statusList(), (std::vector<bool>{true, false, true, false}));
}

void tst_Cameras::switchesBetweenRealAndVirtualCameras()
{
    ServiceRig rig;
    FakeEngine &engine = rig.engine;
    FakeBackend &backend = rig.backend;
    std::unique_ptr<CameraService> &service = rig.service;

    requestOpen(engine, VirtualCamera::deviceName(), 640, 480);
    QCOMPARE(service->runningCamera(), VirtualCamera::deviceName());
    QTRY_VERIFY(engine.cameraFrames > 0);
    requestOpen(engine, L"USB Camera", 640, 480);
    QCOMPARE(service->runningCamera(), std::wstring(L"USB Camera"));
    requestOpen(engine, VirtualCamera::deviceName(), 1280, 720);
    QVERIFY(backend.startedId.isEmpty());
    QTRY_COMPARE(engine.lastCameraHeight.load(), 720);

    // Destroyed while running: nothing reaches the engine any more.
    requestOpen(engine, L"USB Camera", 640, 480);
    service.reset();
    QVERIFY(!backend.deliver(nv12Frame(QSize(640, 480))));
    std::vector<std::wstring> names;
    engine.sigGetCameraList(names);
    QVERIFY(names.empty());
}

// Listed beside the machine's cameras; reports come later on the GUI thread, never from inside
// the request; the same parameters again do not restart it; once closed, frames stop.
void tst_Cameras::virtualCameraOpensRestartsAndCloses()
{
    FakeEngine engine;
    VirtualCamera camera(&engine);
    camera.attach();
    std::vector<std::wstring> devices{L"Other Camera"};
    engine.sigGetCameraList(devices);
    QCOMPARE(devices, (std::vector<std::wstring>{L"Other Camera", VirtualCamera::deviceName()}));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no camera named"));
    QVERIFY(!camera.open(L"USB Camera", QSize(640, 480), 30)); // reports "closed"

    // Closed before the open report went out: only "closed" reaches the engine.
    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 60);
    engine.sigCloseCamera();
    QTest::qWait(30);
    QCOMPARE(engine.statusList(), (std::vector<bool>{false, false}));

    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 30);
    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 30);
    QVERIFY(camera.isRunning());
    QCOMPARE(camera.starts(), 2);
    QCOMPARE(engine.statusList().size(), std::size_t(2)); // reported later
    QTRY_VERIFY(engine.cameraFrames >= 3);
    QCOMPARE(engine.lastCameraHeight.load(), 480);
    // Each request is answered, also the one that changed nothing.
    QTRY_COMPARE(engine.statusList(), (std::vector<bool>{false, false, true, true}));

    requestOpen(engine, VirtualCamera::deviceName(), 1280, 720, 30);
    QCOMPARE(camera.starts(), 3);
    QTRY_COMPARE(engine.lastCameraHeight.load(), 720);
    requestOpen(engine, VirtualCamera::deviceName(), 1280, 720, 15);
    QCOMPARE(camera.starts(), 4);
    QCOMPARE(camera.fps(), 15);

    engine.sigCloseCamera();
    QVERIFY(!camera.isRunning());
    QVERIFY(staysStill(engine.cameraFrames));
    QTRY_VERIFY(engine.statusList().back() == false);
    // Closing a closed camera reports nothing new.
    const std::size_t reports = engine.statusList().size();
    engine.sigCloseCamera();
    QTest::qWait(20);
    QCOMPARE(engine.statusList().size(), reports);
    QCOMPARE(engine.badCameraFrames.load(), 0);
    QVERIFY(!engine.calledOffMainThread);
}

// Start, restart and stop from several threads at once while frames flow; the sanitizer build
// turns any race on the camera's thread or buffers into a failure.
void tst_Cameras::virtualCameraOpenAndCloseFromManyThreads()
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

// Detached or destroyed while running: frames stop and nothing more reaches the engine, not
// even reports already posted; requests that still come are not answered.
void tst_Cameras::virtualCameraDetachedOrDestroyedWhileRunning()
{
    FakeEngine engine;
    auto camera = std::make_unique<VirtualCamera>(&engine);
    camera->attach();
    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 30);
    QTRY_VERIFY(engine.cameraFrames > 0);
    const std::size_t reports = engine.statusList().size();
    camera->detach();
    QVERIFY(!camera->isRunning());
    QVERIFY(staysStill(engine.cameraFrames));
    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 30);
    QVERIFY(!camera->open(VirtualCamera::deviceName(), QSize(640, 480), 30));
    QTest::qWait(30);
    QCOMPARE(engine.statusList().size(), reports);

    camera = std::make_unique<VirtualCamera>(&engine);
    camera->attach();
    requestOpen(engine, VirtualCamera::deviceName(), 1280, 720, 60);
    const int stillAt = engine.cameraFrames;
    QTRY_VERIFY(engine.cameraFrames > stillAt);
    camera.reset();
    QVERIFY(staysStill(engine.cameraFrames));
    requestOpen(engine, VirtualCamera::deviceName(), 640, 480, 30);
    std::vector<std::wstring> devices;
    engine.sigGetCameraList(devices);
    QVERIFY(devices.empty());
}

QTEST_MAIN(tst_Cameras)
#include "tst_cameras.moc"
