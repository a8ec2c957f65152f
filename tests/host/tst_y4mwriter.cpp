#include "Y4mWriter.h"

#include <QtTest>

#include <cmath>

namespace {

// The I420 planes of each frame of a YUV4MPEG2 file; none unless the file is exactly the header
// for this size and rate, then "FRAME\n" and the Y, U and V planes per frame.
QList<QByteArray> readFrames(const QString &path, int w, int h, int fps)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    const QByteArray header = Y4mWriter::streamHeader(w, h, fps);
    const int frameBytes = 6 + w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2);
    if (!data.startsWith(header) || (data.size() - header.size()) % frameBytes != 0)
        return {};
    QList<QByteArray> frames;
    for (qsizetype at = header.size(); at < data.size(); at += frameBytes) {
        if (data.mid(at, 6) != "FRAME\n")
            return {};
        frames << data.mid(at + 6, frameBytes - 6);
    }
    return frames;
}

// BT.601 studio range, the conversion a player undoes.
int studio(double offset, double r, double g, double b, QColor c)
{
    return int(std::lround(offset + (r * c.red() + g * c.green() + b * c.blue()) / 255));
}

// An RGB32 frame of one colour (blue, green, red, 0xFF), each row padded by garbage bytes.
std::vector<unsigned char> frameOf(QColor colour, int width, int height, int padding = 0)
{
    const int stride = width * 4 + padding;
    std::vector<unsigned char> pixels(std::size_t(stride) * std::size_t(height), 0x5A);
    const unsigned char bgra[4] = {uchar(colour.blue()), uchar(colour.green()), uchar(colour.red()),
                                   0xFF};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::copy(bgra, bgra + 4, pixels.begin() + y * stride + x * 4);
    return pixels;
}

// The first byte further than 2 from expected, described; empty when all are near.
QString farFrom(const QByteArray &bytes, int expected)
{
    for (const char byte : bytes) {
        if (std::abs(int(uchar(byte)) - expected) > 2)
            return QStringLiteral("%1, expected %2").arg(int(uchar(byte))).arg(expected);
    }
    return bytes.isEmpty() ? QStringLiteral("no bytes") : QString();
}

} // namespace

class tst_Y4mWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertsKnownColours_data();
    void convertsKnownColours();
    void sizeChangeStartsANewStream();
    void malformedFramesAreDropped();
    void reportsAnUnusableFolder();

private:
    QTemporaryDir m_dir;
};

void tst_Y4mWriter::convertsKnownColours_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::newRow("black") << QColor(0, 0, 0);
    QTest::newRow("white") << QColor(255, 255, 255);
    QTest::newRow("red") << QColor(255, 0, 0);
    QTest::newRow("blue") << QColor(0, 0, 255);
    QTest::newRow("accent orange") << QColor(255, 122, 35);
}

// An odd size with padded rows: the chroma planes round up to 3x2.
void tst_Y4mWriter::convertsKnownColours()
{
    QFETCH(QColor, colour);
    const QString dir = m_dir.filePath(QStringLiteral("colour-") + QTest::currentDataTag());
    Y4mWriter writer(dir, 30);
    QString error;
    QVERIFY2(writer.start(&error), qPrintable(error));
    writer.announceSize(5, 3);
    const auto pixels = frameOf(colour, 5, 3, 12);
    writer.onFrame(pixels.data(), 5 * 4 + 12, 5, 3, 1);
    writer.finish();

    QCOMPARE(writer.written(), 1);
    const auto frames = readFrames(QDir(dir).filePath(QStringLiteral("demo.y4m")), 5, 3, 30);
    QCOMPARE(frames.size(), 1);
    const QByteArray &planes = frames.first();
    const QString y = farFrom(planes.left(15), studio(16, 65.481, 128.553, 24.966, colour));
    const QString u = farFrom(planes.mid(15, 6), studio(128, -37.797, -74.203, 112.0, colour));
    const QString v = farFrom(planes.mid(21, 6), studio(128, 112.0, -93.786, -18.214, colour));
    QVERIFY2(y.isEmpty(), qPrintable(QStringLiteral("Y ") + y));
    QVERIFY2(u.isEmpty(), qPrintable(QStringLiteral("U ") + u));
    QVERIFY2(v.isEmpty(), qPrintable(QStringLiteral("V ") + v));

    // The picture keeps the last frame exactly.
    const QImage picture(writer.picture());
    QCOMPARE(picture.size(), QSize(5, 3));
    QCOMPARE(picture.pixelColor(4, 2), colour);
}

// A larger frame before its announcement is dropped; an announced size starts a new stream.
// Frames keep their order.
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
    const auto early = frameOf(Qt::green, 16, 12);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("16x12 .* never announced"));
    writer.onFrame(early.data(), 64, 16, 12, 3);
    writer.announceSize(16, 12);
    for (unsigned long ts = 4; ts <= 8; ++ts) {
        const int level = int(ts) * 20;
        const auto large = frameOf(QColor(level, level, level), 16, 12);
        writer.onFrame(large.data(), 64, 16, 12, ts);
    }
    writer.finish();

    QCOMPARE(writer.written(), 7);
    QCOMPARE(writer.droppedUnexpectedSize(), 1);
    QCOMPARE(writer.droppedPoolFull(), 0);
    QCOMPARE(writer.streams().size(), 2);
    QCOMPARE(readFrames(QDir(dir).filePath(QStringLiteral("demo.y4m")), 8, 8, 25).size(), 2);
    const auto second = readFrames(QDir(dir).filePath(QStringLiteral("demo-2.y4m")), 16, 12, 25);
    QCOMPARE(second.size(), 5);
    for (int i = 1; i < second.size(); ++i)
        QVERIFY(uchar(second[i][0]) > uchar(second[i - 1][0]));
    QCOMPARE(QImage(writer.picture()).size(), QSize(16, 12));
}

void tst_Y4mWriter::malformedFramesAreDropped()
{
    Y4mWriter writer(m_dir.filePath(QStringLiteral("malformed")), 30);
    QString error;
    QVERIFY(writer.start(&error));
    writer.announceSize(8, 8);
    const auto pixels = frameOf(Qt::white, 8, 8);
    const struct
    {
        const unsigned char *pixels;
        unsigned int stride;
        int width, height;
    } frames[] = {{nullptr, 32, 8, 8},       // no pixels
                  {pixels.data(), 31, 8, 8}, // stride shorter than a row
                  {pixels.data(), 32, 8, -1},
                  {pixels.data(), 32, 8, 100000}};
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("malformed output frame")); // once
    for (const auto &frame : frames)
        writer.onFrame(frame.pixels, frame.stride, frame.width, frame.height, 1);
    writer.finish();
    QCOMPARE(writer.droppedMalformed(), 4);
    QCOMPARE(writer.written(), 0);
    QVERIFY(writer.streams().isEmpty());
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

QTEST_GUILESS_MAIN(tst_Y4mWriter)
#include "tst_y4mwriter.moc"
