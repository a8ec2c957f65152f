#include "TipMessageWindow.h"
#include "TipMessageWindow_p.h"

#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UILabelControl.h>
#include <guifoundation/UIRegistration.h>
#include <guifoundation/UITheme.h>
#include <guifoundation/XmlUIBuilder.h>

#include <QPointer>

#include <cmath>

UI_REGISTER_WINDOW(TipMessageWindow);

namespace {
constexpr int Width = 340;
constexpr qreal SideMargin = 24;
} // namespace

TipMessageWindowPrivate::TipMessageWindowPrivate() = default;
TipMessageWindowPrivate::~TipMessageWindowPrivate() = default;

TipMessageWindow::TipMessageWindow(QWidget *parent)
    : TipMessageWindow(*new TipMessageWindowPrivate, parent)
{}

TipMessageWindow::TipMessageWindow(TipMessageWindowPrivate &dd, QWidget *parent)
    : BaseThemeWindow(dd, parent)
{
    Q_D(TipMessageWindow);
    setObjectName(QStringLiteral("tipMessageWindow"));
    UIControl *content = contentControl();
    content->setLayout(UIControl::VerticalLayout);
    content->setMargins(QMarginsF(SideMargin, 18, SideMargin, 18));
    content->setSpacing(8);

    d->message = new UILabelControl(content);
    d->message->setObjectName(QStringLiteral("messageLabel"));
    d->message->setWordWrap(true);
    d->message->setAlignment(Qt::AlignCenter);
    d->message->setFont(UITheme::font(10));
    d->message->setFixWidth(Width - 2 * SideMargin);
    d->message->setMinimumHeight(44);
    content->addItem(d->message);

    d->detail = new UILabelControl(content);
    d->detail->setObjectName(QStringLiteral("detailLabel"));
    d->detail->setWordWrap(true);
    d->detail->setAlignment(Qt::AlignCenter);
    d->detail->setTextRole(UITheme::MutedText);
    d->detail->setFixWidth(Width - 2 * SideMargin);
    d->detail->setVisible(false);
    content->addItem(d->detail);
    content->addSpacing(10);

    auto *buttons = new UIControl(content);
    buttons->setLayout(UIControl::HorizontalLayout);
    buttons->setContentAlignment(Qt::AlignCenter);
    buttons->setSpacing(12);
    buttons->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    d->cancelButton = new UIButtonControl(buttons);
    d->cancelButton->setObjectName(QStringLiteral("cancelButton"));
    d->cancelButton->setText(tr("Cancel"));
    d->cancelButton->setFixSize(QSizeF(96, 30));
    d->cancelButton->setVisible(false);
    d->okButton = new UIButtonControl(buttons);
    d->okButton->setObjectName(QStringLiteral("okButton"));
    d->okButton->setText(tr("OK"));
    d->okButton->setFixSize(QSizeF(96, 30));
    d->okButton->setBackgroundColor(UITheme::accent());
    buttons->addItem(d->okButton);
    content->addItem(buttons);

    XmlUIBuilder::connectSlotsByName(this, findChildren<QObject *>());
    _fitHeight();
}

TipMessageWindow::~TipMessageWindow() = default;

TipMessageWindow *TipMessageWindow::createWindow(QWidget *owner)
{
    return new TipMessageWindow(owner);
}

void TipMessageWindow::setContent(const QString &message, const QString &text, bool withCancel,
                                  const QString &caption)
{
    Q_D(TipMessageWindow);
    setTitleText(caption);
    d->message->setText(message);
    d->detail->setText(text);
    d->detail->setVisible(!text.isEmpty());
    // Cancel sits left of OK, so the confirming button keeps its place.
    auto *buttons = static_cast<UIControl *>(d->okButton->parentItem());
    buttons->removeItem(d->cancelButton);
    if (withCancel)
        buttons->insertItem(0, d->cancelButton);
    d->cancelButton->setVisible(withCancel);
    _fitHeight();
}

QString TipMessageWindow::message() const
{
    Q_D(const TipMessageWindow);
    return d->message->text();
}

void TipMessageWindow::_fitHeight()
{
    Q_D(TipMessageWindow);
    // Hidden controls keep their room in a layout: the detail line takes none while hidden.
    d->detail->setMaximumHeight(d->detail->isVisible() ? -1 : 0);
    const qreal content = contentControl()->effectiveSizeHint(Qt::PreferredSize).height();
    setFixSize(QSize(Width, int(std::ceil(titleHeight() + content))));
}

void TipMessageWindow::on_okButton_clicked()
{
    const QPointer<TipMessageWindow> alive(this);
    Q_EMIT accepted();
    if (alive)
        close();
}

void TipMessageWindow::on_cancelButton_clicked()
{
    const QPointer<TipMessageWindow> alive(this);
    Q_EMIT rejected();
    if (alive)
        close();
}
