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

    QColor ink = UITheme::mutedText();

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

    QColor line = QColor(0, 0, 0, 20);

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override
    {
        UIControl::paint(painter, option, widget);
        painter->fillRect(QRectF(0, height() - 1, width(), 1), line);
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
    _updateTitleColors();
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
    UIBaseWindow::setBackgroundColor(color);
    _updateTitleColors();
}

void UIWindow::_updateTitleColors()
{
    Q_D(UIWindow);
    // The title reads on whatever tone the window has: dark ink on light, light on dark.
    const bool dark = backgroundColor().alpha() > 0 && backgroundColor().lightness() < 128;
    d->titleLabel->setTextColor(dark ? QColor(230, 230, 230) : UITheme::text());
    static_cast<CloseButton *>(d->closeButton)->ink =
        dark ? QColor(190, 190, 190) : UITheme::mutedText();
    static_cast<TitleBar *>(d->titleBar)->line =
        dark ? QColor(255, 255, 255, 20) : QColor(0, 0, 0, 20);
    d->titleBar->update();
}

void UIWindow::_onCloseButtonClicked()
{
    Q_EMIT sigClose();
    close();
}
