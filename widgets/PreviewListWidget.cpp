#include "PreviewListWidget.h"
#include "PreviewListWidget_p.h"

#include "PreviewDefaultListItem.h"
#include "PreviewListContainer.h"
#include "UIScrollBarControlEx.h"

#include <guifoundation/UIRegistration.h>

#include <QCursor>
#include <QGraphicsSceneHoverEvent>
#include <QKeyEvent>
#include <QStandardItemModel>

UI_REGISTER_CONTROL(PreviewListWidget);

namespace {
constexpr qreal WheelStep = 24;
constexpr int AutoScrollInterval = 100;
constexpr qreal AutoScrollStep = 10;
} // namespace

PreviewListWidget::PreviewListWidget(QGraphicsItem *parent)
    : PreviewListWidget(*new PreviewListWidgetPrivate, parent)
{}

PreviewListWidget::PreviewListWidget(PreviewListWidgetPrivate &dd, QGraphicsItem *parent)
    : UIAbstractItemView(dd, parent)
{
    Q_D(PreviewListWidget);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptHoverEvents(true);
    setDragFlag(DragItems);
    d->factories.push_back(std::make_unique<PreviewDefaultListItem>());
    if (!scrollBar())
        setScrollBar(new UIScrollBarControlEx(this));
    scrollBar()->setSingleStep(WheelStep);
    d->container = new PreviewListContainer(this);
    d->container->setListWidget(this);
    setContentWidget(d->container);

    connect(d->container, &UIAbstractItemContainer::leftButtonClicked, this,
            &PreviewListWidget::leftButtonClicked);
    connect(d->container, &UIAbstractItemContainer::rightButtonClicked, this,
            &PreviewListWidget::rightButtonClicked);
    connect(d->container, &UIAbstractItemContainer::rightButtonMultiClicked, this,
            &PreviewListWidget::rightButtonMultiClicked);
    connect(d->container, &UIAbstractItemContainer::leftButtonDoubleClicked, this,
            &PreviewListWidget::leftButtonDoubleClicked);
    connect(d->container, &UIAbstractItemContainer::leftButtonPressed, this,
            &PreviewListWidget::leftButtonPressed);
    connect(d->container, &UIAbstractItemContainer::selectPosChanged, this,
            &PreviewListWidget::on_selectPosChanged);
    connect(&d->scrollTimer, &QTimer::timeout, this, &PreviewListWidget::onScrollingTimeout);
    connect(this, &UIScrollAreaControl::scrollPosChanged, this,
            &PreviewListWidget::_prepareVisibleRows);
    connect(d->container, &QGraphicsWidget::geometryChanged, this,
            &PreviewListWidget::_prepareVisibleRows);
    connect(this, &QGraphicsWidget::geometryChanged, this, &PreviewListWidget::_prepareVisibleRows);
}

void PreviewListWidget::_prepareVisibleRows()
{
    Q_D(PreviewListWidget);
    // Rows are stacked from the top: find the first one reaching into the view, then go on
    // while they start inside it.
    const qreal top = scrollValue();
    const qreal bottom = top + height();
    int first = 0;
    int last = d->container->count() - 1;
    while (first < last) {
        const int middle = (first + last) / 2;
        const UIAbstractViewItem *row = d->container->item(middle);
        if (row && row->geometry().bottom() <= top)
            first = middle + 1;
        else
            last = middle;
    }
    for (int i = first; i < d->container->count(); ++i) {
        UIAbstractViewItem *row = d->container->item(i);
        if (!row)
            continue;
        if (row->geometry().top() >= bottom)
            break;
        row->prepareToShow();
    }
}

PreviewListWidget::~PreviewListWidget() = default;

PreviewListContainer *PreviewListWidget::container() const
{
    Q_D(const PreviewListWidget);
    return d->container;
}

void PreviewListWidget::insertItemFactory(UIAbstractViewItem *prototype)
{
    Q_D(PreviewListWidget);
    if (prototype)
        d->factories.insert(d->factories.begin(), std::unique_ptr<UIAbstractViewItem>(prototype));
}

void PreviewListWidget::setMultiSelection(bool multiple)
{
    Q_D(PreviewListWidget);
    d->container->setMultiSelection(multiple);
}

bool PreviewListWidget::isMultiSelection() const
{
    Q_D(const PreviewListWidget);
    return d->container->isMultiSelection();
}

void PreviewListWidget::setDragDataFormater(UIDragDropDataFormater *formater)
{
    Q_D(PreviewListWidget);
    d->container->setDragDataFormater(formater);
}

void PreviewListWidget::setCurrentIndex(int index)
{
    Q_D(PreviewListWidget);
    d->container->setCurrentIndex(index);
}

int PreviewListWidget::currentIndex() const
{
    Q_D(const PreviewListWidget);
    return d->container->currentIndex();
}

UIAbstractViewItem *PreviewListWidget::item(int index) const
{
    Q_D(const PreviewListWidget);
    return d->container->item(index);
}

int PreviewListWidget::count() const
{
    Q_D(const PreviewListWidget);
    return d->container->count();
}

void PreviewListWidget::clear()
{
    Q_D(PreviewListWidget);
    d->container->clearItems();
    d->container->setCurrentIndex(-1);
    d->container->updateCurrentFromSelection();
    d->container->layoutItems(0);
}

