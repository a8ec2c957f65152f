#pragma once

#include <QEvent>
#include <QPointer>
#include <QRectF>

class CMLayer;

// Posted by the capture thread when the game layer was refitted to a new video aspect ratio;
// the compositor hands the rectangle to the layer's scene item on the GUI thread.
class UpdateGameLayerUIRectEvent : public QEvent
{
public:
    UpdateGameLayerUIRectEvent(CMLayer *layer, const QRectF &rect);
    ~UpdateGameLayerUIRectEvent() override;

    static QEvent::Type eventType();

    CMLayer *layer() const { return m_layer.data(); }
    QRectF rect() const { return m_rect; }

private:
    QPointer<CMLayer> m_layer;
    QRectF m_rect;
};
