#include "PreviewDefaultListItem.h"
#include "PreviewListContainer.h"
#include "PreviewListWidget.h"
#include "UIDragDropDataFormater.h"
#include "UIInternalScrollBarControl.h"

#include <guifoundation/UIBaseWindow.h>
#include <guifoundation/UILabelControl.h>

#include <QApplication>
#include <QCursor>
#include <QMimeData>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

constexpr int RowHeight = 24;

class TextFormater : public UIDragDropDataFormater
{
public:
    QString dragged;
    QPointer<QMimeData> data; // owned by the drag while it runs

    QMimeData *createMimeData(const QList<QStandardItem *> &items) override
    {
        QStringList texts;
        for (const QStandardItem *item : items)
            texts << item->text();
        auto *made = new QMimeData;
        dragged = texts.join(QLatin1Char(','));
        made->setText(dragged);
        data = made;
        return made;
    }
};

// A 200 x 120 list (five rows in view) in a window, over a model of rows "row 0", "row 1", ...
struct Fixture
{
    UIBaseWindow window;
    PreviewListWidget *list = nullptr;
    QStandardItemModel *model = new QStandardItemModel;

    explicit Fixture(int rows)
    {
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.setFixSize(240, 160);
        list = new PreviewListWidget(window.contentControl());
        list->setFixSize(QSizeF(200, 120));
        window.contentControl()->setMargins(QMarginsF(20, 20, 20, 20));
        window.contentControl()->addItem(list);
        for (int row = 0; row < rows; ++row)
            model->appendRow(new QStandardItem(QStringLiteral("row %1").arg(row)));
        list->setModel(model);
        window.show();
        QApplication::processEvents();
    }

    QWidget *viewport() const { return window.viewport(); }

    // The middle of row index, where the user sees it now.
    QPoint rowPoint(int index) const
    {
        const UIAbstractViewItem *row = list->item(index);
        return window.mapFromScene(row->mapToScene(row->rect().center()));
    }
    QPoint listPoint(QPointF at) const { return window.mapFromScene(list->mapToScene(at)); }

    void click(int index, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(viewport(), button, {}, rowPoint(index));
    }

    void wheel(QPoint at, int delta)
    {
        QWheelEvent event(at, viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport(), &event);
    }

    void moveTo(QPoint at, Qt::MouseButtons buttons = Qt::LeftButton)
    {
        QMouseEvent move(QEvent::MouseMove, at, viewport()->mapToGlobal(at), Qt::NoButton, buttons,
                         Qt::NoModifier);
        QApplication::sendEvent(viewport(), &move);
    }

    // Pulls row index past the start-drag distance, which starts the list's own drag, and
    // returns a copy of the data that drag carried. (The offscreen platform ends every drag at
    // once, so tests drive the drop side with it.)
    std::unique_ptr<QMimeData> dragRow(int index, const TextFormater *formater)
    {
        QTest::mousePress(viewport(), Qt::LeftButton, {}, rowPoint(index));
        moveTo(rowPoint(index) + QPoint(0, QApplication::startDragDistance() + 1));
        auto copy = std::make_unique<QMimeData>();
        if (formater && formater->data) {
            for (const QString &format : formater->data->formats())
                copy->setData(format, formater->data->data(format));
        }
        QTest::mouseRelease(viewport(), Qt::LeftButton, {}, rowPoint(index));
        return copy;
    }

    QList<int> selected() const { return list->container()->selectedIndexes(); }
    qreal scroll() const { return list->scrollBar()->value(); }
};

} // namespace

class TestPreviewListWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsTheModel();
    void singleSelection();
    void scrolling();
    void dragAndDropReorders();
};

