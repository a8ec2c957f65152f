// A streamer's session in the reference host's real window: real X input, the screen read back
// from the server. After each action the screen shows its effect within the response deadline,
// in the editors, the preview and the output pane alike.

#include "HostOnDisplay.h"
#include "TestFiles.h"

#include <appcommon/pubfunc.h>
#include <guifoundation/UIControl.h>

#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using namespace HostOnDisplay;

namespace {

const QColor Stage(40, 40, 48);   // a calm picture over the whole game video
const QColor Banner(255, 140, 0); // the picture the streamer moves, fades, re-picks, deletes
const QColor Tall(0, 190, 210);   // the picture it is re-picked as
const QColor TextRed(255, 0, 0);  // a new text's colour
const QRectF BannerPlace(420, 200, 160, 90);

QString savePicture(const QString &path, const QSize &size, const QColor &colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path);
    return path;
}

QByteArray layoutWith(const QString &stage, const QString &banner)
{
    return QStringLiteral(
               R"(<?xml version="1.0"?>
<config><layers><parentwidth1>746</parentwidth1><parentheight1>420</parentheight1>
<layer0><type>4</type><alpha>100</alpha><pos>0,0</pos><size>746,420</size><combine>1</combine></layer0>
<layer1><type>1</type><path>%1</path><alpha>100</alpha><caneditsize>1</caneditsize><pos>0,0</pos><size>746,420</size><combine>1</combine><name>stage</name></layer1>
<layer2><type>1</type><path>%2</path><alpha>100</alpha><caneditsize>1</caneditsize><pos>420,200</pos><size>160,90</size><combine>1</combine><name>banner</name></layer2>
<layersnum>3</layersnum></layers></config>
)")
        .arg(stage, banner)
        .toUtf8();
}

bool differs(const QImage &now, const QImage &before, int pixels = 12)
{
    return Pixels::differing(now, before, 24) >= pixels;
}

// Rows of the picture that hold the colour, counted as separate bands (lines of text).
int bandsOf(const QImage &image, const QColor &colour)
{
    int bands = 0;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        const bool hit = Pixels::count(image.copy(0, y, image.width(), 1), colour, 40) > 0;
        bands += hit && !inBand;
        inBand = hit;
    }
    return bands;
}

} // namespace

class tst_StreamerSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void resizeMenuAndCancel();
    void twoLinesReachTheOutput();
    void theOutputFollowsADrag();
    void aRepickedPictureReachesTheOutput();
    void arrowsDeleteUndoRedo();

private:
    HostWindow *window() const { return m_session->window(); }
    PreviewView *preview() const { return window()->previewView(); }
    QGraphicsObject *banner() const;
    // Where a rectangle of the preview (in preview units) is drawn in the output pane.
    QRect inOutput(const QRectF &previewRect) const;
    QRect previewOnScreen() const { return Native::rect(preview()->viewport()); }
    // The editor the last action opened, once it is on the screen.
    QWidget *waitForEditor();
    UIControl *control(QWidget *editor, const char *name) const;
    QWidget *openTextEditor(const QString &text);

    RealDisplay m_display;
    QTemporaryDir m_files;
    QString m_tallPicture;
    std::unique_ptr<WindowSession> m_session;
};

void tst_StreamerSession::initTestCase()
{
    REALDISPLAY_REQUIRE(m_display);
    // A check that never holds fails, with the screen saved: no check here passes vacuously.
    QString message;
    QVERIFY(!realDisplayShownInTime(
        m_display, QRect(0, 0, 8, 8), [](const QImage &) { return false; },
        QStringLiteral("nothing"), &message));
    const QString saved = message.section(QStringLiteral("screen saved as "), 1);
    QVERIFY2(QImage(saved).size() == m_display.screenSize(), qPrintable(message));
    QFile::remove(saved);

    const QString stageFile =
        savePicture(m_files.filePath(QStringLiteral("stage.png")), QSize(746, 420), Stage);
    const QString bannerFile =
        savePicture(m_files.filePath(QStringLiteral("banner.png")), QSize(160, 90), Banner);
    m_tallPicture = savePicture(m_files.filePath(QStringLiteral("tall.png")), QSize(60, 180), Tall);
    writeFile(QString::fromStdWString(pubfunc::getPreviewSettingFileName()),
              layoutWith(stageFile, bannerFile));
    m_session = start(options());
    QVERIFY(m_session);
    QVERIFY(waitUntilRunning(window()));
    QVERIFY(banner());
    QVERIFY(m_display.waitFor(
                inOutput(BannerPlace.adjusted(8, 8, -8, -8)),
                [](const QImage &shown) {
                    return Pixels::count(shown, Banner) > shown.width() * shown.height() * 9 / 10;
                },
                5000) >= 0);
}

