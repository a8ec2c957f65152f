// The editors and the layer manager as a streamer meets them, on a real X server: input through
// XTest, the screen read back from the server. Every control must show a change within the
// response deadline, without anything else repainting the window.

#include "EngineFixture.h"

#include "CameraSettingWindow.h"
#include "EditorTestSupport.h"
#include "ImageSettingWindow.h"
#include "LayersMgrWindow.h"
#include "PreviewListWidget.h"
#include "RealDisplay.h"
#include "TextEditWindow.h"
#include "TextLayer.h"

#include <guifoundation/UIAbstractViewItem.h>
#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UIComboBoxControl.h>
#include <guifoundation/UISliderControl.h>
#include <guifoundation/UITextEditControl.h>
#include <guifoundation/UITheme.h>

#include <QComboBox>
#include <QListView>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextEdit>

using EditorTest::child;

namespace {

// True once the screen area differs from before in more than a few pixels.
RealDisplay::Check changedFrom(const QImage &before)
{
    return [before](const QImage &now) {
        return Pixels::differing(now, before) > 12;
    };
}

// The list of an open combo box pop-up, or null.
QListView *openPopupList()
{
    QWidget *popup = QApplication::activePopupWidget();
    return popup ? popup->findChild<QListView *>() : nullptr;
}

} // namespace

class TestEditorsOnDisplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void textEditorTakesTypingAndShowsEveryChange();
    void pictureAndCameraEditorsShowEveryChange();
    void layerManagerMovesRowsByDragging();

private:
    // Picks row of an embedded combo box through its pop-up, as a user does, and checks that
    // the box shows the new choice at once.
    void choose(UIComboBoxControl *combo, int row);

    RealDisplay m_display;
    QTemporaryDir m_dir;
};

void TestEditorsOnDisplay::initTestCase()
{
    REALDISPLAY_REQUIRE(m_display);
}

void TestEditorsOnDisplay::choose(UIComboBoxControl *combo, int row)
{
    QComboBox *box = combo->comboBox();
    const QRect area = Native::rect(box);
    const QImage before = m_display.grab(area);
    m_display.click(Native::centre(box));
    QTRY_VERIFY(openPopupList());
    QListView *list = openPopupList();
    QTRY_VERIFY(list->isVisible());
    const QModelIndex index = list->model()->index(row, list->modelColumn());
    list->scrollTo(index);
    m_display.click(Native::rect(list->viewport(), list->visualRect(index)).center());
    QTRY_COMPARE(box->currentIndex(), row);
    QVERIFY_SHOWN(m_display, area, changedFrom(before),
                  QStringLiteral("the combo box showing %1").arg(box->currentText()));
}

void TestEditorsOnDisplay::textEditorTakesTypingAndShowsEveryChange()
{
    EngineFixture f;
    QVERIFY(f.show());
    f.engine->addTextLayer();
    auto *editor = f.window<TextEditWindow>();
    QVERIFY(editor);
    QVERIFY(QTest::qWaitForWindowExposed(editor));
    auto *box = child<UITextEditControl>(editor, "textedite");
    const QRect boxArea = Native::rect(box->qTextEdit());
    // The box the editor opens with shows its focus frame.
    QVERIFY_SHOWN(
        m_display, boxArea,
        [&](const QImage &image) {
            return Pixels::count(image, UITheme::accent(), 24) > boxArea.width();
        },
        QStringLiteral("the text box's focus frame"));
    QVERIFY(box->qTextEdit()->hasFocus());
    const QImage empty = m_display.grab(boxArea);

    // Typing right after "add text", without a click, goes into the box and shows at once;
    // Latin-1 and characters no key of the keyboard carries arrive as typed.
    m_display.typeText(QStringLiteral("Hi! Zoë 直播"));
    QTRY_COMPARE(box->text(), QStringLiteral("Hi! Zoë 直播"));
    QVERIFY_SHOWN(m_display, boxArea, changedFrom(empty), QStringLiteral("the typed text"));

    // Bold repaints its button, and the layer in the preview.
    auto *bold = child<UIButtonControl>(editor, "buttonFontBold");
    const QRect boldArea = Native::rect(bold);
    const QImage plain = m_display.grab(boldArea);
    m_display.click(Native::centre(bold));
    QVERIFY_SHOWN(m_display, boldArea, changedFrom(plain), QStringLiteral("bold checked"));
    editor->close();
}

