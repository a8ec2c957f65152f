#include "PreviewListContainer.h"
#include "PreviewListContainer_p.h"

#include "PreviewListWidget.h"

#include <QApplication>
#include <QDrag>
#include <QGraphicsSceneDragDropEvent>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QStandardItem>
#include <QUuid>
#include <QWidget>

PreviewListContainer::PreviewListContainer(QGraphicsItem *parent)
    : PreviewListContainer(*new PreviewListContainerPrivate, parent)
{}

PreviewListContainer::PreviewListContainer(PreviewListContainerPrivate &dd, QGraphicsItem *parent)
    : UIAbstractItemContainer(dd, parent)
{
    Q_D(PreviewListContainer);
    setObjectName(QStringLiteral("contentWidget"));
    d->dragToken = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    setAcceptDrops(true);
    setAcceptedMouseButtons(Qt::AllButtons);
}

PreviewListContainer::~PreviewListContainer() = default;

int PreviewListContainer::currentIndex() const
{
    Q_D(const PreviewListContainer);
    return d->currentIndex;
}

bool PreviewListContainer::isMultiSelection() const
{
    Q_D(const PreviewListContainer);
    return d->multiSelection;
}

void PreviewListContainer::setMultiSelection(bool multiple)
{
    Q_D(PreviewListContainer);
    d->multiSelection = multiple;
}

void PreviewListContainer::setDragDataFormater(UIDragDropDataFormater *formater)
{
    Q_D(PreviewListContainer);
    if (d->formater.get() != formater)
        d->formater.reset(formater);
}

void PreviewListContainer::setListWidget(PreviewListWidget *widget)
{
    Q_D(PreviewListContainer);
    d->widget = widget;
}

void PreviewListContainer::layoutItems(int fromIndex)
{
    fromIndex = std::clamp(fromIndex, 0, std::max(0, count() - 1));
    qreal y = fromIndex > 0 && item(fromIndex - 1) ? item(fromIndex - 1)->geometry().bottom() : 0;
    for (int i = fromIndex; i < count(); ++i) {
        UIAbstractViewItem *row = item(i);
        if (!row)
            continue;
        const qreal height =
            row->effectiveSizeHint(Qt::PreferredSize, QSizeF(width(), -1)).height();
        row->setGeometry(QRectF(0, y, width(), height));
        y += height;
    }
    const qreal total =
        count() > 0 && item(count() - 1) ? item(count() - 1)->geometry().bottom() : 0;
    resize(width(), total);
}

int PreviewListContainer::indexAt(const QPointF &pos) const
{
    for (int i = 0; i < count(); ++i) {
        const UIAbstractViewItem *row = item(i);
        if (row && row->isVisible() && row->contains(row->mapFromParent(pos)))
            return i;
    }
    return -1;
}

QList<int> PreviewListContainer::selectedIndexes() const
{
    QList<int> indexes;
    for (int i = 0; i < count(); ++i) {
        if (item(i) && item(i)->selected())
            indexes << i;
    }
    return indexes;
}

void PreviewListContainer::updateCurrentFromSelection()
{
    Q_D(PreviewListContainer);
    const QList<int> selected = selectedIndexes();
    d->currentIndex = selected.isEmpty() ? -1 : selected.constFirst();
}

void PreviewListContainer::_select(int index, bool selected)
{
    UIAbstractViewItem *row = item(index);
    if (row && row->selected() != selected) {
        row->setSelected(selected);
        row->update();
    }
}

qreal PreviewListContainer::_offsetOf(int index, int oldCurrent) const
{
    // The top of the item, or its bottom when the selection moves down, so the caller can
    // scroll the whole item into view.
    qreal offset = 0;
    for (int i = 0; i < index; ++i)
        offset += item(i) ? item(i)->geometry().height() : 0;
    if (index > oldCurrent && item(index))
        offset += item(index)->geometry().height();
    return offset;
}

void PreviewListContainer::setCurrentIndex(int index)
{
    Q_D(PreviewListContainer);
    const int old = d->currentIndex;
    if (item(old) && item(old)->selected())
        _select(old, false);
    if (item(index) && !item(index)->selected())
        _select(index, true);
    if (index == -1)
        return;
    const qreal offset = _offsetOf(index, old);
    d->currentIndex = index;
    Q_EMIT selectPosChanged(int(offset));
}

void PreviewListContainer::moveCurrent(int delta)
{
    Q_D(PreviewListContainer);
    if (count() == 0)
        return;
    setCurrentIndex(std::clamp(d->currentIndex + delta, 0, count() - 1));
}

void PreviewListContainer::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    UIAbstractItemContainer::resizeEvent(event);
    // A new width can change every item's height; a new height is this function's own doing.
    if (!qFuzzyCompare(event->oldSize().width(), event->newSize().width()))
        layoutItems(0);
}

void PreviewListContainer::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    Q_D(PreviewListContainer);
    event->accept();
    const int index = indexAt(event->pos());
    if (index == -1)
        return;
    const Qt::MouseButton button = event->button();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (!d->multiSelection) {
        if (button == Qt::LeftButton)
            Q_EMIT leftButtonPressed(index);
        setCurrentIndex(index);
    } else if (button == Qt::LeftButton && (modifiers & Qt::ControlModifier)) {
        _select(index, !item(index)->selected());
        d->currentIndex = index;
    } else if (button == Qt::LeftButton && (modifiers & Qt::ShiftModifier)) {
        const int from = std::min(d->currentIndex, index);
        const int to = std::max(d->currentIndex, index);
        for (int i = 0; i < count(); ++i)
            _select(i, i >= from && i <= to);
    } else if (button == Qt::LeftButton) {
        if (!item(index)->selected()) {
            const qreal offset = _offsetOf(index, d->currentIndex);
            for (int i = 0; i < count(); ++i)
                _select(i, i == index);
            Q_EMIT selectPosChanged(int(offset));
        }
        d->currentIndex = index;
    } else if (!item(index)->selected()) {
        for (int i = 0; i < count(); ++i)
            _select(i, i == index);
        d->currentIndex = index;
    }
    d->pressPos = event->pos();
    d->pressed = button == Qt::LeftButton;
}

