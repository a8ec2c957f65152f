#include "TestFiles.h"

#include <previewengine/IPreviewEngine.h>

#include "HostReceiver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QGraphicsWidget>
#include <QImage>
#include <QLibrary>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <memory>
#include <thread>
#include <vector>

namespace {

// What the engine stores for its default stack at the default output size.
const QByteArray DefaultStackFile = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<config>\n\t<layers>\n"
                                    "\t\t<parentwidth1>700</parentwidth1>\n"
                                    "\t\t<parentheight1>420</parentheight1>\n"
                                    "\t\t<layer0>\n\t\t\t<type>4</type>\n\t\t\t<alpha>100</alpha>\n"
                                    "\t\t\t<pos>0,0</pos>\n\t\t\t<size>700,420</size>\n"
                                    "\t\t\t<combine>1</combine>\n\t\t</layer0>\n"
                                    "\t\t<layersnum>1</layersnum>\n\t</layers>\n</config>\n";

QImage solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Pushes from a capture thread of its own, one frame per timestamp.
void push(ZqStudio::IPreviewEngine *engine, const QImage &frame,
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
        m_exeName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        m_logPath = QStringLiteral("%1/%2/log/%2-orbelsdk.log").arg(m_stateDir.path(), m_exeName);
        m_settings =
            QStringLiteral("%1/config/%2/previewsetting.xml").arg(m_stateDir.path(), m_exeName);
    }

    void attachAndDetachLinesWithoutAnEngine()
    {
        QLibrary library(QStringLiteral(PREVIEWENGINE_LIBRARY));
        QVERIFY2(library.load(), qPrintable(library.errorString()));
        QVERIFY(library.unload());
        const QByteArray log = _log();
        QVERIFY(log.contains(":info   exeName=" + m_exeName.toUtf8() +
                             ".exe  previewengine.dll DLL_PROCESS_ATTACH  start...\r\n"));
        QVERIFY(log.endsWith(":info  preview.dll DLL_PROCESS_DETACH.\r\n"));
        QVERIFY(!log.contains("PreviewEngine::PreviewEngine"));

        m_library.setFileName(QStringLiteral(PREVIEWENGINE_LIBRARY));
        m_create =
            reinterpret_cast<CreatePreviewEngineFunc>(m_library.resolve("createPreviewEngine"));
        QVERIFY(m_create);
    }

    void oneEngineAndItsLifecycle()
    {
        ZqStudio::IPreviewEngine *engine = m_create();
        QCOMPARE(m_create(), engine);
        QCOMPARE(engine->getVideoWidth(), 1280);
        QCOMPARE(engine->getVideoHeight(), 768);
        // The translator comes and goes with the engine.
        QCOMPARE(QCoreApplication::translate("QObject", "live tip"), QStringLiteral("直播提示"));

        engine->init(25);
        engine->init(25); // ignored until unInit
        QCOMPARE(_log().count("PreviewLogic::init fps=25"), 1);
        engine->unInit();
        QCOMPARE(engine->getVideoWidth(), 0);
        engine->init(25);
        QCOMPARE(_log().count("PreviewLogic::init fps=25"), 2);
        engine->release(); // also unInits
        QCOMPARE(QCoreApplication::translate("QObject", "live tip"), QStringLiteral("live tip"));

        ZqStudio::IPreviewEngine *fresh = m_create();
        QCOMPARE(fresh->getVideoWidth(), 1280); // a new controller with fresh data
        fresh->release();
        QCOMPARE(_log().count("PreviewEngine::~PreviewEngine end."), 2);
    }

    // The preview area follows the game video's shape from the start, the output size only
    // once the compositor exists. Sizes it cannot compose are refused with a log line and never
    // announced; frames keep coming at the size before, past frames whose length does not cover
    // what they claim, however big.
    void videoSizes()
    {
        ZqStudio::IPreviewEngine *engine = m_create();
        HostReceiver host(engine);
        for (const QSize size : {QSize(1920, 1080), QSize(4, 3), QSize(720, 1280)})
            engine->setVideoSize(size.width(), size.height());
        QCOMPARE(host.previewSizes, (std::vector<QSize>{{746, 420}, {560, 420}, {236, 420}}));
        QCOMPARE(engine->getVideoWidth(), 1280);

        engine->init(30);
        engine->setVideoSize(320, 180);
        const std::vector<QSize> announced = host.previewSizes;
        QCOMPARE(announced.back(), QSize(746, 420));
        for (const QSize size : {QSize(INT_MAX, 1), QSize(1, 100000), QSize(16385, 1),
                                 QSize(1, 1000), QSize(0, 10), QSize(-4, -3)})
            engine->setVideoSize(size.width(), size.height());
        QCOMPARE(host.previewSizes, announced);
        QCOMPARE(host.sizes, (std::vector<std::pair<unsigned, unsigned>>{{320, 180}}));
        QCOMPARE(engine->getVideoWidth(), 320);
        QVERIFY(_log().contains("PreviewLogic::setVideoSize 2147483647x1 cannot be composed"));

        const char tiny[64] = {};
        std::thread capture(
            [&] { engine->pushGameVideoData(tiny, sizeof tiny, 2000000000, 2000000000, 1); });
        capture.join();
        push(engine, solid(320, 180, qRgb(1, 2, 3)), {2});
        QVERIFY(host.waitForFrames(1));
        QCOMPARE(host.allFrames().front().timestamp, 2ul);
        QCOMPARE(host.allFrames().front().image.width(), 320);
        engine->release();
    }

