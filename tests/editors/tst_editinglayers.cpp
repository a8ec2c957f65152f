// Editing layers through the real editor windows, end to end: the engine as a host drives it,
// real input into the editors, and the composed frame and the stored file checked after each
// step.

#include "EngineFixture.h"

#include "CameraSettingWindow.h"
#include "EditorTestSupport.h"
#include "FontColorSelector.h"
#include "FontColorWindow.h"
#include "ImageSettingWindow.h"
#include "Log.h"
#include "PicLayer.h"
#include "TextEditWindow.h"
#include "TextLayer.h"

#include <appcommon/pubfunc.h>
#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UILabelControl.h>
#include <guifoundation/UILineEditControl.h>
#include <guifoundation/UISliderControl.h>
#include <guifoundation/UITextEditControl.h>

#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

using EditorTest::child;
using EditorTest::click;
using EditorTest::typeInto;

namespace {

void doubleClick(QGraphicsView *view, const QPointF &scenePos)
{
    const QPoint at = view->mapFromScene(scenePos);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

QString translated(const char *context, const char *text)
{
    return QCoreApplication::translate(context, text);
}

} // namespace

class TestEditingLayers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cameraLayersFollowTheHostsCameras();
    void cancelRestoresExistingLayersExactly();
    void aNewEditEndsTheOneBefore();
    void textIsMeasuredAsTheLayerDrawsIt();
    void hostileTextNeverBreaksTheStoredFileOrTheLog();

private:
    QTemporaryDir m_dir;
    QString m_red;
    QString m_blue;
    QString m_logPath;
};

void TestEditingLayers::initTestCase()
{
    m_red = savePicture(m_dir, QStringLiteral("red.png"), Qt::red);
    m_blue = savePicture(m_dir, QStringLiteral("blue.png"), Qt::blue);
    m_logPath = m_dir.filePath(QStringLiteral("engine.log"));
    QVERIFY(openLogFile(m_logPath.toStdWString()));
}

void TestEditingLayers::cameraLayersFollowTheHostsCameras()
{
    EngineFixture f;
    f.host->cameras = {L"USB camera", L"Virtual camera"};
    f.host->sizes[L"USB camera"] = {{1280, 720}, {640, 480}, {1280, 720}};
    f.host->sizes[L"Virtual camera"] = {{1920, 1080}};
    QVERIFY(f.show());
    const int stacked = int(f.stack().size());

    // A new camera opens the first camera at its preferred size, and the second on request.
    f.engine->addCameraLayer();
    auto *editor = f.window<CameraSettingWindow>();
    QVERIFY(editor);
    QCOMPARE(f.receiver->opens.last(), QStringLiteral("USB camera"));
    QCOMPARE(f.receiver->lastOpenSize.cx, 640);
    EditorTest::choose(child<UIComboBoxControl>(editor, "cameraCombobox"), 1);
    QCOMPARE(f.receiver->opens.last(), QStringLiteral("Virtual camera"));
    QCOMPARE(f.receiver->lastOpenSize.cx, 1920);
    click(child<UIButtonControl>(editor, "okButton"));
    QTRY_VERIFY(!f.window<CameraSettingWindow>());
    QCOMPARE(f.stack().size(), stacked + 1);
    // Named through the translation: Chinese for a Chinese host, English for an English one.
    const auto *camera = f.item(f.stack().last());
    QCOMPARE(camera->name(), translated("PreviewLogic", "我的摄像头"));
    QTranslator english;
    QVERIFY(english.load(QStringLiteral("en"), QStringLiteral(LANGUAGE_DIR)));
    QCoreApplication::installTranslator(&english);
    f.engine->removeCameraLayers();
    f.engine->addCameraLayer();
    QVERIFY(f.window<CameraSettingWindow>());
    click(child<UIButtonControl>(f.window<CameraSettingWindow>(), "okButton"));
    QTRY_VERIFY(!f.window<CameraSettingWindow>());
    QCoreApplication::removeTranslator(&english);
    QCOMPARE(f.item(f.stack().last())->name(), QStringLiteral("My camera"));

    // Only one camera: the second request shows the notice, not an editor.
    f.engine->addCameraLayer();
    QVERIFY(!f.window<CameraSettingWindow>());
    QVERIFY(f.container()->tipWindow());
    f.container()->tipWindow()->close();

    // A new camera cancelled: the host is told to close it, and the layer goes.
    f.engine->removeCameraLayers();
    QCOMPARE(f.stack().size(), stacked);
    const int closes = f.receiver->closes;
    f.engine->addCameraLayer();
    QCOMPARE(f.stack().size(), stacked + 1);
    click(child<UIButtonControl>(f.window<CameraSettingWindow>(), "cancelButton"));
    QTRY_VERIFY(!f.window<CameraSettingWindow>());
    QVERIFY(f.receiver->closes > closes);
    QCOMPARE(f.stack().size(), stacked);
    QCOMPARE(f.container()->countLayersOfType(LT_CAMERA), 0);
}

