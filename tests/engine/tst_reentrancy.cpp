#include "PreviewEngine.h"
#include "TestFiles.h"

#include <appcommon/pubfunc.h>

#include <QFile>
#include <QImage>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <thread>

// Hosts call back in: from inside every signal the engine emits, a host calls hidePreview,
// unInit, init, setVideoSize or release, directly on the GUI thread or, from the engine's
// capture-thread and sender-thread signals, through a blocking hand-off to its GUI thread (what
// a host with a modal message box or a Qt::BlockingQueuedConnection does). The engine must
// neither crash (the sanitized run checks memory), hang, nor lose the stored layout, and must
// work normally afterwards.

namespace {

enum class Trigger {
    CheckFilterWordDuringInit,
    CloseCameraDuringRestore,
    OpenCameraDuringRestore,
    VideoSizeOnGuiThread,
    PreviewSize,
    VideoSizeOnCaptureThread,
    VideoFrame,
};
enum class Action { HidePreview, UnInit, Init, SetVideoSize, Release };

// The host's capture thread. A host stops it before release (the README's rule), unless it is
// the very thread that waits in the handler.
struct Capture
{
    std::atomic<bool> stop{false};
    std::atomic<bool> pushing{false};
};

class CallingHost : public sigslot::has_slots
{
public:
    CallingHost(Trigger trigger, Action action, Capture *capture)
        : m_trigger(trigger)
        , m_action(action)
        , m_capture(capture)
    {}
    ~CallingHost() override { disconnect_all(); }

    void attach(ZqStudio::IPreviewEngine *engine)
    {
        m_engine = engine;
        engine->sigCheckFilterWord.connect(this, &CallingHost::onCheck);
        engine->sigCloseCamera.connect(this, &CallingHost::onClose);
        engine->sigOpenCamera.connect(this, &CallingHost::onOpen);
        engine->sigVideoSizeChanged.connect(this, &CallingHost::onVideoSize);
        engine->sigPreviewSizeChanged.connect(this, &CallingHost::onPreviewSize);
        engine->sigVideoFrame.connect(this, &CallingHost::onFrame);
    }

    void onCheck(const std::string &, const std::wstring &)
    {
        _on(Trigger::CheckFilterWordDuringInit);
    }
    void onClose() { _on(Trigger::CloseCameraDuringRestore); }
    void onOpen(const std::wstring &, tagSIZE, tagSIZE, int, bool)
    {
        _on(Trigger::OpenCameraDuringRestore);
    }
    void onVideoSize(unsigned int, unsigned int)
    {
        _on(QThread::currentThread() == qApp->thread() ? Trigger::VideoSizeOnGuiThread
                                                       : Trigger::VideoSizeOnCaptureThread);
    }
    void onPreviewSize(int, int) { _on(Trigger::PreviewSize); }
    void onFrame(unsigned char *, unsigned int, ZQSize, unsigned long)
    {
        ++frames;
        _on(Trigger::VideoFrame);
    }

    std::atomic<bool> acted{false};
    std::atomic<int> frames{0};

private:
    void _on(Trigger trigger)
    {
        if (trigger != m_trigger || m_triggered.exchange(true))
            return;
        if (QThread::currentThread() == qApp->thread())
            _act();
        else
            QMetaObject::invokeMethod(
                qApp, [this] { _act(); }, Qt::BlockingQueuedConnection);
    }

    void _act()
    {
        switch (m_action) {
        case Action::HidePreview:
            m_engine->hidePreview();
            break;
        case Action::UnInit:
            m_engine->unInit();
            break;
        case Action::Init:
            m_engine->init(30);
            break;
        case Action::SetVideoSize:
            m_engine->setVideoSize(640, 360);
            break;
        case Action::Release:
            m_capture->stop = true;
            while (m_trigger != Trigger::VideoSizeOnCaptureThread && m_capture->pushing)
                std::this_thread::yield();
            m_engine->release();
            break;
        }
        acted = true;
    }

    const Trigger m_trigger;
    const Action m_action;
    Capture *const m_capture;
    ZqStudio::IPreviewEngine *m_engine = nullptr;
    std::atomic<bool> m_triggered{false};
};

QByteArray frameOf(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(20, 40, 60));
    return QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
}

// Pushes from a capture thread of its own until done(), while the GUI thread keeps its event
// loop running, as it must for a host whose handlers hand work to it. False when done() never
// came or the capture thread never ended (a deadlock).
bool pushUntil(ZqStudio::IPreviewEngine *engine, Capture *capture,
               const std::function<bool()> &done)
{
    const QByteArray frame = frameOf(64, 36);
    capture->stop = false;
    std::atomic<bool> finished{false};
    std::thread thread([&] {
        for (unsigned long t = 1;; ++t) {
            capture->pushing = true;
            if (capture->stop) {
                capture->pushing = false;
                break;
            }
            engine->pushGameVideoData(frame.constData(), uint(frame.size()), 64, 36, t);
            capture->pushing = false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        finished = true;
    });
    const bool happened = QTest::qWaitFor(done, 5000);
    capture->stop = true;
    if (!QTest::qWaitFor([&] { return finished.load(); }, 5000)) {
        thread.detach();
        return false;
    }
    thread.join();
    return happened;
}

} // namespace

