#include <QtTest>

#include <QImage>
#include <QPainter>

class tst_Artwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picturesAreCompiledIn_data();
    void picturesAreCompiledIn();
    void watermarkHasRealAlpha();
    void watermarkStandsOutOnAnyBackground_data();
    void watermarkStandsOutOnAnyBackground();
};

void tst_Artwork::picturesAreCompiledIn_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    const auto row = [](const char *name, int w, int h) {
        QTest::newRow(name) << QStringLiteral(":/theme/preview/") + QLatin1String(name)
                            << QSize(w, h);
    };
    row("tamber_watermark.png", 236, 136);
    row("layer_bk.png", 404, 165);
    row("no_camera_data.png", 96, 72);
    row("edit_frame_color.png", 21, 21);
    row("edit_frame_blod.png", 21, 21);
    row("edit_frame_itr.png", 21, 21);
    row("edit_frame_under.png", 21, 21);
    row("edit_frame.png", 142, 142);
    row("select_btn.png", 50, 30);
    row("edit.png", 76, 32);
    row("delete.png", 76, 32);
    row("up.png", 76, 32);
    row("down.png", 76, 32);
    row("check_select.png", 18, 18);
    row("item_selected_mask.png", 240, 24);
    QTest::newRow("scroll bar slider")
        << QStringLiteral(":/theme/gui_scrollbar_slider.png") << QSize(11, 48);
}

void tst_Artwork::picturesAreCompiledIn()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    QVERIFY(image.hasAlphaChannel());
}

void tst_Artwork::watermarkHasRealAlpha()
{
    const QImage mark = QImage(QStringLiteral(":/theme/preview/tamber_watermark.png"))
                            .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(mark.format(), QImage::Format_ARGB32);
    int clear = 0;
    int solid = 0;
    int partial = 0;
    for (int y = 0; y < mark.height(); ++y) {
        for (int x = 0; x < mark.width(); ++x) {
            const int a = qAlpha(mark.pixel(x, y));
            (a == 0 ? clear : a == 255 ? solid : partial)++;
        }
    }
    // Transparent surroundings, an opaque body and soft edges: not a rectangle pasted on.
    QCOMPARE(qAlpha(mark.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(mark.pixel(mark.width() - 1, 0)), 0);
    QVERIFY(clear > 1000);
    QVERIFY(solid > 1000);
    QVERIFY(partial > 1000);
}

void tst_Artwork::watermarkStandsOutOnAnyBackground_data()
{
    QTest::addColumn<QColor>("background");
    QTest::newRow("white") << QColor(Qt::white);
    QTest::newRow("black") << QColor(Qt::black);
    QTest::newRow("mid grey") << QColor(128, 128, 128);
    QTest::newRow("sky blue") << QColor(90, 160, 230);
    QTest::newRow("accent orange") << QColor(255, 122, 35);
}

// Over a plain background, enough of the mark must differ clearly from it to be read.
void tst_Artwork::watermarkStandsOutOnAnyBackground()
{
    QFETCH(QColor, background);
    const QImage mark(QStringLiteral(":/theme/preview/tamber_watermark.png"));
    QImage canvas(mark.size(), QImage::Format_RGB32);
    canvas.fill(background);
    QPainter(&canvas).drawImage(0, 0, mark);

    int distinct = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const QColor c = canvas.pixelColor(x, y);
            const int diff = qAbs(c.red() - background.red()) +
                             qAbs(c.green() - background.green()) +
                             qAbs(c.blue() - background.blue());
            if (diff > 150)
                ++distinct;
        }
    }
    const int area = canvas.width() * canvas.height();
    QVERIFY2(distinct > area / 8,
             qPrintable(QStringLiteral("%1 of %2 pixels stand out").arg(distinct).arg(area)));
}

QTEST_MAIN(tst_Artwork)
#include "tst_artwork.moc"
