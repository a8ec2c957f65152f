#include "EncodedVideoWriter.h"
#include "EngineLibrary.h"
#include "FakeEngine.h"
#include "GameFeed.h"
#include "HeadlessSession.h"
#include "MediaTestSupport.h"
#include "TestFiles.h"
#include "VideoFileCapture.h"

#include <appcommon/pubfunc.h>
#include <previewengine/IPreviewEngine.h>

#include <QtTest>

#include <thread>

namespace {

// What the host receives from the engine: the size of the latest output frame and its centre.
class OutputProbe : public xsignals::trackable
{
public:
    ~OutputProbe() override { disconnect_all(); }
    void onFrame(unsigned char *pixels, unsigned int stride, ZQSize size, unsigned long)
    {
        const int w = int(size.width);
        const int h = int(size.height);
        const QRgb centre =
            reinterpret_cast<const QRgb *>(pixels + std::size_t(stride) * (h / 2))[w / 2];
        const std::lock_guard<std::mutex> guard(m_mutex);
        m_size = QSize(w, h);
        m_centre = centre;
        ++m_frames;
    }
    QSize size() const
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        return m_size;
    }
    QRgb centre() const
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        return m_centre;
    }

private:
    mutable std::mutex m_mutex;
    QSize m_size;
    QRgb m_centre = 0;
    int m_frames = 0;
};

// Whether the process ended by itself with exit code 0. When not, its whole output is logged
// line by line: a failure message is cut after about a thousand characters, and what tells
// why (a sanitizer's report, the last warnings) comes at the end.
bool finishedCleanly(const QProcess &process, const QString &output)
{
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    qWarning("%s %s %d; its output:", qPrintable(process.program()),
             process.exitStatus() == QProcess::NormalExit ? "exited with" : "crashed, signal",
             process.exitCode());
    for (const QString &line : output.split(QLatin1Char('\n')))
        qWarning("  %s", qPrintable(line));
    return false;
}

bool near(QRgb got, QRgb want)
{
    return std::abs(qRed(got) - qRed(want)) < 40 && std::abs(qGreen(got) - qGreen(want)) < 40 &&
           std::abs(qBlue(got) - qBlue(want)) < 40;
}

