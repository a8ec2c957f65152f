// The layer manager on the real scene and compositor: rows front to back, selection, the
// combine boxes, the buttons and the Delete key, with the compositor's stack and the
// composed frame compared after every step (dragging rows: tst_editorsondisplay).

#include "EngineFixture.h"

#include "EditorTestSupport.h"
#include "LayerMgrViewItem.h"
#include "LayersMgrWindow.h"
#include "PreviewListWidget.h"
#include "RelayoutLogic.h"

#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UICheckBoxControl.h>
#include <guifoundation/UILabelControl.h>

#include <QTemporaryDir>

using EditorTest::child;
using EditorTest::click;

namespace {

struct Manager
{
    explicit Manager(EngineFixture &fixture)
        : f(fixture)
    {
        f.engine->controller()->showLayersMgr();
        window = f.window<LayersMgrWindow>();
        if (window) {
            list = child<PreviewListWidget>(window, "layersList");
            edit = child<UIButtonControl>(window, "editBtn");
            remove = child<UIButtonControl>(window, "deleteBtn");
            up = child<UIButtonControl>(window, "upBtn");
            down = child<UIButtonControl>(window, "downBtn");
        }
    }

    // The rows' layers, top to bottom.
    QList<quint32> rows() const
    {
        QList<quint32> ids;
        for (int row = 0; row < list->count(); ++row)
            ids.append(window->layerOfRow(row));
        return ids;
    }
    // The stack as the list must show it: front first.
    QList<quint32> shownStack() const
    {
        QList<quint32> ids = f.stack();
        std::reverse(ids.begin(), ids.end());
        return ids;
    }
    QPoint rowPoint(int row) const { return EditorTest::viewPoint(list->item(row)); }
    void clickRow(int row) { click(list->item(row), QPointF(60, 15)); }
    QString buttons() const
    {
        QString state;
        for (const UIButtonControl *button : {edit, remove, up, down})
            state += button->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return state;
    }

    EngineFixture &f;
    LayersMgrWindow *window = nullptr;
    PreviewListWidget *list = nullptr;
    UIButtonControl *edit = nullptr;
    UIButtonControl *remove = nullptr;
    UIButtonControl *up = nullptr;
    UIButtonControl *down = nullptr;
};

} // namespace

class TestLayersMgrWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void rowsSelectionAndTheGameRow();
    void movesFollowTheStack();
    void combineBoxesTakeLayersOutOfThePicture();
    void deleteRefillsTheRows();

private:
    QTemporaryDir m_dir;
    QString m_red;
    QString m_blue;
    std::unique_ptr<EngineFixture> f;
    quint32 m_game = 0;
    quint32 m_redId = 0;
    quint32 m_blueId = 0;
    quint32 m_text = 0;
};

void TestLayersMgrWindow::initTestCase()
{
    m_red = savePicture(m_dir, QStringLiteral("red.png"), Qt::red);
    m_blue = savePicture(m_dir, QStringLiteral("blue.png"), Qt::blue);
}

void TestLayersMgrWindow::init()
{
    f = std::make_unique<EngineFixture>();
    m_game = f->stack().first();
    // Red and blue overlap at (200, 130) in the scene.
    m_redId = f->addPicture(m_red, QRect(100, 100, 200, 100), 100, QStringLiteral("red banner"));
    m_blueId = f->addPicture(m_blue, QRect(150, 120, 200, 100), 100, QStringLiteral("blue banner"));
    m_text =
        f->addText(QStringLiteral("Hello"), QPoint(20, 20), Qt::white, QStringLiteral("greeting"));
    QVERIFY(f->show());
}

void TestLayersMgrWindow::cleanup()
{
    f.reset();
}

void TestLayersMgrWindow::rowsSelectionAndTheGameRow()
{
    Manager m(*f);
    QVERIFY(m.window);
    EditorTest::verifyHoldsItsControls(m.window);
    QCOMPARE(m.rows(), QList<quint32>({m_text, m_blueId, m_redId, m_game}));
    auto *first = qobject_cast<LayerMgrViewItem *>(m.list->item(0));
    QVERIFY(first);
    QCOMPARE(first->nameLabel()->text(), QStringLiteral("greeting"));
    QVERIFY(first->checkBox()->checkState());
    QCOMPARE(m.buttons(), QStringLiteral("0000"));

    // A click selects the layer in the scene too; the front row cannot go up.
    m.clickRow(0);
    QCOMPARE(m.list->currentIndex(), 0);
    QCOMPARE(m.buttons(), QStringLiteral("1101"));
    QCOMPARE(f->container()->activeLayer(), f->item(m_text));
    m.clickRow(2);
    QCOMPARE(m.buttons(), QStringLiteral("1111"));
    QCOMPARE(f->container()->activeLayer(), f->item(m_redId));

    // The game video: no editor, no deleting, and the last row cannot go down.
    m.clickRow(3);
    QCOMPARE(m.buttons(), QStringLiteral("0010"));
    QTest::mouseDClick(m.window->viewport(), Qt::LeftButton, {}, m.rowPoint(3));
    QCOMPARE(m.buttons().left(2), QStringLiteral("10"));
    QVERIFY(!f->container()->pendingData()); // nothing to edit

    // A double click elsewhere opens that layer's editor.
    QTest::mouseDClick(m.window->viewport(), Qt::LeftButton, {}, m.rowPoint(1));
    QVERIFY(f->container()->pendingData());
    QCOMPARE(f->container()->pendingData()->layer, f->item(m_blueId));
}

