#include "FakeEngine.h"
#include "FilterWordService.h"
#include "TestFiles.h"

#include <QtTest>

class tst_FilterWordService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matching_data();
    void matching();
    void answersTheEngineWithTheSameTaskId();
    void detachDropsPendingAnswers();
    void fileReplacesTheList();

private:
    QString _write(const QByteArray &bytes);
    QTemporaryDir m_dir;
    int m_files = 0;
};

QString tst_FilterWordService::_write(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(QStringLiteral("words-%1.txt").arg(++m_files));
    writeFile(path, bytes);
    return path;
}

void tst_FilterWordService::matching_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("clean") << QStringLiteral("hello everyone") << true;
    QTest::newRow("mixed case inside a word") << QStringLiteral("no SpAmMing") << false;
    QTest::newRow("word with capitals in the list") << QStringLiteral("visit the casino") << false;
    QTest::newRow("Chinese") << QStringLiteral("网络诈骗可耻") << false;
    QTest::newRow("Greek final sigma folds") << QStringLiteral("ΟΔΟΣ") << false;
    QTest::newRow("near miss") << QStringLiteral("sp am") << true;
}

void tst_FilterWordService::matching()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    FilterWordService service;
    service.setWords({QStringLiteral("spam"), QStringLiteral("CaSiNo"), QStringLiteral("诈骗"),
                      QStringLiteral("οδος"), QStringLiteral("   "), QString()});
    QCOMPARE(service.isValid(text), valid);
}

// Asked from the GUI thread and from another one; every answer comes later, on the GUI thread,
// with its task id.
void tst_FilterWordService::answersTheEngineWithTheSameTaskId()
{
    FakeEngine engine;
    FilterWordService service;
    service.attach(&engine);
    const std::string id = "{6f1c1a9e-0000-4000-8000-000000000001}";
    {
        // The text dies with the emission; the answer must not depend on it.
        const std::wstring text = L"all about the CASINO";
        engine.sigCheckFilterWord(id, text);
    }
    QVERIFY(engine.resultList().empty());
    std::thread other([&] {
        for (int i = 0; i < 50; ++i)
            engine.sigCheckFilterWord(std::to_string(i), L"fine");
    });
    other.join();
    QTRY_COMPARE(engine.resultList().size(), std::size_t(51));
    QCOMPARE(engine.resultList()[0], std::make_pair(id, false));
    QCOMPARE(engine.resultList()[50], std::make_pair(std::string("49"), true));
    QVERIFY(!engine.calledOffMainThread);
}

void tst_FilterWordService::detachDropsPendingAnswers()
{
    FakeEngine engine;
    FilterWordService service;
    service.attach(&engine);
    engine.sigCheckFilterWord("late", L"text");
    service.detach();
    QTest::qWait(30);
    QVERIFY(engine.resultList().empty());
    // Detached means no longer connected, too.
    engine.sigCheckFilterWord("after", L"text");
    QCOMPARE(service.requests(), 1);
}

void tst_FilterWordService::fileReplacesTheList()
{
    FilterWordService service;
    service.setWords({QStringLiteral("keep")});
    // A missing file, or one that is not UTF-8 text, is refused and the list stays.
    const QString bad[] = {m_dir.filePath(QStringLiteral("nope.txt")),
                           _write(QByteArray("good\n\xC3\x28\n")),
                           _write(QByteArray("spam\0eggs", 9))};
    QString error;
    for (const QString &path : bad) {
        QVERIFY(!service.loadFile(path, &error));
        QVERIFY(error.contains(path));
    }
    QCOMPARE(service.words(), QStringList{QStringLiteral("keep")});

    // A byte-order mark, CRLF line ends, blank lines, comments and padding are all tolerated.
    const QString path = _write(QByteArray("\xEF\xBB\xBF"
                                           "Banana\r\n"
                                           "\r\n"
                                           "# comment line\r\n"
                                           "  苹果  \r\n"
                                           "kiwi")); // no final newline
    QVERIFY2(service.loadFile(path, &error), qPrintable(error));
    QCOMPARE(service.words(), (QStringList{QStringLiteral("banana"), QStringLiteral("苹果"),
                                           QStringLiteral("kiwi")}));
    QVERIFY(!service.isValid(QStringLiteral("BANANA split")));
    QVERIFY(!service.isValid(QStringLiteral("红苹果")));
}

QTEST_GUILESS_MAIN(tst_FilterWordService)
#include "tst_filterwordservice.moc"
