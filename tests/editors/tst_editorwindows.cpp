// The picture and camera editors and the colour picker, driven by real input against a
// stand-in layer and a controller that plays the host.

#include "EditorTestSupport.h"

#include "CameraLayerData.h"
#include "CameraSettingWindow.h"
#include "EditorFactory.h"
#include "FontColorSelector.h"
#include "FontColorWindow.h"
#include "ImageSettingWindow.h"
#include "PicLayerData.h"
#include "TextLayerData.h"

#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UILabelControl.h>
#include <guifoundation/UILineEditControl.h>
#include <guifoundation/UISliderControl.h>

#include <QFileDialog>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace EditorTest;

namespace {

QString writePicture(const QTemporaryDir &dir, const QString &name)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString path = dir.filePath(name);
    image.save(path, "PNG");
    return path;
}

// Ends of an edit, as the scene hears them.
struct EditEnd
{
    explicit EditEnd(QObject *editor)
        : confirmed(editor, SIGNAL(confirmed(BasicLayerData *)))
        , discarded(editor, SIGNAL(discarded(BasicLayerData *)))
    {}
    int count() const { return int(confirmed.count() + discarded.count()); }
    BasicLayerData *record(const QSignalSpy &spy) const
    {
        return spy.isEmpty() ? nullptr : spy.at(0).at(0).value<BasicLayerData *>();
    }
    QSignalSpy confirmed;
    QSignalSpy discarded;
};

} // namespace

Q_DECLARE_METATYPE(BasicLayerData *)

class TestEditorWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<BasicLayerData *>(); }

    void pictureEditorFollowsTypingAndSlider();
    void pictureEditorNamesBuiltInPicturesByFile();
    void pictureEditorTakesTheFirstChosenFile();
    void editorsWearTheirOwnersTheme();
    void editorsRefuseRecordsTheyCannotEdit();
    void cameraEditorListsTheHostsCameras_data();
    void cameraEditorListsTheHostsCameras();
    void cameraEditorAppliesEachChoiceOnceAndCancelRestores();
    void everyCloseEndsACameraEditOnce();
    void everyEditorEndsOnceWhateverItsReceiversDo();
    void colourGridReadsItsTable();
    void colourWindowPreviewsPicksAndCloses();
    void colourWindowStaysOnScreen();
};

void TestEditorWindows::pictureEditorFollowsTypingAndSlider()
{
    QTemporaryDir dir;
    const QString first = writePicture(dir, QStringLiteral("p.png"));
    const QString second = writePicture(dir, QStringLiteral("p.png2.png"));
    FakeController host;
    StandInLayer layer;
    host.layers.insert(&layer);
    PicLayerData record;
    record.layer = &layer;
    record.alpha = 40;

    QPointer<ImageSettingWindow> editor = ImageSettingWindow::create(&host, nullptr);
    QVERIFY(editor);
    EditEnd end(editor);
    editor->setLayerData(&record);
    showAndWait(editor);
    auto *slider = child<UISliderControl>(editor, "transparenceSlider");
    auto *value = child<UILabelControl>(editor, "transparenceValue");
    QCOMPARE(slider->value(), 40);
    QCOMPARE(value->text(), QStringLiteral("40%"));
    auto *path = child<UILineEditControl>(editor, "folderPath");
    auto *ok = child<UIButtonControl>(editor, "okButton");

    // Filling the window does not reach the layer.
    QVERIFY(layer.alphas.isEmpty() && layer.pictures.isEmpty());

    path->setText(QString());
    click(path);
    QTest::keyClicks(editor->viewport(), second);
    // Only the states of the text that name a picture reach the layer; the record keeps all.
    QCOMPARE(layer.pictures, QStringList({first, second}));
    QCOMPARE(record.path, second);

    slider->setFocus();
    QTest::keyClick(editor->viewport(), Qt::Key_Right);
    click(slider, QPointF(9, 10));
    QCOMPARE(layer.alphas, QList<int>({41, 0}));
    QCOMPARE(value->text(), QStringLiteral("0%"));

    click(ok);
    QCOMPARE(end.confirmed.count(), 1);
    QCOMPARE(end.record(end.confirmed), &record);
    QTRY_VERIFY(!editor);
    QCOMPARE(end.count(), 1);
}

