#include "BasicLayer.h"

#include "LayerMenu.h"
#include "PreviewCenterData.h"
#include "SceneGeometry.h"

#include <QCursor>
#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QtMath>

#include <cmath>

namespace {

const QColor FrameColor(255, 122, 35);
// Lines the light frame on the inside, so frame and handles stand out on any layer colour,
// the frame's own orange included.
const QColor FrameOutlineColor(28, 28, 28);

} // namespace

BasicLayer::BasicLayer(PreviewCenterData *centerData, QGraphicsItem *parent)
    : LayerItem(parent)
    , m_menu(new LayerMenu(this))
    , m_centerData(centerData)
{
    setLayout(FreeLayout);
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptHoverEvents(true);
    setAcceptDrops(false);
    connect(m_menu, &LayerMenu::sigToFirstLayer, this, &BasicLayer::onToFirstLayer);
    connect(m_menu, &LayerMenu::sigToLastLayer, this, &BasicLayer::onTolastLayer);
    connect(m_menu, &LayerMenu::sigLayermgr, this, &BasicLayer::onLayermgr);
    connect(this, &QGraphicsWidget::geometryChanged, this, &BasicLayer::_reportGeometry);
}

BasicLayer::~BasicLayer()
{
    // A drag that ends with the item must not leave the scene painting "interacting".
    if (m_pressed)
        _setInteracting(false);
}

PreviewCenterData *BasicLayer::centerData() const
{
    return m_centerData;
}

int BasicLayer::layerType() const
{
    return LT_NONE;
}

void BasicLayer::setName(const QString &name)
{
    m_name = name;
}

void BasicLayer::setAspectRatio(double ratio)
{
    if (std::isfinite(ratio) && ratio > 0)
        m_aspectRatio = ratio;
}

bool BasicLayer::isOnHandle(const QPointF &pos) const
{
    return m_frameEnabled && regionAt(pos) != RegionBody;
}

void BasicLayer::setFrameEnabled(bool enabled)
{
    if (m_frameEnabled == enabled)
        return;
    m_frameEnabled = enabled;
    if (!enabled)
        unsetCursor();
    update();
}

void BasicLayer::setGeometryAndNotify(const QRectF &rect)
{
    setGeometry(rect);
}

void BasicLayer::_reportGeometry()
{
    const QRectF now = geometry();
    if (now == m_reported)
        return;
    if (m_pressed) {
        // Live, so the output follows the drag; the release reports the result once more.
        Q_EMIT sigGeometryChanging(now);
        return;
    }
    const bool resized = now.size() != m_reported.size();
    m_reported = now;
    if (resized)
        Q_EMIT sigResized(now);
    else
        Q_EMIT sigPosChanged(now);
}

void BasicLayer::fitToWidth(const QSize &size)
{
    const QPointF position = pos();
    setPos(position.x() - truncated(position.x()), position.y());
    if (m_pressed)
        _setInteracting(true);
    if (size.width() < geometry().width())
        _scaleToWidth(size.width());
    Q_EMIT sigResizedOk(geometry());
}

void BasicLayer::moveBy(const QPointF &delta)
{
    _moveTo(pos() + delta);
}

void BasicLayer::nudge(const QPointF &delta)
{
    const QRectF from = geometry();
    if (_moveTo(from.topLeft() + delta))
        Q_EMIT geometryEdited(this, from, geometry(), true);
}

bool BasicLayer::_moveTo(const QPointF &topLeft)
{
    const QRectF bounds = _currentBounds();
    const QRectF moved(topLeft, size());
    if (moved.left() < bounds.x() || moved.top() < bounds.y() ||
        moved.right() > bounds.width() - bounds.x() ||
        moved.bottom() > bounds.height() - bounds.y()) {
        return false;
    }
    if (m_pressed)
        _setInteracting(true);
    setPos(moved.topLeft());
    return true;
}

QFont BasicLayer::sceneFont(const QFont &font) const
{
    QFont scaled(font);
    if (m_centerData) {
        const int sceneWidth = m_centerData->previewSize().width();
        const int outputWidth = m_centerData->videoSize().width();
        if (sceneWidth > 0 && outputWidth > 0 && font.pointSizeF() > 0) {
            const int points = truncated(font.pointSizeF() * sceneWidth / outputWidth);
            scaled.setPointSize(qMax(1, points));
        }
    }
    return scaled;
}