void PreviewListWidget::beginInsertItems()
{
    Q_D(PreviewListWidget);
    d->batch = true;
}

void PreviewListWidget::endInsertItems(int first, int last)
{
    Q_D(PreviewListWidget);
    d->batch = false;
    _insertRows(first, last);
}

UIAbstractViewItem *PreviewListWidget::_createItem(QStandardItem *modelItem)
{
    Q_D(PreviewListWidget);
    for (const auto &factory : d->factories) {
        if (UIAbstractViewItem *made = factory->createItem(modelItem, d->container->itemParent()))
            return made;
    }
    return nullptr;
}

void PreviewListWidget::_insertRows(int first, int last)
{
    Q_D(PreviewListWidget);
    if (!d->model || first < 0 || last < first)
        return;
    QList<UIAbstractViewItem *> made;
    for (int row = first; row <= last && row < d->model->rowCount(); ++row) {
        if (UIAbstractViewItem *rowItem = _createItem(d->model->item(row, 0)))
            made << rowItem;
    }
    d->container->insertItems(first, made);
    d->container->layoutItems(first);
    _prepareVisibleRows();
}

void PreviewListWidget::modelReset()
{
    Q_D(PreviewListWidget);
    d->container->clearItems();
    d->container->setCurrentIndex(-1);
    d->container->updateCurrentFromSelection();
    if (d->model) {
        QList<UIAbstractViewItem *> made;
        const int rows = d->model->rowCount();
        made.reserve(rows);
        for (int row = 0; row < rows; ++row) {
            if (UIAbstractViewItem *rowItem = _createItem(d->model->item(row, 0)))
                made << rowItem;
        }
        d->container->insertItems(0, made);
    }
    d->container->resize(size());
    d->container->layoutItems(0);
    _prepareVisibleRows();
}

void PreviewListWidget::rowsAboutToBeRemoved(const QModelIndex &parent, int first, int last)
{
    Q_D(PreviewListWidget);
    if (!parent.isValid())
        d->container->removeItems(first, last);
}

void PreviewListWidget::rowsRemoved(const QModelIndex &parent, int first, int last)
{
    Q_D(PreviewListWidget);
    Q_UNUSED(last)
    if (parent.isValid())
        return;
    d->container->layoutItems(first);
    d->container->updateCurrentFromSelection();
    _prepareVisibleRows();
}

void PreviewListWidget::rowsInserted(const QModelIndex &parent, int first, int last)
{
    Q_D(PreviewListWidget);
    if (!parent.isValid() && !d->batch)
        _insertRows(first, last);
}

void PreviewListWidget::itemChanged(QStandardItem *changed)
{
    Q_D(PreviewListWidget);
    for (int i = 0; i < d->container->count(); ++i) {
        UIAbstractViewItem *row = d->container->item(i);
        if (row && row->modelItem() == changed) {
            row->updateFromModel();
            d->container->layoutItems(i);
            return;
        }
    }
}

void PreviewListWidget::on_selectPosChanged(int offset)
{
    const qreal value = qRound(scrollValue());
    const qreal viewHeight = height();
    if (offset < value)
        scrollTo(offset);
    else if (offset > value + viewHeight)
        scrollTo(offset - viewHeight);
    Q_EMIT selectItemChange(this, offset);
}

void PreviewListWidget::_startAutoScroll()
{
    Q_D(PreviewListWidget);
    if (!d->scrollTimer.isActive())
        d->scrollTimer.start(AutoScrollInterval);
}

void PreviewListWidget::_stopAutoScroll()
{
    Q_D(PreviewListWidget);
    d->scrollTimer.stop();
}

void PreviewListWidget::onScrollingTimeout()
{
    Q_D(PreviewListWidget);
    const QRect global = globalRect();
    const int cursorY = QCursor::pos().y();
    qreal value = scrollValue();
    if (cursorY < global.top())
        value -= AutoScrollStep;
    else if (cursorY > global.bottom())
        value += AutoScrollStep;
    const qreal maximum = scrollBar() ? scrollBar()->maximum() : 0;
    if (!(value >= 1 && value <= maximum))
        d->scrollTimer.stop();
    scrollTo(value);
}

void PreviewListWidget::keyPressEvent(QKeyEvent *event)
{
    Q_D(PreviewListWidget);
    if (d->container->count() == 0) {
        event->ignore();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Home:
        d->container->setCurrentIndex(0);
        break;
    case Qt::Key_End:
        d->container->setCurrentIndex(d->container->count() - 1);
        break;
    case Qt::Key_Up:
        d->container->moveCurrent(-1);
        break;
    case Qt::Key_Down:
        d->container->moveCurrent(1);
        break;
    case Qt::Key_Menu:
        Q_EMIT rightButtonClicked(d->container->currentIndex());
        break;
    default:
        UIAbstractItemView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void PreviewListWidget::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    Q_D(PreviewListWidget);
    const QPointF at = mapToItem(d->container, event->pos());
    for (int i = 0; i < d->container->count(); ++i) {
        UIAbstractViewItem *row = d->container->item(i);
        if (!row)
            continue;
        if (row->isHover() && row->contains(row->mapFromParent(at)))
            break;
        row->setHover(false);
    }
    UIAbstractItemView::hoverEnterEvent(event);
}
