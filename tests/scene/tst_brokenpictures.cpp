// Picture files that cannot be shown, given through every way a picture enters the preview:
// the stored layout at start, the picture editor, a drop. Each must end in a log line and a
// notice to the user, with no layer added (in the preview or the output), no hang and no crash.

#include "EngineFixture.h"

#include "EditorTestSupport.h"
#include "ImageSettingWindow.h"
#include "LogCapture.h"

#include <appcommon/TipMessageWindow.h>
#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UILineEditControl.h>

#include <QBuffer>
#include <QDir>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>

using EditorTest::child;
using EditorTest::click;

namespace {

// A picture worth decoding: noise, so no encoder can make it small.
QByteArray encodedPicture(const char *format)
{
    QImage picture(400, 200, QImage::Format_RGB32);
    QRandomGenerator noise(7);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, noise.generate() | 0xFF000000u);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return bytes;
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian(quint32(data.size()), chunk.data());
    const QByteArray body = QByteArray(type) + data;
    QByteArray crc(4, '\0');
    qToBigEndian(crc32(body), crc.data());
    return chunk + body + crc;
}

// A well-formed PNG that declares 60000 x 60000 pixels: decoding it would take 14 GB.
QByteArray hugeDeclaredPng()
{
    QByteArray header(13, '\0');
    qToBigEndian(quint32(60000), header.data());
    qToBigEndian(quint32(60000), header.data() + 4);
    header[8] = 8; // bits per sample
    header[9] = 6; // RGBA
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) +
           pngChunk("IDAT", qCompress(QByteArray(64, '\0')).mid(4)) + pngChunk("IEND", {});
}

enum class Way { Stored, Editor, Drop };

} // namespace

Q_DECLARE_METATYPE(Way)

class TestBrokenPictures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void refusedWithNoticeAndNoLayer_data();
    void refusedWithNoticeAndNoLayer();

private:
    // Makes the broken file of kind under its own name; its path.
    QString _make(const QString &kind);
    static int pictureLayers(const EngineFixture &f);

    QTemporaryDir m_dir;
    std::unique_ptr<LogCapture> m_log;
};

void TestBrokenPictures::initTestCase()
{
    m_log = std::make_unique<LogCapture>();
}

void TestBrokenPictures::cleanup()
{
    QFile::remove(PreviewCenterData().settingFileName());
    QFile::remove(PreviewCenterData().settingFileName() + ".bak");
}

QString TestBrokenPictures::_make(const QString &kind)
{
    static int made = 0;
    const QString path = m_dir.filePath(QStringLiteral("%1-%2.png").arg(kind).arg(++made));
    const QByteArray png = encodedPicture("PNG");
    if (kind == QLatin1String("truncatedPng")) {
        writeFile(path, png.left(png.size() / 2));
    } else if (kind == QLatin1String("truncatedJpeg")) {
        const QByteArray jpeg = encodedPicture("JPEG");
        writeFile(path, jpeg.left(jpeg.size() / 2));
    } else if (kind == QLatin1String("headerThenGarbage")) {
        writeFile(path, png.left(33) + QByteArray(4000, 'x'));
    } else if (kind == QLatin1String("zeroBytes")) {
        writeFile(path, QByteArray());
    } else if (kind == QLatin1String("hugeDeclaredSize")) {
        writeFile(path, hugeDeclaredPng());
    } else if (kind == QLatin1String("directory")) {
        QDir().mkpath(path);
    } else if (kind == QLatin1String("fifo")) {
        // Opened as a file, it would wait for a writer for ever.
        ::mkfifo(QFile::encodeName(path).constData(), 0600);
    } else if (kind == QLatin1String("missing")) {
        // Never there.
    } else if (kind == QLatin1String("removedAfterCheck")) {
        writeFile(path, png); // a good picture, removed while the engine handles it
    }
    return path;
}

int TestBrokenPictures::pictureLayers(const EngineFixture &f)
{
    int count = f.container() ? f.container()->countLayersOfType(LT_PICTURE) : 0;
    for (const QPointer<CMLayer> &layer : f.combine()->layers())
        count += layer && !layer->isDeleted() && layer->layerType() == LT_PICTURE ? 1 : 0;
    return count;
}

