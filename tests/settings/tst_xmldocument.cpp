#include "CXmlDocument.h"
#include "CXmlNodeData.h"
#include "LogCapture.h"
#include "TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_XmlDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keyLookup()
    {
        // Of several same-named siblings, the first under which the rest of the path exists;
        // malformed keys and elements without text read nothing.
        CXmlDocument document;
        QVERIFY(document.loadText(QStringLiteral(
            "<c a=\"&lt;b&gt;&amp;\"><l/><l><n>2</n></l><l><n>3</n></l><e><![CDATA[x<y]]>"
            "</e></c>")));
        QCOMPARE(document.getValue(QStringLiteral("c/l/n")), QStringLiteral("2"));
        QCOMPARE(document.getValue(QStringLiteral("c/e")), QStringLiteral("x<y"));
        QCOMPARE(document.getValue(QStringLiteral("c:a")), QStringLiteral("<b>&"));
        for (const char *key : {"", "c//n", "/c/l/n", "c:", "c/l"})
            QVERIFY2(document.getValue(QString::fromLatin1(key)).isEmpty(), key);
    }

    void keyWrites()
    {
        CXmlDocument document;
        for (const char *kv : {"config/layers/layer0/type=4", "config/layers/layer0:id=x",
                               "config/layers/layer0:id=y", "config/layers/layer0/type=2",
                               "config/layers/layersnum=1"}) {
            const QStringList parts = QString::fromLatin1(kv).split(QLatin1Char('='));
            QVERIFY(document.setValue(parts[0], parts[1]));
        }
        // Rewrites replace in place; new elements go after their existing siblings.
        QCOMPARE(document.toBytes(), QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n"
                                                "<config>\n"
                                                "\t<layers>\n"
                                                "\t\t<layer0 id=\"y\">\n"
                                                "\t\t\t<type>2</type>\n"
                                                "\t\t</layer0>\n"
                                                "\t\t<layersnum>1</layersnum>\n"
                                                "\t</layers>\n"
                                                "</config>\n"));
        // A key under another top-level element replaces the whole document.
        QVERIFY(document.setValue(QStringLiteral("other/x"), QStringLiteral("1")));
        QCOMPARE(
            document.toBytes(),
            QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<other>\n\t<x>1</x>\n</other>\n"));
    }

    void malformedKeysWriteNothing()
    {
        CXmlDocument document;
        QVERIFY(document.loadText(QStringLiteral("<config><v>1</v></config>")));
        const QByteArray before = document.toBytes();
        for (const char *key : {"", "config//v", "config/v/", "/v", "config/1x", "config/a b",
                                "config/v:", "config/<v>"})
            QVERIFY2(!document.setValue(QString::fromLatin1(key), QStringLiteral("2")), key);
        QCOMPARE(document.toBytes(), before);
    }

    void loads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("value");
        const QString text = QStringLiteral("<config><v>\u00e9\u4e2d</v></config>");
        auto utf16 = [&](bool bigEndian, bool bom) {
            QByteArray bytes;
            for (const QChar c : bom ? QChar(0xFEFF) + text : text) {
                const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xff);
                bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
            }
            return bytes;
        };
        const QString expected = QStringLiteral("\u00e9\u4e2d");
        QTest::newRow("utf-8 bom") << "\xEF\xBB\xBF" + text.toUtf8() << true << expected;
        QTest::newRow("utf-16le bom") << utf16(false, true) << true << expected;
        QTest::newRow("utf-16le") << utf16(false, false) << true << expected;
        QTest::newRow("utf-16be bom") << utf16(true, true) << true << expected;
        QTest::newRow("empty") << QByteArray() << false << QString();
        QTest::newRow("truncated") << QByteArray("<config><v>1</v><lay") << false << QString();
        QTest::newRow("binary") << QByteArray("\x00\xff\x13\x80<\x00\x01", 7) << false << QString();
        QTest::newRow("latin-1") << QByteArray("<config><v>\xe9</v></config>") << true << "\ufffd";
    }

    void loads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        QFETCH(QString, value);
        CXmlDocument document;
        QCOMPARE(document.loadBuffer(bytes), ok);
        QCOMPARE(document.isEmpty(), !ok);
        QCOMPARE(document.getValue(QStringLiteral("config/v")), value);
        // The file path reads the same bytes the same way.
        const QString path = m_dir.filePath(QStringLiteral("f.xml"));
        writeFile(path, bytes);
        CXmlDocument fromFile;
        QCOMPARE(fromFile.loadFile(path), ok);
        QCOMPARE(fromFile.getValue(QStringLiteral("config/v")), value);
    }

    void loadFileRefusals()
    {
        CXmlDocument document;
        QVERIFY(document.loadText(QStringLiteral("<a/>")));
        QVERIFY(!document.loadFile(m_dir.filePath(QStringLiteral("missing.xml"))));
        QVERIFY(document.isEmpty());
        QVERIFY(!document.loadFile(m_dir.path()));
        // Valid XML, but too big to be a settings file: refused unread, with a reason.
        const QString huge = m_dir.filePath(QStringLiteral("huge.xml"));
        writeFile(huge,
                  "<config><v>1</v>" + QByteArray(CXmlDocument::MaxFileSize, ' ') + "</config>");
        m_log.mark();
        QVERIFY(!document.loadFile(huge));
        QVERIFY(m_log.since().contains(QStringLiteral("not read")));
    }

    void deepNestingNeitherCrashesNorHangs()
    {
        auto nested = [](int depth) {
            return QByteArray("<a>").repeated(depth) + "x" + QByteArray("</a>").repeated(depth);
        };
        CXmlDocument document;
        QVERIFY(document.loadBuffer(nested(CXmlDocument::MaxDepth)));
        // Far deeper than any settings file: refused, so a rewrite cannot explode into tabs.
        m_log.mark();
        QVERIFY(!document.loadBuffer(nested(CXmlDocument::MaxDepth + 1)));
        QVERIFY(!document.loadBuffer(nested(500000)));
        QVERIFY(document.isEmpty());
        QVERIFY(m_log.since().contains(QStringLiteral("nests deeper")));
    }

    void markupRoundTrips()
    {
        const QString hostile = QStringLiteral("<b>&amp;\"'</config>]]>\u00e9\n\tend");
        CXmlDocument document;
        QVERIFY(document.setValue(QStringLiteral("config/text"), hostile));
        QVERIFY(document.setValue(QStringLiteral("config/text:attr"), hostile));
        const QString path = m_dir.filePath(QStringLiteral("m.xml"));
        QVERIFY(document.saveFile(path));
        CXmlDocument reread;
        QVERIFY(reread.loadFile(path));
        QCOMPARE(reread.getValue(QStringLiteral("config/text")), hostile);
        QCOMPARE(reread.getValue(QStringLiteral("config/text:attr")).remove(QLatin1Char('\n')),
                 QString(hostile).remove(QLatin1Char('\n')));
        QCOMPARE(reread.rootElement()->elementCount(), 1);
    }

private:
    QTemporaryDir m_dir;
    LogCapture m_log;
};

QTEST_GUILESS_MAIN(tst_XmlDocument)
#include "tst_xmldocument.moc"
