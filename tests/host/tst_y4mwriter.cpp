#include "Y4mWriter.h"

#include <QtTest>

#include <cmath>

namespace {

struct Stream
{
    QByteArray header;
    int width = 0;
    int height = 0;
    QList<QByteArray> frames; // the I420 planes of each frame
    bool wellFormed = false;
};

// Parses a YUV4MPEG2 file: one header line, then "FRAME\n" and Y, U, V planes per frame.
Stream readStream(const QString &path)
{
    Stream stream;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return stream;
    const QByteArray data = file.readAll();
    const int eol = data.indexOf('\n');
    if (eol < 0)
        return stream;
    stream.header = data.left(eol + 1);
    for (const QByteArray &token : stream.header.trimmed().split(' ')) {
        if (token.startsWith('W'))
            stream.width = token.mid(1).toInt();
        else if (token.startsWith('H'))
            stream.height = token.mid(1).toInt();
    }
    const int frameBytes =
        stream.width * stream.height + 2 * ((stream.width + 1) / 2) * ((stream.height + 1) / 2);
    int at = eol + 1;
    while (at < data.size()) {
        if (data.mid(at, 6) != "FRAME\n" || at + 6 + frameBytes > data.size())
            return stream;
        stream.frames << data.mid(at + 6, frameBytes);
        at += 6 + frameBytes;
    }
    stream.wellFormed = true;
    return stream;
}

// BT.601 studio range, the conversion a player undoes.
int expectedY(QColor c)
{
    return int(
        std::lround(16 + (65.481 * c.red() + 128.553 * c.green() + 24.966 * c.blue()) / 255));
}
int expectedU(QColor c)
{
    return int(
        std::lround(128 + (-37.797 * c.red() - 74.203 * c.green() + 112.0 * c.blue()) / 255));
}
int expectedV(QColor c)
{
    return int(std::lround(128 + (112.0 * c.red() - 93.786 * c.green() - 18.214 * c.blue()) / 255));
}

// An RGB32 frame of one colour, each row padded by padding bytes of garbage.
std::vector<unsigned char> frameOf(QColor colour, int width, int height, int padding = 0)
{
    const int stride = width * 4 + padding;
    std::vector<unsigned char> pixels(std::size_t(stride) * std::size_t(height), 0x5A);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char *p = pixels.data() + y * stride + x * 4;
            p[0] = uchar(colour.blue());
            p[1] = uchar(colour.green());
            p[2] = uchar(colour.red());
            p[3] = 0xFF;
        }
    }
    return pixels;
}

bool allNear(const QByteArray &bytes, int expected, int tolerance = 2)
{
    for (const char byte : bytes) {
        if (std::abs(int(uchar(byte)) - expected) > tolerance)
            return false;
    }
    return !bytes.isEmpty();
}

} // namespace

class tst_Y4mWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void header();
    void convertsKnownColours_data();
    void convertsKnownColours();
    void oddSizesRoundChromaUp();
    void keepsFrameOrderAndCount();
    void sizeChangeStartsANewStream();
    void unannouncedLargerFramesAreDropped();
    void malformedFramesAreDropped_data();
    void malformedFramesAreDropped();
    void removesOutputOfAnEarlierRun();
    void reportsAnUnusableFolder();
    void noFramesMeansNoFiles();

private:
    QTemporaryDir m_dir;
};

void tst_Y4mWriter::header()
{
    QCOMPARE(Y4mWriter::streamHeader(1280, 720, 30),
             QByteArray("YUV4MPEG2 W1280 H720 F30:1 Ip A1:1 C420jpeg XYSCSS=420JPEG "
                        "XCOLORRANGE=LIMITED\n"));
    QVERIFY(Y4mWriter::streamHeader(641, 479, 25).startsWith("YUV4MPEG2 W641 H479 F25:1 "));
}

void tst_Y4mWriter::convertsKnownColours_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::newRow("black") << QColor(0, 0, 0);
    QTest::newRow("white") << QColor(255, 255, 255);
    QTest::newRow("red") << QColor(255, 0, 0);
    QTest::newRow("green") << QColor(0, 255, 0);
    QTest::newRow("blue") << QColor(0, 0, 255);
    QTest::newRow("accent orange") << QColor(255, 122, 35);
    QTest::newRow("mid grey") << QColor(128, 128, 128);
}