QSize BasicLayer::textSizeInScene(const QFont &font, const QString &text) const
{
    QGraphicsTextItem probe;
    probe.setFont(sceneFont(font));
    probe.setPlainText(text);
    const QRectF box = probe.boundingRect();
    return QSize(truncated(box.width()), truncated(box.height()));
}

QSize BasicLayer::layerSize() const
{
    return QSize(truncated(size().width()), truncated(size().height()));
}

bool BasicLayer::keepInsideParent()
{
    const QGraphicsItem *parent = parentItem();
    if (!parent)
        return false;
    const QRectF p = parent->boundingRect();
    const QSize s = layerSize();
    const bool isText = layerType() == LT_TEXT;
    const int mx = isText ? 10 : 0;
    const int my = isText ? 5 : 0;
    qreal x = pos().x();
    qreal y = pos().y();
    const int dx = truncated(p.width()) - truncated(x + s.width() + mx);
    const int dy = truncated(p.height()) - truncated(y + s.height() + my);
    if (dx >= 0 && dy >= 0)
        return false;
    if (p.x() > x + dx)
        return true;
    if (dx < 0) {
        x += dx;
        setPos(x, y);
    }
    if (p.y() > y + dy)
        return true;
    if (dy < 0)
        y += dy;
    setGeometry(QRectF(x, y, s.width() + mx, s.height() + my));
    return false;
}

void BasicLayer::showContextMenu() {}

void BasicLayer::setState(int state)
{
    if (m_state == state)
        return;
    m_state = state;
    update();
}

void BasicLayer::setResizable(bool resizable)
{
    if (m_resizable == resizable)
        return;
    m_resizable = resizable;
    update();
}

int BasicLayer::regionAt(const QPointF &pos) const
{
    const qreal w = size().width();
    const qreal h = size().height();
    const qreal x = pos.x();
    const qreal y = pos.y();
    // Border lines count as inside.
    const auto in = [x, y](qreal left, qreal top, qreal width, qreal height) {
        return x >= left && x <= left + width && y >= top && y <= top + height;
    };
    const qreal H = HandleSize;
    if (in(0, 0, H, H))
        return RegionTopLeft;
    if (in(w - H, 0, H, H))
        return RegionTopRight;
    if (in(w - H, h - H, H, H))
        return RegionBottomRight;
    if (in(0, h - H, H, H))
        return RegionBottomLeft;
    if (in(0, 0, w, H))
        return RegionTop;
    if (in(w - H, 0, w, h))
        return RegionRight;
    if (in(0, h - H, w, h))
        return RegionBottom;
    if (in(0, 0, H, h))
        return RegionLeft;
    return RegionBody;
}

void BasicLayer::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    UIControl::paint(painter, option, widget);
    painter->save();
    paintContent(painter);
    painter->restore();
    if (isFrameShown())
        paintFrame(painter);
}

bool BasicLayer::isFrameShown() const
{
    return m_frameEnabled && (m_state == StatePending || m_state == StateActive);
}

void BasicLayer::paintContent(QPainter *painter)
{
    Q_UNUSED(painter)
}

