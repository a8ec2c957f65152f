// Every layout file the project ships builds without a single report, and every text in it has
// a Chinese translation in the shipped translation file.

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

    const LogCapture log;
    std::unique_ptr<UIBaseWindow> window(XmlUIBuilder::createFromFile(path));
    QVERIFY(window);
    QCOMPARE(LogCapture::lines(), QStringList());

    QStringList missing;
    for (const XmlUIBuilder::Text &text : XmlUIBuilder::translatableTexts(path)) {
        if (chinese.translate(text.context.toUtf8(), text.source.toUtf8()).isEmpty()) {
            missing << QStringLiteral("<context><name>%1</name><message><source>%2</source>"
                                      "<translation>...</translation></message></context>")
                           .arg(text.context, text.source.toHtmlEscaped());
        }
    }
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("add to resources/translations/zh-CN.ts:\n") +
                        missing.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestLayoutFiles)
#include "tst_layoutfiles.moc"
