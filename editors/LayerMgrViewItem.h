#pragma once

#include <guifoundation/UIAbstractViewItem.h>

#include <QPointer>

class UICheckBoxControl;
class UILabelControl;

// One row of the layer manager: the box that puts the layer into the broadcast picture or takes
// it out, and the layer's name. Made only for model items whose row kind is a layer row.
class LayerMgrViewItem : public UIAbstractViewItem
{
    Q_OBJECT

public:
    // The prototype the list keeps; it shows nothing itself.
    explicit LayerMgrViewItem(QGraphicsItem *parent = nullptr);
    // A row for item.
    LayerMgrViewItem(QStandardItem *item, QGraphicsItem *parent);
    ~LayerMgrViewItem() override;

    UICheckBoxControl *checkBox() const;
    UILabelControl *nameLabel() const;

    UIAbstractViewItem *createItem(QStandardItem *item, QGraphicsItem *parent) const override;
    void updateFromModel() override;
    void setSelected(bool selected) override;
    void setHover(bool hover) override;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;

private:
    static QString _kindName(int type);

    QPointer<UICheckBoxControl> m_checkBox;
    QPointer<UILabelControl> m_nameLabel;
    int m_height = 30;
};
