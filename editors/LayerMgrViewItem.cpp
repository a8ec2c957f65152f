#include "LayerMgrViewItem.h"

#include "LayersMgrWindow.h"
#include "LayerType.h"

#include <guifoundation/UICheckBoxControl.h>
#include <guifoundation/UILabelControl.h>
#include <guifoundation/UITheme.h>

#include <QPainter>
#include <QStandardItem>

namespace {
constexpr int DefaultHeight = 30;
} // namespace

LayerMgrViewItem::LayerMgrViewItem(QGraphicsItem *parent)
    : UIAbstractViewItem(parent)
{
    setDragFlag(DragItems);
}

LayerMgrViewItem::LayerMgrViewItem(QStandardItem *item, QGraphicsItem *parent)
    : UIAbstractViewItem(parent)
{
    setModelItem(item);
    setAcceptHoverEvents(true);
    setLayout(HorizontalLayout);
    setMargins(QMarginsF(10, 2, 5, 2));
    setSpacing(10);

    m_checkBox = new UICheckBoxControl(this);
    m_checkBox->setImagePath(QStringLiteral(":/theme/preview/check_select.png"));
    m_checkBox->setFixSize(QSizeF(18, 18));
    addItem(m_checkBox);

    m_nameLabel = new UILabelControl(this);
    m_nameLabel->setTextRole(UITheme::FieldText);
    m_nameLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    addItem(m_nameLabel, 1);
    updateFromModel();
}

LayerMgrViewItem::~LayerMgrViewItem() = default;

UICheckBoxControl *LayerMgrViewItem::checkBox() const
{
    return m_checkBox;
}

UILabelControl *LayerMgrViewItem::nameLabel() const
{
    return m_nameLabel;
}

UIAbstractViewItem *LayerMgrViewItem::createItem(QStandardItem *item, QGraphicsItem *parent) const
{
    if (!item || item->data(LayersMgrWindow::RowKindRole).toInt() != LayersMgrWindow::LayerRow)
        return nullptr;
    return new LayerMgrViewItem(item, parent);
}

void LayerMgrViewItem::updateFromModel()
{
    const QStandardItem *item = modelItem();
    if (!item || !m_checkBox || !m_nameLabel)
        return;
    m_checkBox->setCheckState(item->data(LayersMgrWindow::CombineRole).toBool());
    // The game layer of the default stack carries no name; a row still says what it is.
    QString name = item->data(LayersMgrWindow::NameRole).toString();
    if (name.isEmpty())
        name = _kindName(item->data(LayersMgrWindow::LayerTypeRole).toInt());
    m_nameLabel->setText(name);
    // A long name is cut in the row; the whole of it is a tool tip away.
    m_nameLabel->setToolTip(m_nameLabel->isElided() ? name : QString());
    const int height = item->data(LayersMgrWindow::RowHeightRole).toInt();
    m_height = height > 0 ? height : DefaultHeight;
    updateGeometry();
    update();
}

QString LayerMgrViewItem::_kindName(int type)
{
    switch (type) {
    case LT_GAMEVIDEO:
        return tr("game video");
    case LT_CAMERA:
        return tr("camera");
    case LT_PICTURE:
        return tr("picture");
    case LT_TEXT:
        return tr("text");
    default:
        return QString();
    }
}

void LayerMgrViewItem::setSelected(bool selected)
{
    UIAbstractViewItem::setSelected(selected);
    update();
}

void LayerMgrViewItem::setHover(bool hover)
{
    UIAbstractViewItem::setHover(hover);
    update();
}

QSizeF LayerMgrViewItem::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    if (which == Qt::PreferredSize)
        return QSizeF(constraint.width() > 0 ? constraint.width() : size().width(), m_height);
    return UIAbstractViewItem::sizeHint(which, constraint);
}

void LayerMgrViewItem::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    setHover(true);
    UIAbstractViewItem::hoverEnterEvent(event);
}

void LayerMgrViewItem::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    setHover(false);
    UIAbstractViewItem::hoverLeaveEvent(event);
}

void LayerMgrViewItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                             QWidget *widget)
{
    Q_UNUSED(option)
    Q_UNUSED(widget)
    // In the list's colours, which follow the window's theme.
    UITheme::Role fill = UITheme::Field;
    if (selected())
        fill = UITheme::Selection;
    else if (isHover())
        fill = UITheme::Hover;
    painter->fillRect(rect(), UITheme::color(fill, palette()));
    if (selected()) {
        painter->fillRect(QRectF(0, 0, 3, height()), UITheme::accent());
    }
}
