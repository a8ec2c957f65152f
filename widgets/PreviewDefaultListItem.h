#pragma once

#include <guifoundation/UIAbstractViewItem.h>

class UIFrameControl;
class UILabelControl;

// The list's default row: the model item's text, a highlight when selected and a lighter wash
// under the mouse. 24 high at any width. A text wider than the row is elided and offered whole
// as a tool tip. The highlight and the text label are built when the row first comes into sight.
class PreviewDefaultListItem : public UIAbstractViewItem
{
    Q_OBJECT

public:
    explicit PreviewDefaultListItem(QGraphicsItem *parent = nullptr);
    ~PreviewDefaultListItem() override;

    void setSelected(bool selected) override;
    UIAbstractViewItem *createItem(QStandardItem *item, QGraphicsItem *parent) const override;
    void updateFromModel() override;
    // Builds the mask and the label.
    void prepareToShow() override;

    UILabelControl *label();

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;

private:
    void _updateToolTip();
    void _placeContent();

    UIFrameControl *m_mask = nullptr;
    UILabelControl *m_label = nullptr;
};
