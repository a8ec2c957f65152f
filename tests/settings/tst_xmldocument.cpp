#include "CXmlDocument.h"
#include "CXmlNodeData.h"
#include "LogCapture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_XmlDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void keyLookup_data();
    void keyLookup();
    void keyWrites();
    void malformedKeysWriteNothing();
    void writingOtherTopLevelReplacesContent();
    void indexFollowsWrites();
    void loads_data();
    void loads();
    void loadFileRefusals();
    void deepNestingNeitherCrashesNorHangs();
    void markupRoundTrips();

private:
    LogCapture m_log;
};

void tst_XmlDocument::initTestCase()
{
    m_log.mark();
}

void tst_XmlDocument::keyLookup_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString layers =
        QStringLiteral("<config a=\"1\"><layers><layersnum>3</layersnum><empty/>"
                       "<cdata><![CDATA[x<y]]></cdata><esc>&lt;b&gt;&amp;</esc></layers></config>");
    QTest::newRow("element text") << layers << "config/layers/layersnum"
                                  << "3";
    QTest::newRow("missing element") << layers << "config/layers/nope" << QString();
    QTest::newRow("element without text") << layers << "config/layers/empty" << QString();
    QTest::newRow("cdata") << layers << "config/layers/cdata"
                           << "x<y";
    QTest::newRow("escapes") << layers << "config/layers/esc"
                             << "<b>&";
    QTest::newRow("attribute") << layers << "config:a"
                               << "1";
    QTest::newRow("missing attribute") << layers << "config:b" << QString();
    QTest::newRow("empty key") << layers << QString() << QString();
    QTest::newRow("empty segment") << layers << "config//layersnum" << QString();
    QTest::newRow("leading slash") << layers << "/config/layers/layersnum" << QString();
    QTest::newRow("empty attribute") << layers << "config:" << QString();
    // Of several same-named siblings, the first under which the rest of the path exists.
    QTest::newRow("shared names") << "<c><l/><l><n>2</n></l><l><n>3</n></l></c>"
                                  << "c/l/n"
                                  << "2";
}

void tst_XmlDocument::keyLookup()
{
    QFETCH(QString, xml);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    CXmlDocument document;
    QVERIFY(document.loadText(xml));
    QCOMPARE(document.getValue(key), expected);
}

void tst_XmlDocument::keyWrites()
{
    CXmlDocument document;
    QVERIFY(document.setValue(QStringLiteral("config/layers/layer0/type"), QStringLiteral("4")));
    QVERIFY(document.setValue(QStringLiteral("config/layers/layer0:id"), QStringLiteral("x")));
    QVERIFY(document.setValue(QStringLiteral("config/layers/layer0:id"), QStringLiteral("y")));
    QVERIFY(document.setValue(QStringLiteral("config/layers/layer0/type"), QStringLiteral("2")));
    QVERIFY(document.setValue(QStringLiteral("config/layers/layersnum"), QStringLiteral("1")));
    QCOMPARE(document.getValue(QStringLiteral("config/layers/layer0/type")), QStringLiteral("2"));
    QCOMPARE(document.getValue(QStringLiteral("config/layers/layer0:id")), QStringLiteral("y"));
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
}

void tst_XmlDocument::malformedKeysWriteNothing()
{
    CXmlDocument document;
    QVERIFY(document.loadText(QStringLiteral("<config><v>1</v></config>")));
    const QByteArray before = document.toBytes();
    for (const char *key :
         {"", "config//v", "config/v/", "/v", "config/1x", "config/a b", "config/v:", "config/<v>"})
        QVERIFY2(!document.setValue(QString::fromLatin1(key), QStringLiteral("2")), key);
    QCOMPARE(document.toBytes(), before);
    QVERIFY(!document.ensureElementPath(QString()));
}

void tst_XmlDocument::writingOtherTopLevelReplacesContent()
{
    CXmlDocument document;
    QVERIFY(document.loadText(QStringLiteral("<config><layers><n>1</n></layers></config>")));
    QVERIFY(document.setValue(QStringLiteral("other/x"), QStringLiteral("v")));
    QCOMPARE(document.getValue(QStringLiteral("config/layers/n")), QString());
    QCOMPARE(document.rootElement()->name(), QStringLiteral("other"));
    QCOMPARE(document.rootElement()->elementCount(), 1);
    QCOMPARE(document.rootElement()->elementAt(0)->text(), QStringLiteral("v"));
}

void tst_XmlDocument::indexFollowsWrites()
{
    CXmlDocument document;
    QVERIFY(document.loadText(
        QStringLiteral("<ColorRows><row colors=\"ff000000, ff000040\"/>text<row/></ColorRows>")));
    CXmlNodeData *root = document.rootElement();
    QVERIFY(root);
    QCOMPARE(root->elementCount(), 2);
    QCOMPARE(root->elementAt(0)->attributeValue(QStringLiteral("colors")),
             QStringLiteral("ff000000, ff000040"));
    QCOMPARE(root->elementAt(1)->attributeValue(QStringLiteral("colors")), QString());
    QVERIFY(!root->elementAt(-1));
    QVERIFY(!root->elementAt(root->elementCount()));

    // Records already handed out see later appends, in the order they happened.
    CXmlNodeData *first = root->elementAt(0);
    QVERIFY(document.setValue(QStringLiteral("ColorRows/extra"), QStringLiteral("1")));
    QVERIFY(document.setValue(QStringLiteral("ColorRows/row:b"), QStringLiteral("2")));
    QVERIFY(document.setValue(QStringLiteral("ColorRows/row:a"), QStringLiteral("3")));
    QCOMPARE(root->elementCount(), 3);
    QCOMPARE(root->elementAt(2)->name(), QStringLiteral("extra"));
    QCOMPARE(first->attributeCount(), 3);
    QCOMPARE(first->attributeName(1), QStringLiteral("b"));
    QCOMPARE(first->attributeName(2), QStringLiteral("a"));

    document.clear();
    QVERIFY(!document.rootElement());
}

