#include "UIControl.h"
#include "UIControl_p.h"

#include "UIBoxLayout.h"
#include "UITheme.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QPainter>

UIControlPrivate::UIControlPrivate() = default;
UIControlPrivate::~UIControlPrivate() = default;

UIBoxLayout *UIControlPrivate::ensureLayout()
{
    if (!layout) {
        layout = new UIBoxLayout;
        layout->setMode(UIBoxLayout::Mode(layoutType));
        q_ptr->QGraphicsWidget::setLayout(layout);
    }
    return layout;
}

UIControl::UIControl(QGraphicsItem *parent)
    : UIControl(*new UIControlPrivate, parent)
{}

UIControl::UIControl(UIControlPrivate &dd, QGraphicsItem *parent)
    : QGraphicsWidget(parent)
    , d_ptr(&dd)
{
    Q_D(UIControl);
    d->q_ptr = this;
    // The base class constructor placed us under parent before this class existed.
    if (parent && parent->toGraphicsObject())
        setParent(parent->toGraphicsObject());
}

UIControl::~UIControl() = default;

qreal UIControl::width() const
{
    return size().width();
}

qreal UIControl::height() const
{
    return size().height();
}

void UIControl::setWidth(qreal width)
{
    resize(width, height());
}

void UIControl::setHeight(qreal height)
{
    resize(width(), height);
}

void UIControl::setFixSize(const QSizeF &size)
{
    setMinimumSize(size);
    setMaximumSize(size);
    setPreferredSize(size);
    resize(size);
}

void UIControl::setFixWidth(qreal width)
{
    setMinimumWidth(width);
    setMaximumWidth(width);
    setPreferredWidth(width);
    resize(width, height());
}

void UIControl::setFixHeight(qreal height)
{
    setMinimumHeight(height);
    setMaximumHeight(height);
    setPreferredHeight(height);
    resize(width(), height);
}

QMarginsF UIControl::margins() const
{
    Q_D(const UIControl);
    return d->layout ? d->layout->margins() : QMarginsF();
}

void UIControl::setMargins(const QMarginsF &margins)
{
    Q_D(UIControl);
    if (d->layout || !margins.isNull())
        d->ensureLayout()->setMargins(margins);
}

qreal UIControl::spacing() const
{
    Q_D(const UIControl);
    return d->layout ? d->layout->spacing() : 0;
}

void UIControl::setSpacing(qreal spacing)
{
    Q_D(UIControl);
    if (d->layout || spacing != 0)
        d->ensureLayout()->setSpacing(spacing);
}

int UIControl::layoutType() const
{
    Q_D(const UIControl);
    return d->layoutType;
}

void UIControl::setLayout(int type)
{
    Q_D(UIControl);
    if (type < HorizontalLayout || type > FreeLayout)
        return;
    d->layoutType = type;
    if (d->layout)
        d->layout->setMode(UIBoxLayout::Mode(type));
}

Qt::Alignment UIControl::contentAlignment() const
{
    Q_D(const UIControl);
    return d->layout ? d->layout->contentAlignment() : Qt::Alignment();
}

void UIControl::setContentAlignment(Qt::Alignment alignment)
{
    Q_D(UIControl);
    if (d->layout || alignment)
        d->ensureLayout()->setContentAlignment(alignment);
}

void UIControl::addItem(QGraphicsLayoutItem *item, int stretch, Qt::Alignment alignment)
{
    insertItem(-1, item, stretch, alignment);
}

void UIControl::insertItem(int index, QGraphicsLayoutItem *item, int stretch,
                           Qt::Alignment alignment)
{
    Q_D(UIControl);
    if (!item || item == this)
        return;
    // In free placement the layout only keeps the order; the item keeps its geometry.
    const QRectF geometry = item->geometry();
    d->ensureLayout()->insertItem(index, item, stretch, alignment);
    if (layoutType() == FreeLayout && item->graphicsItem())
        item->setGeometry(geometry);
}

void UIControl::removeItem(QGraphicsLayoutItem *item)
{
    Q_D(UIControl);
    if (d->layout)
        d->layout->removeItem(item);
}

void UIControl::addSpacing(qreal size)
{
    Q_D(UIControl);
    d->ensureLayout()->insertSpacer(-1, size, 0);
}

void UIControl::addStretch(int stretch)
{
    Q_D(UIControl);
    d->ensureLayout()->insertSpacer(-1, 0, std::max(1, stretch));
}

