#include "HeadlessSession.h"
#include "TestFiles.h"

#include <appcommon/pubfunc.h>

#include <QtTest>

// Start-up failures end the run with their own exit code and write nothing.
class tst_HeadlessSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startupFailures();
    void layoutKeepsTheFileItReplaces();
};

void tst_HeadlessSession::startupFailures()
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
void tst_HeadlessSession::layoutKeepsTheFileItReplaces()
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

QTEST_MAIN(tst_HeadlessSession)
#include "tst_headlesssession.moc"
