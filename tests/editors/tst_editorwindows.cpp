// The editor windows and the colour picker, driven by real input (typing, pasting, clicks) and
// the host's filter-word answers, against a stand-in layer and a controller that plays the host.

#include "EditorTestSupport.h"

#include "CameraLayerData.h"
#include "CameraSettingWindow.h"
#include "EditorFactory.h"
#include "FontColorSelector.h"
#include "FontColorWindow.h"
#include "ImageSettingWindow.h"
#include "PicLayerData.h"
#include "TextEditWindow.h"
#include "TextLayerData.h"

#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UILabelControl.h>
#include <guifoundation/UILineEditControl.h>
#include <guifoundation/UISliderControl.h>
#include <guifoundation/UITextEditControl.h>
#include <guifoundation/UIWindow.h>

#include <QClipboard>
#include <QColorDialog>
#include <QFileDialog>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QMap>
#include <QPainter>
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

// A host that knows one stand-in layer, and an edit record of kind Record on that layer.
template<typename Record>
struct Edit
{
    Edit()
    {
        host.layers.insert(&layer);
        record.layer = &layer;
    }
    FakeController host;
    StandInLayer layer;
    Record record;
};

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

const QRectF TextScene(0, 0, 300, 200);

// A text editor on a stand-in text layer in a 300 x 200 scene.
struct TextFixture
{
    TextFixture(const QString &text, const QPointF &at, int pointSize = 16)
    {
        host.layers.insert(&layer);
        record.layer = &layer;
        record.font = QFont(QStringLiteral("微软雅黑"), pointSize);
        record.color = QColor(255, 0, 0);
        record.text = text;
        const QSize size = layer.textSizeInScene(record.font, text);
        record.geometry = QRectF(at, QSizeF(size.width() + 10, size.height() + 5));
        record.textRect = TextScene;
        editor = TextEditWindow::create(&host, nullptr);
        confirmed =
            std::make_unique<QSignalSpy>(editor.data(), SIGNAL(confirmed(BasicLayerData *)));
        discarded =
            std::make_unique<QSignalSpy>(editor.data(), SIGNAL(discarded(BasicLayerData *)));
        editor->setLayerData(&record);
        showAndWait(editor);
        box = child<UITextEditControl>(editor, "textedite");
        error = child<UILabelControl>(editor, "errorLabel");
    }
    ~TextFixture() { delete editor; }

    // The message line as the user sees it: empty while hidden.
    QString message() const { return error->isVisible() ? error->text() : QString(); }
    void type(const QString &keys) { typeInto(box, keys); }
    void paste(const QString &text)
    {
        QGuiApplication::clipboard()->setText(text);
        click(box);
        QTest::keyClick(editor->viewport(), Qt::Key_V, Qt::ControlModifier);
    }
    // Right edge of the text in the scene, as the layer measures it.
    int rightEdge() const
    {
        const QFont font = layer.texts.isEmpty() ? record.font : layer.texts.last().first.font();
        return int(record.geometry.x() + layer.textSizeInScene(font, record.text).width() + 10);
    }

    FakeController host;
    SceneSizes sizes;
    StandInLayer layer{&sizes};
    TextLayerData record;
    QPointer<TextEditWindow> editor;
    std::unique_ptr<QSignalSpy> confirmed;
    std::unique_ptr<QSignalSpy> discarded;
    UITextEditControl *box = nullptr;
    UILabelControl *error = nullptr;
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
    void everyEditorEndsOnceWhateverItsReceiversDo();
    void colourGridReadsItsTable();
    void colourWindowSitsBesideItsButton();
    void colourWindowStaysOnScreen();

    void textEditorOpensOnTheLayersTextAndFont();
    void textEditorFamiliesHaveTheirOwnFaces();
    void pastedTextIsCutToTheBoxLength();
    void textIsKeptInsideTheScene();
    void fontChangesThatWouldLeaveTheSceneAreUndone();
    void textColourPicks();
    void filterWordAnswers();
};