void tst_StreamerSession::cleanup()
{
    // Whatever a failed case left: no button held, no pop-up or editor open.
    m_display.release();
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    for (int i = 0; i < 4 && !engineWindows(window()).isEmpty(); ++i) {
        engineWindows(window()).constLast()->close();
        QTest::qWait(50);
    }
    m_display.moveTo(QPoint(0, 0));
}

void tst_StreamerSession::cleanupTestCase()
{
    if (m_session)
        m_session->shutdown();
}

QGraphicsObject *tst_StreamerSession::banner() const
{
    // The picture layer that is not the stage.
    for (QGraphicsObject *picture : layersOf(window(), "PicLayer")) {
        if (picture->boundingRect().width() < 700)
            return picture;
    }
    return nullptr;
}

QRect tst_StreamerSession::inOutput(const QRectF &previewRect) const
{
    const QRect frame = window()->outputView()->frameRect();
    const QSizeF area(preview()->previewSize());
    const qreal sx = frame.width() / area.width();
    const qreal sy = frame.height() / area.height();
    const QRectF mapped(frame.x() + previewRect.x() * sx, frame.y() + previewRect.y() * sy,
                        previewRect.width() * sx, previewRect.height() * sy);
    return Native::rect(window()->outputView(), mapped.toAlignedRect());
}

QWidget *tst_StreamerSession::waitForEditor()
{
    if (!QTest::qWaitFor([this] { return !engineWindows(window()).isEmpty(); }, 5000))
        return nullptr;
    QWidget *editor = engineWindows(window()).constLast();
    if (!QTest::qWaitForWindowExposed(editor))
        return nullptr;
    // Its first frame on the screen.
    m_display.waitFor(
        Native::rect(editor),
        [](const QImage &shown) { return !Pixels::count(shown, Qt::black, 0); }, 1000);
    return editor;
}

UIControl *tst_StreamerSession::control(QWidget *editor, const char *name) const
{
    return editor ? editor->findChild<UIControl *>(QLatin1String(name)) : nullptr;
}

QWidget *tst_StreamerSession::openTextEditor(const QString &text)
{
    m_display.click(toolButton(window(), HostWindow::Action::AddText));
    QWidget *editor = waitForEditor();
    UIControl *box = control(editor, "textedite");
    if (!box)
        return nullptr;
    m_display.click(Native::centre(box));
    m_display.typeText(text);
    QTest::qWait(100);
    return editor;
}

