#include "HeadlessSession.h"

#include <QtTest>

// Start-up failures end the run with their own exit code and write nothing.
class tst_HeadlessSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startupFailures();
};

void tst_HeadlessSession::startupFailures()
{
    QTemporaryDir dir;
    const QString words = dir.filePath(QStringLiteral("words.bin"));
    QFile file(words);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\xFF\xFE\x00\x01", 4));
    file.close();

    HeadlessSession::Options options;
    options.enginePath = dir.filePath(QStringLiteral("libnothing.so"));
    options.outputDir = dir.filePath(QStringLiteral("unused"));
    QCOMPARE(HeadlessSession(options).run(), 1); // no engine library
    options.filterWordsFile = words;
    QCOMPARE(HeadlessSession(options).run(), 2); // the word list is refused before loading
    QVERIFY(!QFileInfo::exists(options.outputDir));
}

QTEST_MAIN(tst_HeadlessSession)
#include "tst_headlesssession.moc"
