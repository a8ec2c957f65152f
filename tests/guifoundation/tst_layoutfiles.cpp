// Every layout file the project ships builds without a single report, and every text in it has
// a Chinese translation and reads as English (not as its lowercase key) in the English one.

#include "LogCapture.h"

#include <guifoundation/UIBaseWindow.h>
#include <guifoundation/XmlUIBuilder.h>

#include <QDir>
#include <QTest>
#include <QTranslator>

class TestLayoutFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buildsCleanlyAndIsTranslated_data();
    void buildsCleanlyAndIsTranslated();
};

void TestLayoutFiles::buildsCleanlyAndIsTranslated_data()
{
    QTest::addColumn<QString>("path");
    int rows = 0;
    for (const char *folder : {"resources/layout", "host/layout"}) {
        const QDir dir(QStringLiteral(SOURCE_DIR "/") + QLatin1String(folder));
        const QStringList files = dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
        for (const QString &file : files) {
            // The colour table beside the layouts is data, not a window.
            if (file == QLatin1String("fontcolors.xml"))
                continue;
            QTest::newRow(qPrintable(file)) << dir.filePath(file);
            ++rows;
        }
    }
    // QtTest wants at least one row.
    if (rows == 0)
        QTest::newRow("none") << QString();
}

void TestLayoutFiles::buildsCleanlyAndIsTranslated()
{
    QFETCH(QString, path);
    if (path.isEmpty())
        QSKIP("no layout files");
    QTranslator chinese;
    QVERIFY(chinese.load(QStringLiteral(TRANSLATION_FILE)));
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(ENGLISH_TRANSLATION_FILE)));

    const LogCapture log;
    std::unique_ptr<UIBaseWindow> window(XmlUIBuilder::createFromFile(path));
    QVERIFY(window);
    QCOMPARE(LogCapture::lines(), QStringList());

    QStringList missing;
    QStringList keys;
    const QString entry = QStringLiteral("<context><name>%1</name><message><source>%2</source>"
                                         "<translation>...</translation></message></context>");
    for (const XmlUIBuilder::Text &text : XmlUIBuilder::translatableTexts(path)) {
        const QByteArray context = text.context.toUtf8();
        const QByteArray source = text.source.toUtf8();
        if (chinese.translate(context, source).isEmpty())
            missing << entry.arg(text.context, text.source.toHtmlEscaped());
        // Texts that are keys ("select camera") start in lower case; English ones do not.
        const QString shown = english.translate(context, source).isEmpty()
                                  ? text.source
                                  : english.translate(context, source);
        if (!shown.isEmpty() && shown.front().isLower())
            keys << entry.arg(text.context, text.source.toHtmlEscaped());
    }
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("add to resources/translations/zh-CN.ts:\n") +
                        missing.join(QLatin1Char('\n'))));
    QVERIFY2(keys.isEmpty(), qPrintable(QStringLiteral("add to resources/translations/en.ts:\n") +
                                        keys.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestLayoutFiles)
#include "tst_layoutfiles.moc"
