#include "CameraParam.h"
#include "FontInfoConfig.h"
#include "PreviewCenterData.h"
#include "PreviewEngine.h"
#include "PreviewLogic.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <string>
#include <thread>

namespace {

class FrameSink : public xsignals::trackable
{
public:
    ~FrameSink() override { disconnect_all(); }
    void onFrame(const char *data, unsigned int length, int width, int height, unsigned long time)
    {
        m_first = data ? data[0] : 0;
        m_length = length;
        m_width = width;
        m_height = height;
        m_time = time;
        m_thread = std::this_thread::get_id();
    }
    void onStatus(bool open) { m_open = open; }

    char m_first = 0;
    unsigned int m_length = 0;
    int m_width = 0;
    int m_height = 0;
    unsigned long m_time = 0;
    bool m_open = false;
    std::thread::id m_thread;
};

class CameraHost : public xsignals::trackable
{
public:
    ~CameraHost() override { disconnect_all(); }
    void onOpen(const std::wstring &name, tagSIZE size1, tagSIZE size2, int fps, bool flag)
    {
        m_name = name;
        m_size1 = size1;
        m_size2 = size2;
        m_fps = fps;
        m_flag = flag;
        ++m_opens;
    }
    void onClose() { ++m_closes; }

    std::wstring m_name;
    tagSIZE m_size1{};
    tagSIZE m_size2{};
    int m_fps = 0;
    bool m_flag = true;
    int m_opens = 0;
    int m_closes = 0;
};

} // namespace

class TestPreviewLogic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        if (PreviewEngine *engine = PreviewEngine::instance())
            engine->release();
    }

    void hostInputReachesTheChannelsOnTheCallingThread()
    {
        PreviewEngine *engine = PreviewEngine::createInstance();
        PreviewLogic *logic = PreviewEngine::logic();
        QVERIFY(logic);
        FrameSink game;
        FrameSink camera;
        logic->sigGameVideoData.connect(&game, &FrameSink::onFrame);
        logic->sigCameraData.connect(&camera, &FrameSink::onFrame);
        logic->sigCamOpenStatus.connect(&camera, &FrameSink::onStatus);

        const QByteArray frame(4 * 8 * 4, 'g');
        std::thread capture([&] {
            engine->pushGameVideoData(frame.constData(), uint(frame.size()), 8, 4, 1234);
            engine->pushCameraData("c", 1, 1, 1, 99);
            engine->setCamOpenStatus(true);
        });
        const std::thread::id captureId = capture.get_id();
        capture.join();

        QCOMPARE(game.m_first, 'g');
        QCOMPARE(game.m_length, uint(frame.size()));
        QCOMPARE(game.m_width, 8);
        QCOMPARE(game.m_height, 4);
        QCOMPARE(game.m_time, 1234ul);
        QVERIFY(game.m_thread == captureId);
        QCOMPARE(camera.m_first, 'c');
        QCOMPARE(camera.m_time, 99ul);
        QVERIFY(camera.m_open);
    }

    void filterWordResultsAreQtSignals()
    {
        PreviewEngine *engine = PreviewEngine::createInstance();
        QSignalSpy spy(PreviewEngine::logic(), &PreviewLogic::sigFilterWordResult);
        engine->onFilterWordResult("{TASK}", false);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<std::string>(), std::string("{TASK}"));
        QCOMPARE(spy.at(0).at(1).toBool(), false);
    }

    void cameraRequestsCarryTheFrameRate()
    {
        PreviewEngine *engine = PreviewEngine::createInstance();
        CameraHost host;
        engine->sigOpenCamera.connect(&host, &CameraHost::onOpen);
        engine->sigCloseCamera.connect(&host, &CameraHost::onClose);
        PreviewLogic *logic = PreviewEngine::logic();

        logic->openCamera(L"USB Camera", tagSIZE{640, 480}, tagSIZE{640, 480}, false);
        QCOMPARE(host.m_opens, 1);
        QVERIFY(host.m_name == L"USB Camera");
        QCOMPARE(host.m_size1.cx, 640);
        QCOMPARE(host.m_size2.cy, 480);
        QCOMPARE(host.m_fps, 24); // the default until init gives another
        QCOMPARE(host.m_flag, false);

        engine->init(30);
        logic->openCamera(L"USB Camera", tagSIZE{1280, 720}, tagSIZE{1280, 720}, false);
        QCOMPARE(host.m_fps, 30);
        logic->closeCamera();
        QCOMPARE(host.m_closes, 1);

        // A controller without an engine has nobody to ask.
        PreviewLogic orphan;
        engine->release();
        orphan.openCamera(L"x", tagSIZE{1, 1}, tagSIZE{1, 1}, false);
        orphan.closeCamera();
        QCOMPARE(host.m_opens, 2);
    }

    void layerRecords()
    {
        // Receivers of host signals are found by their meta-object name, as hosts expect.
        PreviewLogic logic;
        QCOMPARE(logic.qt_metacast("xsignals::trackable"),
                 static_cast<void *>(static_cast<xsignals::trackable *>(&logic)));

        // A stored font never carries strike-out, whatever the editor handed over.
        FontInfoConfig config;
        QFont font(QStringLiteral("Sans"), 28);
        font.setStrikeOut(true);
        font.setBold(true);
        config.setFont(font);
        QVERIFY(!config.font().strikeOut());
        QVERIFY(config.font().bold());

        // Only device and size decide whether the camera must be reopened; a default record
        // never asks the host for a camera.
        const CameraParam camera;
        QVERIFY(!camera.canOpen());
        CameraParam other = camera;
        other.keyColor = 1;
        QVERIFY(other.isSameCamera(camera));
        other.width = 640;
        QVERIFY(!other.isSameCamera(camera));
    }
};

QTEST_MAIN(TestPreviewLogic)
#include "tst_previewlogic.moc"