void PreviewListContainer::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    Q_D(PreviewListContainer);
    if (!d->pressed || !(event->buttons() & Qt::LeftButton))
        return;
    const QPointF moved = event->pos() - d->pressPos;
    if (std::abs(moved.x()) + std::abs(moved.y()) < QApplication::startDragDistance())
        return;
    if (indexAt(d->pressPos) == -1 || !d->formater)
        return;
    d->pressed = false;
    _startDrag(event->widget());
}

void PreviewListContainer::_startDrag(QWidget *source)
{
    Q_D(PreviewListContainer);
    QList<QStandardItem *> dragged;
    for (const int index : selectedIndexes()) {
        if (QStandardItem *modelItem = item(index)->modelItem())
            dragged << modelItem;
    }
    QMimeData *data = d->formater->createMimeData(dragged);
    if (!data)
        return;
    data->setData(QString::fromLatin1(RowDragFormat), d->dragToken);
    const QPointer<PreviewListContainer> alive(this);
    auto *drag = new QDrag(source ? static_cast<QObject *>(source) : this);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction);
    // The drag is over, wherever it ended: no more scrolling on its behalf.
    if (alive && d->widget)
        d->widget->_stopAutoScroll();
}

void PreviewListContainer::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    Q_D(PreviewListContainer);
    d->pressed = false;
    const int index = indexAt(event->pos());
    if (index == -1) {
        d->pressPos = QPointF();
        return;
    }
    const QPointer<PreviewListContainer> alive(this);
    const Qt::MouseButton button = event->button();
    if (!d->multiSelection) {
        if (button == Qt::LeftButton) {
            Q_EMIT leftButtonClicked(index);
        } else if (button == Qt::RightButton) {
            Q_EMIT rightButtonClicked(index);
            if (alive)
                Q_EMIT contextMenu(index);
        }
    } else if (button != Qt::LeftButton) {
        const QList<int> selected = selectedIndexes();
        if (selected.size() < 2) {
            Q_EMIT rightButtonClicked(index);
            if (alive)
                Q_EMIT contextMenu(index);
        } else {
            Q_EMIT rightButtonMultiClicked(selected);
        }
    } else if (!(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) {
        for (int i = 0; i < count(); ++i)
            _select(i, i == index);
        Q_EMIT leftButtonClicked(index);
    }
    if (alive)
        d->pressPos = QPointF();
}

void PreviewListContainer::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    const int index = indexAt(event->pos());
    if (index != -1 && event->button() == Qt::LeftButton)
        Q_EMIT leftButtonDoubleClicked(index);
    event->accept();
}

void PreviewListContainer::keyPressEvent(QKeyEvent *event)
{
    Q_D(PreviewListContainer);
    if (count() == 0) {
        event->ignore();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Home:
        setCurrentIndex(0);
        break;
    case Qt::Key_End:
        setCurrentIndex(count() - 1);
        break;
    case Qt::Key_Up:
        moveCurrent(-1);
        break;
    case Qt::Key_Down:
        moveCurrent(1);
        break;
    default:
        event->ignore();
        return;
    }
    Q_UNUSED(d)
    event->accept();
}

bool PreviewListContainer::_isOwnDrag(const QGraphicsSceneDragDropEvent *event) const
{
    Q_D(const PreviewListContainer);
    // Files from the desktop, text from another program or rows of another list carry no
    // mark of this list: dropping them here must not move a row.
    const QMimeData *data = event->mimeData();
    return data && data->data(QString::fromLatin1(RowDragFormat)) == d->dragToken;
}

void PreviewListContainer::dragEnterEvent(QGraphicsSceneDragDropEvent *event)
{
    Q_D(PreviewListContainer);
    d->ownDragOver = _isOwnDrag(event);
    if (!d->ownDragOver) {
        event->ignore();
        return;
    }
    if (d->widget)
        d->widget->_stopAutoScroll();
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void PreviewListContainer::dragMoveEvent(QGraphicsSceneDragDropEvent *event)
{
    Q_D(PreviewListContainer);
    d->ownDragOver = _isOwnDrag(event);
    if (!d->ownDragOver) {
        event->ignore();
        return;
    }
    const int index = indexAt(event->pos());
    for (int i = 0; i < count(); ++i) {
        if (UIAbstractViewItem *row = item(i))
            row->setHover(i == index);
    }
    if (index == -1) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void PreviewListContainer::dragLeaveEvent(QGraphicsSceneDragDropEvent *event)
{
    Q_D(PreviewListContainer);
    Q_UNUSED(event)
    if (d->widget && d->ownDragOver)
        d->widget->_startAutoScroll();
    d->ownDragOver = false;
}

void PreviewListContainer::dropEvent(QGraphicsSceneDragDropEvent *event)
{
    Q_D(PreviewListContainer);
    d->ownDragOver = false;
    if (!_isOwnDrag(event)) {
        event->ignore();
        return;
    }
    const int target = indexAt(event->pos());
    for (int i = 0; i < count(); ++i) {
        if (UIAbstractViewItem *row = item(i))
            row->setHover(false);
    }
    d->pressPos = QPointF();
    if (target == -1) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    if (d->widget)
        Q_EMIT d->widget->sigDropItem(d->currentIndex, target);
}
