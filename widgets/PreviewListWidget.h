#pragma once

#include "UIAbstractItemView.h"

class PreviewListContainer;
class PreviewListWidgetPrivate;
class UIAbstractViewItem;
class UIDragDropDataFormater;

// A vertical, scrollable list of item controls mirroring the rows (column 0) of a
// QStandardItemModel: single or multiple selection (Ctrl toggles, Shift selects a range), Home,
// End, Up and Down, drag-and-drop re-ordering with automatic scrolling, and its clicks as
// signals. Registered for layout files as "PreviewListWidget".
class PreviewListWidget : public UIAbstractItemView
{
    Q_OBJECT

public:
    explicit PreviewListWidget(QGraphicsItem *parent = nullptr);
    ~PreviewListWidget() override;

    // Puts prototype in front of the item factories; the list owns it. Each row is made by
    // the first factory that makes one for the row's model item.
    void insertItemFactory(UIAbstractViewItem *prototype);
    void setMultiSelection(bool multiple);
    bool isMultiSelection() const;
    // The list owns the formatter; without one, rows cannot be dragged.
    void setDragDataFormater(UIDragDropDataFormater *formater);
    Q_INVOKABLE void setCurrentIndex(int index);
    Q_INVOKABLE int currentIndex() const;
    // The row control at index, or null when out of range.
    UIAbstractViewItem *item(int index) const;
    Q_INVOKABLE int count() const;
    // Removes every row control (the model is left as it is).
    void clear();
    // Rows inserted between begin and end get their controls at end, in one go.
    void beginInsertItems();
    void endInsertItems(int first, int last);

    PreviewListContainer *container() const;

Q_SIGNALS:
    void leftButtonClicked(int index);
    void rightButtonClicked(int index);
    void rightButtonMultiClicked(QList<int> indexes);
    void leftButtonDoubleClicked(int index);
    void selectItemChange(QObject *list, int offset);
    void leftButtonPressed(int index);
    // A row was dragged from the current index and dropped on the row at index to.
    void sigDropItem(int from, int to);

public Q_SLOTS:
    void on_selectPosChanged(int offset);
    void onScrollingTimeout();

    void modelReset() override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int first, int last) override;
    void rowsRemoved(const QModelIndex &parent, int first, int last) override;
    void rowsInserted(const QModelIndex &parent, int first, int last) override;
    void itemChanged(QStandardItem *item) override;

protected:
    PreviewListWidget(PreviewListWidgetPrivate &dd, QGraphicsItem *parent);

    void keyPressEvent(QKeyEvent *event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;

private:
    friend class PreviewListContainer;
    UIAbstractViewItem *_createItem(QStandardItem *modelItem);
    void _insertRows(int first, int last);
    void _prepareVisibleRows();
    void _startAutoScroll();
    void _stopAutoScroll();

    Q_DECLARE_PRIVATE(PreviewListWidget)
};
