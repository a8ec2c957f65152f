#include "UIProxyControl_p.h"

#include <QFocusEvent>
#include <QWidget>

namespace {

class ProxyWidget : public QGraphicsProxyWidget
{
public:
    using QGraphicsProxyWidget::QGraphicsProxyWidget;

protected:
    void focusInEvent(QFocusEvent *event) override
    {
        QGraphicsProxyWidget::focusInEvent(event);
        // Qt hands the focus on only to a widget that had it before (or on Tab): a control
        // focused by the program, or by its window becoming active, would take keys without
        // showing a caret or a focus frame.
        QWidget *embedded = widget();
        if (embedded && !embedded->focusWidget() && embedded->focusPolicy() != Qt::NoFocus)
            embedded->setFocus(event->reason());
    }
};

} // namespace

void UIProxyControlPrivate::embed(UIControl *control, QWidget *widget)
{
    proxy = new ProxyWidget(control);
    // Painted by the control's own background; the widget draws only its face. (A scroll
    // area draws its frame with its background, so it keeps its own.)
    if (!widget->inherits("QAbstractScrollArea"))
        widget->setAttribute(Qt::WA_TranslucentBackground);
    proxy->setWidget(widget);
    control->setFocusProxy(proxy);
    control->setFocusPolicy(Qt::StrongFocus);
    fit(control->size());
}

void UIProxyControlPrivate::disown(UIControl *control)
{
    if (proxy && proxy->widget())
        QObject::disconnect(proxy->widget(), nullptr, control, nullptr);
}

void UIProxyControlPrivate::setStyleSheet(std::function<QString(const QPalette &)> sheet)
{
    styleSheet = std::move(sheet);
    paletteChanged();
}

void UIProxyControlPrivate::paletteChanged()
{
    QWidget *widget = proxy ? proxy->widget() : nullptr;
    if (!widget || !styleSheet)
        return;
    const QString sheet = styleSheet(q_ptr->palette());
    if (widget->styleSheet() != sheet)
        widget->setStyleSheet(sheet);
}

void UIProxyControlPrivate::fit(const QSizeF &size)
{
    if (!proxy)
        return;
    // An embedded widget is a window of its own that is never shown on screen. Resized to
    // nothing, Qt unmaps it, and does not map it again when it grows (it maps only windows
    // that are on screen); an unmapped window drops every repaint, so typed text, a new
    // choice or a moving handle would show only when something else repaints the view.
    // A control without room (as every control is until its layout runs) hides its widget
    // instead, which Qt undoes properly once the widget is shown again.
    if (size.toSize().isEmpty()) {
        proxy->setVisible(false);
        return;
    }
    // The proxy would clamp to the widget's own minimum; the control's size wins.
    proxy->setMinimumSize(0, 0);
    proxy->setGeometry(QRectF(QPointF(), size));
    proxy->setVisible(true);
}
