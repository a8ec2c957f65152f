#include "PreviewDefaultListItem.h"

#include <guifoundation/UIFrameControl.h>
#include <guifoundation/UILabelControl.h>
#include <guifoundation/UITheme.h>
#include <guifoundation/UIToolTip.h>

#include <QPainter>
#include <QStandardItem>

namespace {
const QString SelectedMask = QStringLiteral(":/theme/preview/item_selected_mask.png");
const QString HoverPicture = QStringLiteral(":/theme/preview/item_hover.png");
constexpr qreal RowHeight = 24;
constexpr qreal TextIndent = 10;
} // namespace

PreviewDefaultListItem::PreviewDefaultListItem(QGraphicsItem *parent)
    : UIAbstractViewItem(parent)
{
    setLayout(FreeLayout);
    setAcceptHoverEvents(true);
}

void PreviewDefaultListItem::prepareToShow()
{
    if (m_label)
        return;
    m_mask = new UIFrameControl(this);
    m_mask->setObjectName(QStringLiteral("backgroundframeitem"));
    m_mask->setImage(SelectedMask);
    m_label = new UILabelControl(this);
    m_label->setObjectName(QStringLiteral("textLabel"));
    setSelected(selected());
    updateFromModel();
    _placeContent();
}

UILabelControl *PreviewDefaultListItem::label()
{
    prepareToShow();
    return m_label;
}

PreviewDefaultListItem::~PreviewDefaultListItem() = default;

UIAbstractViewItem *PreviewDefaultListItem::createItem(QStandardItem *item,
                                                       QGraphicsItem *parent) const
{
    auto *row = new PreviewDefaultListItem(parent);
    row->setModelItem(item);
    return row;
}

void PreviewDefaultListItem::updateFromModel()
{
    if (m_label) {
        m_label->setText(modelItem() ? modelItem()->text() : QString());
        _updateToolTip();
    }
    update();
}

void PreviewDefaultListItem::setSelected(bool selected)
{
    UIAbstractViewItem::setSelected(selected);
    if (m_label) {
        m_mask->setVisible(selected);
        // The list's field text; a selected row is told by its mask.
        m_label->setTextRole(UITheme::FieldText);
    }
}

QSizeF PreviewDefaultListItem::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    if (which == Qt::PreferredSize)
        return QSizeF(constraint.width() > 0 ? constraint.width() : width(), RowHeight);
    return UIAbstractViewItem::sizeHint(which, constraint);
}

void PreviewDefaultListItem::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    UIAbstractViewItem::resizeEvent(event);
    _placeContent();
}

void PreviewDefaultListItem::_placeContent()
{
    if (!m_label)
        return;
    m_mask->setGeometry(rect());
    m_label->setGeometry(rect().adjusted(TextIndent, 0, -4, 0));
    _updateToolTip();
}

void PreviewDefaultListItem::_updateToolTip()
{
    if (!m_label)
        return;
    if (m_label->isElided())
        UIToolTip::toolTipInstance()->attachWidget(m_label);
    else
        UIToolTip::toolTipInstance()->detachWidget(m_label);
}

void PreviewDefaultListItem::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    setHover(true);
    UIAbstractViewItem::hoverEnterEvent(event);
}

void PreviewDefaultListItem::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    setHover(false);
    UIAbstractViewItem::hoverLeaveEvent(event);
}

void PreviewDefaultListItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                                   QWidget *widget)
{
    UIAbstractViewItem::paint(painter, option, widget);
    if (!isHover() || selected())
        return;
    const QPixmap picture = UITheme::pixmap(HoverPicture, UITheme::devicePixelRatio(painter));
    if (picture.isNull())
        painter->fillRect(rect(), QColor(255, 255, 255, 18));
    else
        painter->drawPixmap(rect(), picture, QRectF(QPointF(), picture.size()));
}