void TestEditorWindows::pictureEditorNamesBuiltInPicturesByFile()
{
    // A picture built into the program shows as its file name, and stays the record's path.
    FakeController host;
    StandInLayer layer;
    host.layers.insert(&layer);
    PicLayerData record;
    record.layer = &layer;
    record.path = QStringLiteral(":/theme/preview/no_camera_data.png");
    QPointer<ImageSettingWindow> editor = ImageSettingWindow::create(&host, nullptr);
    EditEnd end(editor);
    editor->setLayerData(&record);
    showAndWait(editor);
    QCOMPARE(child<UILineEditControl>(editor, "folderPath")->text(),
             QStringLiteral("no_camera_data.png"));
    click(child<UIButtonControl>(editor, "okButton"));
    QCOMPARE(end.confirmed.count(), 1);
    QCOMPARE(record.path, QStringLiteral(":/theme/preview/no_camera_data.png"));
    QVERIFY(layer.pictures.isEmpty());
}

void TestEditorWindows::editorsWearTheirOwnersTheme()
{
    // An editor opened from a dark host window is dark too: its background, its fields and
    // its labels, which must read as enabled text, not as grey hints.
    QWidget owner;
    QPalette dark = owner.palette();
    dark.setColor(QPalette::Window, QColor(38, 38, 42));
    dark.setColor(QPalette::WindowText, QColor(228, 228, 232));
    dark.setColor(QPalette::Base, QColor(28, 28, 31));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    owner.setPalette(dark);
    FakeController host;
    StandInLayer layer;
    host.layers.insert(&layer);
    PicLayerData record;
    record.layer = &layer;
    QPointer<ImageSettingWindow> editor = ImageSettingWindow::create(&host, &owner);
    QVERIFY(editor);
    editor->setLayerData(&record);
    showAndWait(editor);
    const QImage shown = editor->grab().toImage();
    const auto lightnessAt = [&](const UIControl *control, QPointF at) {
        return QColor(shown.pixel(viewPoint(control, at))).lightness();
    };
    auto *path = child<UILineEditControl>(editor, "folderPath");
    QVERIFY(lightnessAt(path, QPointF(path->size().width() - 8, path->size().height() / 2)) < 60);
    auto *value = child<UILabelControl>(editor, "transparenceValue");
    QVERIFY(lightnessAt(value, QPointF(2, 2)) < 60);
    QVERIFY(value->textColor().lightness() > 200);
    delete editor;
}

void TestEditorWindows::pictureEditorTakesTheFirstChosenFile()
{
    QTemporaryDir dir;
    const QString a = writePicture(dir, QStringLiteral("a.png"));
    const QString b = writePicture(dir, QStringLiteral("b.png"));
    FakeController host;
    StandInLayer layer;
    host.layers.insert(&layer);
    PicLayerData record;
    record.layer = &layer;
    record.path = a;

    // The filter names only formats this system reads.
    const QString filter = ImageSettingWindow::imageFileFilter();
    QVERIFY(filter.contains(QLatin1String("*.png")) && filter.contains(QLatin1String("*.jpg")));
    for (const QByteArray &format : {QByteArray("jpx"), QByteArray("j2c")}) {
        if (!QImageReader::supportedImageFormats().contains(format))
            QVERIFY(!filter.contains(QLatin1String("*.") + QLatin1String(format)));
    }

    QPointer<ImageSettingWindow> editor = ImageSettingWindow::create(&host, nullptr);
    editor->setLayerData(&record);
    showAndWait(editor);
    QString startFolder;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        startFolder = dialog->directory().absolutePath();
        dialog->selectFile(QStringLiteral("\"b.png\" \"a.png\""));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    click(child<UIButtonControl>(editor, "openFolderBtn"));
    // It opens where the current picture lies.
    QCOMPARE(startFolder, QFileInfo(a).absolutePath());
    QCOMPARE(child<UILineEditControl>(editor, "folderPath")->text(), b);
    QCOMPARE(layer.pictures, QStringList({b}));

    // A cancelled dialog changes nothing.
    QTimer::singleShot(0, this, [] { QApplication::activeModalWidget()->close(); });
    click(child<UIButtonControl>(editor, "openFolderBtn"));
    QCOMPARE(record.path, b);
    editor->close();
}

