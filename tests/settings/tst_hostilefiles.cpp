#include "AutosaveWriter.h"
#include "CMCameraLayer.h"
#include "LogCapture.h"
#include "LogFile.h"
#include "PreviewCombineLogic.h"
#include "PreviewEngine.h"
#include "PreviewLogic.h"
#include "TestFiles.h"

#include <appcommon/pubfunc.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <thread>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

// What users' disks and hosts hand the engine that is not what it expects: FIFOs, directories,
// links and unreadable files where settings, pictures and logs should be, saves that cannot be
// written, sizes that cannot be composed and frames that lie about their size. Nothing may
// hang, crash, allocate without bound or lose the user's stored layout.

namespace {

class SizeHost : public sigslot::has_slots
{
public:
    ~SizeHost() override { disconnect_all(); }
    void onPreview(int width, int) { previewWidths.append(width); }
    void onVideo(unsigned int width, unsigned int) { videoWidths.append(int(width)); }
    void onFrame(unsigned char *, unsigned int, ZQSize size, unsigned long)
    {
        frameWidth = int(size.width);
        ++frames;
    }
    QList<int> previewWidths;
    QList<int> videoWidths;
    std::atomic<int> frameWidth{0};
    std::atomic<int> frames{0};
};

QByteArray layout(const QString &picturePath)
{
    return QStringLiteral("<config><layers><layer0><type>4</type><alpha>100</alpha>"
                          "<size>700,420</size><combine>1</combine></layer0>"
                          "<layer1><type>1</type><path>%1</path><alpha>100</alpha>"
                          "<size>100,60</size><combine>1</combine></layer1>"
                          "<layersnum>2</layersnum></layers></config>")
        .arg(picturePath)
        .toUtf8();
}

} // namespace

class TestHostileFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_settings = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
        QDir(QFileInfo(m_settings).absolutePath()).removeRecursively();
        QDir().mkpath(QFileInfo(m_settings).absolutePath());
        m_log.mark();
    }
    void cleanup()
    {
        if (PreviewEngine *engine = PreviewEngine::instance())
            engine->release();
    }

    // A refused layout is kept as ".bak" beside the one that replaces it.
    void refusedLayoutIsKeptAsBackup()
    {
        const QByteArray stored = "<config><layers><layer0><type>2</type><fontfamily>宋体"
                                  "</fontfamily><fontsize>20</fontsize><text>no</text></layer0>"
                                  "<layersnum>1</layersnum></layers></config>";
        writeFile(m_settings, stored);
        struct Refuser : sigslot::has_slots
        {
            ~Refuser() override { disconnect_all(); }
            void onCheck(const std::string &id, const std::wstring &) { task = id; }
            std::string task;
        } host;
        ZqStudio::IPreviewEngine *engine = PreviewEngine::createInstance();
        engine->sigCheckFilterWord.connect(&host, &Refuser::onCheck);
        engine->init(30);
        engine->hidePreview(); // the check is still waiting: nothing is written yet
        QCOMPARE(readAll(m_settings), stored);
        engine->onFilterWordResult(host.task, false);
        engine->unInit();
        QCOMPARE(readAll(m_settings + ".bak"), stored);
        QVERIFY(m_log.since().contains("filter-word service refused"));
    }

    // A save that cannot be written leaves the file as it was; one that can replaces it
    // wholly, so no key of the old layout survives.
    void savesReplaceWholeOrNothing()
    {
        writeFile(m_settings, layout(":/theme/preview/tamber_watermark.png"));
        ZqStudio::IPreviewEngine *engine = PreviewEngine::createInstance();
        engine->init(30);
        PreviewCombineLogic *combine = PreviewEngine::logic()->combine();
        QCOMPARE(combine->layerCount(), 2);
        // The new file cannot be written, whichever temporary name the save uses.
        QVERIFY(QDir().mkpath(m_settings + ".new"));
        QVERIFY(QDir().mkpath(m_settings + AutosaveWriter::tempSuffix()));
        engine->hidePreview();
        QCOMPARE(readAll(m_settings), layout(":/theme/preview/tamber_watermark.png"));
        QVERIFY(m_log.since().contains("could not write " + m_settings));

        QVERIFY(QDir(m_settings + ".new").removeRecursively());
        QVERIFY(QDir(m_settings + AutosaveWriter::tempSuffix()).removeRecursively());
        combine->markLayerDeleted(combine->layers().at(1)->layerId());
        engine->unInit();
        const QByteArray saved = readAll(m_settings);
        QVERIFY(saved.contains("<layersnum>1</layersnum>"));
        QVERIFY(!saved.contains("<layer1>"));
    }

    // A disk that does not answer (here a FIFO nobody reads, where the new file goes) holds
    // neither hiding the preview nor shutting down for more than a moment, and the stored
    // layout stays as it was.
    void finalSavesDoNotWaitForAStuckDisk()
    {
        writeFile(m_settings, layout(":/theme/preview/tamber_watermark.png"));
        ZqStudio::IPreviewEngine *engine = PreviewEngine::createInstance();
        engine->init(30);
        const QString stuck = m_settings + AutosaveWriter::tempSuffix();
        for (const QString &fifo : {m_settings + ".new", stuck})
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QElapsedTimer clock;
        clock.start();
        engine->hidePreview();
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(m_log.since().contains("could not write " + m_settings));
        QCOMPARE(readAll(m_settings), layout(":/theme/preview/tamber_watermark.png"));

        // The disk answers again: the stuck write goes on, reopens its file to sync it (this
        // side answers that too) and fails cleanly, since a FIFO cannot be synced; the next
        // save lands.
        QFile reader(stuck);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QVERIFY(reader.readAll().contains("<layersnum>2</layersnum>"));
        reader.close();
        QFile syncPeer(stuck);
        QVERIFY(syncPeer.open(QIODevice::WriteOnly));
        syncPeer.close();
        QVERIFY(QFile::remove(stuck));
        QVERIFY(QFile::remove(m_settings + ".new"));
        engine->unInit();
        QVERIFY(readAll(m_settings).contains("<layersnum>2</layersnum>"));
        QVERIFY(readAll(m_settings).trimmed().endsWith("</config>"));
        engine->release();
    }

    // A settings file made by a dotfile manager stays a link; the file it names is replaced.
    void settingsSavedThroughASymbolicLink()
    {
        const QString target = m_dir.filePath("dotfiles/previewsetting.xml");
        QDir().mkpath(QFileInfo(target).absolutePath());
        writeFile(target, "<config><layers><layersnum>0</layersnum></layers></config>");
        QVERIFY(QFile::link(target, m_settings));
        ZqStudio::IPreviewEngine *engine = PreviewEngine::createInstance();
        engine->init(30);
        engine->unInit();
        QVERIFY(QFileInfo(m_settings).isSymLink());
        QVERIFY(readAll(target).contains("<layersnum>1</layersnum>"));
        QVERIFY(!QFileInfo::exists(m_settings + ".new"));
        QVERIFY(!QFileInfo::exists(target + ".new"));
    }

    // The README promises an unreadable settings file is kept aside, never overwritten.
    void unreadableSettingsFileIsKeptAside()
    {
        // Root reads any file, so the engine looks at it as nobody does. Nobody must reach the
        // file's folder, and the checkout (with this test's own folders) may be closed to
        // others: a clone under /root, or in a folder made by mktemp -d. So the settings live in
        // a fresh temporary folder that everyone may enter, for this case only.
        QTemporaryDir open(QDir::tempPath() + QStringLiteral("/tst_hostilefiles-XXXXXX"));
        QVERIFY(open.isValid());
        QVERIFY(QFile::setPermissions(open.path(), QFileDevice::Permissions(0x7755)));
        const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
        const auto restoreConfigHome = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", configHome); });
        qputenv("XDG_CONFIG_HOME", open.path().toUtf8());
        const QString settings = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
        QVERIFY(settings.startsWith(open.path()));

        writeFile(settings, layout(":/x.png"));
        QFile::setPermissions(settings, QFileDevice::Permissions());
        QFile::setPermissions(QFileInfo(settings).absolutePath(), QFileDevice::Permissions(0x7777));
        const int fsuid = ::geteuid() == 0 ? ::setfsuid(65534) : -1;
        const bool reachable = QFileInfo(settings).exists();
        const bool readable = QFile(settings).open(QIODevice::ReadOnly);
        ZqStudio::IPreviewEngine *engine = PreviewEngine::createInstance();
        if (reachable && !readable)
            engine->init(30);
        if (fsuid >= 0)
            ::setfsuid(fsuid);
        if (!reachable)
            QSKIP(qPrintable(QDir::tempPath() + " is closed to other users"));
        if (readable)
            QSKIP("this process reads files of mode 000");
        engine->unInit();
        // The user's file is kept, whole, and a new one took its place.
        QFile::setPermissions(settings + ".unreadable", QFileDevice::ReadOwner);
        QCOMPARE(readAll(settings + ".unreadable"), layout(":/x.png"));
        QVERIFY(readAll(settings).contains("<layersnum>1</layersnum>"));
        QVERIFY(m_log.since().contains("is unusable; kept it as " + settings + ".unreadable"));
    }

    // Sizes the compositor cannot output are refused with a log line and never announced;
    // frames keep coming at the size before.
    void sizesThatCannotBeComposed()
    {
        SizeHost host;
        ZqStudio::IPreviewEngine *engine = PreviewEngine::createInstance();
        engine->sigPreviewSizeChanged.connect(&host, &SizeHost::onPreview);
        engine->sigVideoSizeChanged.connect(&host, &SizeHost::onVideo);
        engine->sigVideoFrame.connect(&host, &SizeHost::onFrame);
        engine->init(30);
        engine->setVideoSize(320, 180);
        for (const QSize size : {QSize(INT_MAX, 1), QSize(1, 100000), QSize(16385, 1),
                                 QSize(1, 1000), QSize(0, 10), QSize(-4, -3)})
            engine->setVideoSize(size.width(), size.height());
        QCOMPARE(host.previewWidths, QList<int>{746});
        QCOMPARE(host.videoWidths, QList<int>{320});
        QCOMPARE(engine->getVideoWidth(), 320);
        QVERIFY(m_log.since().contains("PreviewLogic::setVideoSize 2147483647x1 cannot be "
                                       "composed"));

        // Frames whose length does not cover what they claim are dropped, however big.
        QImage game(320, 180, QImage::Format_RGB32);
        game.fill(Qt::blue);
        const char tiny[64] = {};
        std::thread capture([&] {
            engine->pushGameVideoData(tiny, sizeof tiny, 2000000000, 2000000000, 1);
            engine->pushGameVideoData(reinterpret_cast<const char *>(game.constBits()),
                                      uint(game.sizeInBytes()), 320, 180, 2);
        });
        capture.join();
        QTRY_COMPARE(host.frames.load(), 1);
        QCOMPARE(host.frameWidth.load(), 320);
    }

    // A camera frame claiming more than it holds is dropped before anything is allocated.
    void cameraFramesClaimingHugeSizes()
    {
        ZqStudio::IPreviewEngine *engine = PreviewEngine::createInstance();
        engine->init(30);
        auto *camera =
            qobject_cast<CMCameraLayer *>(PreviewEngine::logic()->combine()->addCameraLayer(
                {}, true, {160, 120}, 100, {}, {}, {}, false, 0, 0, 0));
        QVERIFY(camera);
        QImage frame(8, 8, QImage::Format_ARGB32);
        frame.fill(Qt::red);
        engine->pushCameraData(reinterpret_cast<const char *>(frame.constBits()),
                               uint(frame.sizeInBytes()), 8, 8, 1);
        const char tiny[64] = {};
        engine->pushCameraData(tiny, sizeof tiny, 16384, 16384, 2);
        engine->pushCameraData(tiny, sizeof tiny, 4, 8, 3); // 128 bytes claimed
        QCOMPARE(camera->image().size(), QSize(8, 8));
    }

    // The log: only a regular file, and no message can act on a terminal or forge a line.
    void logFileAndLines()
    {
        const QString fifo = m_dir.filePath("log.fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        LogFile log;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!log.open(fifo.toStdWString()));
        QVERIFY(clock.elapsed() < 2000);

        std::tm t{};
        const std::wstring line = LogFile::formatLine(0, t, 1, 2, 3,
                                                      L"a\x1b[31mb\vc\fd\x85"
                                                      L"e\x2028"
                                                      L"f\ng\x7f");
        QCOMPARE(QString::fromStdWString(line).section(QLatin1Char(' '), 8),
                 QStringLiteral(":info a\\x1B[31mb\\x0Bc\\x0Cd\\x85e\\u2028f\\ng\\x7F\r\n"));
    }

private:
    LogCapture m_log;
    QTemporaryDir m_dir;
    QString m_settings;
};

QTEST_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
