#include "HeadlessSession.h"
#include "Y4mWriter.h"

#include <QtTest>

// A whole run against the echoing stand-in engine: game frames go out from the capture thread,
// come back from the engine's sender thread and end up in the Y4M streams; the camera and the
// filter-word service answer the engine's requests.
class tst_HeadlessSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runsAgainstAnEngine();
    void refusesABrokenWordList();
    void reportsAMissingEngine();

private:
    static int _frames(const QString &path, QSize *size);
    QTemporaryDir m_dir;
};

// Frames in a Y4M file, from its size and header.
int tst_HeadlessSession::_frames(const QString &path, QSize *size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray header = file.readLine();
    for (const QByteArray &token : header.trimmed().split(' ')) {
        if (token.startsWith('W'))
            size->setWidth(token.mid(1).toInt());
        else if (token.startsWith('H'))
            size->setHeight(token.mid(1).toInt());
    }
    const qint64 frameBytes = 6 + qint64(size->width()) * size->height() +
                              2 * qint64((size->width() + 1) / 2) * ((size->height() + 1) / 2);
    const qint64 body = file.size() - header.size();
    return body % frameBytes == 0 ? int(body / frameBytes) : -1;
}

void tst_HeadlessSession::runsAgainstAnEngine()
{
    // Kept loaded, so its counters survive the session's unload.
    QLibrary engine(QStringLiteral(FAKE_ENGINE_PATH));
    engine.setLoadHints(QLibrary::PreventUnloadHint);
    QVERIFY2(engine.load(), qPrintable(engine.errorString()));
    using Report = void (*)(int *, int *, int *, int *, int *);
    const auto report = reinterpret_cast<Report>(engine.resolve("fakeEngineReport"));
    QVERIFY(report);

    HeadlessSession::Options options;
    options.enginePath = QStringLiteral(FAKE_ENGINE_PATH);
    options.gameSize = QSize(64, 48);
    options.fps = 30;
    options.seconds = 1;
    options.outputDir = m_dir.filePath(QStringLiteral("run"));
    HeadlessSession session(options);
    QCOMPARE(session.run(), 0);

    int gameFrames = 0, cameraFrames = 0, cameraOpened = 0, answers = 0, lastValid = -1;
    report(&gameFrames, &cameraFrames, &cameraOpened, &answers, &lastValid);
    QCOMPARE(gameFrames, 30);
    QVERIFY(cameraFrames > 0);
    QCOMPARE(cameraOpened, 1);
    QCOMPARE(answers, 1);
    QCOMPARE(lastValid, 0); // "hello SPAM" fails the built-in list

    // The engine switched to half size after ten frames: two streams, one size each.
    const QDir out(options.outputDir);
    QSize first;
    QSize second;
    const int before = _frames(out.filePath(QStringLiteral("demo.y4m")), &first);
    const int after = _frames(out.filePath(QStringLiteral("demo-2.y4m")), &second);
    QCOMPARE(first, QSize(64, 48));
    QCOMPARE(second, QSize(32, 24));
    QVERIFY(before > 0 && before <= 10);
    QVERIFY(after > 0);
    QVERIFY(before + after <= 30);
    const QImage last(out.filePath(QStringLiteral("demo.png")));
    QCOMPARE(last.size(), QSize(32, 24));
}

void tst_HeadlessSession::refusesABrokenWordList()
{
    const QString path = m_dir.filePath(QStringLiteral("words.bin"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\xFF\xFE\x00\x01", 4));
    file.close();
    HeadlessSession::Options options;
    options.enginePath = QStringLiteral(FAKE_ENGINE_PATH);
    options.filterWordsFile = path;
    options.outputDir = m_dir.filePath(QStringLiteral("unused"));
    HeadlessSession session(options);
    QCOMPARE(session.run(), 2);
    QVERIFY(!QFileInfo::exists(options.outputDir));
}

void tst_HeadlessSession::reportsAMissingEngine()
{
    HeadlessSession::Options options;
    options.enginePath = m_dir.filePath(QStringLiteral("libnothing.so"));
    options.outputDir = m_dir.filePath(QStringLiteral("unused"));
    HeadlessSession session(options);
    QCOMPARE(session.run(), 1);
}

QTEST_MAIN(tst_HeadlessSession)
#include "tst_headlesssession.moc"