// A capture that hands the given frames on from its own thread, as a camera-like source does.
class ThreadCapture : public GameCapture
{
public:
    QList<QSize> sizes;
    bool start(Sink sink, Failed, QString *) override
    {
        m_thread = std::thread([this, sink] {
            for (const QSize &size : sizes) {
                QImage frame(size, QImage::Format_RGB32);
                frame.fill(Qt::gray);
                sink(frame, 0);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        return true;
    }
    void stop() override
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    QString description() const override { return QStringLiteral("frames from a thread"); }

private:
    std::thread m_thread;
};

} // namespace

class tst_MediaFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void videoFileDrivesTheOutput();
    void unplayableFiles();
    void feedFollowsSizesFromAnotherThread();
    void encodedOutput();
    void headlessRunFromFileToFile();
    void headlessStartupFailures();
    void headlessLayoutKeepsTheFileItReplaces();
};

// A WebM played as the game: the output takes the file's size and shows its picture, and keeps
// going past the file's end. (A feed's change of size: feedFollowsSizesFromAnotherThread.)
void tst_MediaFiles::videoFileDrivesTheOutput()
{
    const QString missing = MediaTestSupport::missingTools();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    QTemporaryDir dir;
    const QString red = dir.filePath(QStringLiteral("red.webm"));
    QVERIFY(MediaTestSupport::makeWebm(red, 320, 240, QStringLiteral("red")));

    EngineLibrary library;
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    ZqStudio::IPreviewEngine *engine = library.createEngine();
    OutputProbe probe;
    engine->sigVideoFrame.connect(&probe, &OutputProbe::onFrame);
    engine->init(30);

    {
        VideoFileCapture capture(red);
        GameFeed feed(engine, &capture);
        QString error;
        QVERIFY2(feed.start(&error), qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(probe.size(), QSize(320, 240), 10000);
        QCOMPARE(engine->getVideoWidth(), 320);
        QTRY_VERIFY2(near(probe.centre(), qRgb(255, 0, 0)),
                     qPrintable(QString::number(probe.centre(), 16)));
        // 15 frames in the file: more means it started over.
        QTRY_VERIFY_WITH_TIMEOUT(capture.framesDelivered() > 20, 10000);
        feed.stop();
    }
    engine->unInit();
    engine->sigVideoFrame.disconnect_all();
    engine->release();
    library.unload();
}

void tst_MediaFiles::unplayableFiles()
{
    QTemporaryDir dir;
    FakeEngine engine;
    QString error;

    VideoFileCapture missing(dir.filePath(QStringLiteral("none.webm")));
    GameFeed missingFeed(&engine, &missing);
    QVERIFY(!missingFeed.start(&error));
    QVERIFY2(error.contains(QStringLiteral("cannot read the video file")), qPrintable(error));

    const QString text = dir.filePath(QStringLiteral("notes.webm"));
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a video at all\n");
    file.close();
    VideoFileCapture broken(text);
    GameFeed brokenFeed(&engine, &broken);
    QString reason;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot play .*notes.webm"));
    QVERIFY(brokenFeed.start(&error, [&](const QString &why) { reason = why; }));
    QTRY_VERIFY_WITH_TIMEOUT(!reason.isEmpty(), 10000);
    QVERIFY(engine.gameFrameList().empty());
}

// Frames from another thread: each new size reaches the engine on the GUI thread first, and
// only frames of the size the engine has are pushed.
void tst_MediaFiles::feedFollowsSizesFromAnotherThread()
{
    FakeEngine engine;
    ThreadCapture capture;
    for (int i = 0; i < 20; ++i)
        capture.sizes << QSize(64, 48);
    for (int i = 0; i < 20; ++i)
        capture.sizes << QSize(33, 17);
    GameFeed feed(&engine, &capture);
    QString error;
    QVERIFY(feed.start(&error));
    QTRY_COMPARE(engine.videoSizeList(), (std::vector<std::pair<int, int>>{{64, 48}, {33, 17}}));
    capture.stop();
    QVERIFY(!engine.calledOffMainThread);
    QCOMPARE(engine.badGameFrames, 0);
    const auto frames = engine.gameFrameList();
    QCOMPARE(qint64(frames.size()) + feed.framesHeldBack(), qint64(40));
    QVERIFY(feed.framesHeldBack() >= 2);
    // Once 33x17 frames were pushed, no 64x48 one followed.
    const auto first = std::find(frames.begin(), frames.end(), std::make_pair(33, 17));
    QVERIFY(first != frames.end());
    QVERIFY(std::all_of(first, frames.end(), [](auto s) { return s == std::make_pair(33, 17); }));
}

// Frames written to Matroska (named in capitals), then played back: the file has the first
// frame's size, later frames of another size are scaled into it, and the last frame lands beside
// it as a PNG. The headless run below writes WebM.
void tst_MediaFiles::encodedOutput()
{
    const QString missing = MediaTestSupport::missingTools();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.MKV"));
    QVERIFY(EncodedVideoWriter::handles(path));
    std::int64_t written = 0;
    {
        EncodedVideoWriter writer(path, 30);
        QString error;
        QVERIFY2(writer.start(&error), qPrintable(error));
        writer.announceSize(64, 48);
        // Orange: red and blue swapped anywhere on the way would show.
        std::vector<QRgb> orange(64 * 48, qRgb(230, 120, 0));
        for (int i = 0; i < 20; ++i) {
            writer.onFrame(reinterpret_cast<const uchar *>(orange.data()), 64 * 4, 64, 48, i);
            QTest::qWait(2);
        }
        // A loaded machine may fill the pool with the first frames; the small ones must find room.
        QTRY_COMPARE_WITH_TIMEOUT(writer.written() + writer.droppedPoolFull(), 20, 10000);
        std::vector<QRgb> small(32 * 24, qRgb(230, 120, 0));
        for (int i = 0; i < 5; ++i) {
            writer.onFrame(reinterpret_cast<const uchar *>(small.data()), 32 * 4, 32, 24, 20 + i);
            QTest::qWait(2);
        }
        writer.finish();
        QCOMPARE(writer.written() + writer.droppedPoolFull(), 25);
        QCOMPARE(writer.writeErrors(), 0);
        QCOMPARE(writer.streams(), QStringList{path});
        QCOMPARE(QImage(writer.picture()).size(), QSize(32, 24));
        written = writer.written();
    }

    FakeEngine engine;
    VideoFileCapture playback(path);
    GameFeed feed(&engine, &playback);
    QString error;
    QVERIFY2(feed.start(&error), qPrintable(error));
    QTRY_VERIFY2_WITH_TIMEOUT(!engine.gameFrameList().empty(),
                              qPrintable(QStringLiteral("%1 frames written; the player delivered "
                                                        "%2 frames in %3 loops, %4 held back")
                                             .arg(written)
                                             .arg(playback.framesDelivered())
                                             .arg(playback.loops())
                                             .arg(feed.framesHeldBack())),
                              10000);
    feed.stop();
    QCOMPARE(engine.videoSizeList().front(), std::make_pair(64, 48));
    const QRgb centre = engine.gameFrameCentre();
    QVERIFY2(near(centre, qRgb(230, 120, 0)), qPrintable(QString::number(centre, 16)));
}

// The host as a user runs it: a WebM as the game, the output encoded; and the message when the
// encoder's plug-ins are not there.
void tst_MediaFiles::headlessRunFromFileToFile()
{
    const QString missing = MediaTestSupport::missingTools();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    QTemporaryDir dir;
    const QString game = dir.filePath(QStringLiteral("game.webm"));
    QVERIFY(MediaTestSupport::makeWebm(game, 160, 120, QStringLiteral("smpte")));
    const QString host = QCoreApplication::applicationDirPath() + QStringLiteral("/previewhost");
    const QString output = dir.filePath(QStringLiteral("out/run.webm"));

    QProcess run;
    run.start(host, {QStringLiteral("--headless"), QStringLiteral("--seconds"), QStringLiteral("1"),
                     QStringLiteral("--game"), game, QStringLiteral("--output"), output});
    QVERIFY(run.waitForFinished(60000));
    const QString log = QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
    QVERIFY2(finishedCleanly(run, log), qPrintable(log));
    QVERIFY2(log.contains(QStringLiteral("output 160x120")) ||
                 log.contains(QStringLiteral("game video 160x120")),
             qPrintable(log));
    QVERIFY2(QFileInfo(output).size() > 0, qPrintable(log));
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("out/run.png"))));

    // No plug-ins at all: GStreamer is pointed at an empty folder and a fresh registry.
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    bare.insert(QStringLiteral("GST_PLUGIN_SYSTEM_PATH_1_0"), dir.filePath(QStringLiteral("none")));
    bare.insert(QStringLiteral("GST_PLUGIN_PATH_1_0"), dir.filePath(QStringLiteral("none")));
    bare.insert(QStringLiteral("GST_REGISTRY_1_0"), dir.filePath(QStringLiteral("registry.bin")));
    run.setProcessEnvironment(bare);
    run.start(host, {QStringLiteral("--headless"), QStringLiteral("--seconds"), QStringLiteral("0"),
                     QStringLiteral("--output"), dir.filePath(QStringLiteral("bare.mkv"))});
    QVERIFY(run.waitForFinished(60000));
    const QString bareLog =
        QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
    QCOMPARE(run.exitCode(), 1);
    QVERIFY2(bareLog.contains(QStringLiteral("the GStreamer element appsrc is missing")),
             qPrintable(bareLog));
}