void TestEditorsOnDisplay::pictureAndCameraEditorsShowEveryChange()
{
    EngineFixture f;
    f.host->cameras = {L"USB camera", L"Virtual camera"};
    f.host->sizes[L"USB camera"] = {{1280, 720}, {640, 480}};
    f.host->sizes[L"Virtual camera"] = {{1920, 1080}, {1280, 720}};
    QVERIFY(f.show());

    // The opacity slider's handle follows the pointer while it is dragged, and its value shows.
    f.engine->addImageLayer();
    auto *picture = f.window<ImageSettingWindow>();
    QVERIFY(picture);
    QVERIFY(QTest::qWaitForWindowExposed(picture));
    auto *slider = child<UISliderControl>(picture, "transparenceSlider");
    QSlider *track = slider->slider();
    const QRect sliderArea = Native::rect(track);
    QTRY_COMPARE(slider->value(), 100);
    QImage previous = m_display.grab(sliderArea);
    int shownDuringDrag = 0;
    m_display.drag(Native::point(track, QPoint(track->width() - 8, track->height() / 2)),
                   Native::point(track, QPoint(track->width() / 4, track->height() / 2)), 4,
                   [&](int) {
                       if (m_display.waitFor(sliderArea, changedFrom(previous),
                                             RealDisplay::responseDeadline()) >= 0)
                           ++shownDuringDrag;
                       previous = m_display.grab(sliderArea);
                   });
    QVERIFY2(shownDuringDrag >= 3, "the handle moves on the screen while it is dragged");
    QVERIFY(slider->value() < 50);
    picture->close();

    // The camera editor's boxes show each choice.
    f.engine->addCameraLayer();
    auto *camera = f.window<CameraSettingWindow>();
    QVERIFY(camera);
    QVERIFY(QTest::qWaitForWindowExposed(camera));
    choose(child<UIComboBoxControl>(camera, "cameraCombobox"), 1);
    choose(child<UIComboBoxControl>(camera, "cameraSizeCombobox"), 1);
    camera->close();
}

void TestEditorsOnDisplay::layerManagerMovesRowsByDragging()
{
    EngineFixture f;
    for (const QString &text : {QStringLiteral("one"), QStringLiteral("two")})
        QVERIFY(f.addText(text, QPoint(20, 20), Qt::white));
    QVERIFY(f.show());
    f.container()->showLayersManager();
    auto *manager = f.window<LayersMgrWindow>();
    QVERIFY(manager);
    QVERIFY(QTest::qWaitForWindowExposed(manager));
    auto *list = child<PreviewListWidget>(manager, "layersList");
    const QList<quint32> before = f.stack();
    QVERIFY(before.size() >= 3);

    // Drags a row onto another as a hand does. The drag runs its own event loop in this
    // process, so its end is sent from inside that loop.
    const auto dragRow = [&](int fromRow, int toRow) {
        const QPoint from = Native::centre(list->item(fromRow));
        const QPoint to = Native::centre(list->item(toRow));
        bool ended = false;
        QTimer::singleShot(300, this, [&] {
            m_display.moveTo((from + to) / 2);
            m_display.moveTo(to);
            m_display.release();
            ended = true;
        });
        m_display.moveTo(from);
        m_display.press();
        const int direction = toRow > fromRow ? 1 : -1;
        for (int step = 1; step <= 4 && !ended; ++step)
            m_display.moveTo(from + QPoint(0, direction * step * 4));
        QTRY_VERIFY(ended);
    };
    // The rows show the stack, front first.
    const auto rowsShowTheStack = [&] {
        const QList<quint32> stack = f.stack();
        bool same = list->count() == stack.size();
        for (int row = 0; same && row < list->count(); ++row)
            same = manager->layerOfRow(row) == stack.at(stack.size() - 1 - row);
        return same;
    };
    // The front-most row onto the last one: that layer goes to the back, still selected; and
    // back onto the first row, to the front again.
    const int last = int(before.size()) - 1;
    dragRow(0, last);
    QTRY_COMPARE(f.stack().constFirst(), before.constLast());
    QTRY_VERIFY(rowsShowTheStack());
    QCOMPARE(f.container()->activeLayer(), f.item(before.constLast()));
    dragRow(last, 0);
    QTRY_COMPARE(f.stack(), before);
    QTRY_VERIFY(rowsShowTheStack());
}

QTEST_MAIN(TestEditorsOnDisplay)
#include "tst_editorsondisplay.moc"