void TestLayersMgrWindow::movesFollowTheStack()
{
    Manager m(*f);
    QVERIFY(m.window);
    const QPointF overlap(200, 130);
    QCOMPARE(f->outputAt(f->compose(), overlap), qRgb(0, 0, 255));

    // Red up: in front of blue.
    m.clickRow(2);
    click(m.up);
    QCOMPARE(m.rows(), QList<quint32>({m_text, m_redId, m_blueId, m_game}));
    QCOMPARE(m.rows(), m.shownStack());
    QCOMPARE(m.list->currentIndex(), 1);
    QCOMPARE(f->outputAt(f->compose(), overlap), qRgb(255, 0, 0));
    click(m.up);
    QCOMPARE(m.rows(), QList<quint32>({m_redId, m_text, m_blueId, m_game}));
    QCOMPARE(m.rows(), m.shownStack());
    QCOMPARE(m.buttons(), QStringLiteral("1101"));

    // And all the way down, behind the game video.
    for (int i = 0; i < 3; ++i)
        click(m.down);
    QCOMPARE(m.rows(), QList<quint32>({m_text, m_blueId, m_game, m_redId}));
    QCOMPARE(m.rows(), m.shownStack());
    QCOMPARE(m.buttons(), QStringLiteral("1110"));
}

void TestLayersMgrWindow::combineBoxesTakeLayersOutOfThePicture()
{
    Manager m(*f);
    QVERIFY(m.window);
    const QPointF blueOnly(320, 200);
    QCOMPARE(f->outputAt(f->compose(), blueOnly), qRgb(0, 0, 255));
    auto *blueRow = qobject_cast<LayerMgrViewItem *>(m.list->item(1));
    click(blueRow->checkBox());
    QVERIFY(!blueRow->checkBox()->checkState());
    QVERIFY(f->outputAt(f->compose(), blueOnly) != qRgb(0, 0, 255));
    // The row keeps its state through moves; the layer stays out of the picture.
    m.clickRow(1);
    click(m.up);
    auto *moved = qobject_cast<LayerMgrViewItem *>(m.list->item(0));
    QCOMPARE(m.window->layerOfRow(0), m_blueId);
    QVERIFY(!moved->checkBox()->checkState());
    QVERIFY(f->outputAt(f->compose(), blueOnly) != qRgb(0, 0, 255));
    click(moved->checkBox());
    QCOMPARE(f->outputAt(f->compose(), blueOnly), qRgb(0, 0, 255));
    QVERIFY(f->storedFile().contains("<combine>1</combine>"));
}

void TestLayersMgrWindow::deleteRefillsTheRows()
{
    Manager m(*f);
    QVERIFY(m.window);
    m.clickRow(1);
    m.list->setFocus();
    QTest::keyClick(m.window->viewport(), Qt::Key_Delete);
    QCOMPARE(m.rows(), QList<quint32>({m_text, m_redId, m_game}));
    QCOMPARE(m.rows(), m.shownStack());
    QCOMPARE(m.buttons(), QStringLiteral("0000"));
    QVERIFY(!f->item(m_blueId));

    // The delete button; the game row's stays off.
    m.clickRow(0);
    click(m.remove);
    QCOMPARE(m.rows(), QList<quint32>({m_redId, m_game}));
    m.clickRow(1);
    QVERIFY(!m.remove->isEnabled());
    QTest::keyClick(m.window->viewport(), Qt::Key_Delete);
    QCOMPARE(m.rows(), QList<quint32>({m_redId, m_game}));

    // The scene's own deletions reach the open window too.
    f->container()->onDeleteLayer(f->item(m_redId));
    QCOMPARE(m.rows(), QList<quint32>({m_game}));
    const QByteArray stored = f->storedFile();
    QVERIFY(!stored.contains("red.png") && !stored.contains("Hello"));
}

QTEST_MAIN(TestLayersMgrWindow)
#include "tst_layersmgrwindow.moc"