// Start-up failures end the run with their own exit code and write nothing.
void tst_MediaFiles::headlessStartupFailures()
{
    QTemporaryDir dir;
    const QString words = dir.filePath(QStringLiteral("words.bin"));
    writeFile(words, QByteArray("\xFF\xFE\x00\x01", 4));

    HeadlessSession::Options options;
    options.enginePath = dir.filePath(QStringLiteral("libnothing.so"));
    options.outputDir = dir.filePath(QStringLiteral("unused"));
    QCOMPARE(HeadlessSession(options).run(), 1); // no engine library
    options.filterWordsFile = words;
    QCOMPARE(HeadlessSession(options).run(), 2); // the word list is refused before loading
    QVERIFY(!QFileInfo::exists(options.outputDir));
}

// --layout never destroys the user's own layout: it is kept as a dated backup first.
void tst_MediaFiles::headlessLayoutKeepsTheFileItReplaces()
{
    QTemporaryDir dir;
    const QString settings = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
    writeFile(settings, "mine");
    HeadlessSession::Options options;
    options.layoutFile = dir.filePath(QStringLiteral("layout.xml"));
    writeFile(options.layoutFile, "demo");
    options.enginePath = dir.filePath(QStringLiteral("libnothing.so"));
    options.outputDir = dir.filePath(QStringLiteral("unused"));
    QCOMPARE(HeadlessSession(options).run(), 1); // installed before the engine is looked for
    QCOMPARE(HeadlessSession(options).run(), 1); // the same layout again: nothing more kept
    QCOMPARE(readAll(settings), QByteArray("demo"));
    const QFileInfoList backups = QDir(QFileInfo(settings).absolutePath())
                                      .entryInfoList({QStringLiteral("previewsetting.xml.*.bak")});
    QCOMPARE(backups.size(), 1);
    QCOMPARE(readAll(backups.first().filePath()), QByteArray("mine"));
}

QTEST_MAIN(tst_MediaFiles)
#include "tst_mediafiles.moc"