void TestEditorWindows::editorsRefuseRecordsTheyCannotEdit()
{
    FakeController host;
    StandInLayer inScene;
    StandInLayer gone;
    host.layers.insert(&inScene);
    PicLayerData picture;
    picture.layer = &gone;
    CameraLayerData camera;
    camera.layer = &inScene;

    // A record of another kind, or of a layer no longer in the scene: the editor closes at
    // once and tells the scene with a null record, which it ignores.
    QPointer<ImageSettingWindow> image = ImageSettingWindow::create(&host, nullptr);
    EditEnd imageEnd(image);
    image->setLayerData(&camera);
    QCOMPARE(imageEnd.discarded.count(), 1);
    QCOMPARE(imageEnd.record(imageEnd.discarded), nullptr);
    QPointer<CameraSettingWindow> cam = CameraSettingWindow::create(&host, nullptr);
    EditEnd camEnd(cam);
    cam->setLayerData(&picture);
    QCOMPARE(camEnd.discarded.count(), 1);
    QCOMPARE(camEnd.record(camEnd.discarded), nullptr);
    QPointer<ImageSettingWindow> stale = ImageSettingWindow::create(&host, nullptr);
    EditEnd staleEnd(stale);
    stale->setLayerData(&picture);
    QCOMPARE(staleEnd.record(staleEnd.discarded), nullptr);
    QTRY_VERIFY(!image && !cam && !stale);
    QVERIFY(gone.cameras.isEmpty() && inScene.cameras.isEmpty());
}

void TestEditorWindows::cameraEditorListsTheHostsCameras_data()
{
    QTest::addColumn<QStringList>("sizes");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("selected");
    QTest::newRow("duplicates, several preferred")
        << QStringList{"1280x720", "640x480", "640x360", "640x480"}
        << QStringList{"1280X720", "640X480", "640X360"} << "640X360";
    QTest::newRow("none preferred") << QStringList{"1920x1080", "1280x720"}
                                    << QStringList{"1920X1080", "1280X720"} << "1920X1080";
    QTest::newRow("320x240 only") << QStringList{"160x120", "320x240"}
                                  << QStringList{"160X120", "320X240"} << "320X240";
    QTest::newRow("no sizes") << QStringList() << QStringList() << QString();
}

void TestEditorWindows::cameraEditorListsTheHostsCameras()
{
    QFETCH(QStringList, sizes);
    QFETCH(QStringList, rows);
    QFETCH(QString, selected);
    FakeController host;
    host.cameras = {L"Front", L"Virtual camera"};
    for (const QString &size : sizes) {
        const QStringList wh = size.split(QLatin1Char('x'));
        host.sizes[L"Front"].push_back({wh[0].toInt(), wh[1].toInt()});
    }
    StandInLayer layer;
    host.layers.insert(&layer);
    CameraLayerData record;
    record.layer = &layer;
    record.cameraParam.deviceName = QStringLiteral("Unplugged");

    QPointer<CameraSettingWindow> editor = CameraSettingWindow::create(&host, nullptr);
    auto *cameraBox = child<UIComboBoxControl>(editor, "cameraCombobox");
    auto *sizeBox = child<UIComboBoxControl>(editor, "cameraSizeCombobox");
    editor->setLayerData(&record);
    // A device the host no longer lists leaves the first one chosen.
    QCOMPARE(cameraBox->items(), QStringList({"Front", "Virtual camera"}));
    QCOMPARE(cameraBox->currentIndex(), 0);
    QCOMPARE(sizeBox->items(), rows);
    QCOMPARE(sizeBox->currentText(), selected);
    // What the layer got: one record with the chosen camera and size, default keying.
    QCOMPARE(layer.cameras.size(), 1);
    const CameraParam applied = layer.cameras.first();
    QCOMPARE(applied.deviceName, QStringLiteral("Front"));
    QCOMPARE(QStringLiteral("%1X%2").arg(applied.width).arg(applied.height),
             selected.isEmpty() ? QStringLiteral("0X0") : selected);
    QCOMPARE(applied.keyColor, 0x00FF00u);
    delete editor;
}

void TestEditorWindows::cameraEditorAppliesEachChoiceOnceAndCancelRestores()
{
    FakeController host;
    host.cameras = {L"Front", L"Side"};
    host.sizes[L"Front"] = {{1280, 720}, {640, 480}};
    host.sizes[L"Side"] = {{320, 240}, {800, 600}};
    StandInLayer layer;
    host.layers.insert(&layer);
    CameraLayerData record;
    record.layer = &layer;
    record.cameraParam.deviceName = QStringLiteral("Front");
    record.cameraParam.width = 1280;
    record.cameraParam.height = 720;
    record.cameraParam.keyColor = 0x0000FF;
    const CameraParam before = record.cameraParam;

    QPointer<CameraSettingWindow> editor = CameraSettingWindow::create(&host, nullptr);
    EditEnd end(editor);
    editor->setLayerData(&record);
    showAndWait(editor);
    // The record's own camera and size, not the preferred size.
    QCOMPARE(layer.cameras.size(), 1);
    QCOMPARE(layer.cameras.last().width, 1280);

    choose(child<UIComboBoxControl>(editor, "cameraCombobox"), 1);
    QCOMPARE(layer.cameras.size(), 2);
    QCOMPARE(layer.cameras.last().deviceName, QStringLiteral("Side"));
    QCOMPARE(layer.cameras.last().width, 320);
    choose(child<UIComboBoxControl>(editor, "cameraSizeCombobox"), 1);
    QCOMPARE(layer.cameras.size(), 3);
    QCOMPARE(layer.cameras.last().width, 800);
    QCOMPARE(record.cameraParam.deviceName, QStringLiteral("Side"));
    QCOMPARE(record.cameraParam.keyColor, 0x0000FFu); // keying is not this window's

    click(child<UIButtonControl>(editor, "cancelButton"));
    QCOMPARE(end.discarded.count(), 1);
    QCOMPARE(record.cameraParam.deviceName, before.deviceName);
    QCOMPARE(record.cameraParam.width, before.width);
    QCOMPARE(record.cameraParam.height, before.height);
    QTRY_VERIFY(!editor);
    QCOMPARE(end.count(), 1);
}

