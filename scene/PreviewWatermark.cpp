#include "PreviewWatermark.h"

#include "BasicLayer.h"
#include "FrameSender.h"
#include "PreviewCenterData.h"

#include <QPainter>

namespace {

const char *const WatermarkResource = ":/theme/preview/tamber_watermark.png";
// The scene is this many units high whatever the output's size.
constexpr qreal SceneHeight = 420.0;

} // namespace

PreviewWatermark::PreviewWatermark(PreviewCenterData *centerData, QGraphicsItem *container)
    : QGraphicsItem(container)
    , m_centerData(centerData)
    , m_picture(QString::fromLatin1(WatermarkResource))
{
    setZValue(StackingValue);
    setAcceptedMouseButtons(Qt::NoButton);
    setAcceptHoverEvents(false);
    setAcceptDrops(false);
}

PreviewWatermark::~PreviewWatermark() = default;

QRectF PreviewWatermark::watermarkRect() const
{
    const QGraphicsItem *container = parentItem();
    if (!m_centerData || !container || m_picture.isNull())
        return QRectF();
    const QSize output = m_centerData->videoSize();
    const QSizeF scene = container->boundingRect().size();
    if (output.isEmpty() || scene.isEmpty())
        return QRectF();
    // The output pixels the sender covers, mapped back into scene units.
    const QSize stamped = FrameSender::watermarkSize(m_picture.size(), output.height());
    return QRectF(0, 0, stamped.width() * scene.width() / output.width(),
                  stamped.height() * scene.height() / output.height());
}

QRectF PreviewWatermark::boundingRect() const
{
    // The largest the watermark can be: its output height scales with the output's, and the
    // scene is SceneHeight units high at the output's aspect ratio. The picture itself follows
    // the output's size at paint time.
    const qreal factor = SceneHeight / 1080.0;
    return QRectF(0, 0, m_picture.width() * factor + 1, m_picture.height() * factor + 1);
}

void PreviewWatermark::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                             QWidget *widget)
{
    Q_UNUSED(option)
    Q_UNUSED(widget)
    const QRectF target = watermarkRect();
    if (target.isEmpty())
        return;
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(target, m_picture);
    painter->restore();

    // The selection frame and handles stay on top: the user must see what they hold even
    // where the stream will not show it.
    const QList<QGraphicsItem *> siblings = parentItem()->childItems();
    for (QGraphicsItem *sibling : siblings) {
        auto *layer = qobject_cast<BasicLayer *>(sibling->toGraphicsObject());
        if (!layer || !layer->isVisible() || !layer->isFrameShown() ||
            !layer->geometry().intersects(target)) {
            continue;
        }
        painter->save();
        painter->setClipRect(target);
        painter->translate(layer->pos());
        layer->paintFrame(painter);
        painter->restore();
    }
}
