#pragma once

#include <guifoundation/UIControl.h>

class UIAbstractItemContainerPrivate;
class UIAbstractViewItem;

// The ordered item controls of a list. Items removed from it are hidden at once and deleted
// when control returns to the event loop, so a signal of a removed item can still finish.
class UIAbstractItemContainer : public UIControl
{
    Q_OBJECT

public:
    explicit UIAbstractItemContainer(QGraphicsItem *parent = nullptr);
    ~UIAbstractItemContainer() override;

    int count() const;
    // The item at index, or null when out of range.
    UIAbstractViewItem *item(int index) const;
    int indexOf(const UIAbstractViewItem *item) const;

    // The parent item for new item controls (at the container's origin).
    QGraphicsItem *itemParent() const;
    // Takes the items, inserted at index (appended when out of range).
    void insertItems(int index, const QList<UIAbstractViewItem *> &items);
    // Removes items first..last (clamped).
    void removeItems(int first, int last);
    void clearItems();

Q_SIGNALS:
    void leftButtonClicked(int index);
    void rightButtonClicked(int index);
    void rightButtonMultiClicked(QList<int> indexes);
    void leftButtonDoubleClicked(int index);
    void contextMenu(int index);
    void selectPosChanged(int offset);
    void leftButtonPressed(int index);

protected:
    UIAbstractItemContainer(UIAbstractItemContainerPrivate &dd, QGraphicsItem *parent);

private:
    Q_DECLARE_PRIVATE(UIAbstractItemContainer)
};