void BasicLayer::paintFrame(QPainter *painter) const
{
    // Laid out in device pixels, so that frame and handles stay one screen pixel crisp at any
    // device pixel ratio and any view scale: every line is a filled rectangle of whole device
    // pixels, inside the item, where the item's own repaint covers it.
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    // Item to device pixels, the screen's pixel ratio and the view's zoom included.
    const QTransform toDevice = painter->deviceTransform();
    bool invertible = false;
    const QTransform fromDevice = toDevice.inverted(&invertible);
    if (!invertible)
        return;
    const QRectF mapped = toDevice.mapRect(QRectF(QPointF(0, 0), size()));
    const QRect box(QPoint(qRound(mapped.left()), qRound(mapped.top())),
                    QPoint(qRound(mapped.right()) - 1, qRound(mapped.bottom()) - 1));
    if (box.isEmpty())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    const int line = qMax(1, qRound(dpr));
    const auto fill = [&](const QRect &devicePixels, const QColor &color) {
        painter->fillRect(fromDevice.mapRect(QRectF(devicePixels)), color);
    };
    const auto ring = [&](const QRect &r, const QColor &color) {
        if (r.width() < 1 || r.height() < 1)
            return;
        fill(QRect(r.left(), r.top(), r.width(), line), color);
        fill(QRect(r.left(), r.bottom() - line + 1, r.width(), line), color);
        fill(QRect(r.left(), r.top() + line, line, r.height() - 2 * line), color);
        fill(QRect(r.right() - line + 1, r.top() + line, line, r.height() - 2 * line), color);
    };
    // The light line at the edge, the dark one just inside it.
    const auto outline = [&](const QRect &r) {
        ring(r.adjusted(line, line, -line, -line), FrameOutlineColor);
        ring(r, FrameColor);
    };
    outline(box);
    if (m_resizable) {
        // HandleSize screen pixels, whatever the view's scale.
        const int handle = qMax(3 * line, qRound(HandleSize * dpr));
        const QSize square(handle, handle);
        const QRect corners[] = {
            QRect(box.topLeft(), square),
            QRect(QPoint(box.right() - handle + 1, box.top()), square),
            QRect(QPoint(box.right() - handle + 1, box.bottom() - handle + 1), square),
            QRect(QPoint(box.left(), box.bottom() - handle + 1), square),
        };
        // Solid knobs: the ring pair around a light centre.
        for (const QRect &corner : corners) {
            outline(corner);
            fill(corner.adjusted(2 * line, 2 * line, -2 * line, -2 * line), FrameColor);
        }
    }
    painter->restore();
}

void BasicLayer::hoverMoveEvent(QGraphicsSceneHoverEvent *event)
{
    if (m_resizable && m_frameEnabled)
        setCursor(_cursorFor(regionAt(event->pos())));
    LayerItem::hoverMoveEvent(event);
}

void BasicLayer::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    if (!m_pressed)
        unsetCursor();
    LayerItem::hoverLeaveEvent(event);
}

void BasicLayer::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (!m_frameEnabled) {
        event->ignore();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        if (const QGraphicsItem *parent = parentItem())
            m_bounds = parent->boundingRect();
        event->accept();
        m_pressRegion = regionAt(event->pos());
        m_pressGeometry = geometry();
        m_pressPointer = _pointerInParent(event);
        m_reported = m_pressGeometry;
        m_pressed = true;
        Q_EMIT activeChanged(this);
    } else if (event->button() == Qt::RightButton) {
        Q_EMIT activeChanged(this);
        event->accept();
        showContextMenu();
    }
}

void BasicLayer::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (!m_frameEnabled || !m_pressed) {
        event->ignore();
        return;
    }
    // Measured from the press, not from the last event: a refused step leaves the grab point
    // where it was, so the item catches up with the pointer once the pointer is back inside.
    const QPointF pointerMoved = _pointerInParent(event) - m_pressPointer;
    if (!m_resizable || m_pressRegion == RegionBody) {
        if (m_pressRegion != RegionBody)
            return;
        setCursor(Qt::SizeAllCursor);
        _moveTo(m_pressGeometry.topLeft() + pointerMoved);
    } else if (event->modifiers() == Qt::ShiftModifier) {
        _freeResize(pointerMoved);
    } else {
        _aspectResize(event->pos());
    }
}

void BasicLayer::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (!m_pressed) {
        m_pressRegion = RegionBody;
        return;
    }
    if (m_resizable && m_frameEnabled && isUnderMouse())
        setCursor(_cursorFor(regionAt(event->pos())));
    else
        unsetCursor();
    _finishPress();
}

void BasicLayer::ungrabMouseEvent(QEvent *event)
{
    // A press whose release never comes: the double click that opened a modal editor, whose
    // window then takes the release. The drag ends here, as a release would end it, so the
    // item does not follow the mouse afterwards.
    if (m_pressed)
        _finishPress();
    LayerItem::ungrabMouseEvent(event);
}

