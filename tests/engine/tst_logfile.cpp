#include "LogFile.h"
#include "TestFiles.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <thread>
#include <vector>

#include <sys/stat.h>

namespace {

void writef(LogFile &log, int level, const wchar_t *format, ...)
{
    va_list args;
    va_start(args, format);
    log.write(level, format, args);
    va_end(args);
}

// "Sun Dec 06 12:00:00 2026: 7 [123] [456] :info message\r\n"
const QRegularExpression LinePattern(QStringLiteral(
    "^(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
    "\\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4}: \\d{1,3} \\[\\d+\\] \\[\\d+\\] :(info|warning|error) "
    "(.*)\r$"));

} // namespace

class TestLogFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineFormat_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("milliseconds");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        const QString head = QStringLiteral("Sun Dec 06 12:00:00 2026: ");
        // The other tags: info with the escapes below, error in the written file.
        QTest::newRow("warning") << 1 << 999 << "Hi" << head + "999 [123] [456] :warning Hi\r\n";
        QTest::newRow("unknown level reads as info")
            << 17 << 1 << "Hi" << head + "1 [123] [456] :info Hi\r\n";
        // No message can act on a terminal or forge a line of its own; milliseconds unpadded.
        QTest::newRow("info, controls escaped")
            << 0 << 3
            << QString::fromWCharArray(L"a\x1b[31mb\vc\fd\x85"
                                       L"e\x2028"
                                       L"f\ng\x7f")
            << head + "3 [123] [456] :info a\\x1B[31mb\\x0Bc\\x0Cd\\x85e\\u2028f\\ng\\x7F\r\n";
    }

    void lineFormat()
    {
        QFETCH(int, level);
        QFETCH(int, milliseconds);
        QFETCH(QString, message);
        QFETCH(QString, expected);
        std::tm t{};
        t.tm_year = 2026 - 1900;
        t.tm_mon = 11;
        t.tm_mday = 6;
        t.tm_wday = 0;
        t.tm_hour = 12;
        QCOMPARE(QString::fromStdWString(LogFile::formatLine(level, t, milliseconds, 123, 456,
                                                             message.toStdWString().c_str())),
                 expected);
    }

    void longMessagesAreCutButKeepTheirLineEnd()
    {
        const std::wstring huge(10000, L'x');
        std::tm t{};
        const std::wstring line = LogFile::formatLine(0, t, 5, 1, 1, huge.c_str());
        QVERIFY(line.size() < 4200);
        QVERIFY(line.size() > 4000);
        QCOMPARE(line.substr(line.size() - 2), std::wstring(L"\r\n"));

        QTemporaryDir dir;
        LogFile log;
        QVERIFY(log.open((dir.path() + "/cut.log").toStdWString()));
        writef(log, 0, L"%ls", huge.c_str());
        const QByteArray written = readAll(dir.path() + "/cut.log");
        QVERIFY(written.endsWith("xx\r\n"));
        QCOMPARE(written.count('\n'), 1);
    }

    void writesUtf8LinesAndAppendsAcrossOpens()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/nested/deeper/app.log";
        {
            LogFile log;
            writef(log, 0, L"before open %d", 1); // nothing, no failure
            QVERIFY(log.open(path.toStdWString()));
            QVERIFY(log.isOpen());
            // A second open keeps the first file.
            QVERIFY(!log.open((dir.path() + "/other.log").toStdWString()));
            writef(log, 0, L"PreviewCombineLogic::addTextLayer Text=%ls, pos.x=%d", L"直播 test",
                   10);
        }
        {
            LogFile log;
            QVERIFY(log.open(path.toStdWString()));
            writef(log, 2, L"second run");
        }
        QVERIFY(!QFile::exists(dir.path() + "/other.log"));
        const QList<QByteArray> lines = readAll(path).split('\n');
        QCOMPARE(lines.size(), 3); // two lines and the empty tail after the last LF
        QVERIFY(lines.last().isEmpty());
        const QRegularExpressionMatch first = LinePattern.match(QString::fromUtf8(lines[0]));
        QVERIFY2(first.hasMatch(), lines[0].constData());
        QCOMPARE(first.captured(3), QStringLiteral("info"));
        QCOMPARE(first.captured(4),
                 QStringLiteral("PreviewCombineLogic::addTextLayer Text=直播 test, pos.x=10"));
        const QRegularExpressionMatch second = LinePattern.match(QString::fromUtf8(lines[1]));
        QVERIFY(second.hasMatch());
        QCOMPARE(second.captured(3), QStringLiteral("error"));
    }

    void openFailures()
    {
        LogFile bare;
        // No directory part at all: nothing to check or create, so no log.
        QVERIFY(!bare.open(L"plain.log"));
        QVERIFY(!bare.isOpen());

        QTemporaryDir dir;
        writeFile(dir.path() + "/blocker", "not a directory");
        LogFile blocked;
        QVERIFY(!blocked.open((dir.path() + "/blocker/sub/app.log").toStdWString()));

        // Only a regular file: a FIFO nobody reads would hold every writer.
        const QString fifo = dir.path() + "/log.fifo";
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        LogFile onFifo;
        QVERIFY(!onFifo.open(fifo.toStdWString()));
    }

    void rotatesOversizedLogAtOpen()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/app.log";
        QFile big(path);
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(LogFile::RotateSize)); // exactly the limit: kept
        big.close();
        {
            LogFile atLimit;
            QVERIFY(atLimit.open(path.toStdWString()));
            writef(atLimit, 0, L"x"); // one more line takes it over the limit
        }
        QVERIFY(!QFile::exists(path + ".bk"));
        const qint64 grown = QFileInfo(path).size();
        writeFile(path + ".bk", "first backup");
        writeFile(path + ".bk.bk", "second backup");

        LogFile log;
        QVERIFY(log.open(path.toStdWString()));
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(QFileInfo(path + ".bk").size(), grown);
        QCOMPARE(readAll(path + ".bk.bk"), QByteArray("first backup"));
        writef(log, 0, L"fresh");
        QVERIFY(readAll(path).endsWith(":info fresh\r\n"));
    }

    void concurrentWritersNeverInterleave()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/threads.log";
        LogFile log;
        QVERIFY(log.open(path.toStdWString()));
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&log, t] {
                for (int i = 0; i < 300; ++i)
                    writef(log, 1, L"thread %d line %d %ls", t, i, L"全角文字 and more text");
            });
        }
        for (std::thread &t : threads)
            t.join();

        const QList<QByteArray> lines = readAll(path).split('\n');
        QCOMPARE(lines.size(), 4 * 300 + 1);
        for (int i = 0; i < lines.size() - 1; ++i) {
            const QString line = QString::fromUtf8(lines[i]);
            QVERIFY2(LinePattern.match(line).hasMatch(), qPrintable(line));
        }
    }
};

QTEST_GUILESS_MAIN(TestLogFile)
#include "tst_logfile.moc"