void TestBrokenPictures::refusedWithNoticeAndNoLayer_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<Way>("way");
    const char *const kinds[] = {"truncatedPng", "truncatedJpeg",    "headerThenGarbage",
                                 "zeroBytes",    "hugeDeclaredSize", "directory",
                                 "fifo",         "missing",          "removedAfterCheck"};
    const std::pair<const char *, Way> ways[] = {
        {"stored", Way::Stored}, {"editor", Way::Editor}, {"drop", Way::Drop}};
    for (const char *kind : kinds) {
        for (const auto &[name, way] : ways)
            QTest::addRow("%s %s", kind, name) << QString::fromLatin1(kind) << way;
    }
}

void TestBrokenPictures::refusedWithNoticeAndNoLayer()
{
    QFETCH(QString, kind);
    QFETCH(Way, way);
    const QString path = _make(kind);
    const bool removedLater = kind == QLatin1String("removedAfterCheck");
    const auto removeNow = [&] {
        if (removedLater)
            QVERIFY(QFile::remove(path));
    };
    m_log->mark();

    const QString settings = PreviewCenterData().settingFileName();
    QByteArray stored;
    if (way == Way::Stored) {
        stored = QStringLiteral("<config><layers><layer0><type>4</type><alpha>100</alpha>"
                                "<size>746,420</size><combine>1</combine></layer0>"
                                "<layer1><type>1</type><path>%1</path><alpha>100</alpha>"
                                "<caneditsize>1</caneditsize><pos>100,100</pos>"
                                "<size>100,60</size><combine>1</combine></layer1>"
                                "<layersnum>2</layersnum></layers></config>")
                     .arg(path)
                     .toUtf8();
        writeFile(settings, stored);
    }
    EngineFixture f;
    // Stored: read at start, gone before the preview shows it.
    if (way == Way::Stored)
        removeNow();
    QVERIFY(f.show());
    if (way == Way::Editor) {
        f.engine->addImageLayer();
        auto *editor = f.window<ImageSettingWindow>();
        QVERIFY(editor);
        auto *field = child<UILineEditControl>(editor, "folderPath");
        click(field);
        QTest::keyClicks(field->graphicsView()->viewport(), path);
        // Taken as typed, then gone before OK.
        removeNow();
        click(child<UIButtonControl>(editor, "okButton"));
        auto *tip = editor->findChild<TipMessageWindow *>();
        QVERIFY(tip && tip->isVisible());
        QCOMPARE(tip->message(),
                 QCoreApplication::translate("ImageSettingWindow", "path is no valid"));
        QVERIFY(f.window<ImageSettingWindow>());
        tip->close();
        click(child<UIButtonControl>(editor, "cancelButton"));
        QTRY_VERIFY(!f.window<ImageSettingWindow>());
    } else if (way == Way::Drop) {
        dropFiles(f.view.get(), {QUrl::fromLocalFile(path)}, QPoint(200, 100), removeNow);
        QVERIFY(!f.window<ImageSettingWindow>());
    }

    // The user is told which file; the log says which and why.
    const QString name = QFileInfo(path).fileName();
    if (way != Way::Editor) {
        TipMessageWindow *tip = f.container() ? f.container()->tipWindow() : nullptr;
        QVERIFY(tip && tip->isVisible());
        QVERIFY2(tip->message().contains(name), qPrintable(tip->message()));
    }
    const QStringList lines = m_log->since().split(QLatin1Char('\n'));
    QVERIFY2(std::any_of(lines.cbegin(), lines.cend(),
                         [&name](const QString &line) {
                             return line.contains(QLatin1String(":warning")) && line.contains(name);
                         }),
             qPrintable(m_log->since()));

    // No layer in the preview or the output; the stored file has none either.
    QCOMPARE(pictureLayers(f), 0);
    const QImage frame = f.compose();
    QCOMPARE(f.outputAt(frame, QPointF(150, 130)), f.outputAt(frame, QPointF(600, 380)));
    QVERIFY(!f.storedFile().contains("<type>1</type>"));
    // The layout the unreadable picture came from is kept beside the one that replaced it.
    if (way == Way::Stored && !removedLater)
        QCOMPARE(readAll(settings + ".bak"), stored);
}

QTEST_MAIN(TestBrokenPictures)
#include "tst_brokenpictures.moc"