void TestEditorWindows::pictureEditorFollowsTypingAndSlider()
{
    QTemporaryDir dir;
    const QString first = writePicture(dir, QStringLiteral("p.png"));
    const QString second = writePicture(dir, QStringLiteral("p.png2.png"));
    Edit<PicLayerData> e;
    e.record.alpha = 40;

    QPointer<ImageSettingWindow> editor = ImageSettingWindow::create(&e.host, nullptr);
    QVERIFY(editor);
    EditEnd end(editor);
    editor->setLayerData(&e.record);
    showAndWait(editor);
    auto *slider = child<UISliderControl>(editor, "transparenceSlider");
    auto *value = child<UILabelControl>(editor, "transparenceValue");
    QCOMPARE(slider->value(), 40);
    QCOMPARE(value->text(), QStringLiteral("40%"));
    auto *path = child<UILineEditControl>(editor, "folderPath");
    auto *ok = child<UIButtonControl>(editor, "okButton");

    // Filling the window does not reach the layer.
    QVERIFY(e.layer.alphas.isEmpty() && e.layer.pictures.isEmpty());

    path->setText(QString());
    typeInto(path, second);
    // Only the states of the text that name a picture reach the layer; the record keeps all.
    QCOMPARE(e.layer.pictures, QStringList({first, second}));
    QCOMPARE(e.record.path, second);

    slider->setFocus();
    QTest::keyClick(editor->viewport(), Qt::Key_Right);
    click(slider, QPointF(9, 10));
    QCOMPARE(e.layer.alphas, QList<int>({41, 0}));
    QCOMPARE(value->text(), QStringLiteral("0%"));

    click(ok);
    QCOMPARE(end.confirmed.count(), 1);
    QCOMPARE(end.record(end.confirmed), &e.record);
    QTRY_VERIFY(!editor);
    QCOMPARE(end.count(), 1);
}