void TestEditingLayers::cancelRestoresExistingLayersExactly()
{
    EngineFixture f;
    const quint32 picture = f.addPicture(m_red, QRect(60, 60, 200, 100), 80);
    const quint32 text = f.addText(QStringLiteral("Hello"), QPoint(560, 300), QColor(0, 200, 0));
    QVERIFY(f.show());
    auto *pictureItem = qobject_cast<PicLayer *>(f.item(picture));
    auto *textItem = qobject_cast<TextLayer *>(f.item(text));
    QVERIFY(pictureItem && textItem);
    const QRectF pictureRect = pictureItem->geometry();
    const QRectF textRect = textItem->geometry();
    f.compose(); // the game layer takes the video's shape with the first frame
    const QImage before = f.compose();
    const int stacked = int(f.stack().size());

    // The picture: another file, opacity and place while the editor is open, then cancel.
    doubleClick(f.view.get(), pictureRect.center());
    auto *pictureEditor = f.window<ImageSettingWindow>();
    QVERIFY(pictureEditor);
    auto *path = child<UILineEditControl>(pictureEditor, "folderPath");
    path->setText(m_blue);
    child<UISliderControl>(pictureEditor, "transparenceSlider")->setFocus();
    QTest::keyClick(pictureEditor->viewport(), Qt::Key_End);
    QCOMPARE(pictureItem->path(), m_blue);
    QCOMPARE(pictureItem->alpha(), 100);
    pictureItem->setGeometryAndNotify(QRectF(200, 250, 100, 50));
    QCOMPARE(f.outputAt(f.compose(), QPointF(250, 275)), qRgb(0, 0, 255));
    click(child<UIButtonControl>(pictureEditor, "cancelButton"));
    QTRY_VERIFY(!f.window<ImageSettingWindow>());
    QCOMPARE(pictureItem->path(), m_red);
    QCOMPARE(pictureItem->alpha(), 80);
    QCOMPARE(pictureItem->geometry(), pictureRect);

    // The text: grown past the right edge (which moves it left), bold and recoloured.
    // (The double click that opened the picture's editor left no press behind.)
    doubleClick(f.view.get(), textRect.center());
    auto *textEditor = f.window<TextEditWindow>();
    QVERIFY(textEditor);
    typeInto(child<UITextEditControl>(textEditor, "textedite"),
             QStringLiteral(", world of streams"));
    click(child<UIButtonControl>(textEditor, "buttonFontBold"));
    click(child<UIButtonControl>(textEditor, "buttonFontColor"));
    auto *colours = textEditor->findChild<FontColorWindow *>();
    QVERIFY(colours);
    auto *grid = child<FontColorSelector>(colours, "colorWidget");
    QTRY_VERIFY(grid->size().width() > 100);
    click(grid, grid->cellRect(3, 4).center());
    QCOMPARE(textItem->text(), QStringLiteral("Hello, world of streams"));
    QVERIFY(textItem->geometry().x() < textRect.x());
    QVERIFY(textItem->fontInfo().font().bold());
    QCOMPARE(textItem->fontInfo().color(), QColor(255, 0, 0));
    QVERIFY(f.compose() != before);
    click(child<UIButtonControl>(textEditor, "cancelButton"));
    QTRY_VERIFY(!f.window<TextEditWindow>());
    QCOMPARE(textItem->text(), QStringLiteral("Hello"));
    QCOMPARE(textItem->geometry(), textRect);
    QVERIFY(!textItem->fontInfo().font().bold());
    QCOMPARE(textItem->fontInfo().color(), QColor(0, 200, 0));

    // The broadcast picture is what it was, to the pixel.
    QCOMPARE(f.compose(), before);

    // OK on an existing layer keeps the change and adds no second compositing layer.
    doubleClick(f.view.get(), pictureRect.center());
    QVERIFY(f.window<ImageSettingWindow>());
    child<UILineEditControl>(f.window<ImageSettingWindow>(), "folderPath")->setText(m_blue);
    click(child<UIButtonControl>(f.window<ImageSettingWindow>(), "okButton"));
    QTRY_VERIFY(!f.window<ImageSettingWindow>());
    QCOMPARE(f.stack().size(), stacked);
    QCOMPARE(pictureItem->path(), m_blue);
    QVERIFY(f.storedFile().contains("blue.png"));
}

