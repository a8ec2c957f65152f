#include <QtTest>

#include <QDirIterator>
#include <QImage>

class tst_Artwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void watermarkHasRealAlpha();
    void highDensityVariantsMatch();
};

void tst_Artwork::watermarkHasRealAlpha()
{
    const QImage mark = QImage(QStringLiteral(":/theme/preview/tamber_watermark.png"))
                            .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(mark.size(), QSize(236, 136));
    int counts[3] = {0, 0, 0}; // clear, partial, solid
    for (int y = 0; y < mark.height(); ++y) {
        for (int x = 0; x < mark.width(); ++x) {
            const int a = qAlpha(mark.pixel(x, y));
            ++counts[a == 0 ? 0 : a == 255 ? 2 : 1];
        }
    }
    // Transparent surroundings, an opaque body and soft edges: not a rectangle pasted on.
    QCOMPARE(qAlpha(mark.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(mark.pixel(mark.width() - 1, 0)), 0);
    for (const int count : counts)
        QVERIFY(count > 1000);
}

void tst_Artwork::highDensityVariantsMatch()
{
    // Each @2x picture is its plain picture drawn at twice the size, so it paints in the same
    // place at device pixel ratio 2.
    QDirIterator it(QStringLiteral(":/theme"), {QStringLiteral("*@2x.png")}, QDir::Files,
                    QDirIterator::Subdirectories);
    int pairs = 0;
    while (it.hasNext()) {
        const QString high = it.next();
        const QString plain =
            QString(high).replace(QStringLiteral("@2x.png"), QStringLiteral(".png"));
        QVERIFY2(QFile::exists(plain), qPrintable(plain));
        QCOMPARE(QImage(high).size(), QImage(plain).size() * 2);
        ++pairs;
    }
    QVERIFY(pairs >= 15);
}

QTEST_MAIN(tst_Artwork)
#include "tst_artwork.moc"