void TestEditorWindows::pictureEditorNamesBuiltInPicturesByFile()
{
    // A picture built into the program shows as its file name, and stays the record's path.
    Edit<PicLayerData> e;
    e.record.path = QStringLiteral(":/theme/preview/no_camera_data.png");
    QPointer<ImageSettingWindow> editor = ImageSettingWindow::create(&e.host, nullptr);
    EditEnd end(editor);
    editor->setLayerData(&e.record);
    showAndWait(editor);
    QCOMPARE(child<UILineEditControl>(editor, "folderPath")->text(),
             QStringLiteral("no_camera_data.png"));
    click(child<UIButtonControl>(editor, "okButton"));
    QCOMPARE(end.confirmed.count(), 1);
    QCOMPARE(e.record.path, QStringLiteral(":/theme/preview/no_camera_data.png"));
    QVERIFY(e.layer.pictures.isEmpty());
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
    Edit<PicLayerData> e;
    QPointer<ImageSettingWindow> editor = ImageSettingWindow::create(&e.host, &owner);
    QVERIFY(editor);
    editor->setLayerData(&e.record);
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
    Edit<PicLayerData> e;
    e.record.path = a;

    // The filter names only formats this system reads.
    const QString filter = ImageSettingWindow::imageFileFilter();
    QVERIFY(filter.contains(QLatin1String("*.png")) && filter.contains(QLatin1String("*.jpg")));
    for (const QByteArray &format : {QByteArray("jpx"), QByteArray("j2c")}) {
        if (!QImageReader::supportedImageFormats().contains(format))
            QVERIFY(!filter.contains(QLatin1String("*.") + QLatin1String(format)));
    }

    QPointer<ImageSettingWindow> editor = ImageSettingWindow::create(&e.host, nullptr);
    editor->setLayerData(&e.record);
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
    QCOMPARE(e.layer.pictures, QStringList({b}));

    // A cancelled dialog changes nothing.
    QTimer::singleShot(0, this, [] { QApplication::activeModalWidget()->close(); });
    click(child<UIButtonControl>(editor, "openFolderBtn"));
    QCOMPARE(e.record.path, b);
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
    Edit<CameraLayerData> e;
    e.host.cameras = {L"Front", L"Virtual camera"};
    for (const QString &size : sizes) {
        const QStringList wh = size.split(QLatin1Char('x'));
        e.host.sizes[L"Front"].push_back({wh[0].toInt(), wh[1].toInt()});
    }
    e.record.cameraParam.deviceName = QStringLiteral("Unplugged");

    QPointer<CameraSettingWindow> editor = CameraSettingWindow::create(&e.host, nullptr);
    auto *cameraBox = child<UIComboBoxControl>(editor, "cameraCombobox");
    auto *sizeBox = child<UIComboBoxControl>(editor, "cameraSizeCombobox");
    editor->setLayerData(&e.record);
    // A device the host no longer lists leaves the first one chosen.
    QCOMPARE(cameraBox->items(), QStringList({"Front", "Virtual camera"}));
    QCOMPARE(cameraBox->currentIndex(), 0);
    QCOMPARE(sizeBox->items(), rows);
    QCOMPARE(sizeBox->currentText(), selected);
    // What the layer got: one record with the chosen camera and size, default keying.
    QCOMPARE(e.layer.cameras.size(), 1);
    const CameraParam applied = e.layer.cameras.first();
    QCOMPARE(applied.deviceName, QStringLiteral("Front"));
    QCOMPARE(QStringLiteral("%1X%2").arg(applied.width).arg(applied.height),
             selected.isEmpty() ? QStringLiteral("0X0") : selected);
    QCOMPARE(applied.keyColor, 0x00FF00u);
    delete editor;
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
    EditorFactory factory(&host);
    QObject scene;

    // OK (the scene closing the window from inside confirmed), Cancel, the close button,
    // Escape, or the owner closing it; each followed by another close. Each edit ends once,
    // with the scene's own record.
    enum Way { Ok, Cancel, CloseButton, Escape, ClosedByOwner };
    for (const Way way : {Ok, Cancel, CloseButton, Escape, ClosedByOwner}) {
        for (BasicLayerData *record :
             {static_cast<BasicLayerData *>(&picture), static_cast<BasicLayerData *>(&text),
              static_cast<BasicLayerData *>(&camera)}) {
            record->layer = &layer;
            camera.cameraParam.deviceName = QStringLiteral("Back"); // not among the host's
            ILayerEditor *editor = factory.createEditor(record->type, nullptr);
            QVERIFY(editor);
            QPointer<UIWindow> window = qobject_cast<UIWindow *>(editor->window());
            QVERIFY(window);
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
            if (way == Ok)
                verifyHoldsItsControls(window);
            switch (way) {
            case Ok:
            case Cancel:
                click(child<UIControl>(window, way == Ok ? "okButton" : "cancelButton"));
                break;
            case CloseButton:
                click(window->closeButton());
                break;
            case Escape:
                QTest::keyClick(window->viewport(), Qt::Key_Escape);
                break;
            case ClosedByOwner:
                window->close();
                break;
            }
            if (way == Ok && record->type == LT_TEXT)
                host.answer(true);
            if (window)
                window->close();
            QTRY_VERIFY(!window);
            const QList<BasicLayerData *> mine{record};
            QCOMPARE(confirmed, way == Ok ? mine : QList<BasicLayerData *>{});
            QCOMPARE(discarded, way == Ok ? QList<BasicLayerData *>{} : mine);
            // The camera editor chose the host's camera; a discard puts the record's back.
            QCOMPARE(camera.cameraParam.deviceName, way == Ok && record == &camera
                                                        ? QStringLiteral("Front")
                                                        : QStringLiteral("Back"));
        }
    }

    // A host without a camera: the layer is told of none.
    host.cameras.clear();
    QPointer<CameraSettingWindow> none = CameraSettingWindow::create(&host, nullptr);
    none->setLayerData(&camera);
    QVERIFY(child<UIComboBoxControl>(none, "cameraCombobox")->items().isEmpty());
    QCOMPARE(layer.cameras.last().deviceName, QString());
    QCOMPARE(layer.cameras.last().width, 0);
    delete none;
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

void TestEditorWindows::colourWindowSitsBesideItsButton()
{
    UIBaseWindow owner;
    owner.setFixSize(400, 200);
    auto *button = new UIButtonControl(owner.contentControl());
    button->setFixSize(QSizeF(21, 21));
    owner.contentControl()->setMargins(QMarginsF(300, 170, 0, 0));
    owner.contentControl()->addItem(button);
    owner.move(200, 300);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    QPointer<FontColorWindow> popup = FontColorWindow::create(&owner);
    QVERIFY(popup);
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
    verifyHoldsItsControls(popup);
    auto *sample = child<UILabelControl>(popup, "prevWidget");
    QCOMPARE(sample->textColor(), QColor(1, 2, 3));
    QCOMPARE(sample->font().pointSize(), 15);

    // The pointer over the gap right of the first cell is on the first cell. (A cell under the
    // pointer and a pick through the window: the text editor's colour case.)
    hover(grid, grid->cellRect(0, 0).topRight() + QPointF(2, 3));
    QTRY_COMPARE(sample->textColor(), QColor(0, 0, 0));
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

void TestEditorWindows::textEditorOpensOnTheLayersTextAndFont()
{
    QFont bold(QStringLiteral("楷体"), 24);
    bold.setBold(true);
    bold.setStrikeOut(true);
    TextFixture f(QStringLiteral("你好"), QPointF(10, 10));
    f.record.font = bold;
    f.record.text = QStringLiteral("line one\nline two");
    TextEditWindow *editor = TextEditWindow::create(&f.host, nullptr);
    editor->setLayerData(&f.record);
    QCOMPARE(editor->titleText(), QStringLiteral("textedit"));
    auto *families = child<UIComboBoxControl>(editor, "fontNamesCombobox");
    auto *sizes = child<UIComboBoxControl>(editor, "fontHeightCombobox");
    QVERIFY(families->items().contains(QStringLiteral("微软雅黑")));
    QCOMPARE(families->currentText(), QStringLiteral("楷体"));
    QCOMPARE(sizes->items(),
             QStringList({"8", "10", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36"}));
    QCOMPARE(sizes->currentText(), QStringLiteral("24"));
    QVERIFY(child<UIButtonControl>(editor, "buttonFontBold")->checked());
    QVERIFY(!child<UIButtonControl>(editor, "buttonFontItalic")->checked());
    QCOMPARE(child<UITextEditControl>(editor, "textedite")->text(), f.record.text);
    QVERIFY(!child<UILabelControl>(editor, "errorLabel")->isVisible());
    // Filling the window sends nothing to the layer; the first change does, without strike-out.
    const int before = int(f.layer.texts.size());
    QCOMPARE(before, 0);
    child<UIButtonControl>(editor, "buttonFontItalic")->click();
    QCOMPARE(f.layer.texts.size(), 1);
    QVERIFY(f.layer.texts.last().first.font().italic());
    QVERIFY(!f.layer.texts.last().first.font().strikeOut());
    QCOMPARE(f.layer.texts.last().second, f.record.text);
    delete editor;

    // A family or size the lists do not offer leaves the boxes empty.
    f.record.font = QFont(QStringLiteral("DejaVu Sans"), 13);
    editor = TextEditWindow::create(&f.host, nullptr);
    editor->setLayerData(&f.record);
    QCOMPARE(child<UIComboBoxControl>(editor, "fontNamesCombobox")->currentIndex(), -1);
    QCOMPARE(child<UIComboBoxControl>(editor, "fontHeightCombobox")->currentIndex(), -1);
    delete editor;
}

void TestEditorWindows::textEditorFamiliesHaveTheirOwnFaces()
{
    // The five names the editor offers and stores: each one draws Chinese in a face of its own
    // (the font aliases of resources/fonts pick one installed face per name).
    TextFixture f(QStringLiteral("abc"), QPointF(10, 10));
    const QStringList families = child<UIComboBoxControl>(f.editor, "fontNamesCombobox")->items();
    QCOMPARE(families.size(), 5);
    QList<QImage> samples;
    for (const QString &family : families) {
        QImage sample(240, 60, QImage::Format_RGB32);
        sample.fill(Qt::white);
        QPainter painter(&sample);
        QFont font(family);
        font.setPixelSize(40);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(sample.rect(), Qt::AlignCenter, QStringLiteral("直播永远"));
        painter.end();
        for (int other = 0; other < samples.size(); ++other) {
            int differing = 0;
            for (int y = 0; y < sample.height(); ++y) {
                for (int x = 0; x < sample.width(); ++x)
                    differing += sample.pixel(x, y) != samples.at(other).pixel(x, y) ? 1 : 0;
            }
            QVERIFY2(
                differing > 400,
                qPrintable(QStringLiteral("%1 and %2 draw alike").arg(family, families.at(other))));
        }
        samples.append(sample);
    }
}

void TestEditorWindows::pastedTextIsCutToTheBoxLength()
{
    // What is pasted beyond 30 characters is dropped; the record and the layer get what is kept.
    TextFixture f(QStringLiteral("ab"), QPointF(0, 0), 8);
    f.paste(QString(10000, QLatin1Char('x')));
    QCOMPARE(f.box->text().size(), TextEditWindow::TypedTextLength);
    QCOMPARE(f.record.text, f.box->text());
    QCOMPARE(f.layer.texts.last().second, f.record.text);
}

void TestEditorWindows::textIsKeptInsideTheScene()
{
    // The text starts near the right edge: as it grows the layer moves left.
    TextFixture f(QStringLiteral("W"), QPointF(240, 150), 28);
    f.type(QStringLiteral("WW"));
    QVERIFY(!f.layer.geometries.isEmpty());
    QVERIFY(f.layer.geometries.last().x() < 240);
    QCOMPARE(f.layer.geometries.last(), f.record.geometry);
    QVERIFY(f.rightEdge() <= TextScene.width());
    QCOMPARE(f.message(), QString());
    QCOMPARE(f.record.text, QStringLiteral("WWW"));

    // Once the left edge would pass the scene's, further characters are refused.
    f.type(QStringLiteral("WWWWWWWWWWWWWWWW"));
    QCOMPARE(f.message(), QStringLiteral("out of range can't input. "));
    const QString kept = f.record.text;
    QCOMPARE(f.box->text(), kept);
    QCOMPARE(f.layer.texts.last().second, kept);
    // The message stays until the user's next change.
    QTest::keyClick(f.editor->viewport(), Qt::Key_Backspace);
    QCOMPARE(f.message(), QString());
    QCOMPARE(f.record.text, kept.chopped(1));

    // Too low: the layer moves up as lines are added.
    TextFixture low(QStringLiteral("a"), QPointF(10, 170), 16);
    low.type(QString());
    QTest::keyClick(low.editor->viewport(), Qt::Key_Return);
    QVERIFY(low.record.geometry.y() < 170);
    QCOMPARE(low.record.geometry.bottom(), low.record.geometry.y() + low.record.geometry.height());
    QVERIFY(low.record.geometry.bottom() <= TextScene.height());
}

void TestEditorWindows::fontChangesThatWouldLeaveTheSceneAreUndone()
{
    // A wide text at the left edge: it cannot grow by moving left.
    TextFixture f(QStringLiteral("WWWWWWWWW"), QPointF(0, 0), 28);
    while (f.rightEdge() + 12 < TextScene.width() && f.message().isEmpty())
        f.type(QStringLiteral("W"));
    const int changes = int(f.layer.texts.size());
    auto *bold = child<UIButtonControl>(f.editor, "buttonFontBold");
    click(bold);
    QVERIFY(!bold->checked());
    QCOMPARE(f.message(), QStringLiteral("out of range can't change font."));
    QCOMPARE(f.layer.texts.size(), changes);

    auto *sizes = child<UIComboBoxControl>(f.editor, "fontHeightCombobox");
    QCOMPARE(sizes->currentText(), QStringLiteral("28"));
    choose(sizes, 11); // 36
    QCOMPARE(sizes->currentText(), QStringLiteral("28"));
    QCOMPARE(f.layer.texts.size(), changes);
    choose(sizes, 5); // 18
    QCOMPARE(f.message(), QString());
    QCOMPARE(f.layer.texts.size(), changes + 1);
    QCOMPARE(f.layer.texts.last().first.font().pointSize(), 18);
    // Now bold fits.
    click(bold);
    QVERIFY(bold->checked());
    QVERIFY(f.layer.texts.last().first.font().bold());
    QCOMPARE(f.layer.texts.last().first.font().family(), QStringLiteral("微软雅黑"));

    auto *families = child<UIComboBoxControl>(f.editor, "fontNamesCombobox");
    const int kai = int(families->items().indexOf(QStringLiteral("楷体")));
    if (kai >= 0) {
        choose(families, kai);
        QCOMPARE(f.layer.texts.last().first.font().family(), QStringLiteral("楷体"));
    }
}

void TestEditorWindows::textColourPicks()
{
    TextFixture f(QStringLiteral("abc"), QPointF(10, 10));
    auto *button = child<UIButtonControl>(f.editor, "buttonFontColor");
    FontColorWindow *popup = nullptr;
    FontColorSelector *grid = nullptr;
    // Opens the picker and waits until it is laid out, as it is by the time a user can click.
    const auto openPicker = [&] {
        click(button);
        QVERIFY(button->checked());
        QTRY_VERIFY(f.editor->findChildren<FontColorWindow *>().size() == 1);
        popup = f.editor->findChild<FontColorWindow *>();
        QVERIFY(popup->isVisible());
        grid = child<FontColorSelector>(popup, "colorWidget");
        QTRY_COMPARE(grid->size(), QSizeF(137, 101));
        QTRY_VERIFY(child<UIButtonControl>(popup, "moreColorsButton")->y() >=
                    grid->size().height());
    };
    openPicker();
    click(grid, grid->cellRect(0, 0).center());
    QVERIFY(!popup->isVisible());
    QVERIFY(!button->checked());
    QCOMPARE(f.layer.texts.size(), 1);
    QCOMPARE(f.layer.texts.last().first.color(), QColor(0, 0, 0));
    QCOMPARE(f.layer.texts.last().second, QStringLiteral("abc"));

    // The colour already in use changes nothing.
    openPicker();
    click(grid, grid->cellRect(0, 0).center());
    QCOMPARE(f.layer.texts.size(), 1);

    // The lightest swatch previews on a backdrop it reads on.
    openPicker();
    hover(grid, grid->cellRect(5, 4).center());
    auto *sample = child<UILabelControl>(popup, "prevWidget");
    QCOMPARE(sample->textColor(), QColor(0xc0, 0xc0, 0xc0));
    const QImage shown =
        popup->grab(popup->mapFromScene(sample->sceneBoundingRect()).boundingRect()).toImage();
    QMap<QRgb, int> counts;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            ++counts[shown.pixel(x, y)];
    }
    const QRgb backdrop = std::max_element(counts.cbegin(), counts.cend()).key();
    QVERIFY2(std::abs(qGray(backdrop) - 0xc0) > 100, "light grey text on a backdrop it reads on");

    // More colors: Qt's colour dialog reaches white.
    click(child<UIButtonControl>(popup, "moreColorsButton"));
    QVERIFY(!popup->isVisible());
    QColorDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = f.editor->findChild<QColorDialog *>()) && dialog->isVisible());
    dialog->setCurrentColor(Qt::white);
    dialog->accept();
    QCOMPARE(f.layer.texts.last().first.color(), QColor(Qt::white));
    QVERIFY(!button->checked());

    // A second click on the button closes an open picker.
    openPicker();
    click(button);
    QVERIFY(!popup->isVisible());
    QVERIFY(!button->checked());
}

void TestEditorWindows::filterWordAnswers()
{
    TextFixture f(QStringLiteral("hello"), QPointF(10, 10));
    auto *ok = child<UIButtonControl>(f.editor, "okButton");
    const QString waiting = QStringLiteral("checking the text...");
    const QString changed =
        QStringLiteral("the text changed while it was checked: press ok again.");

    // The window says that it waits, and keeps saying so while the user goes on typing.
    click(ok);
    QCOMPARE(f.host.checks.size(), 1);
    QCOMPARE(f.host.checks.last().second, QStringLiteral("hello"));
    QCOMPARE(f.message(), waiting);
    f.type(QStringLiteral("!"));
    QCOMPARE(f.message(), waiting);
    QCOMPARE(f.layer.texts.last().second, QStringLiteral("hello!"));

    // The answer is about "hello": it neither confirms "hello!" nor vanishes without a word.
    f.host.answer(true);
    QCOMPARE(f.confirmed->count(), 0);
    QCOMPARE(f.message(), changed);
    QVERIFY(f.editor->isVisible());

    // Another request's answer (the stored-text check's, say) is not ours; a refusal is said.
    click(ok);
    QCOMPARE(f.host.checks.size(), 2);
    QVERIFY(f.host.checks.at(0).first != f.host.checks.at(1).first);
    QCOMPARE(f.host.checks.last().second, QStringLiteral("hello!"));
    f.host.answer("{00000000-0000-0000-0000-000000000000}", true);
    QCOMPARE(f.confirmed->count(), 0);
    QCOMPARE(f.message(), waiting);
    f.host.answer(false);
    QCOMPARE(f.message(), QStringLiteral("content is not valid."));
    QVERIFY(f.editor->isVisible());

    // An empty text is never confirmed.
    f.box->setText(QString());
    click(ok);
    QCOMPARE(f.host.checks.last().second, QString());
    f.host.answer(true);
    QCOMPARE(f.message(), QStringLiteral("content is not valid."));
    QCOMPARE(f.confirmed->count(), 0);

    // No answer within two seconds: said so, and the answer that comes later still confirms.
    f.type(QStringLiteral("fine"));
    click(ok);
    QTRY_COMPARE_WITH_TIMEOUT(f.message(), QStringLiteral("can not check word is valid."), 3000);
    QCOMPARE(f.confirmed->count(), 0);
    f.host.answer(true);
    QCOMPARE(f.confirmed->count(), 1);
    QCOMPARE(f.confirmed->at(0).at(0).value<BasicLayerData *>(), &f.record);
    QCOMPARE(f.record.text, QStringLiteral("fine"));
    QTRY_VERIFY(!f.editor);
    QCOMPARE(f.discarded->count(), 0);
}

QTEST_MAIN(TestEditorWindows)
#include "tst_editorwindows.moc"
