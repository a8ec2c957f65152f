#include "FakeEngine.h"
#include "FilterWordService.h"

#include <QtTest>

class tst_FilterWordService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matching_data();
    void matching();
    void shipsADefaultList();
    void answersLaterOnTheGuiThread();
    void answersTheEngineWithTheSameTaskId();
    void answersFromAnotherThreadArriveOnTheGuiThread();
    void detachDropsPendingAnswers();
    void fileReplacesTheList();
    void badFilesKeepTheList_data();
    void badFilesKeepTheList();

private:
    QString _write(const QByteArray &bytes);
    QTemporaryDir m_dir;
    int m_files = 0;
};

QString tst_FilterWordService::_write(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(QStringLiteral("words-%1.txt").arg(++m_files));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

void tst_FilterWordService::matching_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("clean") << QStringLiteral("hello everyone") << true;
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("exact") << QStringLiteral("spam") << false;
    QTest::newRow("upper case") << QStringLiteral("SPAM") << false;
    QTest::newRow("mixed case inside a word") << QStringLiteral("no SpAmMing") << false;
    QTest::newRow("word with capitals in the list") << QStringLiteral("visit the casino") << false;
    QTest::newRow("Chinese") << QStringLiteral("网络诈骗可耻") << false;
    QTest::newRow("Chinese clean") << QStringLiteral("欢迎来到直播间") << true;
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

void tst_FilterWordService::shipsADefaultList()
{
    FilterWordService service;
    QVERIFY(!service.words().isEmpty());
    QVERIFY(!service.words().contains(QStringLiteral("#")));
    QVERIFY(!service.isValid(QStringLiteral("赌博")));
    QVERIFY(service.isValid(QStringLiteral("Good evening")));
}

void tst_FilterWordService::answersLaterOnTheGuiThread()
{
    FilterWordService service;
    std::vector<std::pair<std::string, bool>> answers;
    service.setAnswer([&](const std::string &id, bool valid) {
        QCOMPARE(QThread::currentThread(), QCoreApplication::instance()->thread());
        answers.emplace_back(id, valid);
    });
    service.request("t1", L"plain text");
    service.request("t2", L"SCAM alert");
    QVERIFY(answers.empty()); // never inside the request
    QTRY_COMPARE(answers.size(), std::size_t(2));
    QCOMPARE(answers[0], std::make_pair(std::string("t1"), true));
    QCOMPARE(answers[1], std::make_pair(std::string("t2"), false));
    QCOMPARE(service.answered(), 2);
}

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
    QTRY_COMPARE(engine.resultList().size(), std::size_t(1));
    QCOMPARE(engine.resultList()[0], std::make_pair(id, false));
}

void tst_FilterWordService::answersFromAnotherThreadArriveOnTheGuiThread()
{
    FakeEngine engine;
    FilterWordService service;
    service.attach(&engine);
    std::thread other([&] {
        for (int i = 0; i < 50; ++i)
            engine.sigCheckFilterWord(std::to_string(i), L"fine");
    });
    other.join();
    QTRY_COMPARE(engine.resultList().size(), std::size_t(50));
    QCOMPARE(engine.resultList()[49].first, std::string("49"));
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
    // A byte-order mark, CRLF line ends, blank lines, comments and padding are all tolerated.
    const QString path = _write(QByteArray("\xEF\xBB\xBF"
                                           "Banana\r\n"
                                           "\r\n"
                                           "# comment line\r\n"
                                           "  苹果  \r\n"
                                           "kiwi")); // no final newline
    QString error;
    QVERIFY2(service.loadFile(path, &error), qPrintable(error));
    QCOMPARE(service.words(), (QStringList{QStringLiteral("banana"), QStringLiteral("苹果"),
                                           QStringLiteral("kiwi")}));
    QVERIFY(!service.isValid(QStringLiteral("BANANA split")));
    QVERIFY(!service.isValid(QStringLiteral("红苹果")));
    QVERIFY(!service.isValid(QStringLiteral("KIWI")));
    // The built-in words are gone.
    QVERIFY(service.isValid(QStringLiteral("spam")));
}

void tst_FilterWordService::badFilesKeepTheList_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("invalid UTF-8") << QByteArray("good\n\xC3\x28\n") << true;
    QTest::newRow("binary") << QByteArray("spam\0eggs", 9) << true;
}

void tst_FilterWordService::badFilesKeepTheList()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    FilterWordService service;
    service.setWords({QStringLiteral("keep")});
    const QString path = exists ? _write(content) : m_dir.filePath(QStringLiteral("nope.txt"));
    QString error;
    QVERIFY(!service.loadFile(path, &error));
    QVERIFY(error.contains(path));
    QCOMPARE(service.words(), QStringList{QStringLiteral("keep")});
}

QTEST_GUILESS_MAIN(tst_FilterWordService)
#include "tst_filterwordservice.moc"
