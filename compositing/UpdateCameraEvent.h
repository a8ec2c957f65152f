#pragma once

#include <QEvent>
#include <QImage>

// Carries a picture from a capture thread to a compositing layer on the GUI thread, which
// hands it to its scene item. The picture may be null.
class UpdateCameraEvent : public QEvent
{
public:
    explicit UpdateCameraEvent(const QImage &image);
    ~UpdateCameraEvent() override;

    // The event type, registered with Qt once when the library loads.
    static QEvent::Type eventType();

    const QImage &image() const { return m_image; }

private:
    QImage m_image;
};