void BasicLayer::_finishPress()
{
    m_pressRegion = RegionBody;
    _setInteracting(false);
    m_pressed = false;
    const QRectF now = geometry();
    m_reported = now;
    Q_EMIT sigResizedOk(now);
    Q_EMIT sigResized(now);
    // The moves of the drag, reported once.
    if (now.topLeft() != m_pressGeometry.topLeft())
        Q_EMIT sigPosChanged(now);
    if (now != m_pressGeometry)
        Q_EMIT geometryEdited(this, m_pressGeometry, now, false);
}

QPointF BasicLayer::_pointerInParent(const QGraphicsSceneMouseEvent *event) const
{
    const QGraphicsItem *parent = parentItem();
    return parent ? parent->mapFromScene(event->scenePos()) : event->scenePos();
}

void BasicLayer::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_frameEnabled) {
        event->ignore();
        return;
    }
    // Qt sends the second press as a double click; it still starts a drag like a press.
    mousePressEvent(event);
    Q_EMIT editLayer(this);
}

void BasicLayer::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        nudge(QPointF(-1, 0));
        break;
    case Qt::Key_Up:
        nudge(QPointF(0, -1));
        break;
    case Qt::Key_Right:
        nudge(QPointF(1, 0));
        break;
    case Qt::Key_Down:
        nudge(QPointF(0, 1));
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

QVariant BasicLayer::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (change == ItemPositionChange) {
        // Whole scene units: the stored layout keeps whole units, and a restart must show
        // (and compose) exactly what was there.
        const QPointF wanted = value.toPointF();
        return LayerItem::itemChange(change, QPointF(truncated(wanted.x()), truncated(wanted.y())));
    }
    return LayerItem::itemChange(change, value);
}

void BasicLayer::onToFirstLayer()
{
    Q_EMIT sigToFirstLayer(this);
}

void BasicLayer::onTolastLayer()
{
    Q_EMIT sigToLastLayer(this);
}

void BasicLayer::onLayermgr()
{
    Q_EMIT sigLayermgr(this);
}

void BasicLayer::_scaleToWidth(qreal width)
{
    const qreal current = size().width();
    if (current <= 0)
        return;
    const qreal s = width / current;
    const QSize fitted = _fitToAspect(current * s, size().height() * s);
    resize(fitted);
    Q_EMIT sigResizedOk(geometry());
}

QSize BasicLayer::_fitToAspect(qreal width, qreal height) const
{
    const double r = m_aspectRatio;
    if (r > 1.0)
        return QSize(truncated(width), truncated(width / r));
    return QSize(truncated(height * r), truncated(height));
}

void BasicLayer::_setInteracting(bool interacting)
{
    if (m_centerData)
        m_centerData->setLayerInteracting(interacting);
}

void BasicLayer::_repaintParents()
{
    auto *parent = qobject_cast<UIControl *>(parentObject());
    auto *grandParent = parent ? qobject_cast<UIControl *>(parent->parentObject()) : nullptr;
    if (parent && grandParent) {
        parent->update();
        grandParent->update();
    }
}

QWidget *BasicLayer::_view() const
{
    return graphicsView();
}

QRectF BasicLayer::_currentBounds() const
{
    // During a drag the rectangle taken at the press; otherwise (keys, code) the parent's now.
    // A host that shrinks the scene in the middle of a drag shrinks the drag's room with it.
    const QGraphicsItem *parent = parentItem();
    if (m_pressed)
        return parent ? m_bounds.intersected(parent->boundingRect()) : m_bounds;
    return parent ? parent->boundingRect() : m_bounds;
}

