#include "UIWindow.h"
#include "UIWindow_p.h"

#include "UIButtonControl.h"
#include "UIControl.h"
#include "UILabelControl.h"
#include "UITheme.h"

#include <QPainter>

namespace {

// The title bar's close button: a cross that turns the accent colour under the mouse.
class CloseButton : public UIButtonControl
{
public:
    using UIButtonControl::UIButtonControl;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QRectF area = rect();
        if (isHovered() || isDown()) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(isDown() ? UITheme::accentDark() : UITheme::accent());
            painter->drawRoundedRect(area.adjusted(2, 2, -2, -2), 4, 4);
        }
        const QPointF c = area.center();
        const qreal arm = 4.5;
        const QColor ink = UITheme::mutedText(palette());
        painter->setPen(QPen(isHovered() || isDown() ? QColor(Qt::white) : ink, 1.6, Qt::SolidLine,
                             Qt::RoundCap));
        painter->drawLine(c + QPointF(-arm, -arm), c + QPointF(arm, arm));
        painter->drawLine(c + QPointF(arm, -arm), c + QPointF(-arm, arm));
        painter->restore();
    }
};

// A line under the title that separates it from the content, in the window's own tone.
class TitleBar : public UIControl
{
public:
    using UIControl::UIControl;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override
    {
        UIControl::paint(painter, option, widget);
        const QPalette &colours = palette();
        painter->fillRect(QRectF(0, height() - 1, width(), 1),
                          UITheme::mix(UITheme::color(UITheme::Window, colours),
                                       UITheme::color(UITheme::Text, colours), 0.1));
    }
};

} // namespace

UIWindow::UIWindow(QWidget *parent)
    : UIWindow(*new UIWindowPrivate, parent)
{}

UIWindow::UIWindow(UIWindowPrivate &dd, QWidget *parent)
    : UIBaseWindow(dd, parent)
{
    Q_D(UIWindow);
    UIControl *root = rootControl();
    root->setLayout(UIControl::VerticalLayout);
    root->setMargins(QMarginsF());
    root->setSpacing(0);

    auto *titleBar = new TitleBar(root);
    titleBar->setObjectName(QStringLiteral("titleBar"));
    titleBar->setLayout(UIControl::HorizontalLayout);
    titleBar->setMargins(QMarginsF(16, 0, 6, 0));
    titleBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    titleBar->setFixHeight(d->titleHeight);
    d->titleBar = titleBar;

    d->titleLabel = new UILabelControl(titleBar);
    d->titleLabel->setObjectName(QStringLiteral("titleLabel"));
    QFont titleFont = UITheme::font(10);
    titleFont.setBold(true);
    d->titleLabel->setFont(titleFont);
    d->titleLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    titleBar->addItem(d->titleLabel, 1);

    auto *closeButton = new CloseButton(titleBar);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setFixSize(QSizeF(26, 26));
    closeButton->setFocusPolicy(Qt::NoFocus);
    titleBar->addItem(closeButton);
    d->closeButton = closeButton;
    connect(closeButton, &UIButtonControl::clicked, this, &UIWindow::_onCloseButtonClicked);

    d->content = new UIControl(root);
    d->content->setObjectName(QStringLiteral("content"));
    d->content->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    root->addItem(titleBar);
    root->addItem(d->content, 1);
}

UIWindow::~UIWindow() = default;

UIControl *UIWindow::contentControl() const
{
    Q_D(const UIWindow);
    return d->content;
}

UIControl *UIWindow::titleBar() const
{
    Q_D(const UIWindow);
    return d->titleBar;
}

UILabelControl *UIWindow::titleLabel() const
{
    Q_D(const UIWindow);
    return d->titleLabel;
}

UIButtonControl *UIWindow::closeButton() const
{
    Q_D(const UIWindow);
    return d->closeButton;
}

QString UIWindow::titleText() const
{
    Q_D(const UIWindow);
    return d->titleLabel->text();
}

void UIWindow::setTitleText(const QString &text)
{
    Q_D(UIWindow);
    d->titleLabel->setText(text);
    setWindowTitle(text);
}

int UIWindow::titleHeight() const
{
    Q_D(const UIWindow);
    return d->titleHeight;
}

void UIWindow::setTitleHeight(int height)
{
    Q_D(UIWindow);
    d->titleHeight = std::max(0, height);
    d->titleBar->setFixHeight(d->titleHeight);
    d->titleBar->setVisible(d->titleHeight > 0);
}

bool UIWindow::isCloseButtonVisible() const
{
    Q_D(const UIWindow);
    return d->closeButton->isVisible();
}

void UIWindow::setCloseButtonVisible(bool visible)
{
    Q_D(UIWindow);
    d->closeButton->setVisible(visible);
}

void UIWindow::setBackgroundColor(const QColor &color)
{
    Q_D(UIWindow);
    UIBaseWindow::setBackgroundColor(color);
    // The title follows the palette, unless the window has a colour of its own: then it reads
    // on that colour.
    QColor title;
    if (color.alpha() > 0)
        title = color.lightness() < 128 ? QColor(230, 230, 230) : QColor(51, 51, 51);
    d->titleLabel->setTextColor(title);
}

void UIWindow::_onCloseButtonClicked()
{
    Q_EMIT sigClose();
    close();
}