void tst_Y4mWriter::convertsKnownColours()
{
    QFETCH(QColor, colour);
    const QString dir = m_dir.filePath(QStringLiteral("colour-") + QTest::currentDataTag());
    Y4mWriter writer(dir, 30);
    QString error;
    QVERIFY2(writer.start(&error), qPrintable(error));
    writer.announceSize(16, 8);
    const auto pixels = frameOf(colour, 16, 8, 12);
    writer.onFrame(pixels.data(), 16 * 4 + 12, 16, 8, 1);
    writer.finish();

    QCOMPARE(writer.written(), 1);
    const Stream stream = readStream(QDir(dir).filePath(QStringLiteral("demo.y4m")));
    QVERIFY(stream.wellFormed);
    QCOMPARE(stream.width, 16);
    QCOMPARE(stream.height, 8);
    QCOMPARE(stream.frames.size(), 1);
    const QByteArray &planes = stream.frames.first();
    QVERIFY2(
        allNear(planes.left(128), expectedY(colour)),
        qPrintable(
            QStringLiteral("Y %1, expected %2").arg(int(uchar(planes[0]))).arg(expectedY(colour))));
    QVERIFY2(allNear(planes.mid(128, 32), expectedU(colour)),
             qPrintable(QStringLiteral("U %1, expected %2")
                            .arg(int(uchar(planes[128])))
                            .arg(expectedU(colour))));
    QVERIFY2(allNear(planes.mid(160, 32), expectedV(colour)),
             qPrintable(QStringLiteral("V %1, expected %2")
                            .arg(int(uchar(planes[160])))
                            .arg(expectedV(colour))));

    // The picture keeps the last frame exactly.
    const QImage picture(writer.picture());
    QCOMPARE(picture.size(), QSize(16, 8));
    QCOMPARE(picture.pixelColor(15, 7), colour);
}

void tst_Y4mWriter::oddSizesRoundChromaUp()
{
    const QString dir = m_dir.filePath(QStringLiteral("odd"));
    Y4mWriter writer(dir, 30);
    QString error;
    QVERIFY(writer.start(&error));
    writer.announceSize(5, 3);
    const auto pixels = frameOf(Qt::white, 5, 3);
    writer.onFrame(pixels.data(), 20, 5, 3, 1);
    writer.finish();
    QFile file(QDir(dir).filePath(QStringLiteral("demo.y4m")));
    const qint64 expected = Y4mWriter::streamHeader(5, 3, 30).size() + 6 + 5 * 3 + 2 * 3 * 2;
    QCOMPARE(file.size(), expected);
}

void tst_Y4mWriter::keepsFrameOrderAndCount()
{
    const QString dir = m_dir.filePath(QStringLiteral("order"));
    constexpr int Frames = 12;
    Y4mWriter writer(dir, 30, Frames); // a buffer per frame: nothing may be dropped
    QString error;
    QVERIFY(writer.start(&error));
    writer.announceSize(8, 8);
    for (int i = 0; i < Frames; ++i) {
        const int level = 20 + i * 15;
        const auto pixels = frameOf(QColor(level, level, level), 8, 8);
        writer.onFrame(pixels.data(), 32, 8, 8, static_cast<unsigned long>(i));
    }
    writer.finish();
    QCOMPARE(writer.written(), Frames);
    QCOMPARE(writer.droppedPoolFull(), 0);
    const Stream stream = readStream(QDir(dir).filePath(QStringLiteral("demo.y4m")));
    QVERIFY(stream.wellFormed);
    QCOMPARE(stream.frames.size(), Frames);
    for (int i = 1; i < Frames; ++i)
        QVERIFY(uchar(stream.frames[i][0]) > uchar(stream.frames[i - 1][0]));
}

void tst_Y4mWriter::sizeChangeStartsANewStream()
{
    const QString dir = m_dir.filePath(QStringLiteral("resize"));
    Y4mWriter writer(dir, 25, 16);
    QString error;
    QVERIFY(writer.start(&error));
    writer.announceSize(8, 8);
    const auto small = frameOf(Qt::red, 8, 8);
    writer.onFrame(small.data(), 32, 8, 8, 1);
    writer.onFrame(small.data(), 32, 8, 8, 2);
    writer.announceSize(16, 12);
    const auto large = frameOf(Qt::blue, 16, 12);
    for (unsigned long ts = 3; ts <= 5; ++ts)
        writer.onFrame(large.data(), 64, 16, 12, ts);
    writer.finish();

    QCOMPARE(writer.written(), 5);
    QCOMPARE(writer.streams().size(), 2);
    const Stream first = readStream(QDir(dir).filePath(QStringLiteral("demo.y4m")));
    const Stream second = readStream(QDir(dir).filePath(QStringLiteral("demo-2.y4m")));
    QVERIFY(first.wellFormed && second.wellFormed);
    QCOMPARE(QSize(first.width, first.height), QSize(8, 8));
    QCOMPARE(first.frames.size(), 2);
    QCOMPARE(QSize(second.width, second.height), QSize(16, 12));
    QCOMPARE(second.frames.size(), 3);
    QVERIFY(second.header.contains(" F25:1 "));
    QCOMPARE(QImage(writer.picture()).size(), QSize(16, 12));
}

