#include "UIAbstractItemView.h"
#include "UIAbstractItemView_p.h"

UIAbstractItemView::UIAbstractItemView(QGraphicsItem *parent)
    : UIAbstractItemView(*new UIAbstractItemViewPrivate, parent)
{}

UIAbstractItemView::UIAbstractItemView(UIAbstractItemViewPrivate &dd, QGraphicsItem *parent)
    : UIScrollAreaControl(dd, parent)
{}

UIAbstractItemView::~UIAbstractItemView() = default;

QStandardItemModel *UIAbstractItemView::model() const
{
    Q_D(const UIAbstractItemView);
    return d->model;
}

void UIAbstractItemView::setModel(QStandardItemModel *model)
{
    Q_D(UIAbstractItemView);
    if (d->model)
        disconnect(d->model, nullptr, this, nullptr);
    d->model = model;
    if (model) {
        model->setParent(this);
        connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                &UIAbstractItemView::rowsAboutToBeRemoved);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &UIAbstractItemView::rowsRemoved);
        connect(model, &QAbstractItemModel::rowsInserted, this, &UIAbstractItemView::rowsInserted);
        connect(model, &QAbstractItemModel::modelReset, this, &UIAbstractItemView::modelReset);
        connect(model, &QStandardItemModel::itemChanged, this, &UIAbstractItemView::itemChanged);
    }
    modelReset();
}

void UIAbstractItemView::modelReset() {}

void UIAbstractItemView::rowsAboutToBeRemoved(const QModelIndex &, int, int) {}

void UIAbstractItemView::rowsRemoved(const QModelIndex &, int, int) {}

void UIAbstractItemView::rowsInserted(const QModelIndex &, int, int) {}

void UIAbstractItemView::itemChanged(QStandardItem *) {}