void tst_StreamerSession::resizeMenuAndCancel()
{
    QGraphicsObject *picture = banner();
    QVERIFY(picture);
    const QRectF from = picture->sceneBoundingRect();
    const auto filled = [](const QImage &shown) {
        return Pixels::count(shown, Banner) > shown.width() * shown.height() * 9 / 10;
    };

    // The bottom-right handle pulled out: the picture grows, keeping its shape, in the preview
    // and in the output, where the strip right of its old place fills.
    const QPointF handle = from.bottomRight() - QPointF(3, 3);
    m_display.drag(Native::point(preview(), handle),
                   Native::point(preview(), handle + QPointF(48, 27)));
    QTRY_VERIFY(picture->sceneBoundingRect().width() > from.width() + 30);
    const QRectF grown = picture->sceneBoundingRect();
    QCOMPARE(grown.topLeft(), from.topLeft());
    const QRectF strip(from.right() + 6, from.top() + 6, grown.right() - from.right() - 12,
                       from.height() - 12);
    QVERIFY_SHOWN(m_display, Native::rect(preview(), strip), filled,
                  QStringLiteral("resized picture in the preview"));
    QVERIFY_SHOWN(m_display, inOutput(strip), filled,
                  QStringLiteral("resized picture in the output"));

    // Its context menu shows at the pointer; "edit" opens the editor, Cancel closes it and
    // leaves the picture as it was.
    const QPoint at = Native::centre(picture);
    const QRect underMenu(at, QSize(60, 60));
    const QImage beforeMenu = m_display.grab(underMenu);
    m_display.click(at, Qt::RightButton);
    QMenu *menu = nullptr;
    QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
    QVERIFY_SHOWN(
        m_display, underMenu, [&](const QImage &shown) { return differs(shown, beforeMenu); },
        QStringLiteral("the layer's menu"));
    QAction *edit = menu->findChild<QAction *>(QStringLiteral("edit"));
    QVERIFY(edit);
    m_display.click(Native::point(menu, menu->actionGeometry(edit).center()));
    QWidget *editor = waitForEditor();
    UIControl *cancel = control(editor, "cancelButton");
    QVERIFY(cancel);
    const QRect editorOnScreen = Native::rect(editor);
    const QImage editorShown = m_display.grab(editorOnScreen);
    m_display.click(Native::centre(cancel));
    QTRY_VERIFY(engineWindows(window()).isEmpty());
    QVERIFY_SHOWN(
        m_display, editorOnScreen,
        [&](const QImage &shown) { return differs(shown, editorShown, 200); },
        QStringLiteral("the cancelled editor gone from the screen"));
    QCOMPARE(picture->sceneBoundingRect(), grown);

    // Undone, the resize leaves the output too.
    m_display.click(Native::centre(picture));
    m_display.keyChord(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QTRY_COMPARE(picture->sceneBoundingRect(), from);
    QVERIFY_SHOWN(
        m_display, inOutput(strip),
        [](const QImage &shown) { return Pixels::count(shown, Banner) == 0; },
        QStringLiteral("the undone resize in the output"));
}

void tst_StreamerSession::twoLinesReachTheOutput()
{
    QWidget *editor = openTextEditor(QStringLiteral("Welcome\nto my stream"));
    UIControl *ok = control(editor, "okButton");
    QVERIFY(ok);
    m_display.click(Native::centre(ok));
    QTRY_VERIFY(engineWindows(window()).isEmpty());
    QTRY_COMPARE(layersOf(window(), "TextLayer").size(), 1);
    QGraphicsObject *text = layersOf(window(), "TextLayer").constFirst();

    // Moved clear of the output's watermark at the top left.
    m_display.drag(Native::centre(text), Native::point(preview(), QPointF(200, 300)));
    QTRY_VERIFY(text->sceneBoundingRect().top() > 200);
    const QRectF place = text->sceneBoundingRect();
    QVERIFY_SHOWN(
        m_display, Native::rect(text),
        [](const QImage &shown) { return bandsOf(shown, TextRed) == 2; },
        QStringLiteral("two lines of text in the preview"));
    QVERIFY_SHOWN(
        m_display, inOutput(place),
        [](const QImage &shown) { return Pixels::count(shown, TextRed, 40) > 10; },
        QStringLiteral("text in the output"));
    QVERIFY_SHOWN(
        m_display, inOutput(place),
        [](const QImage &shown) { return bandsOf(shown, TextRed) == 2; },
        QStringLiteral("two lines of text in the output"));

    // Deleted again, so the stage is calm for the cases after.
    m_display.click(Native::centre(text));
    m_display.keyChord(QKeySequence(Qt::Key_Delete));
    QTRY_VERIFY(layersOf(window(), "TextLayer").isEmpty());
}

void tst_StreamerSession::theOutputFollowsADrag()
{
    QGraphicsObject *picture = banner();
    QVERIFY(picture);
    const QRectF from = picture->sceneBoundingRect();
    const QPointF offset(-220, 60);
    const QRectF to = from.translated(offset);
    const QRect arrival = inOutput(to.adjusted(10, 10, -10, -10));
    const auto arrived = [](const QImage &shown) {
        return Pixels::count(shown, Banner) > shown.width() * shown.height() * 9 / 10;
    };

    m_display.moveTo(Native::centre(picture));
    QTest::qWait(30);
    m_display.press();
    for (int step = 1; step <= 10; ++step) {
        m_display.moveTo(Native::point(preview(), from.center() + offset * step / 10.0));
        QTest::qWait(15);
    }
    QVERIFY_SHOWN(m_display, Native::rect(preview(), to.adjusted(10, 10, -10, -10)), arrived,
                  QStringLiteral("dragged picture under the pointer in the preview"));
    QVERIFY_SHOWN(m_display, arrival, arrived,
                  QStringLiteral("dragged picture in the output while the button is held"));
    m_display.release();
    QVERIFY_SHOWN(m_display, arrival, arrived, QStringLiteral("dropped picture in the output"));
}

void tst_StreamerSession::aRepickedPictureReachesTheOutput()
{
    QGraphicsObject *picture = banner();
    QVERIFY(picture);
    // Up where the tall picture fits as it is, so nothing else moves the layer meanwhile.
    const QPointF top(300, 60);
    m_display.drag(Native::centre(picture),
                   Native::point(preview(), top + picture->boundingRect().center()));
    QTRY_VERIFY((picture->pos() - top).manhattanLength() < 3);
    m_display.doubleClick(Native::centre(picture));
    QWidget *editor = waitForEditor();
    UIControl *path = control(editor, "folderPath");
    UIControl *ok = control(editor, "okButton");
    QVERIFY(path && ok);
    m_display.click(Native::centre(path));
    m_display.keyChord(QKeySequence(Qt::CTRL | Qt::Key_A));
    m_display.typeText(m_tallPicture);
    QTest::qWait(100);
    m_display.click(Native::centre(ok));
    QTRY_VERIFY(engineWindows(window()).isEmpty());

    // The layer takes the new picture's shape; the preview and the output show it there, and
    // nothing of it outside.
    const QRectF place = picture->sceneBoundingRect();
    QVERIFY2(place.height() > place.width(), "the re-picked picture is tall");
    const auto filled = [](const QImage &shown) {
        return Pixels::count(shown, Tall) > shown.width() * shown.height() * 9 / 10;
    };
    QVERIFY_SHOWN(m_display, Native::rect(preview(), place.adjusted(2, 2, -2, -2)), filled,
                  QStringLiteral("re-picked picture in the preview"));
    // Beside and below the layer, where the old picture's rectangle reached.
    const QRectF beside(place.right() + 4, place.top(), BannerPlace.width(), BannerPlace.height());
    const QRectF below(place.left(), place.bottom() + 4, place.width(), 40);
    const auto clear = [](const QImage &shown) {
        return Pixels::count(shown, Tall) == 0;
    };
    QVERIFY_SHOWN(m_display, inOutput(beside), clear,
                  QStringLiteral("nothing of the picture beside its layer in the output"));
    QVERIFY_SHOWN(m_display, inOutput(below), clear,
                  QStringLiteral("nothing of the picture below its layer in the output"));
    QVERIFY_SHOWN(m_display, inOutput(place.adjusted(2, 2, -2, -2)), filled,
                  QStringLiteral("re-picked picture in the output"));

    // Hiding the preview stores the layout: the layer with its new size.
    m_display.click(toolButton(window(), HostWindow::Action::ShowPreview));
    QTRY_VERIFY(!preview()->previewArea()->isVisible());
    const QByteArray stored =
        readAll(QString::fromStdWString(pubfunc::getPreviewSettingFileName()));
    m_display.click(toolButton(window(), HostWindow::Action::ShowPreview));
    QTRY_VERIFY(preview()->previewArea()->isVisible());
    const QByteArray size = QStringLiteral("<size>%1,%2</size>")
                                .arg(int(place.width()))
                                .arg(int(place.height()))
                                .toUtf8();
    QVERIFY2(stored.contains(size), stored.constData());
}

void tst_StreamerSession::arrowsDeleteUndoRedo()
{
    QGraphicsObject *picture = banner();
    QVERIFY(picture);
    const auto gone = [](const QImage &shown) {
        return Pixels::count(shown, Stage, 8) > shown.width() * shown.height() * 9 / 10;
    };

    // Selected, it steps right one unit per arrow key: the strip along its left edge clears.
    const QRectF start = picture->sceneBoundingRect();
    m_display.click(Native::centre(picture));
    for (int i = 0; i < 12; ++i)
        m_display.keyChord(QKeySequence(Qt::Key_Right));
    QTRY_COMPARE(picture->sceneBoundingRect(), start.translated(12, 0));
    const QRectF vacated(start.left() + 1, start.top() + 10, 7, start.height() - 20);
    QVERIFY_SHOWN(m_display, Native::rect(preview(), vacated), gone,
                  QStringLiteral("picture moved by the arrow keys in the preview"));
    QVERIFY_SHOWN(m_display, inOutput(vacated), gone,
                  QStringLiteral("picture moved by the arrow keys in the output"));

    const QRectF place = picture->sceneBoundingRect().adjusted(6, 6, -6, -6);
    const QRect inPreview = Native::rect(preview(), place);
    const QImage shownBefore = m_display.grab(inPreview);
    const auto present = [&](const QImage &shown) {
        return !differs(shown, shownBefore);
    };

    m_display.keyChord(QKeySequence(Qt::Key_Delete));
    QVERIFY_SHOWN(m_display, inPreview, gone,
                  QStringLiteral("deleted picture gone from the preview"));
    QVERIFY_SHOWN(m_display, inOutput(place), gone,
                  QStringLiteral("deleted picture gone from the output"));

    m_display.keyChord(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QVERIFY_SHOWN(m_display, inPreview, present, QStringLiteral("undone delete in the preview"));
    QVERIFY_SHOWN(
        m_display, inOutput(place),
        [](const QImage &shown) { return Pixels::count(shown, Stage, 8) == 0; },
        QStringLiteral("undone delete in the output"));

    m_display.keyChord(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    QVERIFY_SHOWN(m_display, inPreview, gone, QStringLiteral("redone delete in the preview"));
    QVERIFY_SHOWN(m_display, inOutput(place), gone, QStringLiteral("redone delete in the output"));
}

QTEST_MAIN(tst_StreamerSession)
#include "tst_streamersession.moc"
