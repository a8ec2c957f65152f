#include <QtTest>

#include <QImage>

class tst_Artwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void watermarkHasRealAlpha();
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

QTEST_MAIN(tst_Artwork)
#include "tst_artwork.moc"
