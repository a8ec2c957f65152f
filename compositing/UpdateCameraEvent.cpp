#include "UpdateCameraEvent.h"

namespace {
// Registered at load time so that no capture thread ever races the registration.
const QEvent::Type s_type = static_cast<QEvent::Type>(QEvent::registerEventType());
} // namespace

UpdateCameraEvent::UpdateCameraEvent(const QImage &image)
    : QEvent(s_type)
    , m_image(image)
{}

UpdateCameraEvent::~UpdateCameraEvent() = default;

QEvent::Type UpdateCameraEvent::eventType()
{
    return s_type;
}
