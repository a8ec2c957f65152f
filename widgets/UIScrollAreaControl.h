#pragma once

#include <guifoundation/UIControl.h>

class UIInternalScrollBarControl;
class UIScrollAreaControlPrivate;

// A clipping area that shows one content control and a vertical scroll bar at its right edge.
// The bar's range follows the content's height; the wheel moves the content.
class UIScrollAreaControl : public UIControl
{
    Q_OBJECT

public:
    explicit UIScrollAreaControl(QGraphicsItem *parent = nullptr);
    ~UIScrollAreaControl() override;

    UIControl *contentWidget() const;
    // The area takes content as a child; the previous content is deleted.
    void setContentWidget(UIControl *content);
    UIInternalScrollBarControl *scrollBar() const;
    // The area takes bar as a child; a previous bar is deleted.
    void setScrollBar(UIInternalScrollBarControl *bar);

    // The bar's value: how far the content is scrolled up.
    qreal scrollValue() const;
    void scrollTo(qreal value);

Q_SIGNALS:
    void scrollPosChanged(int value);
    void scrollBarVisible(bool visible);

public Q_SLOTS:
    void on_scrollBar_valueChanged(qreal value);
    void on_contentWidget_geometryChanged();
    void on_scrollBar_visibleChanged();

protected:
    UIScrollAreaControl(UIScrollAreaControlPrivate &dd, QGraphicsItem *parent);

    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    void wheelEvent(QGraphicsSceneWheelEvent *event) override;

private:
    void _placeScrollBar();
    void _fitContentWidth();

    Q_DECLARE_PRIVATE(UIScrollAreaControl)
};
