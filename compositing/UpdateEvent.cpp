#include "UpdateEvent.h"

namespace {
// Registered at load time so that no capture thread ever races the registration.
const QEvent::Type s_type = static_cast<QEvent::Type>(QEvent::registerEventType());
} // namespace

UpdateEvent::UpdateEvent(const QImage &image)
    : QEvent(s_type)
    , m_image(image)
{}

UpdateEvent::~UpdateEvent() = default;

QEvent::Type UpdateEvent::eventType()
{
    return s_type;
}