void TestPreviewListWidget::followsTheModel()
{
    Fixture empty(0);
    QCOMPARE(empty.list->count(), 0);
    QCOMPARE(empty.list->container()->height(), 0.0);
    QCOMPARE(empty.list->currentIndex(), -1);
    QVERIFY(!empty.list->scrollBar()->isVisible());
    QCOMPARE(empty.model->parent(), empty.list); // the view owns its model

    Fixture f(10);
    QCOMPARE(f.list->count(), 10);
    QCOMPARE(f.list->container()->height(), 10.0 * RowHeight);
    // Ten rows do not fit in 120: the bar shows and the rows make room for it.
    QVERIFY(f.list->scrollBar()->isVisible());
    QCOMPARE(f.list->scrollBar()->maximum(), 10.0 * RowHeight - 120);
    QCOMPARE(f.list->scrollBar()->pageStep(), 120.0);
    QCOMPARE(f.list->item(0)->geometry(), QRectF(0, 0, 190, RowHeight));
    QVERIFY(!f.list->item(10));

    auto text = [&](int index) {
        return static_cast<PreviewDefaultListItem *>(f.list->item(index))->label()->text();
    };
    f.model->insertRow(2, new QStandardItem(QStringLiteral("new")));
    QCOMPARE(f.list->count(), 11);
    QCOMPARE(text(2), QStringLiteral("new"));
    QCOMPARE(f.list->item(3)->geometry().top(), 3.0 * RowHeight);

    f.list->setCurrentIndex(5);
    f.model->removeRows(1, 2);
    QCOMPARE(f.list->count(), 9);
    QCOMPARE(f.list->currentIndex(), 3); // the selected row, where it is now
    QCOMPARE(f.list->item(3)->geometry().top(), 3.0 * RowHeight);

    f.model->item(0)->setText(QStringLiteral("renamed"));
    QCOMPARE(text(0), QStringLiteral("renamed"));

    f.model->clear();
    QCOMPARE(f.list->count(), 0);
    QCOMPARE(f.list->currentIndex(), -1);
    QCOMPARE(f.list->container()->height(), 0.0);
}

void TestPreviewListWidget::singleSelection()
{
    Fixture f(8);
    QSignalSpy pressed(f.list, &PreviewListWidget::leftButtonPressed);
    QSignalSpy clicked(f.list, &PreviewListWidget::leftButtonClicked);
    QSignalSpy rightClicked(f.list, &PreviewListWidget::rightButtonClicked);
    QSignalSpy contextMenu(f.list->container(), &UIAbstractItemContainer::contextMenu);
    QSignalSpy doubleClicked(f.list, &PreviewListWidget::leftButtonDoubleClicked);
    QSignalSpy moved(f.list, &PreviewListWidget::selectItemChange);

    f.click(2);
    QCOMPARE(pressed.constLast().at(0).toInt(), 2);
    QCOMPARE(clicked.constLast().at(0).toInt(), 2);
    QCOMPARE(f.list->currentIndex(), 2);
    f.click(3);
    QCOMPARE(f.selected(), QList<int>({3}));
    // Moving down, the offset is the row's bottom; the widget reports itself with it.
    QCOMPARE(moved.constLast().at(0).value<QObject *>(), f.list);
    QCOMPARE(moved.constLast().at(1).toInt(), 4 * RowHeight);

    f.click(1, Qt::RightButton);
    QCOMPARE(rightClicked.constLast().at(0).toInt(), 1);
    QCOMPARE(contextMenu.constLast().at(0).toInt(), 1);
    QCOMPARE(f.selected(), QList<int>({1}));
    QTest::mouseDClick(f.viewport(), Qt::LeftButton, {}, f.rowPoint(4));
    QCOMPARE(doubleClicked.constLast().at(0).toInt(), 4);

    // Below the last row: nothing at all.
    Fixture shortList(3);
    QSignalSpy nothing(shortList.list, &PreviewListWidget::leftButtonClicked);
    shortList.click(1);
    QTest::mouseClick(shortList.viewport(), Qt::LeftButton, {}, shortList.listPoint({50, 100}));
    QCOMPARE(nothing.count(), 1);
    QCOMPARE(shortList.selected(), QList<int>({1}));

    // Keys: Home, End, Up and Down within the list, Menu. A row selected out of view scrolls
    // in: below, its bottom to the view's bottom; above, its top to the view's top.
    f.list->setFocus();
    QTest::keyClick(f.viewport(), Qt::Key_End);
    QCOMPARE(f.list->currentIndex(), 7);
    QCOMPARE(f.scroll(), 8.0 * RowHeight - 120);
    QTest::keyClick(f.viewport(), Qt::Key_Down);
    QCOMPARE(f.list->currentIndex(), 7);
    f.list->setCurrentIndex(2);
    QCOMPARE(f.scroll(), 2.0 * RowHeight);
    QTest::keyClick(f.viewport(), Qt::Key_Home);
    QCOMPARE(f.list->currentIndex(), 0);
    QCOMPARE(f.scroll(), 0.0);
    QTest::keyClick(f.viewport(), Qt::Key_Up);
    QTest::keyClick(f.viewport(), Qt::Key_Down);
    QCOMPARE(f.selected(), QList<int>({1}));
    QTest::keyClick(f.viewport(), Qt::Key_Menu);
    QCOMPARE(rightClicked.constLast().at(0).toInt(), 1);
}

