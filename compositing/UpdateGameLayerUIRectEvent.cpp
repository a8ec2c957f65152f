#include "UpdateGameLayerUIRectEvent.h"

#include "CMLayer.h"

namespace {
const QEvent::Type s_type = static_cast<QEvent::Type>(QEvent::registerEventType());
} // namespace

UpdateGameLayerUIRectEvent::UpdateGameLayerUIRectEvent(CMLayer *layer, const QRectF &rect)
    : QEvent(s_type)
    , m_layer(layer)
    , m_rect(rect)
{}

UpdateGameLayerUIRectEvent::~UpdateGameLayerUIRectEvent() = default;

QEvent::Type UpdateGameLayerUIRectEvent::eventType()
{
    return s_type;
}