Q_DECLARE_METATYPE(Trigger)
Q_DECLARE_METATYPE(Action)

class TestReentrancy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_settings = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
        QFile::remove(m_settings);
    }

    void cleanup()
    {
        if (PreviewEngine *engine = PreviewEngine::instance())
            engine->release();
    }

    void hostCallsBackFromEverySignal_data()
    {
        QTest::addColumn<Trigger>("trigger");
        QTest::addColumn<Action>("action");
        const QList<QPair<const char *, Trigger>> triggers{
            {"sigCheckFilterWord during init", Trigger::CheckFilterWordDuringInit},
            {"sigCloseCamera during restore", Trigger::CloseCameraDuringRestore},
            {"sigOpenCamera during restore", Trigger::OpenCameraDuringRestore},
            {"sigVideoSizeChanged on the GUI thread", Trigger::VideoSizeOnGuiThread},
            {"sigPreviewSizeChanged", Trigger::PreviewSize},
            {"sigVideoSizeChanged on the capture thread", Trigger::VideoSizeOnCaptureThread},
            {"sigVideoFrame", Trigger::VideoFrame}};
        const QList<QPair<const char *, Action>> actions{{"hidePreview", Action::HidePreview},
                                                         {"unInit", Action::UnInit},
                                                         {"init", Action::Init},
                                                         {"setVideoSize", Action::SetVideoSize},
                                                         {"release", Action::Release}};
        for (const auto &trigger : triggers) {
            for (const auto &action : actions) {
                QTest::addRow("%s calls %s", trigger.first, action.first)
                    << trigger.second << action.second;
            }
        }
    }

    void hostCallsBackFromEverySignal()
    {
        QFETCH(Trigger, trigger);
        QFETCH(Action, action);
        const bool restoring = trigger == Trigger::CloseCameraDuringRestore ||
                               trigger == Trigger::OpenCameraDuringRestore;
        if (trigger == Trigger::CheckFilterWordDuringInit)
            _writeLayout(QStringLiteral("<layer1><type>2</type><fontfamily>宋体</fontfamily>"
                                        "<fontsize>20</fontsize><text>hi</text></layer1>"));
        if (restoring)
            _writeLayout(
                QStringLiteral("<layer1><type>3</type><device>cam</device>"
                               "<devicewidth>64</devicewidth><deviceheight>48</deviceheight>"
                               "<size>160,120</size><combine>1</combine></layer1>"));

        Capture capture;
        CallingHost host(trigger, action, &capture);
        ZqStudio::IPreviewEngine *engine = PreviewEngine::createInstance();
        host.attach(engine);
        engine->init(30);
        switch (trigger) {
        case Trigger::VideoSizeOnGuiThread:
        case Trigger::PreviewSize:
            engine->setVideoSize(320, 180);
            break;
        case Trigger::VideoSizeOnCaptureThread: // the first composition announces 1280 x 768
            QVERIFY(pushUntil(engine, &capture, [&] { return host.acted.load(); }));
            break;
        case Trigger::VideoFrame:
            engine->setVideoSize(160, 90);
            QVERIFY(pushUntil(engine, &capture, [&] { return host.acted.load(); }));
            break;
        default:
            break;
        }
        QVERIFY(host.acted);

        // Whatever happened, the engine (or the next one, after a release) works as before.
        engine = PreviewEngine::instance();
        if (!engine) {
            engine = PreviewEngine::createInstance();
            host.attach(engine);
        }
        engine->unInit();
        engine->init(30);
        engine->setVideoSize(160, 90);
        const int before = host.frames;
        QVERIFY(pushUntil(engine, &capture, [&] { return host.frames > before; }));
        engine->unInit();
        // A restore that the host interrupted never saved a partial stack over the file.
        if (restoring)
            QVERIFY(readAll(m_settings).contains("<layersnum>2</layersnum>"));
    }

private:
    void _writeLayout(const QString &secondLayer)
    {
        writeFile(m_settings,
                  QStringLiteral("<config><layers><layer0><type>4</type><alpha>100</alpha>"
                                 "<size>700,420</size><combine>1</combine></layer0>%1"
                                 "<layersnum>2</layersnum></layers></config>")
                      .arg(secondLayer)
                      .toUtf8());
    }

    QString m_settings;
};

QTEST_MAIN(TestReentrancy)
#include "tst_reentrancy.moc"
