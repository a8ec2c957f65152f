// The settings file below the layer configuration: the XML document and its key paths, what
// loads and what is refused, saving and recovering an interrupted save, observers and the text
// form of stored values.

#include "CXmlDocument.h"
#include "CXmlNodeData.h"
#include "LogCapture.h"
#include "SettingsFileWriter.h"
#include "SettingsHandle.h"
#include "SettingsImpl.h"
#include "SettingsImplManager.h"
#include "StoredValue.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class Observer : public QObject
{
    Q_OBJECT
public:
    int calls = 0;
public Q_SLOTS:
    void onChanged() { ++calls; }
    void onNeedsValue(int) {}
};

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("xdg")).toUtf8());
    }

    void keyPaths()
    {
        // Of several same-named siblings, the first under which the rest of the path exists;
        // malformed keys and elements without text read nothing and write nothing.
        CXmlDocument document;
        QVERIFY(document.loadText(QStringLiteral(
            "<c a=\"&lt;b&gt;&amp;\"><l/><l><n>2</n></l><l><n>3</n></l><e><![CDATA[x<y]]>"
            "</e></c>")));
        QCOMPARE(document.getValue(QStringLiteral("c/l/n")), QStringLiteral("2"));
        QCOMPARE(document.getValue(QStringLiteral("c/e")), QStringLiteral("x<y"));
        QCOMPARE(document.getValue(QStringLiteral("c:a")), QStringLiteral("<b>&"));
        for (const char *key : {"", "c//n", "/c/l/n", "c:", "c/l"})
            QVERIFY2(document.getValue(QString::fromLatin1(key)).isEmpty(), key);
        const QByteArray before = document.toBytes();
        for (const char *key : {"", "c//e", "c/e/", "/e", "c/1x", "c/a b", "c/e:", "c/<e>"})
            QVERIFY2(!document.setValue(QString::fromLatin1(key), QStringLiteral("2")), key);
        QCOMPARE(document.toBytes(), before);
    }

    void keyWritesGiveTheFileByteForByte()
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

        // Markup in values survives a save and a load.
        const QString hostile = QStringLiteral("<b>&amp;\"'</config>]]>\u00e9\n\tend");
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
        // A text layer of blanks: its value is the blanks, and the file's indentation is none.
        QTest::newRow("value of spaces")
            << QByteArray("<config>\n\t<v>  </v>\n</config>\n") << true << QStringLiteral("  ");
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

    void refusesWhatNoSettingsFileIs()
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

        // Far deeper than any settings file: refused, so a rewrite cannot explode into tabs.
        auto nested = [](int depth) {
            return QByteArray("<a>").repeated(depth) + "x" + QByteArray("</a>").repeated(depth);
        };
        QVERIFY(document.loadBuffer(nested(CXmlDocument::MaxDepth)));
        m_log.mark();
        QVERIFY(!document.loadBuffer(nested(CXmlDocument::MaxDepth + 1)));
        QVERIFY(!document.loadBuffer(nested(500000)));
        QVERIFY(document.isEmpty());
        QVERIFY(m_log.since().contains(QStringLiteral("nests deeper")));
    }

    void savesLeaveOnlyTheFileAndRecover()
    {
        const QString dir = m_dir.filePath(QStringLiteral("clean"));
        const QString path = dir + QStringLiteral("/s.xml");
        writeFile(path, "<config><a>0</a></config>");
        writeFile(path + QStringLiteral(".old"), "<config><a>stale</a></config>");
        SettingsHandle handle(path);
        handle.setValue(QStringLiteral("config/a"), QStringLiteral("1"));
        QVERIFY(handle.save());
        handle.setValue(QStringLiteral("config/a"), QStringLiteral("2"));
        QVERIFY(handle.save());
        QVERIFY(!handle.impl()->isDirty());
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"s.xml"});
        QCOMPARE(_storedA(path), QStringLiteral("2"));
        SettingsImplManager::instance()->removeTag(path);

        // A save interrupted between moving the old file aside and the new one in.
        const QString moved = m_dir.filePath(QStringLiteral("moved.xml"));
        writeFile(moved + QStringLiteral(".old"), "<config><a>kept</a></config>");
        writeFile(moved + QStringLiteral(".new"), "<config><a>half");
        SettingsHandle recovered(moved);
        QCOMPARE(recovered.value(QStringLiteral("config/a")), QStringLiteral("kept"));
        QVERIFY(QFile::exists(moved));
        SettingsImplManager::instance()->removeTag(moved);
    }

    // hidePreview and unInit write on the GUI thread while an autosave may still be on its way
    // to the disk: whichever finishes last, the newer content stays.
    void anEarlierSaveFinishingLateNeverUndoesALaterOne()
    {
        const QString path = m_dir.filePath(QStringLiteral("order/previewsetting.xml"));
        using SettingsFileWriter::Snapshot;
        const Snapshot earlier{path, path, "earlier", SettingsFileWriter::nextSequence()};
        const Snapshot later{path, path, "later", SettingsFileWriter::nextSequence()};
        QVERIFY(SettingsFileWriter::write(later, QStringLiteral(".new")));
        QVERIFY(SettingsFileWriter::write(earlier, QStringLiteral(".autosave.new")));
        QCOMPARE(readAll(path), QByteArray("later"));
        const Snapshot latest{path, path, "latest", SettingsFileWriter::nextSequence()};
        QVERIFY(SettingsFileWriter::write(latest, QStringLiteral(".autosave.new")));
        QCOMPARE(readAll(path), QByteArray("latest"));
        QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files),
                 QStringList{QStringLiteral("previewsetting.xml")});
    }

    void observersRunLaterFromTheEventLoop()
    {
        SettingsImplManager *manager = SettingsImplManager::instance();
        const QString path = m_dir.filePath(QStringLiteral("observed.xml"));
        Observer layers, other, needsValue;
        auto *gone = new Observer;
        manager->addObserver(QStringLiteral("config/lay"), &layers, QStringLiteral("onChanged"));
        manager->addObserver(QStringLiteral("config/other"), &other, QStringLiteral("onChanged"));
        manager->addObserver(QStringLiteral("config"), gone, QStringLiteral("onChanged"));
        manager->addObserver(QStringLiteral("config"), &needsValue, QStringLiteral("onNeedsValue"));
        delete gone;

        SettingsHandle handle(path);
        handle.setValue(QStringLiteral("config/layers/layersnum"), QStringLiteral("1"));
        QVERIFY(handle.save());
        QCOMPARE(layers.calls, 0); // never from inside the save
        QTRY_COMPARE(layers.calls, 1);
        QCoreApplication::processEvents();
        QCOMPARE(layers.calls, 1);
        QCOMPARE(other.calls, 0);
        QVERIFY(manager->pendingChanges().isEmpty());
        manager->removeObserver(&layers);
        manager->removeObserver(&other);
        manager->removeObserver(&needsValue);
        SettingsImplManager::instance()->removeTag(path);
    }

    void storedValues()
    {
        QCOMPARE(StoredValue::fromReal(746.0), QStringLiteral("746"));
        QCOMPARE(StoredValue::fromReal(double(0.05f)), QStringLiteral("0.05"));
        QCOMPARE(StoredValue::fromReal(double(0.8f)), QStringLiteral("0.8"));
        QCOMPARE(StoredValue::fromReal(1234567.0), QStringLiteral("1.23457e+06"));
        QCOMPARE(StoredValue::fromPoint(QPointF(-12.7, 30.9)), QStringLiteral("-12,30"));
        QCOMPARE(StoredValue::toPoint(QStringLiteral("-12,30")), QPoint(0, 30));
        QCOMPARE(StoredValue::toPoint(QStringLiteral("5")), QPoint(5, 0));
        QCOMPARE(StoredValue::toSize(QStringLiteral("x,4294967295")), QSize(0, 0));
        QCOMPARE(StoredValue::toColor(QStringLiteral("300,2")), QColor(255, 2, 0));
        QCOMPARE(StoredValue::fromText(QStringLiteral("a\nb")), QStringLiteral("a[n]b"));
        QCOMPARE(StoredValue::toText(QStringLiteral("a[n]b[n]")), QStringLiteral("a\nb\n"));
    }

private:
    static QString _storedA(const QString &path)
    {
        CXmlDocument document;
        return document.loadFile(path) ? document.getValue(QStringLiteral("config/a")) : QString();
    }

    QTemporaryDir m_dir;
    LogCapture m_log;
};

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
