#include "PreviewView.h"

#include <guifoundation/UIControl.h>

#include <QEvent>
#include <QGraphicsScene>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

#include <algorithm>

namespace {

const QColor Backdrop(24, 24, 26);
const QColor AreaEdge(58, 58, 62);
const QColor HintText(150, 150, 156);
// Room around the preview area, so its edge and shadow stay visible.
constexpr int Margin = 24;
// The size shown before the engine announces one: the 16:9 area of a 420-unit-high preview.
const QSize PlaceholderSize(746, 420);

} // namespace

PreviewView::PreviewView(QWidget *parent)
    : QGraphicsView(parent)
    , m_scene(new QGraphicsScene(this))
    , m_area(new UIControl)
{
    setObjectName(QStringLiteral("previewView"));
    setScene(m_scene);
    m_scene->addItem(m_area);
    m_area->setObjectName(QStringLiteral("previewArea"));
    // Black like the broadcast picture, so the area reads as a screen even before layers arrive.
    m_area->setBackgroundColor(Qt::black);
    m_area->setFixSize(QSizeF(0, 0));
    m_area->hide();
    // The engine hides and shows the area itself (showPreview / hidePreview): follow it.
    m_area->installEventFilter(this);

    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::NoFrame);
    setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                   QPainter::TextAntialiasing);
    setBackgroundBrush(Backdrop);
    setCacheMode(QGraphicsView::CacheBackground);
    // The area is scaled to fit, never scrolled.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setSceneRect(QRectF(QPointF(), PlaceholderSize));
}

PreviewView::~PreviewView()
{
    m_area->removeEventFilter(this);
}

void PreviewView::setPreviewSize(const QSize &size)
{
    if (!size.isValid() || size == m_previewSize)
        return;
    m_previewSize = size;
    m_area->setFixSize(QSizeF(size));
    m_area->setPos(0, 0);
    setSceneRect(QRectF(QPointF(), QSizeF(size)));
    updateGeometry();
    _fitArea();
}

void PreviewView::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    _fitArea();
}

void PreviewView::_fitArea()
{
    const QSizeF area = _areaRect().size();
    const QSizeF room = QSizeF(viewport()->size()) - QSizeF(2 * Margin, 2 * Margin);
    if (room.width() < 1 || room.height() < 1)
        return;
    qreal scale = std::min(room.width() / area.width(), room.height() / area.height());
    // Within a few pixels of the natural size, keep it: one view pixel per unit is sharpest.
    if (qAbs(scale - 1.0) * area.width() < 4)
        scale = 1.0;
    setTransform(QTransform::fromScale(scale, scale));
    resetCachedContent();
    viewport()->update();
}

QSize PreviewView::sizeHint() const
{
    const QSize area = m_previewSize.isValid() ? m_previewSize : PlaceholderSize;
    return area + QSize(2 * Margin, 2 * Margin);
}

QSize PreviewView::minimumSizeHint() const
{
    // Smaller than the area works too (the preview shrinks), but not so small it looks broken.
    return QSize(320, 200);
}

QRectF PreviewView::_areaRect() const
{
    const QSizeF size = m_previewSize.isValid() ? QSizeF(m_previewSize) : QSizeF(PlaceholderSize);
    return QRectF(QPointF(), size);
}

void PreviewView::drawBackground(QPainter *painter, const QRectF &rect)
{
    painter->fillRect(rect, Backdrop);
    // A soft shadow and a hairline edge lift the preview off the backdrop.
    const QRectF area = _areaRect();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    // In view pixels, whatever the zoom.
    const qreal pixel = 1.0 / zoom();
    for (int spread = 10; spread >= 2; spread -= 2) {
        const qreal s = spread * pixel;
        painter->setBrush(QColor(0, 0, 0, 18));
        painter->drawRoundedRect(area.adjusted(-s, -s + 3 * pixel, s, s + 3 * pixel), s, s);
    }
    QPen edge(AreaEdge);
    edge.setCosmetic(true);
    painter->setPen(edge);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(area.adjusted(-0.5 * pixel, -0.5 * pixel, 0.5 * pixel, 0.5 * pixel));
    painter->restore();
}

void PreviewView::drawForeground(QPainter *painter, const QRectF &rect)
{
    Q_UNUSED(rect)
    QString hint;
    if (!m_previewSize.isValid())
        hint = tr("Waiting for the game video…");
    else if (!m_area->isVisible())
        hint = tr("The preview is hidden. Show it with the Preview button.");
    if (hint.isEmpty())
        return;
    painter->save();
    QFont font = painter->font();
    font.setPointSizeF(font.pointSizeF() * 1.15);
    painter->setFont(font);
    painter->setPen(HintText);
    painter->drawText(_areaRect(), Qt::AlignCenter | Qt::TextWordWrap, hint);
    painter->restore();
}

QGraphicsObject *PreviewView::sceneRoot() const
{
    return m_area->findChild<QGraphicsObject *>(QStringLiteral("rootItem"),
                                                Qt::FindDirectChildrenOnly);
}

bool PreviewView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_area) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
            viewport()->update();
            Q_EMIT areaChanged();
            break;
        case QEvent::ChildAdded:
        case QEvent::ChildRemoved:
            // A child is announced before its constructor has named it: look once it is built.
            QMetaObject::invokeMethod(this, &PreviewView::areaChanged, Qt::QueuedConnection);
            break;
        default:
            break;
        }
    }
    return QGraphicsView::eventFilter(watched, event);
}