void TestPreviewListWidget::scrolling()
{
    Fixture f(20);
    UIInternalScrollBarControl *bar = f.list->scrollBar();
    const qreal maximum = 20.0 * RowHeight - 120;
    QCOMPARE(bar->maximum(), maximum);

    // The wheel moves one row per notch, and not past the top.
    f.wheel(f.rowPoint(1), -120);
    QCOMPARE(f.scroll(), 24.0);
    QCOMPARE(f.list->container()->y(), -24.0);
    f.wheel(f.rowPoint(2), 120);
    f.wheel(f.rowPoint(2), 120);
    QCOMPARE(f.scroll(), 0.0);

    // The next button steps at once and repeats while held.
    const QPoint next = f.listPoint(bar->mapToItem(f.list, QPointF(5, bar->height() - 5)));
    QTest::mousePress(f.viewport(), Qt::LeftButton, {}, next);
    QCOMPARE(f.scroll(), 24.0);
    QTRY_VERIFY(f.scroll() >= 72.0);
    QTest::mouseRelease(f.viewport(), Qt::LeftButton, {}, next);
    const qreal stopped = f.scroll();
    QTest::qWait(250);
    QCOMPARE(f.scroll(), stopped);
    QCOMPARE(bar->currentAction(), int(UIInternalScrollBarControl::NoAction));

    // Holding the groove below the handle pages down until the handle reaches the mouse.
    bar->setValue(0);
    const QPointF groovePoint(5, bar->height() - 20);
    QTest::mousePress(f.viewport(), Qt::LeftButton, {},
                      f.listPoint(bar->mapToItem(f.list, groovePoint)));
    QCOMPARE(f.scroll(), 120.0);
    QTRY_VERIFY(bar->handleRect().bottom() >= groovePoint.y());
    QTest::qWait(450);
    QVERIFY(bar->handleRect().contains(QPointF(5, groovePoint.y())));
    QTest::mouseRelease(f.viewport(), Qt::LeftButton, {},
                        f.listPoint(bar->mapToItem(f.list, groovePoint)));

    // Dragging the handle: the value follows its top along the track.
    bar->setValue(0);
    const QRectF handle = bar->handleRect();
    const qreal track = bar->height() - 2 * bar->buttonSize() - handle.height();
    const QPointF grab = handle.center();
    QTest::mousePress(f.viewport(), Qt::LeftButton, {}, f.listPoint(bar->mapToItem(f.list, grab)));
    f.moveTo(f.listPoint(bar->mapToItem(f.list, grab + QPointF(0, track / 2))));
    QTest::mouseRelease(f.viewport(), Qt::LeftButton, {},
                        f.listPoint(bar->mapToItem(f.list, grab + QPointF(0, track / 2))));
    QVERIFY(qAbs(f.scroll() - maximum / 2) <= maximum / track + 0.5);

    // The bar's own wheel needs a whole notch.
    bar->setValue(48);
    const QPoint onBar = f.listPoint(bar->mapToItem(f.list, QPointF(5, 60)));
    f.wheel(onBar, 60);
    QCOMPARE(f.scroll(), 48.0);
    f.wheel(onBar, 120);
    QCOMPARE(f.scroll(), 24.0);
}