void tst_XmlDocument::loads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("value");

    const QString text = QStringLiteral("<config><v>\u00e9\u4e2d</v></config>");
    auto utf16 = [&](bool bigEndian, bool bom) {
        QByteArray bytes;
        const QString withBom = bom ? QChar(0xFEFF) + text : text;
        for (const QChar c : withBom) {
            const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xff);
            bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
        }
        return bytes;
    };
    const QString expected = QStringLiteral("\u00e9\u4e2d");
    QTest::newRow("utf-8") << text.toUtf8() << true << expected;
    QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << true << expected;
    QTest::newRow("utf-16le bom") << utf16(false, true) << true << expected;
    QTest::newRow("utf-16le") << utf16(false, false) << true << expected;
    QTest::newRow("utf-16be bom") << utf16(true, true) << true << expected;
    QTest::newRow("empty") << QByteArray() << false << QString();
    QTest::newRow("whitespace") << QByteArray(" \n\t") << false << QString();
    QTest::newRow("declaration only")
        << QByteArray("<?xml version=\"1.0\"?><!-- c -->") << false << QString();
    QTest::newRow("truncated") << QByteArray("<config><v>1</v><lay") << false << QString();
    QTest::newRow("unclosed") << QByteArray("<config><v>1</v>") << false << QString();
    QTest::newRow("binary") << QByteArray("\x00\xff\x13\x80<\x00\x01", 7) << false << QString();
    QTest::newRow("latin-1 bytes")
        << QByteArray("<config><v>\xe9</v></config>") << true << QStringLiteral("\ufffd");
}

void tst_XmlDocument::loads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QFETCH(QString, value);
    CXmlDocument document;
    QCOMPARE(document.loadBuffer(bytes), ok);
    QCOMPARE(document.isEmpty(), !ok);
    QCOMPARE(document.getValue(QStringLiteral("config/v")), value);

    // The file path reads the same bytes the same way.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    CXmlDocument fromFile;
    QCOMPARE(fromFile.loadFile(path), ok);
    QCOMPARE(fromFile.getValue(QStringLiteral("config/v")), value);
}

void tst_XmlDocument::loadFileRefusals()
{
    QTemporaryDir dir;
    CXmlDocument document;
    QVERIFY(document.loadText(QStringLiteral("<a/>")));
    QVERIFY(!document.loadFile(dir.filePath(QStringLiteral("missing.xml"))));
    QVERIFY(document.isEmpty());
    QVERIFY(!document.loadFile(dir.path()));

    // Valid XML, but too big to be a settings file: refused unread, with a reason.
    const QString huge = dir.filePath(QStringLiteral("huge.xml"));
    QFile file(huge);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<config><v>1</v>");
    file.write(QByteArray(CXmlDocument::MaxFileSize, ' '));
    file.write("</config>");
    file.close();
    m_log.mark();
    QVERIFY(!document.loadFile(huge));
    QVERIFY(m_log.since().contains(QStringLiteral("not read")));
}

void tst_XmlDocument::deepNestingNeitherCrashesNorHangs()
{
    auto nested = [](int depth) {
        QByteArray bytes;
        for (int i = 0; i < depth; ++i)
            bytes.append("<a>");
        bytes.append("x");
        for (int i = 0; i < depth; ++i)
            bytes.append("</a>");
        return bytes;
    };
    CXmlDocument document;
    QVERIFY(document.loadBuffer(nested(CXmlDocument::MaxDepth)));
    QCOMPARE(document.getValue(QStringLiteral("a/a/a")), QString());

    // Far deeper than any settings file: refused, so a rewrite cannot explode into tabs.
    m_log.mark();
    QVERIFY(!document.loadBuffer(nested(CXmlDocument::MaxDepth + 1)));
    QVERIFY(!document.loadBuffer(nested(500000)));
    QVERIFY(document.isEmpty());
    QVERIFY(m_log.since().contains(QStringLiteral("nests deeper")));
}

void tst_XmlDocument::markupRoundTrips()
{
    const QString hostile = QStringLiteral("<b>&amp;\"'</config>]]>\u00e9\n\tend");
    CXmlDocument document;
    QVERIFY(document.setValue(QStringLiteral("config/text"), hostile));
    QVERIFY(document.setValue(QStringLiteral("config/text:attr"), hostile));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("m.xml"));
    QVERIFY(document.saveFile(path));
    CXmlDocument reread;
    QVERIFY(reread.loadFile(path));
    QCOMPARE(reread.getValue(QStringLiteral("config/text")), hostile);
    QCOMPARE(reread.getValue(QStringLiteral("config/text:attr")).remove(QLatin1Char('\n')),
             QString(hostile).remove(QLatin1Char('\n')));
    QCOMPARE(reread.rootElement()->elementCount(), 1);
}

QTEST_GUILESS_MAIN(tst_XmlDocument)
#include "tst_xmldocument.moc"
