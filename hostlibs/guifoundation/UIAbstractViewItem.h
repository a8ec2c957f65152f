#pragma once

#include "UIControl.h"

class QStandardItem;
class UIAbstractViewItemPrivate;

// A row of an item view, bound to one model item. Views keep one item of each kind as a
// prototype and ask it for new rows with createItem(), so a subclass decides for which model
// items it makes rows.
class GUIFOUNDATION_EXPORT UIAbstractViewItem : public UIControl
{
    Q_OBJECT

public:
    explicit UIAbstractViewItem(QGraphicsItem *parent = nullptr);
    ~UIAbstractViewItem() override;

    QStandardItem *modelItem() const;
    void setModelItem(QStandardItem *item);

    bool selected() const;
    virtual void setSelected(bool selected);
    bool isHover() const;
    virtual void setHover(bool hover);

    // A new row for item under parent, or null when this kind of row does not show it. The
    // default makes none.
    virtual UIAbstractViewItem *createItem(QStandardItem *item, QGraphicsItem *parent) const;
    // The model item's data changed; rows refresh what they show. The default repaints.
    virtual void updateFromModel();
    // Called by views before the row first comes into sight (and again later, harmlessly): a
    // list may hold thousands of rows, so rows can put off building their child controls until
    // then. The default does nothing.
    virtual void prepareToShow();

protected:
    UIAbstractViewItem(UIAbstractViewItemPrivate &dd, QGraphicsItem *parent);

private:
    Q_DECLARE_PRIVATE(UIAbstractViewItem)
};
