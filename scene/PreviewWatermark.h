#pragma once

#include <QGraphicsItem>
#include <QImage>
#include <QPointer>

class PreviewCenterData;

// The stream's watermark as the preview shows it: where and as large as the frame sender stamps
// it into the output (the top-left corner, scaled with the output's height), above every layer,
// so that nothing the stream hides under it looks visible in the preview. It takes no mouse,
// hover or drop: the layers under it stay selectable, and their selection frame and handles are
// drawn again on top of it.
class PreviewWatermark : public QGraphicsItem
{
public:
    // Above any stacking value a layer gets.
    static constexpr qreal StackingValue = 1e6;

    // container is the scene's root (its size is the scene's); centerData gives the output size.
    PreviewWatermark(PreviewCenterData *centerData, QGraphicsItem *container);
    ~PreviewWatermark() override;

    // Where the watermark is, in the container's coordinates, for the current output size.
    QRectF watermarkRect() const;

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

private:
    const QPointer<PreviewCenterData> m_centerData;
    const QImage m_picture;
};
