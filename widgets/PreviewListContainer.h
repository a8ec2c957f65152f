#pragma once

#include "UIAbstractItemContainer.h"

class PreviewListContainerPrivate;
class PreviewListWidget;
class UIDragDropDataFormater;

// The inside of a PreviewListWidget: stacks the item controls from the top, and turns mouse,
// keys and drag-and-drop into selection changes and signals.
class PreviewListContainer : public UIAbstractItemContainer
{
    Q_OBJECT

public:
    // The drags the list starts carry this format beside the formatter's data, with a mark of
    // the list; drops without that mark (files, other programs, other lists) move no row.
    static constexpr const char *RowDragFormat = "application/x-previewlistwidget-rows";

    explicit PreviewListContainer(QGraphicsItem *parent = nullptr);
    ~PreviewListContainer() override;

    int currentIndex() const;
    // Selects index alone as the list's current item and reports where it is.
    void setCurrentIndex(int index);

    bool isMultiSelection() const;
    void setMultiSelection(bool multiple);
    // The container owns the formatter; a previous one is deleted.
    void setDragDataFormater(UIDragDropDataFormater *formater);
    void setListWidget(PreviewListWidget *widget);

    // Places the items from index on and sets the container's height.
    void layoutItems(int fromIndex = 0);
    // The index of the first item whose shape holds pos (container coordinates), or -1.
    int indexAt(const QPointF &pos) const;
    // Indexes of the selected items, in list order.
    QList<int> selectedIndexes() const;
    // Makes the index of the first selected item current (-1 when none).
    void updateCurrentFromSelection();
    // Moves the current index by delta, clamped to the list (keys).
    void moveCurrent(int delta);

protected:
    PreviewListContainer(PreviewListContainerPrivate &dd, QGraphicsItem *parent);

    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QGraphicsSceneDragDropEvent *event) override;
    void dragMoveEvent(QGraphicsSceneDragDropEvent *event) override;
    void dragLeaveEvent(QGraphicsSceneDragDropEvent *event) override;
    void dropEvent(QGraphicsSceneDragDropEvent *event) override;

private:
    qreal _offsetOf(int index, int oldCurrent) const;
    void _select(int index, bool selected);
    void _startDrag(QWidget *source);
    bool _isOwnDrag(const QGraphicsSceneDragDropEvent *event) const;

    Q_DECLARE_PRIVATE(PreviewListContainer)
};
