#pragma once

#include <guifoundation/UIControl.h>

// The default content of a scroll area: a column that, whenever its layout changes, takes the
// height its children need at its current width.
class UIScrollWidgetContainer : public UIControl
{
    Q_OBJECT

public:
    explicit UIScrollWidgetContainer(QGraphicsItem *parent = nullptr);
    ~UIScrollWidgetContainer() override;

protected:
    bool event(QEvent *event) override;
};