void TestPreviewListWidget::dragAndDropReorders()
{
    Fixture f(20);
    auto *formater = new TextFormater;
    f.list->setDragDataFormater(formater);
    QSignalSpy dropped(f.list, &PreviewListWidget::sigDropItem);

    // Sends a drag event carrying data to the list, as the platform does while a drag runs.
    auto send = [&](QEvent::Type type, QPoint at, const QMimeData *data) {
        if (type == QEvent::DragLeave) {
            QDragLeaveEvent leave;
            QApplication::sendEvent(f.viewport(), &leave);
            return true;
        }
        std::unique_ptr<QDropEvent> event(
            type == QEvent::Drop
                ? new QDropEvent(at, Qt::MoveAction, data, Qt::LeftButton, {})
                : new QDragMoveEvent(at, Qt::MoveAction, data, Qt::LeftButton, {}, type));
        QApplication::sendEvent(f.viewport(), event.get());
        return event->isAccepted();
    };

    // A file dragged in from the desktop (or anything else the list did not start) is refused
    // and moves no row.
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/picture.png"))});
    f.click(0);
    send(QEvent::DragEnter, f.rowPoint(2), &file);
    QVERIFY(!send(QEvent::DragMove, f.rowPoint(2), &file));
    QVERIFY(!f.list->item(2)->isHover());
    send(QEvent::Drop, f.rowPoint(2), &file);
    QCOMPARE(dropped.count(), 0);

    // Pulling a row far enough hands it to the formatter and starts the list's own drag.
    QTest::mousePress(f.viewport(), Qt::LeftButton, {}, f.rowPoint(1));
    f.moveTo(f.rowPoint(1) + QPoint(0, QApplication::startDragDistance() - 1));
    QVERIFY(formater->dragged.isEmpty());
    QTest::mouseRelease(f.viewport(), Qt::LeftButton, {}, f.rowPoint(1));
    const std::unique_ptr<QMimeData> ownData = f.dragRow(1, formater);
    QCOMPARE(formater->dragged, QStringLiteral("row 1"));
    const QMimeData &own = *ownData;

    // Over a row: taken, and that row is marked; a drop there names both rows, from and to.
    send(QEvent::DragEnter, f.rowPoint(1), &own);
    QVERIFY(send(QEvent::DragMove, f.rowPoint(3), &own));
    QVERIFY(f.list->item(3)->isHover() && !f.list->item(1)->isHover());
    QVERIFY(send(QEvent::Drop, f.rowPoint(3), &own));
    QCOMPARE(dropped.count(), 1);
    QCOMPARE(dropped.constLast().at(0).toInt(), 1);
    QCOMPARE(dropped.constLast().at(1).toInt(), 3);
    QVERIFY(!f.list->item(3)->isHover());

    // Another list's rows are as foreign as a file.
    Fixture other(20);
    other.list->setDragDataFormater(new TextFormater);
    send(QEvent::DragEnter, f.rowPoint(1), &own);
    QVERIFY(send(QEvent::DragMove, f.rowPoint(1), &own));
    QDragMoveEvent intoOther(other.rowPoint(2), Qt::MoveAction, &own, Qt::LeftButton, {});
    QApplication::sendEvent(other.viewport(), &intoOther);
    QVERIFY(!intoOther.isAccepted());

    // Past the last row of a short list: refused, and a drop there says nothing.
    Fixture few(2);
    auto *fewFormater = new TextFormater;
    few.list->setDragDataFormater(fewFormater);
    few.click(0);
    const std::unique_ptr<QMimeData> fewData = few.dragRow(0, fewFormater);
    const QMimeData &fewOwn = *fewData;
    QDragEnterEvent enter(few.rowPoint(0), Qt::MoveAction, &fewOwn, Qt::LeftButton, {});
    QApplication::sendEvent(few.viewport(), &enter);
    QDragMoveEvent below(few.listPoint({50, 100}), Qt::MoveAction, &fewOwn, Qt::LeftButton, {});
    QApplication::sendEvent(few.viewport(), &below);
    QVERIFY(!below.isAccepted());
    QSignalSpy none(few.list, &PreviewListWidget::sigDropItem);
    QDropEvent drop(few.listPoint({50, 100}), Qt::MoveAction, &fewOwn, Qt::LeftButton, {});
    QApplication::sendEvent(few.viewport(), &drop);
    QCOMPARE(none.count(), 0);

    // Leaving the list while dragging its rows scrolls it towards the mouse, 10 every 100 ms,
    // until the drag comes back.
    send(QEvent::DragEnter, f.rowPoint(2), &own);
    QVERIFY(send(QEvent::DragMove, f.rowPoint(2), &own));
    QCursor::setPos(f.list->globalRect().bottomLeft() + QPoint(20, 40));
    send(QEvent::DragLeave, QPoint(), nullptr);
    QTRY_VERIFY(f.scroll() >= 30);
    QCOMPARE(int(f.scroll()) % 10, 0);
    send(QEvent::DragEnter, f.rowPoint(2), &own);
    send(QEvent::DragMove, f.rowPoint(2), &own);
    const qreal held = f.scroll();
    QTest::qWait(250);
    QCOMPARE(f.scroll(), held);
    // Above the top it scrolls back up, and stops at the top.
    QCursor::setPos(f.list->globalRect().topLeft() - QPoint(-20, 40));
    send(QEvent::DragLeave, QPoint(), nullptr);
    QVERIFY(f.scroll() > 0);
    QTRY_COMPARE(f.scroll(), 0.0);

    // A file dragged across the list and out of it scrolls nothing.
    const qreal still = f.scroll();
    send(QEvent::DragEnter, f.rowPoint(2), &file);
    send(QEvent::DragMove, f.rowPoint(2), &file);
    QCursor::setPos(f.list->globalRect().bottomLeft() + QPoint(20, 40));
    send(QEvent::DragLeave, QPoint(), nullptr);
    QTest::qWait(250);
    QCOMPARE(f.scroll(), still);
}

QTEST_MAIN(TestPreviewListWidget)
#include "tst_previewlistwidget.moc"
