#include <previewengine/IPreviewEngine.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsRectItem>
#include <QGraphicsWidget>
#include <QLibrary>
#include <QTemporaryDir>
#include <QTest>

#include <QImage>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class HostReceiver : public sigslot::has_slots
{
public:
    ~HostReceiver() override { disconnect_all(); }
    void onPreviewSize(int width, int height)
    {
        ++m_calls;
        m_width = width;
        m_height = height;
    }
    int m_calls = 0;
    int m_width = 0;
    int m_height = 0;
};

// What the engine stores for its default stack at the default output size.
const QByteArray DefaultStackFile = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<config>\n\t<layers>\n"
                                    "\t\t<parentwidth1>700</parentwidth1>\n"
                                    "\t\t<parentheight1>420</parentheight1>\n"
                                    "\t\t<layer0>\n\t\t\t<type>4</type>\n\t\t\t<alpha>100</alpha>\n"
                                    "\t\t\t<pos>0,0</pos>\n\t\t\t<size>700,420</size>\n"
                                    "\t\t\t<combine>1</combine>\n\t\t</layer0>\n"
                                    "\t\t<layersnum>1</layersnum>\n\t</layers>\n</config>\n";

// Copies every composed frame during the call, as the engine requires.
class FrameReceiver : public sigslot::has_slots
{
public:
    struct Frame
    {
        QImage image;
        unsigned int stride = 0;
        unsigned long timestamp = 0;
        std::thread::id thread;
    };

    ~FrameReceiver() override { disconnect_all(); }

    void onFrame(unsigned char *pixels, unsigned int stride, ZQSize size, unsigned long timestamp)
    {
        const QImage view(pixels, int(size.width), int(size.height), int(stride),
                          QImage::Format_RGB32);
        std::unique_lock<std::mutex> lock(m_mutex);
        m_frames.push_back({view.copy(), stride, timestamp, std::this_thread::get_id()});
        // A stalled consumer: the engine's sender thread waits here until released.
        m_inside = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_stalled; });
        m_inside = false;
    }
    void stall()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stalled = true;
    }
    bool waitUntilInside()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(5), [this] { return m_inside; });
    }
    void resume()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stalled = false;
        }
        m_changed.notify_all();
    }
    void onSize(unsigned int width, unsigned int height)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_sizes.push_back(QSize(int(width), int(height)));
    }

    int count() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return int(m_frames.size());
    }
    Frame last() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames.back();
    }
    std::vector<unsigned long> timestamps() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<unsigned long> result;
        for (const Frame &frame : m_frames)
            result.push_back(frame.timestamp);
        return result;
    }
    std::vector<QSize> sizes() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_sizes;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stalled = false;
    bool m_inside = false;
    std::vector<Frame> m_frames;
    std::vector<QSize> m_sizes;
};

// The host's side of a restore: filter-word requests and camera requests.
class LayoutHost : public sigslot::has_slots
{
public:
    ~LayoutHost() override { disconnect_all(); }
    void onCheck(const std::string &taskId, const std::wstring &text)
    {
        tasks.push_back(taskId);
        texts.append(QString::fromStdWString(text));
    }
    void onOpen(const std::wstring &device, tagSIZE size, tagSIZE, int fps, bool)
    {
        camera = QStringLiteral("%1 %2x%3 %4")
                     .arg(QString::fromStdWString(device))
                     .arg(size.cx)
                     .arg(size.cy)
                     .arg(fps);
    }
    std::vector<std::string> tasks;
    QStringList texts;
    QString camera;
};

} // namespace