int UIControl::itemCount() const
{
    Q_D(const UIControl);
    return d->layout ? d->layout->count() : 0;
}

QGraphicsLayoutItem *UIControl::itemAt(int index) const
{
    Q_D(const UIControl);
    return d->layout ? d->layout->itemAt(index) : nullptr;
}

QColor UIControl::backgroundColor() const
{
    Q_D(const UIControl);
    return d->backgroundColor;
}

void UIControl::setBackgroundColor(const QColor &color)
{
    Q_D(UIControl);
    if (d->backgroundColor == color)
        return;
    d->backgroundColor = color;
    update();
}

UITheme::Role UIControl::backgroundRole() const
{
    Q_D(const UIControl);
    return d->backgroundRole;
}

void UIControl::setBackgroundRole(UITheme::Role role)
{
    Q_D(UIControl);
    if (d->backgroundRole == role)
        return;
    d->backgroundRole = role;
    update();
}

QString UIControl::backgroundImage() const
{
    Q_D(const UIControl);
    return d->backgroundImage;
}

void UIControl::setBackgroundImage(const QString &path)
{
    Q_D(UIControl);
    if (d->backgroundImage == path)
        return;
    d->backgroundImage = path;
    update();
}

int UIControl::dragFlag() const
{
    Q_D(const UIControl);
    return d->dragFlag;
}

void UIControl::setDragFlag(int flag)
{
    Q_D(UIControl);
    d->dragFlag = flag;
}

QGraphicsView *UIControl::graphicsView() const
{
    const QGraphicsScene *itemScene = scene();
    if (!itemScene)
        return nullptr;
    const QList<QGraphicsView *> views = itemScene->views();
    return views.isEmpty() ? nullptr : views.constFirst();
}

QPoint UIControl::mapToGlobal(const QPointF &pos) const
{
    const QGraphicsView *view = graphicsView();
    if (!view)
        return QPoint();
    return view->viewport()->mapToGlobal(view->mapFromScene(mapToScene(pos)));
}

QRect UIControl::globalRect() const
{
    return QRect(mapToGlobal(QPointF()), size().toSize());
}

QSizeF UIControl::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    Q_D(const UIControl);
    // Without a layout Qt would ask for an arbitrary 50 x 50; an empty control needs nothing.
    if (!d->layout && (which == Qt::MinimumSize || which == Qt::PreferredSize))
        return QSizeF(0, 0);
    return QGraphicsWidget::sizeHint(which, constraint);
}

void UIControl::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    Q_D(UIControl);
    Q_UNUSED(option)
    Q_UNUSED(widget)
    const QRectF area = rect();
    if (d->backgroundColor.alpha() > 0)
        painter->fillRect(area, d->backgroundColor);
    else if (d->backgroundRole != UITheme::NoRole)
        painter->fillRect(area, UITheme::color(d->backgroundRole, palette()));
    if (!d->backgroundImage.isEmpty()) {
        const QPixmap picture =
            UITheme::pixmap(d->backgroundImage, UITheme::devicePixelRatio(painter));
        if (!picture.isNull()) {
            painter->save();
            painter->setRenderHint(QPainter::SmoothPixmapTransform);
            painter->drawPixmap(area, picture, QRectF(QPointF(), picture.size()));
            painter->restore();
        }
    }
}

void UIControl::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    Q_D(UIControl);
    // A control that drags its items or children keeps the press from moving its window.
    if (d->dragFlag != NoDrag && event->button() == Qt::LeftButton)
        event->accept();
    else
        event->ignore();
}

void UIControl::changeEvent(QEvent *event)
{
    Q_D(UIControl);
    QGraphicsWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        d->paletteChanged();
        update();
    }
}

QVariant UIControl::itemChange(GraphicsItemChange change, const QVariant &value)
{
    Q_D(UIControl);
    if (change == ItemParentHasChanged) {
        if (QGraphicsObject *newParent = parentObject())
            setParent(newParent);
    } else if (change == ItemChildRemovedChange && d->layout) {
        // A child leaving (or being destroyed) must not stay behind in the layout.
        QGraphicsItem *child = value.value<QGraphicsItem *>();
        if (child && child->isWidget())
            d->layout->removeItem(static_cast<QGraphicsWidget *>(child));
    }
    return QGraphicsWidget::itemChange(change, value);
}