void BasicLayer::_freeResize(const QPointF &pointerMoved)
{
    const QRectF bounds = _currentBounds();
    qreal x = pos().x();
    qreal y = pos().y();
    qreal w = size().width();
    qreal h = size().height();
    // Each dragged edge goes where the pointer puts it, measured from the press, so an edge
    // held back at a limit does not lag behind the pointer afterwards.
    const QRectF target = m_pressGeometry.adjusted(pointerMoved.x(), pointerMoved.y(),
                                                   pointerMoved.x(), pointerMoved.y());
    const auto left = [&] {
        const qreal dx = truncated(target.left()) - x;
        const qreal width = w - dx;
        if (width > MinFreeSide && x + dx >= bounds.x()) {
            x += dx;
            w = truncated(width);
        }
    };
    const auto right = [&] {
        const qreal dx = target.right() - (x + w);
        if (w + dx > MinFreeSide && x + w + dx <= bounds.width() - bounds.x())
            w = truncated(w + dx);
    };
    const auto top = [&] {
        const qreal dy = truncated(target.top()) - y;
        if (h - dy > MinFreeSide && y + dy >= bounds.y()) {
            y += dy;
            h = truncated(h - dy);
        }
    };
    const auto bottom = [&] {
        const qreal dy = target.bottom() - (y + h);
        if (h + dy > MinFreeSide && y + h + dy <= bounds.height() - bounds.y())
            h = truncated(h + dy);
    };
    switch (m_pressRegion) {
    case RegionBottom:
        bottom();
        break;
    case RegionBottomLeft:
        left();
        bottom();
        break;
    case RegionBottomRight:
        right();
        bottom();
        break;
    case RegionTop:
        top();
        break;
    case RegionTopLeft:
        left();
        top();
        break;
    case RegionTopRight:
        top();
        right();
        break;
    case RegionLeft:
        left();
        break;
    case RegionRight:
        right();
        break;
    default:
        return;
    }
    const QRectF changed(x, y, w, h);
    if (changed == geometry())
        return;
    _setInteracting(true);
    setGeometry(changed);
    if (h > 0)
        m_aspectRatio = w / h;
}

void BasicLayer::_aspectResize(const QPointF &mouse)
{
    const qreal w = size().width();
    const qreal h = size().height();
    QPointF fixed;
    QPointF reference;
    QPointF point = mouse;
    switch (m_pressRegion) {
    case RegionBottom:
        fixed = QPointF(w, 0);
        reference = QPointF(0, h);
        point = QPointF(0, mouse.y());
        break;
    case RegionBottomLeft:
        fixed = QPointF(w, 0);
        reference = QPointF(0, h);
        break;
    case RegionBottomRight:
        fixed = QPointF(0, 0);
        reference = QPointF(w, h);
        break;
    case RegionTop:
        fixed = QPointF(0, h);
        reference = QPointF(w, 0);
        point = QPointF(w, mouse.y());
        break;
    case RegionTopLeft:
        fixed = QPointF(w, h);
        reference = QPointF(0, 0);
        break;
    case RegionTopRight:
        fixed = QPointF(0, h);
        reference = QPointF(w, 0);
        break;
    case RegionLeft:
        fixed = QPointF(w, h);
        reference = QPointF(0, 0);
        point = QPointF(mouse.x(), 0);
        break;
    case RegionRight:
        fixed = QPointF(0, 0);
        reference = QPointF(w, h);
        point = QPointF(mouse.x(), h);
        break;
    default:
        return;
    }
    const qreal referenceDistance = QLineF(fixed, reference).length();
    if (referenceDistance <= 0)
        return;
    const qreal s = QLineF(fixed, point).length() / referenceDistance;
    const QSize fitted = _fitToAspect(w * s, h * s);
    const QRectF bounds = _currentBounds();
    // The fixed corner keeps its place in the parent.
    const qreal newX = pos().x() + fixed.x() - (fixed.x() > 0 ? fitted.width() : 0);
    const qreal newY = pos().y() + fixed.y() - (fixed.y() > 0 ? fitted.height() : 0);
    if (newX < 0 || newY < 0 || fitted.width() < MinSide || fitted.height() < MinSide ||
        newX + fitted.width() > bounds.width() || newY + fitted.height() > bounds.height()) {
        return;
    }
    const QRectF changed(newX, newY, fitted.width(), fitted.height());
    if (changed == geometry())
        return;
    _setInteracting(true);
    setGeometry(changed);
}

Qt::CursorShape BasicLayer::_cursorFor(int region)
{
    switch (region) {
    case RegionTopLeft:
    case RegionBottomRight:
        return Qt::SizeFDiagCursor;
    case RegionTopRight:
    case RegionBottomLeft:
        return Qt::SizeBDiagCursor;
    case RegionTop:
    case RegionBottom:
        return Qt::SizeVerCursor;
    case RegionLeft:
    case RegionRight:
        return Qt::SizeHorCursor;
    default:
        return Qt::ArrowCursor;
    }
}