void TestEditorWindows::everyCloseEndsACameraEditOnce()
{
    FakeController host; // a host without a camera
    StandInLayer layer;
    host.layers.insert(&layer);
    enum Way { Ok, CloseButton, Escape, ClosedByOwner };
    for (const Way way : {Ok, CloseButton, Escape, ClosedByOwner}) {
        CameraLayerData record;
        record.layer = &layer;
        QPointer<CameraSettingWindow> editor = CameraSettingWindow::create(&host, nullptr);
        EditEnd end(editor);
        editor->setLayerData(&record);
        showAndWait(editor);
        QVERIFY(child<UIComboBoxControl>(editor, "cameraCombobox")->items().isEmpty());
        QCOMPARE(layer.cameras.last().deviceName, QString());
        QCOMPARE(layer.cameras.last().width, 0);
        switch (way) {
        case Ok:
            click(child<UIButtonControl>(editor, "okButton"));
            break;
        case CloseButton:
            click(editor->closeButton());
            break;
        case Escape:
            QTest::keyClick(editor->viewport(), Qt::Key_Escape);
            break;
        case ClosedByOwner:
            editor->close();
            break;
        }
        QTRY_VERIFY(!editor);
        QCOMPARE(end.count(), 1);
        QCOMPARE(end.confirmed.count(), way == Ok ? 1 : 0);
    }
}

void TestEditorWindows::everyEditorEndsOnceWhateverItsReceiversDo()
{
    QTemporaryDir dir;
    FakeController host;
    host.cameras = {L"Front"};
    StandInLayer layer;
    host.layers.insert(&layer);
    PicLayerData picture;
    picture.path = writePicture(dir, QStringLiteral("p.png"));
    TextLayerData text;
    text.text = QStringLiteral("live");
    text.font = QFont(QStringLiteral("Sans"), 12);
    text.textRect = QRectF(0, 0, 400, 300);
    text.geometry = QRectF(10, 10, 100, 40);
    CameraLayerData camera;
    camera.cameraParam.deviceName = QStringLiteral("Back");
    EditorFactory factory(&host);
    QObject scene;

    // OK, and the scene closes the window from inside confirmed; then Cancel; each followed by
    // another close. Each edit ends once, with the scene's own record.
    for (const bool confirm : {true, false}) {
        for (BasicLayerData *record :
             {static_cast<BasicLayerData *>(&picture), static_cast<BasicLayerData *>(&text),
              static_cast<BasicLayerData *>(&camera)}) {
            record->layer = &layer;
            camera.cameraParam.deviceName = QStringLiteral("Back"); // not among the host's
            ILayerEditor *editor = factory.createEditor(record->type, nullptr);
            QVERIFY(editor);
            QPointer<UIBaseWindow> window = editor->window();
            QList<BasicLayerData *> confirmed;
            QList<BasicLayerData *> discarded;
            editor->connectEnds(
                &scene,
                [&](BasicLayerData *ended) {
                    confirmed << ended;
                    window->close();
                },
                [&](BasicLayerData *ended) { discarded << ended; });
            editor->setLayerData(record);
            showAndWait(window);
            click(child<UIControl>(window, confirm ? "okButton" : "cancelButton"));
            if (confirm && record->type == LT_TEXT)
                host.answer(true);
            if (window)
                window->close();
            QTRY_VERIFY(!window);
            QCOMPARE(confirmed,
                     confirm ? QList<BasicLayerData *>{record} : QList<BasicLayerData *>{});
            QCOMPARE(discarded,
                     confirm ? QList<BasicLayerData *>{} : QList<BasicLayerData *>{record});
            // The camera editor chose the host's camera; a discard puts the record's back.
            QCOMPARE(camera.cameraParam.deviceName, confirm && record == &camera
                                                        ? QStringLiteral("Front")
                                                        : QStringLiteral("Back"));
        }
    }
}