void tst_Y4mWriter::unannouncedLargerFramesAreDropped()
{
    const QString dir = m_dir.filePath(QStringLiteral("unannounced"));
    Y4mWriter writer(dir, 30);
    QString error;
    QVERIFY(writer.start(&error));
    writer.announceSize(8, 8);
    const auto large = frameOf(Qt::green, 16, 16);
    writer.onFrame(large.data(), 64, 16, 16, 1);
    const auto fits = frameOf(Qt::green, 8, 8);
    writer.onFrame(fits.data(), 32, 8, 8, 2);
    writer.finish();
    QCOMPARE(writer.droppedUnexpectedSize(), 1);
    QCOMPARE(writer.written(), 1);
    QCOMPARE(writer.streams().size(), 1);
}

void tst_Y4mWriter::malformedFramesAreDropped_data()
{
    QTest::addColumn<bool>("nullPixels");
    QTest::addColumn<uint>("stride");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("no pixels") << true << 32u << 8 << 8;
    QTest::newRow("zero width") << false << 32u << 0 << 8;
    QTest::newRow("negative height") << false << 32u << 8 << -1;
    QTest::newRow("stride shorter than a row") << false << 31u << 8 << 8;
    QTest::newRow("absurd size") << false << 32u << 8 << 100000;
}

void tst_Y4mWriter::malformedFramesAreDropped()
{
    QFETCH(bool, nullPixels);
    QFETCH(uint, stride);
    QFETCH(int, width);
    QFETCH(int, height);
    const QString dir = m_dir.filePath(QStringLiteral("malformed"));
    Y4mWriter writer(dir, 30);
    QString error;
    QVERIFY(writer.start(&error));
    writer.announceSize(8, 8);
    const auto pixels = frameOf(Qt::white, 8, 8);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("malformed output frame"));
    writer.onFrame(nullPixels ? nullptr : pixels.data(), stride, width, height, 1);
    writer.finish();
    QCOMPARE(writer.droppedMalformed(), 1);
    QCOMPARE(writer.written(), 0);
    QVERIFY(writer.streams().isEmpty());
}

void tst_Y4mWriter::removesOutputOfAnEarlierRun()
{
    const QDir dir(m_dir.filePath(QStringLiteral("stale")));
    QVERIFY(dir.mkpath(QStringLiteral(".")));
    for (const char *name : {"demo.y4m", "demo-3.y4m", "demo.png", "notes.txt"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old");
    }
    Y4mWriter writer(dir.path(), 30);
    QString error;
    QVERIFY(writer.start(&error));
    writer.finish();
    QCOMPARE(dir.entryList(QDir::Files), QStringList{QStringLiteral("notes.txt")});
}

void tst_Y4mWriter::reportsAnUnusableFolder()
{
    QFile blocker(m_dir.filePath(QStringLiteral("a-file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Y4mWriter writer(m_dir.filePath(QStringLiteral("a-file/out")), 30);
    QString error;
    QVERIFY(!writer.start(&error));
    QVERIFY(error.contains(QStringLiteral("a-file/out")));
    // Frames offered anyway are dropped quietly, not written or crashed on.
    const auto pixels = frameOf(Qt::white, 2, 2);
    writer.announceSize(2, 2);
    writer.onFrame(pixels.data(), 8, 2, 2, 1);
    writer.finish();
    QCOMPARE(writer.written(), 0);
}

void tst_Y4mWriter::noFramesMeansNoFiles()
{
    const QString dir = m_dir.filePath(QStringLiteral("empty"));
    Y4mWriter writer(dir, 30);
    QString error;
    QVERIFY(writer.start(&error));
    writer.finish();
    QVERIFY(writer.streams().isEmpty());
    QVERIFY(writer.picture().isEmpty());
    QVERIFY(QDir(dir).entryList(QDir::Files).isEmpty());
}

QTEST_GUILESS_MAIN(tst_Y4mWriter)
#include "tst_y4mwriter.moc"
