#include <appcommon/pubfunc.h>
#include <appcommon/ZqCriticalSection.h>
#include <appcommon/ZqCSAutoLocker.h>
#include <appcommon/ZqPlatform.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <thread>

// The host library's helpers. The paths are a promise to hosts and their users: they must
// follow the XDG rules exactly, with and without the variables, and never depend on a
// QCoreApplication.
class TestPubfunc : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void criticalSectionIsRecursiveAndExclusive()
    {
        ZqCriticalSection section;
        {
            const ZqCSAutoLocker outer(&section);
            // Taking it again on the same thread must not deadlock, as with a Windows section.
            const ZqCSAutoLocker inner(&section);
            bool otherGotIt = true;
            std::thread other([&] { otherGotIt = section.tryLock(); });
            other.join();
            QVERIFY(!otherGotIt);
        }
        bool freed = false;
        std::thread other([&] {
            freed = section.tryLock();
            if (freed)
                section.unlock();
        });
        other.join();
        QVERIFY(freed);

        const ZqCSAutoLocker nullLocker(nullptr); // optional locks need no special casing
    }

    void init()
    {
        m_saved.clear();
        for (const char *name : {"XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "HOME"})
            m_saved.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        qputenv("HOME", "/home/streamer");
    }

    void cleanup()
    {
        for (const Saved &s : m_saved) {
            if (s.wasSet)
                qputenv(s.name, s.value);
            else
                qunsetenv(s.name);
        }
    }

    void exeNameAndDirectory()
    {
        QCOMPARE(QString::fromStdWString(pubfunc::getAppExeNameWithoutExt()),
                 QStringLiteral("tst_pubfunc"));
        QCOMPARE(QString::fromStdWString(pubfunc::getAppExePath(pubfunc::ModuleProgram)),
                 QCoreApplication::applicationDirPath());
        const QString exe = QString::fromStdWString(ZqPlatform::executableFilePath());
        QVERIFY(QFileInfo(exe).isExecutable());
    }

    void paths_data()
    {
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("cache");

        const QString app = QStringLiteral("tst_pubfunc");
        const QString log = "/home/streamer/.local/state/" + app + "/log/studio-orbelsdk.log";
        const QString settings = "/home/streamer/.config/" + app + "/previewsetting.xml";
        const QString cache = "/home/streamer/.cache/" + app;
        QTest::newRow("defaults under HOME")
            << QByteArray() << QByteArray() << log << settings << cache;
        QTest::newRow("config home set") << QByteArray("XDG_CONFIG_HOME") << QByteArray("/cfg/")
                                         << log << "/cfg/" + app + "/previewsetting.xml" << cache;
        // Relative (and so empty) values are invalid by the XDG rules and must be ignored.
        QTest::newRow("relative ignored") << QByteArray("XDG_CONFIG_HOME")
                                          << QByteArray("relative/cfg") << log << settings << cache;
    }

    void paths()
    {
        QFETCH(QByteArray, variable);
        QFETCH(QByteArray, value);
        QFETCH(QString, log);
        QFETCH(QString, settings);
        QFETCH(QString, cache);
        for (const char *name : {"XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
            qunsetenv(name);
        if (!variable.isEmpty())
            qputenv(variable.constData(), value);

        QCOMPARE(QString::fromStdWString(pubfunc::getLogFileDir(L"studio-orbelsdk")), log);
        QCOMPARE(QString::fromStdWString(pubfunc::getPreviewSettingFileName()), settings);
        QCOMPARE(QString::fromStdWString(pubfunc::getAppCacheDirPath()), cache);
    }

    void toWideString_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("length");
        QTest::addColumn<uint>("codePage");
        QTest::addColumn<QString>("expected");

        const QByteArray chinese = QStringLiteral("微软雅黑").toUtf8();
        QTest::newRow("system is utf-8, to the nul")
            << chinese << -1 << 0u << QStringLiteral("微软雅黑");
        QTest::newRow("utf-8, embedded nul kept with length")
            << QByteArray("a\0b", 3) << 3 << 65001u << QString::fromUtf16(u"a\0b", 3);
        QTest::newRow("latin-1") << QByteArray("caf\xe9") << 4 << 28591u
                                 << QString::fromUtf16(u"caf\u00e9");
        QTest::newRow("ascii rejects high bytes")
            << QByteArray("a\xe9") << 2 << 20127u << QString::fromUtf16(u"a\uFFFD");
        QTest::newRow("unknown code page") << QByteArray("abc") << 3 << 12345u << QString();
    }

    void toWideString()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, length);
        QFETCH(uint, codePage);
        QFETCH(QString, expected);
        QCOMPARE(
            QString::fromStdWString(pubfunc::toWideString(bytes.constData(), length, codePage)),
            expected);
        QVERIFY(pubfunc::toWideString(nullptr, 5, 65001).empty());
    }

    void splitWString_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("parts");

        QTest::newRow("empty pieces kept") << "a::b:"
                                           << ":" << QStringList{"a", "", "b", ""};
        QTest::newRow("empty text") << ""
                                    << "/" << QStringList{""};
        QTest::newRow("multi-char separator") << "a[n]b[n]c"
                                              << "[n]" << QStringList{"a", "b", "c"};
        QTest::newRow("empty separator") << "a/b"
                                         << "" << QStringList{"a/b"};
    }

    void splitWString()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QStringList, parts);
        std::vector<std::wstring> out{L"stale"};
        pubfunc::splitWString(text.toStdWString(), separator.toStdWString(), out);
        QStringList actual;
        for (const std::wstring &part : out)
            actual.append(QString::fromStdWString(part));
        QCOMPARE(actual, parts);
    }

private:
    struct Saved
    {
        const char *name;
        QByteArray value;
        bool wasSet;
    };
    QList<Saved> m_saved;
};

QTEST_GUILESS_MAIN(TestPubfunc)
#include "tst_pubfunc.moc"