    // The signal members are binary contract: a host reaches them at their offsets.
    void signalMembersInOrder()
    {
        ZqStudio::IPreviewEngine *engine = m_create();
        const std::vector<const void *> members{engine,
                                                &engine->sigOpenCamera,
                                                &engine->sigEngineInt,
                                                &engine->sigCloseCamera,
                                                &engine->sigEngineVoid,
                                                &engine->sigPreviewSizeChanged,
                                                &engine->sigVideoFrame,
                                                &engine->sigVideoSizeChanged,
                                                &engine->sigCheckFilterWord,
                                                &engine->sigGetCameraList,
                                                &engine->sigGetCameraResolutions};
        for (std::size_t i = 1; i < members.size(); ++i)
            QVERIFY(members[i - 1] < members[i]);
        engine->release();
    }

    // Game frames in on a capture thread, composed frames out on the sender thread.
    void composedFramesReachTheHost()
    {
        ZqStudio::IPreviewEngine *engine = m_create();
        HostReceiver host(engine);
        engine->init(30);
        engine->setVideoSize(320, 180);
        const QImage game = solid(320, 180, qRgb(32, 64, 128));
        push(engine, game, {11, 12, 13});
        QVERIFY(host.waitForFrames(3));

        // On the sender thread, in order, the game under the watermark (the pixels themselves,
        // their fourth byte and the watermark are checked in tests/compositing).
        const std::vector<HostReceiver::Frame> frames = host.allFrames();
        QVERIFY(frames.back().thread != std::this_thread::get_id());
        QCOMPARE(frames.front().timestamp, 11ul);
        QCOMPARE(frames.back().timestamp, 13ul);
        const QImage last = frames.back().image;
        QCOMPARE(last.size(), QSize(320, 180));
        int marked = 0; // the truncated game rectangle may leave the last row and column
        for (int y = 0; y < 179; ++y)
            for (int x = 0; x < 319; ++x)
                marked +=
                    last.pixel(x, y) == qRgb(32, 64, 128) ? 0 : (x < 160 && y < 90 ? 1 : 9999);
        QVERIFY2(marked > 100 && marked < 9999, qPrintable(QString::number(marked)));
        QCOMPARE(host.sizes, (std::vector<std::pair<unsigned, unsigned>>{{320, 180}}));
        engine->release();
    }

    // Without a usable stored layout the engine starts from the default stack and, at the next
    // shutdown, stores that byte for byte.
    void badLayoutsFallBackToTheDefaultStack_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("refuse");
        const QByteArray text = "<config><layers><layer0><type>4</type></layer0><layer1>"
                                "<type>2</type><fontfamily>黑体</fontfamily><fontsize>24</fontsize>"
                                "<text>hello</text></layer1><layersnum>2</layersnum></layers>"
                                "</config>";
        QTest::newRow("no file") << QByteArray() << false;
        QTest::newRow("refused") << text << true;
        QTest::newRow("garbage") << QByteArray("\x01\x02<<not xml") << false;
    }

    void badLayoutsFallBackToTheDefaultStack()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, refuse);
        QFile::remove(m_settings);
        if (!content.isNull())
            writeFile(m_settings, content);

        ZqStudio::IPreviewEngine *engine = m_create();
        HostReceiver host(engine);
        engine->init(30);
        QCOMPARE(host.tasks.size(), std::size_t(refuse ? 1 : 0));
        if (refuse)
            engine->onFilterWordResult(host.tasks.front(), false);
        engine->release();
        QCOMPARE(readAll(m_settings), DefaultStackFile);
        QVERIFY(!QFile::exists(m_settings + ".new"));
    }

    // Release leaves no call of the engine's pending, only the items it closed, deleted later:
    // once those are delivered the library may go at once, and nothing of it runs afterwards
    // (the game item, laid out a moment before, used to refresh itself half a second later).
    void unloadRightAfterRelease()
    {
        {
            QGraphicsScene scene;
            auto *parent = new QGraphicsWidget;
            scene.addItem(parent);
            ZqStudio::IPreviewEngine *engine = m_create();
            HostReceiver host(engine);
            engine->init(30);
            engine->showPreview(parent);
            QCoreApplication::processEvents();
            engine->release();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QVERIFY(m_library.unload());
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY(!maps.readAll().contains(QFileInfo(m_library.fileName()).fileName().toUtf8()));
        QTest::qWait(700); // a call left pending would run now, in unmapped code

        QVERIFY(m_library.load());
        m_create =
            reinterpret_cast<CreatePreviewEngineFunc>(m_library.resolve("createPreviewEngine"));
        QVERIFY(m_create);
    }

    // A host whose sigVideoFrame receiver does not return: release does not wait for it, and
    // the sender thread it leaves behind keeps the library loaded until it ends, so the host
    // may unload the library meanwhile without the thread returning into unmapped code.
    void leftBehindSenderThreadKeepsTheLibraryLoaded()
    {
        ZqStudio::IPreviewEngine *engine = m_create();
        HostReceiver host(engine);
        engine->init(30);
        engine->setVideoSize(160, 90);
        host.block();
        push(engine, solid(160, 90, qRgb(10, 20, 30)), {1});
        QVERIFY(host.waitForEntered(1));
        QElapsedTimer clock;
        clock.start();
        engine->release();
        QVERIFY(clock.elapsed() < 1000);
        m_library.unload();
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY(maps.readAll().contains(QFileInfo(m_library.fileName()).fileName().toUtf8()));
        host.release();
        QTest::qWait(200); // the thread runs its last library code now
    }

private:
    QByteArray _log() const { return readAll(m_logPath); }

    QTemporaryDir m_stateDir;
    QString m_exeName;
    QString m_logPath;
    QString m_settings;
    QLibrary m_library;
    CreatePreviewEngineFunc m_create = nullptr;
};

QTEST_MAIN(TestPreviewEngine)
#include "tst_previewengine.moc"