void TestEditingLayers::aNewEditEndsTheOneBefore()
{
    // The layer manager's edit button on a picture while a new text's editor is open: the
    // text's edit ends as its Cancel would, and no editor keeps working on a record that the
    // new edit replaced (the font size chosen then wrote through a freed record).
    EngineFixture f;
    const quint32 picture = f.addPicture(m_red, QRect(60, 60, 200, 100), 80);
    QVERIFY(f.show());
    const int items = int(f.container()->layers().size());
    f.engine->addTextLayer();
    QVERIFY(f.window<TextEditWindow>());
    f.container()->on_editLayer(qobject_cast<BasicLayer *>(f.item(picture)));
    QTRY_VERIFY(!f.window<TextEditWindow>());
    auto *editor = f.window<ImageSettingWindow>();
    QVERIFY(editor);
    QCOMPARE(f.container()->layers().size(), items);
    click(child<UIButtonControl>(editor, "cancelButton"));
    QTRY_VERIFY(!f.window<ImageSettingWindow>());
}

void TestEditingLayers::textIsMeasuredAsTheLayerDrawsIt()
{
    // The text item draws at point size x scene width / output width: the editor must keep
    // inside the scene what the item draws, at any output size, bold included.
    EngineFixture f;
    f.engine->setVideoSize(640, 480); // a scene of 560 x 420: texts draw larger than at 720
    QVERIFY(f.show());
    const qreal sceneWidth = f.container()->size().width();
    QCOMPARE(int(sceneWidth), 560);
    f.engine->addTextLayer();
    auto *editor = f.window<TextEditWindow>();
    QVERIFY(editor);
    auto *box = child<UITextEditControl>(editor, "textedite");
    auto *item = qobject_cast<TextLayer *>(f.container()->layers().last());
    QVERIFY(item);
    typeInto(box, QString(24, QLatin1Char('W')));
    QCOMPARE(editor->findChild<UILabelControl *>(QStringLiteral("errorLabel"))->text(),
             translated("TextEditWindow", "out of range can't input. "));
    QVERIFY2(box->text().size() < 24, "the text that would leave the scene is refused");
    QVERIFY(item->geometry().left() >= 0);
    QVERIFY2(item->geometry().right() <= sceneWidth,
             qPrintable(QStringLiteral("the text ends at %1 in a scene %2 wide")
                            .arg(item->geometry().right())
                            .arg(sceneWidth)));
    click(child<UIButtonControl>(editor, "buttonFontBold"));
    QVERIFY(item->geometry().right() <= sceneWidth);
    click(child<UIButtonControl>(editor, "buttonFontUnderline"));
    QVERIFY(item->geometry().right() <= sceneWidth);
    editor->close();

    // 1920 x 1080: the item draws smaller than at 720, so a text that fits is taken whole.
    f.engine->setVideoSize(1920, 1080);
    f.engine->addTextLayer();
    editor = f.window<TextEditWindow>();
    QVERIFY(editor);
    EditorTest::choose(child<UIComboBoxControl>(editor, "fontHeightCombobox"), 11); // 36
    box = child<UITextEditControl>(editor, "textedite");
    item = qobject_cast<TextLayer *>(f.container()->layers().last());
    const QString wide(TextEditWindow::TypedTextLength, QLatin1Char('W'));
    typeInto(box, wide);
    QCOMPARE(box->text(), wide);
    QVERIFY(item->geometry().right() <= f.container()->size().width());
    click(child<UIButtonControl>(editor, "okButton"));
    QTRY_VERIFY(!f.window<TextEditWindow>());
    QCOMPARE(item->text(), wide);
}

void TestEditingLayers::hostileTextNeverBreaksTheStoredFileOrTheLog()
{
    const QString hostile = QStringLiteral("\u202Eab\u0007c\u200F\r\n\u0000d\u001B[2J");
    QString shown;
    {
        EngineFixture f;
        f.keepStoredFile = true;
        QVERIFY(f.show());
        f.engine->addTextLayer();
        auto *text = f.window<TextEditWindow>();
        QVERIFY(text);
        auto *box = child<UITextEditControl>(text, "textedite");
        box->setText(hostile);
        shown = box->text();
        for (const QChar c : shown)
            QVERIFY(c == QLatin1Char('\n') || c.category() != QChar::Other_Control);
        QVERIFY(shown.contains(QChar(0x202E)) && shown.contains(QChar(0x200F)));
        click(child<UIButtonControl>(text, "okButton"));
        QTRY_VERIFY(!f.window<TextEditWindow>());

        const QByteArray stored = f.storedFile();
        QXmlStreamReader reader(stored);
        while (!reader.atEnd())
            reader.readNext();
        QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    }
    {
        // The next start shows the text as it was stored.
        EngineFixture f;
        QVERIFY(f.show());
        bool found = false;
        for (BasicLayer *layer : f.container()->layers()) {
            if (auto *item = qobject_cast<TextLayer *>(layer))
                found = found || item->text() == shown;
        }
        QVERIFY(found);
    }
    const QByteArray lines = readAll(m_logPath);
    QVERIFY(lines.contains("TextEditWindow::on_FilterWordResult"));
    for (const char c : lines)
        QVERIFY(uchar(c) >= 0x20 || c == '\r' || c == '\n' || c == '\t');
}

QTEST_MAIN(TestEditingLayers)
#include "tst_editinglayers.moc"
