#include "UIFrameControl.h"
#include "UIFrameControl_p.h"

#include "UITheme.h"

#include <QPainter>

namespace {

// Draws picture over target keeping its border (margins, in logical pixels) unscaled.
void drawFramed(QPainter *painter, const QRectF &target, const QPixmap &picture,
                const QMarginsF &margins)
{
    const qreal ratio = picture.devicePixelRatio();
    const QSizeF logical = picture.deviceIndependentSize();
    if (margins.isNull()) {
        painter->drawPixmap(target, picture, QRectF(QPointF(), picture.size()));
        return;
    }
    const qreal xs[4] = {0, margins.left(), logical.width() - margins.right(), logical.width()};
    const qreal ys[4] = {0, margins.top(), logical.height() - margins.bottom(), logical.height()};
    const qreal tx[4] = {target.left(), target.left() + margins.left(),
                         target.right() - margins.right(), target.right()};
    const qreal ty[4] = {target.top(), target.top() + margins.top(),
                         target.bottom() - margins.bottom(), target.bottom()};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRectF source(xs[column] * ratio, ys[row] * ratio,
                                (xs[column + 1] - xs[column]) * ratio,
                                (ys[row + 1] - ys[row]) * ratio);
            const QRectF piece(tx[column], ty[row], tx[column + 1] - tx[column],
                               ty[row + 1] - ty[row]);
            if (source.width() > 0 && source.height() > 0 && piece.width() > 0 &&
                piece.height() > 0)
                painter->drawPixmap(piece, picture, source);
        }
    }
}

} // namespace

UIFrameControl::UIFrameControl(QGraphicsItem *parent)
    : UIFrameControl(*new UIFrameControlPrivate, parent)
{}

UIFrameControl::UIFrameControl(UIFrameControlPrivate &dd, QGraphicsItem *parent)
    : UIControl(dd, parent)
{}

UIFrameControl::~UIFrameControl() = default;

void UIFrameControl::setImage(const QString &normal, const QString &hovered, const QString &pressed,
                              const QString &disabled, const QString &checked)
{
    Q_D(UIFrameControl);
    d->images[UIFrameControlPrivate::Normal] = normal;
    d->images[UIFrameControlPrivate::Hovered] = hovered;
    d->images[UIFrameControlPrivate::Pressed] = pressed;
    d->images[UIFrameControlPrivate::Disabled] = disabled;
    d->images[UIFrameControlPrivate::Checked] = checked;
    update();
}

QString UIFrameControl::imagePaths() const
{
    Q_D(const UIFrameControl);
    QStringList paths(std::begin(d->images), std::end(d->images));
    while (!paths.isEmpty() && paths.constLast().isEmpty())
        paths.removeLast();
    return paths.join(QLatin1Char('|'));
}

void UIFrameControl::setImagePaths(const QString &paths)
{
    QStringList parts = paths.split(QLatin1Char('|'));
    while (parts.size() < UIFrameControlPrivate::StateCount)
        parts.append(QString());
    setImage(parts.at(0), parts.at(1), parts.at(2), parts.at(3), parts.at(4));
}

QMarginsF UIFrameControl::frameMargins() const
{
    Q_D(const UIFrameControl);
    return d->frameMargins;
}

void UIFrameControl::setFrameMargins(const QMarginsF &margins)
{
    Q_D(UIFrameControl);
    d->frameMargins = margins;
    update();
}

bool UIFrameControl::isHovered() const
{
    Q_D(const UIFrameControl);
    return d->hovered;
}

void UIFrameControl::setHovered(bool hovered)
{
    Q_D(UIFrameControl);
    if (d->hovered != hovered) {
        d->hovered = hovered;
        update();
    }
}

bool UIFrameControl::isPressed() const
{
    Q_D(const UIFrameControl);
    return d->pressed;
}

void UIFrameControl::setPressed(bool pressed)
{
    Q_D(UIFrameControl);
    if (d->pressed != pressed) {
        d->pressed = pressed;
        update();
    }
}

bool UIFrameControl::isChecked() const
{
    Q_D(const UIFrameControl);
    return d->checked;
}

void UIFrameControl::setChecked(bool checked)
{
    Q_D(UIFrameControl);
    if (d->checked != checked) {
        d->checked = checked;
        update();
    }
}

bool UIFrameControl::hoverTracking() const
{
    Q_D(const UIFrameControl);
    return d->tracking;
}

void UIFrameControl::setHoverTracking(bool track)
{
    Q_D(UIFrameControl);
    d->tracking = track;
    setAcceptHoverEvents(track);
}

void UIFrameControl::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    Q_D(UIFrameControl);
    if (d->tracking)
        setHovered(true);
    UIControl::hoverEnterEvent(event);
}

void UIFrameControl::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    Q_D(UIFrameControl);
    if (d->tracking)
        setHovered(false);
    UIControl::hoverLeaveEvent(event);
}

void UIFrameControl::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                           QWidget *widget)
{
    Q_D(UIFrameControl);
    UIControl::paint(painter, option, widget);
    int state = UIFrameControlPrivate::Normal;
    if (!isEnabled())
        state = UIFrameControlPrivate::Disabled;
    else if (d->pressed)
        state = UIFrameControlPrivate::Pressed;
    else if (d->checked)
        state = UIFrameControlPrivate::Checked;
    else if (d->hovered)
        state = UIFrameControlPrivate::Hovered;
    QString path = d->images[state];
    if (path.isEmpty())
        path = d->images[UIFrameControlPrivate::Normal];
    const QPixmap picture = UITheme::pixmap(path, UITheme::devicePixelRatio(painter));
    if (picture.isNull())
        return;
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    drawFramed(painter, rect(), picture, d->frameMargins);
    painter->restore();
}