void TestEditorWindows::colourGridReadsItsTable()
{
    FontColorSelector selector;
    selector.setBlockSize(QSizeF(23, 12));
    selector.setGapSize(QSizeF(4, 4));
    selector.setMargins(QMarginsF(3, 2, 3, 7));
    QTRY_COMPARE(selector.size(), QSizeF(137, 101)); // the shipped table: 6 rows of 5

    // A short list ends at the last complete row; text that is not hexadecimal is black; a
    // shorter row leaves its tail without colour.
    selector.setData({"row", 2, "ff00ff00", "zz", "row", 1, "ff0000ff", "row", 3, "ff112233"});
    QCOMPARE(selector.rowCount(), 2);
    QCOMPARE(selector.columnCount(), 2);
    QCOMPARE(selector.colorAt(0, 0), QColor(0, 255, 0));
    QCOMPARE(selector.colorAt(0, 1), QColor(0, 0, 0));
    QVERIFY(!selector.colorAt(1, 1).isValid());
    QTRY_COMPARE(selector.size(), QSizeF(2 * 23 + 4 + 6, 2 * 12 + 4 + 9));
    selector.setData({"row", -3, "row", QString(), "x"});
    QCOMPARE(selector.rowCount(), 0);
    QTRY_COMPARE(selector.size(), QSizeF(6, 9));
}

void TestEditorWindows::colourWindowPreviewsPicksAndCloses()
{
    UIBaseWindow owner;
    owner.setFixSize(400, 200);
    auto *button = new UIButtonControl(owner.contentControl());
    button->setCheckable(true);
    button->setFixSize(QSizeF(21, 21));
    owner.contentControl()->setMargins(QMarginsF(300, 170, 0, 0));
    owner.contentControl()->addItem(button);
    owner.move(200, 300);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    button->setChecked(true);

    QPointer<FontColorWindow> popup = FontColorWindow::create(&owner);
    QVERIFY(popup);
    popup->setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy picked(popup.data(), SIGNAL(colorSelected(QColor)));
    QFont font(QStringLiteral("Noto Sans CJK SC"), 9);
    popup->showFor(button, font, QColor(1, 2, 3));
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    auto *grid = child<FontColorSelector>(popup, "colorWidget");
    QTRY_COMPARE(grid->size(), QSizeF(137, 101));
    // The window's right edge meets the button's left edge, 6 pixels above it.
    const QRect anchor = button->globalRect();
    QTRY_COMPARE(popup->geometry().right() + 1, anchor.left());
    QCOMPARE(popup->geometry().bottom() + 1 + 6, anchor.top());
    QCOMPARE(popup->size(), QSize(142, 170));
    auto *sample = child<UILabelControl>(popup, "prevWidget");
    QCOMPARE(sample->textColor(), QColor(1, 2, 3));
    QCOMPARE(sample->font().pointSize(), 15);

    // The pointer over the gap right of the first cell is on the first cell.
    const QRectF first = grid->cellRect(0, 0);
    hover(grid, first.topRight() + QPointF(2, 3));
    QTRY_COMPARE(sample->textColor(), QColor(0, 0, 0));
    hover(grid, grid->cellRect(3, 4).center());
    QTRY_COMPARE(sample->textColor(), QColor(255, 0, 0));
    QCOMPARE(picked.count(), 0);

    click(grid, grid->cellRect(1, 2).center());
    QCOMPARE(picked.count(), 1);
    QCOMPARE(picked.at(0).at(0).value<QColor>(), QColor(0, 0x80, 0));
    QVERIFY(!popup->isVisible());
    QVERIFY(!button->checked());
    delete popup;
}

void TestEditorWindows::colourWindowStaysOnScreen()
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    UIBaseWindow owner;
    owner.setFixSize(200, 60);
    auto *button = new UIButtonControl(owner.contentControl());
    button->setFixSize(QSizeF(21, 21));
    owner.contentControl()->addItem(button);
    owner.move(area.topLeft());
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    // A button in the screen's top-left corner has no room above or to its left.
    QPointer<FontColorWindow> popup = FontColorWindow::create(&owner);
    popup->showFor(button, QFont(), Qt::red);
    QTRY_VERIFY(area.contains(popup->geometry()));
    QVERIFY(popup->geometry().top() > button->globalRect().bottom());
    QVERIFY(!popup->geometry().intersects(button->globalRect()));
    popup->close();
}

QTEST_MAIN(TestEditorWindows)
#include "tst_editorwindows.moc"