// The engine as a host sees it: a library loaded at run time and one factory.
class TestPreviewEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_stateDir.isValid());
        qputenv("XDG_STATE_HOME", m_stateDir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_stateDir.path() + "/config").toUtf8());
        qputenv("XDG_CACHE_HOME", (m_stateDir.path() + "/cache").toUtf8());
        // The same test runs in-tree and as a separately built SDK host: names follow the exe.
        m_exeName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        m_logPath = QStringLiteral("%1/%2/log/%2-orbelsdk.log").arg(m_stateDir.path(), m_exeName);
    }

    void attachAndDetachLinesWithoutAnEngine()
    {
        QLibrary library(QStringLiteral(PREVIEWENGINE_LIBRARY));
        QVERIFY2(library.load(), qPrintable(library.errorString()));
        QVERIFY(library.resolve("createPreviewEngine"));
        QVERIFY(library.unload());
        const QByteArray log = _log();
        QVERIFY(log.contains(":info   exeName=" + m_exeName.toUtf8() +
                             ".exe  previewengine.dll DLL_PROCESS_ATTACH  start...\r\n"));
        QVERIFY(log.endsWith(":info  preview.dll DLL_PROCESS_DETACH.\r\n"));
        QVERIFY(!log.contains("PreviewEngine::PreviewEngine"));
    }

    void loadForTheRest()
    {
        m_library.setFileName(QStringLiteral(PREVIEWENGINE_LIBRARY));
        QVERIFY(m_library.load());
        m_create =
            reinterpret_cast<CreatePreviewEngineFunc>(m_library.resolve("createPreviewEngine"));
        QVERIFY(m_create);
    }

    void singleEngineUntilRelease()
    {
        ZqStudio::IPreviewEngine *engine = m_create();
        QVERIFY(engine);
        QCOMPARE(m_create(), engine);
        QCOMPARE(engine->getVideoWidth(), 1280);
        QCOMPARE(engine->getVideoHeight(), 768);

        // The translator comes and goes with the engine.
        QCOMPARE(QCoreApplication::translate("QObject", "live tip"), QStringLiteral("直播提示"));
        engine->init(25);
        engine->release(); // also unInits
        QCOMPARE(QCoreApplication::translate("QObject", "live tip"), QStringLiteral("live tip"));

        ZqStudio::IPreviewEngine *fresh = m_create();
        QVERIFY(fresh);
        QCOMPARE(fresh->getVideoWidth(), 1280); // a new controller with fresh data
        fresh->release();
        QCOMPARE(_log().count("PreviewEngine::PreviewEngine begin."), 2);
        QCOMPARE(_log().count("PreviewEngine::~PreviewEngine end."), 2);
    }

    void previewSizes_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("previewWidth");
        QTest::newRow("1080p") << 1920 << 1080 << 746;
        QTest::newRow("720p") << 1280 << 720 << 746;
        QTest::newRow("4:3") << 4 << 3 << 560;
        QTest::newRow("portrait") << 720 << 1280 << 236;
    }

    void previewSizes()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, previewWidth);
        ZqStudio::IPreviewEngine *engine = m_create();
        HostReceiver receiver;
        engine->sigPreviewSizeChanged.connect(&receiver, &HostReceiver::onPreviewSize);
        engine->sigPreviewSizeChanged.connect(&receiver, &HostReceiver::onPreviewSize);
        engine->setVideoSize(width, height);
        QCOMPARE(receiver.m_calls, 1); // connected twice, called once
        QCOMPARE(receiver.m_width, previewWidth);
        QCOMPARE(receiver.m_height, 420);
        // Before init only the preview area follows the game video.
        QCOMPARE(engine->getVideoWidth(), 1280);
        QCOMPARE(engine->getVideoHeight(), 768);
        engine->release();
    }

    void malformedSizesAreRefused()
    {
        ZqStudio::IPreviewEngine *engine = m_create();
        HostReceiver receiver;
        engine->sigPreviewSizeChanged.connect(&receiver, &HostReceiver::onPreviewSize);
        engine->setVideoSize(1920, 1080);
        engine->setVideoSize(1920, 0);
        engine->setVideoSize(-5, 720);
        QCOMPARE(receiver.m_width, 746); // unchanged, never a division by zero
        QVERIFY(_log().contains("PreviewLogic::setVideoSize invalid size width=1920, height=0"));
        engine->release();
    }

    void initOnceUntilUnInit()
    {
        const int before = _log().count("PreviewLogic::init fps=25");
        ZqStudio::IPreviewEngine *engine = m_create();
        engine->init(25);
        engine->init(25);
        QCOMPARE(_log().count("PreviewLogic::init fps=25"), before + 1);
        engine->unInit();
        QCOMPARE(engine->getVideoWidth(), 0);
        QCOMPARE(engine->getVideoHeight(), 0);
        engine->init(25);
        QCOMPARE(_log().count("PreviewLogic::init fps=25"), before + 2);
        engine->unInit();
        engine->unInit(); // harmless
        engine->release();
    }

    void showAndHidePreviewBeforeInit()
    {
        ZqStudio::IPreviewEngine *engine = m_create();
        auto parent = std::make_unique<QGraphicsWidget>();
        parent->setVisible(false);
        engine->showPreview(parent.get());
        QVERIFY(parent->isVisible());
        engine->hidePreview();
        QVERIFY(!parent->isVisible());

        engine->showPreview(nullptr); // refused with a log line
        QVERIFY(_log().contains("PreviewLogic::showPreview parent is null."));
        engine->showPreview(parent.get());
        parent.reset(); // the host destroys its item: the engine only held a guarded pointer
        engine->hidePreview();

        // Layer operations without a scene do nothing, and say so.
        engine->addCameraLayer();
        engine->addTextLayer();
        engine->addImageLayer();
        engine->removeCameraLayers();
        engine->setLayersEditable(false);
        engine->setCamOpenStatus(true);
        engine->onFilterWordResult("{unknown}", true);
        engine->release();
    }

    // The signal members are binary contract: a host connects to them at their offsets.
    void everySignalIsThereInOrder()
    {
        struct AllSignals : sigslot::has_slots
        {
            ~AllSignals() override { disconnect_all(); }
            void openCamera(const std::wstring &, tagSIZE, tagSIZE, int, bool) {}
            void engineInt(int) {}
            void closeCamera() {}
            void engineVoid() {}
            void previewSize(int, int) { ++m_previewSizes; }
            void videoFrame(unsigned char *, unsigned int, ZQSize, unsigned long) {}
            void videoSize(unsigned int, unsigned int) {}
            void checkFilterWord(const std::string &, const std::wstring &) {}
            void cameraList(std::vector<std::wstring> &) {}
            void cameraResolutions(std::wstring, std::vector<tagSIZE> &) {}
            int m_previewSizes = 0;
        } host;

        ZqStudio::IPreviewEngine *engine = m_create();
        engine->sigOpenCamera.connect(&host, &AllSignals::openCamera);
        engine->sigEngineInt.connect(&host, &AllSignals::engineInt);
        engine->sigCloseCamera.connect(&host, &AllSignals::closeCamera);
        engine->sigEngineVoid.connect(&host, &AllSignals::engineVoid);
        engine->sigPreviewSizeChanged.connect(&host, &AllSignals::previewSize);
        engine->sigVideoFrame.connect(&host, &AllSignals::videoFrame);
        engine->sigVideoSizeChanged.connect(&host, &AllSignals::videoSize);
        engine->sigCheckFilterWord.connect(&host, &AllSignals::checkFilterWord);
        engine->sigGetCameraList.connect(&host, &AllSignals::cameraList);
        engine->sigGetCameraResolutions.connect(&host, &AllSignals::cameraResolutions);

        const std::vector<const void *> members{
            &engine->sigOpenCamera,         &engine->sigEngineInt,
            &engine->sigCloseCamera,        &engine->sigEngineVoid,
            &engine->sigPreviewSizeChanged, &engine->sigVideoFrame,
            &engine->sigVideoSizeChanged,   &engine->sigCheckFilterWord,
            &engine->sigGetCameraList,      &engine->sigGetCameraResolutions};
        for (std::size_t i = 1; i < members.size(); ++i)
            QVERIFY(members[i - 1] < members[i]);
        QVERIFY(static_cast<const void *>(engine) < members.front());

        engine->setVideoSize(640, 480);
        QCOMPARE(host.m_previewSizes, 1);
        engine->release();
    }

    // Game frames in on a capture thread, composed frames out on the sender thread.
    void composedFramesReachTheHost()
    {
        ZqStudio::IPreviewEngine *engine = m_create();
        FrameReceiver receiver;
        engine->sigVideoFrame.connect(&receiver, &FrameReceiver::onFrame);
        engine->sigVideoSizeChanged.connect(&receiver, &FrameReceiver::onSize);
        engine->init(30);
        engine->setVideoSize(320, 180);
        QCOMPARE(engine->getVideoWidth(), 320);

        const QImage game = _solid(320, 180, qRgb(32, 64, 128));
        _push(engine, game, {11, 12, 13, 14, 15});
        QTRY_COMPARE_WITH_TIMEOUT(receiver.count(), 5, 5000);

        const FrameReceiver::Frame last = receiver.last();
        QCOMPARE(last.image.size(), QSize(320, 180));
        QCOMPARE(last.stride, 320u * 4);
        QVERIFY(last.thread != std::this_thread::get_id());
        QCOMPARE(receiver.timestamps(), (std::vector<unsigned long>{11, 12, 13, 14, 15}));
        for (int y = 0; y < last.image.height(); ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(last.image.constScanLine(y));
            for (int x = 0; x < last.image.width(); ++x)
                QCOMPARE(qAlpha(row[x]), 255);
        }
        // The game picture fills the frame; the watermark marks the top-left corner and
        // nothing else (the game layer's truncated rectangle may leave the last row or column).
        int marked = 0;
        for (int y = 0; y < last.image.height() - 1; ++y) {
            for (int x = 0; x < last.image.width() - 1; ++x) {
                if ((last.image.pixel(x, y) & 0xFFFFFF) == 0x204080u)
                    continue;
                ++marked;
                QVERIFY2(x < last.image.width() / 2 && y < last.image.height() / 2,
                         qPrintable(QStringLiteral("unexpected pixel at %1,%2").arg(x).arg(y)));
            }
        }
        QVERIFY(marked > 100);
        QCOMPARE(receiver.sizes(), (std::vector<QSize>{QSize(320, 180)}));

        // Malformed frames are survived and change nothing.
        engine->pushGameVideoData(nullptr, 100, 320, 180, 16);
        engine->pushGameVideoData(reinterpret_cast<const char *>(game.constBits()), 16, 320, 180,
                                  17);
        engine->pushGameVideoData(reinterpret_cast<const char *>(game.constBits()),
                                  uint(game.sizeInBytes()), 0, -3, 18);

        engine->unInit();
        const int delivered = receiver.count();
        _push(engine, game, {19, 20});
        QTest::qWait(100);
        QCOMPARE(receiver.count(), delivered); // nothing after unInit

        engine->init(30); // and a second init works
        engine->setVideoSize(320, 180);
        _push(engine, game, {21});
        QTRY_COMPARE_WITH_TIMEOUT(receiver.count(), delivered + 1, 5000);
        engine->release();
    }

    // A host that stalls in sigVideoFrame costs frames, never memory or capture time: the
    // engine keeps three frame slots and drops what does not fit.
    void stalledHostCostsFrames()
    {
        ZqStudio::IPreviewEngine *engine = m_create();
        FrameReceiver receiver;
        engine->sigVideoFrame.connect(&receiver, &FrameReceiver::onFrame);
        engine->init(30);
        engine->setVideoSize(160, 90);
        const QImage game = _solid(160, 90, qRgb(10, 20, 30));

        receiver.stall();
        _push(engine, game, {1});
        QVERIFY(receiver.waitUntilInside()); // the sender thread holds the first frame
        _push(engine, game, {3, 2, 4, 5});   // two wait in the other slots, two are dropped
        receiver.resume();
        QTRY_COMPARE_WITH_TIMEOUT(receiver.count(), 3, 5000);
        QTest::qWait(100);
        QCOMPARE(receiver.timestamps(), (std::vector<unsigned long>{1, 2, 3}));
        engine->release();
    }

    // A stored stack with every kind of layer comes back once the host accepts its text.
    void storedStackIsRestoredAfterTheTextIsAccepted()
    {
        const QString dir = QStringLiteral("%1/config/%2").arg(m_stateDir.path(), m_exeName);
        const QString file = dir + "/previewsetting.xml";
        const QString picture = m_stateDir.path() + "/red.png";
        QVERIFY(_solid(64, 64, qRgb(255, 0, 0)).save(picture));
        QDir().mkpath(dir);
        QFile layout(file);
        QVERIFY(layout.open(QIODevice::WriteOnly | QIODevice::Truncate));
        layout.write(
            QStringLiteral(
                "<config><layers>"
                "<layer0><type>4</type><alpha>100</alpha><pos>0,0</pos>"
                "<size>700,420</size><combine>1</combine></layer0>"
                "<layer1><type>1</type><path>%1</path><alpha>100</alpha>"
                "<caneditsize>1</caneditsize><pos>500,300</pos><size>100,60</size>"
                "<combine>1</combine><name>red</name></layer1>"
                "<layer2><type>2</type><fontfamily>宋体</fontfamily><fontsize>20</fontsize>"
                "<fontcolor>255,255,0</fontcolor><text>你好[n]hello</text><pos>20,300</pos>"
                "<combine>1</combine></layer2>"
                "<layer3><type>3</type><alpha>100</alpha><device>cam</device>"
                "<devicewidth>64</devicewidth><deviceheight>48</deviceheight>"
                "<pos>300,20</pos><size>160,120</size><combine>1</combine></layer3>"
                "<layersnum>4</layersnum></layers></config>")
                .arg(picture)
                .toUtf8());
        layout.close();

        LayoutHost host;
        ZqStudio::IPreviewEngine *engine = m_create();
        FrameReceiver receiver;
        engine->sigVideoFrame.connect(&receiver, &FrameReceiver::onFrame);
        engine->sigCheckFilterWord.connect(&host, &LayoutHost::onCheck);
        engine->sigOpenCamera.connect(&host, &LayoutHost::onOpen);
        engine->init(25);
        QCOMPARE(host.tasks.size(), std::size_t(1));
        QCOMPARE(host.texts, QStringList{"你好[n]hello"});
        QVERIFY(host.camera.isEmpty()); // nothing restored before the answer

        engine->onFilterWordResult("{not-this-one}", true);
        QVERIFY(host.camera.isEmpty());
        engine->onFilterWordResult(host.tasks.front(), true);
        QCOMPARE(host.camera, QStringLiteral("cam 64x48 25"));

        engine->setVideoSize(320, 180);
        _push(engine, _solid(320, 180, qRgb(0, 0, 64)), {1});
        QTRY_COMPARE_WITH_TIMEOUT(receiver.count(), 1, 5000);
        // The picture's rectangle, scaled from the 746 x 420 scene into 320 x 180.
        QCOMPARE(receiver.last().image.pixel(235, 140) & 0xFFFFFF, 0xFF0000u);

        engine->unInit();
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QVERIFY(bytes.contains("<layersnum>4</layersnum>"));
        QVERIFY(bytes.contains("<text>你好[n]hello</text>"));
        QVERIFY(bytes.contains("<device>cam</device>"));
        engine->release();
    }

    // Without a usable stored layout the engine starts from the default stack and, at the next
    // shutdown, stores that byte for byte.
    void badLayoutsFallBackToTheDefaultStack_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("answer");
        const QByteArray text = "<config><layers><layer0><type>4</type></layer0><layer1>"
                                "<type>2</type><fontfamily>黑体</fontfamily><fontsize>24</fontsize>"
                                "<text>hello</text></layer1><layersnum>2</layersnum></layers>"
                                "</config>";
        QTest::newRow("no file") << QByteArray() << "";
        QTest::newRow("refused") << text << "refuse";
        QTest::newRow("no answer") << text << "none";
        QTest::newRow("late answer") << text << "late";
        QTest::newRow("another task's answer") << text << "other";
        QTest::newRow("garbage") << QByteArray("\x01\x02<<not xml") << "";
        QTest::newRow("utf-16") << QByteArray("\xff\xfe<\0c\0") << "";
        QTest::newRow("text over 30 characters")
            << QByteArray(text).replace("hello", QByteArray(31, 'x')) << "";
        QTest::newRow("unknown font") << QByteArray(text).replace("黑体", "Comic Sans") << "";
    }

    void badLayoutsFallBackToTheDefaultStack()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, answer);
        const QString dir = QStringLiteral("%1/config/%2").arg(m_stateDir.path(), m_exeName);
        const QString file = dir + "/previewsetting.xml";
        QDir().mkpath(dir);
        QFile layout(file);
        if (content.isNull()) {
            layout.remove();
        } else {
            QVERIFY(layout.open(QIODevice::WriteOnly | QIODevice::Truncate));
            layout.write(content);
            layout.close();
        }

        LayoutHost host;
        ZqStudio::IPreviewEngine *engine = m_create();
        engine->sigCheckFilterWord.connect(&host, &LayoutHost::onCheck);
        engine->init(30);
        QCOMPARE(host.tasks.size(), std::size_t(answer.isEmpty() ? 0 : 1));
        if (answer == "refuse") {
            engine->onFilterWordResult(host.tasks.front(), false);
        } else if (answer == "other") {
            engine->onFilterWordResult("{another task}", true);
            QTest::qWait(1300);
        } else if (answer == "none" || answer == "late") {
            QTest::qWait(1300); // the check gives up after a second
            if (answer == "late")
                engine->onFilterWordResult(host.tasks.front(), true);
        }
        engine->unInit();
        engine->release();
        QVERIFY(layout.open(QIODevice::ReadOnly));
        QCOMPARE(layout.readAll(), DefaultStackFile);
        QVERIFY(!QFile::exists(file + ".new"));
        QVERIFY(!QFile::exists(file + ".old"));
    }

    void cleanupTestCase()
    {
        if (m_library.isLoaded())
            QVERIFY(m_library.unload());
        QVERIFY(_log().endsWith(":info  preview.dll DLL_PROCESS_DETACH.\r\n"));
    }

private:
    static QImage _solid(int width, int height, QRgb colour)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }

    // Pushes from a capture thread of its own, one frame per timestamp, and waits for it.
    static void _push(ZqStudio::IPreviewEngine *engine, const QImage &frame,
                      const std::vector<unsigned long> &timestamps)
    {
        std::thread capture([&] {
            for (unsigned long timestamp : timestamps) {
                engine->pushGameVideoData(reinterpret_cast<const char *>(frame.constBits()),
                                          uint(frame.sizeInBytes()), frame.width(), frame.height(),
                                          timestamp);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        capture.join();
    }

    QByteArray _log() const
    {
        QFile file(m_logPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_stateDir;
    QString m_exeName;
    QString m_logPath;
    QLibrary m_library;
    CreatePreviewEngineFunc m_create = nullptr;
};

QTEST_MAIN(TestPreviewEngine)
#include "tst_previewengine.moc"
