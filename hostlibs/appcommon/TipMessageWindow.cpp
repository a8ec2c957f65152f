#include "TipMessageWindow.h"

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

TipMessageWindow::TipMessageWindow(QWidget *parent)
    : BaseThemeWindow(parent)
{
    setObjectName(QStringLiteral("tipMessageWindow"));
    UIControl *content = contentControl();
    content->setLayout(UIControl::VerticalLayout);
    content->setMargins(QMarginsF(SideMargin, 18, SideMargin, 18));
    content->setSpacing(8);

    m_message = new UILabelControl(content);
    m_message->setObjectName(QStringLiteral("messageLabel"));
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setFont(UITheme::font(10));
    m_message->setFixWidth(Width - 2 * SideMargin);
    m_message->setMinimumHeight(44);
    content->addItem(m_message);

    m_detail = new UILabelControl(content);
    m_detail->setObjectName(QStringLiteral("detailLabel"));
    m_detail->setWordWrap(true);
    m_detail->setAlignment(Qt::AlignCenter);
    m_detail->setTextRole(UITheme::MutedText);
    m_detail->setFixWidth(Width - 2 * SideMargin);
    m_detail->setVisible(false);
    content->addItem(m_detail);
    content->addSpacing(10);

    auto *buttons = new UIControl(content);
    buttons->setLayout(UIControl::HorizontalLayout);
    buttons->setContentAlignment(Qt::AlignCenter);
    buttons->setSpacing(12);
    buttons->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_cancelButton = new UIButtonControl(buttons);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setText(tr("Cancel"));
    m_cancelButton->setFixSize(QSizeF(96, 30));
    m_cancelButton->setVisible(false);
    m_okButton = new UIButtonControl(buttons);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setText(tr("OK"));
    m_okButton->setFixSize(QSizeF(96, 30));
    m_okButton->setBackgroundColor(UITheme::accent());
    buttons->addItem(m_okButton);
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
    setTitleText(caption);
    m_message->setText(message);
    m_detail->setText(text);
    m_detail->setVisible(!text.isEmpty());
    // Cancel sits left of OK, so the confirming button keeps its place.
    auto *buttons = static_cast<UIControl *>(m_okButton->parentItem());
    buttons->removeItem(m_cancelButton);
    if (withCancel)
        buttons->insertItem(0, m_cancelButton);
    m_cancelButton->setVisible(withCancel);
    _fitHeight();
}

QString TipMessageWindow::message() const
{
    return m_message->text();
}

void TipMessageWindow::_fitHeight()
{
    // Hidden controls keep their room in a layout: the detail line takes none while hidden.
    m_detail->setMaximumHeight(m_detail->isVisible() ? -1 : 0);
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
