// Autosave as a user meets it: every change reaches the stored file without the host hiding
// the preview, bursts of changes are written a few times rather than once per event, and
// nothing is written that the user did not do or confirm.

#include "EngineFixture.h"

#include "EditorTestSupport.h"
#include "ImageSettingWindow.h"
#include "LogCapture.h"
#include "RelayoutLogic.h"
#include "SaveScheduler.h"
#include "SceneTestSupport.h"
#include "StoredLayout.h"

#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UILineEditControl.h>
#include <guifoundation/UISliderControl.h>

#include <QElapsedTimer>

using EditorTest::child;
using EditorTest::click;

namespace {

QString settingsFile()
{
    return PreviewCenterData().settingFileName();
}

StoredLayout stored()
{
    return StoredLayout::read(readAll(settingsFile()));
}

// The position as the file stores it.
QString storedPos(const BasicLayer *item)
{
    const QPointF at = item->geometry().topLeft();
    return QStringLiteral("%1,%2").arg(int(at.x())).arg(int(at.y()));
}

int autosaves(const QString &log)
{
    return int(log.count(QStringLiteral("PreviewSetting::autosave ")));
}

void doubleClick(QGraphicsView *view, const QPointF &scenePos)
{
    const QPoint at = view->mapFromScene(scenePos);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

// Long enough for any autosave of what happened before to have been taken.
void waitPastAutosave()
{
    QTest::qWait(SaveScheduler::MaxDelayMs + 400);
}

} // namespace

class TestAutosave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyChangeReachesTheFileWithoutAHostSave();
    void nothingIsWrittenThatTheUserDidNotDoOrConfirm();

private:
    LogCapture m_log;
    QTemporaryDir m_dir;
    QString m_red;
    QString m_blue;
};

void TestAutosave::initTestCase()
{
    m_red = savePicture(m_dir, QStringLiteral("red.png"), Qt::red);
    m_blue = savePicture(m_dir, QStringLiteral("blue.png"), Qt::blue);
}

void TestAutosave::everyChangeReachesTheFileWithoutAHostSave()
{
    EngineFixture f;
    const quint32 first =
        f.combine()
            ->addImageLayer(m_red, true, {60, 60}, true, {200, 100}, 100, QStringLiteral("first"))
            ->layerId();
    const quint32 second = f.combine()
                               ->addImageLayer(m_blue, true, {400, 200}, true, {160, 80}, 100,
                                               QStringLiteral("second"))
                               ->layerId();
    QVERIFY(f.show());
    QTRY_COMPARE(stored().indexOf(QStringLiteral("second")), 2);

    // Dragged with the mouse in forty moves, written a few times rather than once per move;
    // then moved with the arrow keys.
    m_log.mark();
    QElapsedTimer clock;
    clock.start();
    Mouse mouse(f.view.get());
    BasicLayer *item = f.item(first);
    const QPointF grab = item->geometry().center();
    mouse.press(grab);
    for (int i = 1; i <= 40; ++i) {
        mouse.move(grab + QPointF(i, i / 2));
        QTest::qWait(10);
    }
    mouse.release(grab + QPointF(40, 20));
    QVERIFY(item->geometry().topLeft() != QPointF(60, 60));
    QTRY_COMPARE(stored().value(QStringLiteral("first"), QStringLiteral("pos")), storedPos(item));
    const int saves = autosaves(m_log.since());
    QVERIFY2(saves >= 1 && saves <= 1 + clock.elapsed() / SaveScheduler::MaxDelayMs,
             qPrintable(QString::number(saves)));
    const QString dragged = storedPos(item);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(f.view->viewport(), Qt::Key_Right);
    QVERIFY(storedPos(item) != dragged);
    QTRY_COMPARE(stored().value(QStringLiteral("first"), QStringLiteral("pos")), storedPos(item));

    // Hidden and sent to the back, as the layer manager and the layer menu do it.
    RelayoutLogic *relayout = f.engine->controller()->relayout();
    relayout->on_layoutsCombine(first, false);
    QTRY_COMPARE(stored().value(QStringLiteral("first"), QStringLiteral("combine")),
                 QStringLiteral("0"));
    relayout->on_layoutsMove(first, RelayoutLogic::RL_TO_LAST);
    QTRY_COMPARE(stored().indexOf(QStringLiteral("first")), 0);

    // Deleted with the Delete key.
    mouse.click(f.item(second)->geometry().center());
    QTest::keyClick(f.view->viewport(), Qt::Key_Delete);
    QTRY_COMPARE(stored().indexOf(QStringLiteral("second")), -1);

    // A new picture is written once its editor confirms it.
    f.engine->addImageLayer();
    auto *editor = f.window<ImageSettingWindow>();
    QVERIFY(editor);
    child<UILineEditControl>(editor, "folderPath")->setText(m_blue);
    click(child<UIButtonControl>(editor, "okButton"));
    QTRY_COMPARE(stored().layers.size(), 3);
    QVERIFY(stored().complete);
    QCOMPARE(stored().layers.last().value(QStringLiteral("path")), m_blue);
    QCOMPARE(f.storedFile(), readAll(settingsFile())); // hidePreview writes the same
}

void TestAutosave::nothingIsWrittenThatTheUserDidNotDoOrConfirm()
{
    {
        EngineFixture earlier;
        earlier.keepStoredFile = true;
        earlier.combine()->addImageLayer(m_red, true, {60, 60}, true, {200, 100}, 80,
                                         QStringLiteral("logo"));
        earlier.compose(); // the game layer takes the video's shape
        earlier.engine->unInit();
    }
    const QByteArray before = readAll(settingsFile());
    QCOMPARE(StoredLayout::read(before).value(QStringLiteral("logo"), QStringLiteral("alpha")),
             QStringLiteral("80"));

    // Starting, showing and composing change nothing the user made.
    m_log.mark();
    EngineFixture f;
    QVERIFY(f.show());
    f.compose();
    waitPastAutosave();
    QCOMPARE(readAll(settingsFile()), before);

    // An open editor changes its layer live; none of it is stored before OK, and a cancel
    // leaves the file as it was.
    BasicLayer *item = f.item(f.stack().at(1));
    QVERIFY(item);
    const QPointF centre = item->geometry().center();
    doubleClick(f.view.get(), centre);
    auto *editor = f.window<ImageSettingWindow>();
    QVERIFY(editor);
    child<UISliderControl>(editor, "transparenceSlider")->setFocus();
    QTest::keyClick(editor->viewport(), Qt::Key_End);
    item->setGeometryAndNotify(QRectF(300, 200, 100, 50));
    waitPastAutosave();
    QCOMPARE(readAll(settingsFile()), before);
    click(child<UIButtonControl>(editor, "cancelButton"));
    QTRY_VERIFY(!f.window<ImageSettingWindow>());
    waitPastAutosave();
    QCOMPARE(readAll(settingsFile()), before);
    QCOMPARE(autosaves(m_log.since()), 0);

    // Confirmed, it is.
    doubleClick(f.view.get(), centre);
    editor = f.window<ImageSettingWindow>();
    QVERIFY(editor);
    child<UISliderControl>(editor, "transparenceSlider")->setFocus();
    QTest::keyClick(editor->viewport(), Qt::Key_End);
    click(child<UIButtonControl>(editor, "okButton"));
    QTRY_COMPARE(stored().value(QStringLiteral("logo"), QStringLiteral("alpha")),
                 QStringLiteral("100"));
}

QTEST_MAIN(TestAutosave)
#include "tst_autosave.moc"
