#pragma once

#include "UIScrollAreaControl.h"

#include <QModelIndex>

class QStandardItem;
class QStandardItemModel;
class UIAbstractItemViewPrivate;

// A scroll area that mirrors the rows of a QStandardItemModel. Subclasses make the row
// controls in the model slots.
class UIAbstractItemView : public UIScrollAreaControl
{
    Q_OBJECT

public:
    explicit UIAbstractItemView(QGraphicsItem *parent = nullptr);
    ~UIAbstractItemView() override;

    QStandardItemModel *model() const;
    // Binds model: the view becomes its parent (and so its owner), follows its changes from now
    // on, and rebuilds its rows. The previous model is let go (not deleted).
    Q_INVOKABLE void setModel(QStandardItemModel *model);

public Q_SLOTS:
    virtual void modelReset();
    virtual void rowsAboutToBeRemoved(const QModelIndex &parent, int first, int last);
    virtual void rowsRemoved(const QModelIndex &parent, int first, int last);
    virtual void rowsInserted(const QModelIndex &parent, int first, int last);
    virtual void itemChanged(QStandardItem *item);

protected:
    UIAbstractItemView(UIAbstractItemViewPrivate &dd, QGraphicsItem *parent);

private:
    Q_DECLARE_PRIVATE(UIAbstractItemView)
};
