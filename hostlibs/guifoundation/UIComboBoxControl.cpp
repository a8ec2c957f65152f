#include "UIComboBoxControl.h"

#include "UIProxyControl_p.h"
#include "UITheme.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScreen>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

constexpr int RowHeight = 28;
constexpr int MaxVisibleRows = 10;

// The list, as a real top-level pop-up: a proxied combo box's own pop-up would live inside the
// scene and be cut off at the window's edge.
class ComboPopup : public QFrame
{
public:
    explicit ComboPopup(QComboBox *combo)
        : QFrame(nullptr, Qt::Popup | Qt::FramelessWindowHint)
        , m_combo(combo)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setObjectName(QStringLiteral("comboPopup"));
        // In the colours of the box, which has its window's.
        const QPalette &colours = combo->palette();
        const auto name = [](const QColor &colour) {
            return colour.name(QColor::HexArgb);
        };
        const QColor field = UITheme::fieldBackground(colours);
        const QColor ink = UITheme::color(UITheme::FieldText, colours);
        setStyleSheet(
            QStringLiteral(
                "QFrame#comboPopup { background: %1; border: 1px solid %2; }"
                "QListView { border: none; background: %1; outline: 0; color: %3; }"
                "QListView::item { height: 28px; padding-left: 8px; border: none; }"
                "QListView::item:hover { background: %4; color: %3; padding-left: 8px; }"
                "QListView::item:selected { background: %5; color: #ffffff; padding-left: 8px; }"
                "QScrollBar:vertical { width: 8px; background: transparent; margin: 2px; }"
                "QScrollBar::handle:vertical { background: %6; border-radius: 2px;"
                " min-height: 20px; }"
                "QScrollBar::add-line, QScrollBar::sub-line { height: 0px; }")
                .arg(name(field), name(UITheme::border(colours)), name(ink),
                     name(UITheme::mix(field, UITheme::accent(), 0.16)), name(UITheme::accent()),
                     name(UITheme::mix(field, ink, 0.3))));
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(1, 1, 1, 1);
        m_list = new QListView(this);
        m_list->setModel(combo->model());
        m_list->setModelColumn(combo->modelColumn());
        m_list->setMouseTracking(true);
        m_list->setFont(combo->font());
        m_list->setCurrentIndex(combo->model()->index(combo->currentIndex(), combo->modelColumn()));
        m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        layout->addWidget(m_list);
        m_list->installEventFilter(this);
        QObject::connect(m_list, &QListView::clicked, this,
                         [this](const QModelIndex &index) { _choose(index.row()); });
    }

    void showUnder(const QRect &anchor)
    {
        const int rows = std::clamp(m_combo->count(), 1, MaxVisibleRows);
        // Two pixels clear of the control, below it.
        QRect geometry(QPoint(anchor.left(), anchor.top() + anchor.height() + 2),
                       QSize(anchor.width(), rows * RowHeight + 2));
        // Above the control when there is no room below it.
        if (const QScreen *screen = QGuiApplication::screenAt(anchor.center())) {
            const QRect area = screen->availableGeometry();
            if (geometry.bottom() > area.bottom())
                geometry.moveBottom(anchor.top() - 3);
        }
        setGeometry(geometry);
        show();
        m_list->setFocus();
        m_list->scrollTo(m_list->currentIndex());
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_list && event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                _choose(m_list->currentIndex().row());
                return true;
            }
        }
        return QFrame::eventFilter(watched, event);
    }

private:
    void _choose(int row)
    {
        const QPointer<QComboBox> combo = m_combo;
        close();
        if (combo && row >= 0) {
            combo->setCurrentIndex(row);
            Q_EMIT combo->activated(row);
        }
    }

    QPointer<QComboBox> m_combo;
    QListView *m_list = nullptr;
};

class ComboWidget : public QComboBox
{
public:
    explicit ComboWidget(UIControl *owner)
        : m_owner(owner)
    {
        setFont(UITheme::font());
        setFocusPolicy(Qt::StrongFocus);
    }

    void showPopup() override
    {
        if (m_popup)
            return;
        auto *popup = new ComboPopup(this);
        m_popup = popup;
        popup->showUnder(m_owner->globalRect());
        update();
    }

    void hidePopup() override
    {
        if (m_popup)
            m_popup->close();
        update();
    }

    bool popupVisible() const { return m_popup; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const bool active = underMouse() || hasFocus() || m_popup;
        const QPalette &colours = palette();
        painter.setPen(QPen(
            isEnabled() && active ? UITheme::hoverBorder(colours) : UITheme::border(colours), 1));
        painter.setBrush(isEnabled() ? UITheme::fieldBackground(colours)
                                     : UITheme::color(UITheme::Window, colours));
        painter.drawRoundedRect(area, 3, 3);

        const qreal arrowZone = 26;
        painter.setPen(isEnabled() ? UITheme::color(UITheme::FieldText, colours)
                                   : UITheme::disabledText(colours));
        painter.setFont(font());
        const QRectF textArea = area.adjusted(9, 0, -arrowZone, 0);
        painter.drawText(
            textArea, Qt::AlignLeft | Qt::AlignVCenter,
            fontMetrics().elidedText(currentText(), Qt::ElideRight, int(textArea.width())));

        // The chevron, pointing up while the list is open.
        const QPointF c(area.right() - arrowZone / 2, area.center().y());
        const qreal dy = m_popup ? -2 : 2;
        QPainterPath chevron;
        chevron.moveTo(c + QPointF(-4, -dy));
        chevron.lineTo(c + QPointF(0, dy));
        chevron.lineTo(c + QPointF(4, -dy));
        painter.setPen(QPen(active ? UITheme::accent() : UITheme::mutedText(colours), 1.5,
                            Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(chevron);
    }

    void enterEvent(QEnterEvent *event) override
    {
        update();
        QComboBox::enterEvent(event);
    }

    void leaveEvent(QEvent *event) override
    {
        update();
        QComboBox::leaveEvent(event);
    }

private:
    UIControl *m_owner;
    QPointer<ComboPopup> m_popup;
};

} // namespace

class UIComboBoxControlPrivate : public UIProxyControlPrivate
{
public:
    ComboWidget *combo = nullptr;
    QPointer<QStandardItemModel> ownedModel;
};

UIComboBoxControl::UIComboBoxControl(QGraphicsItem *parent)
    : UIComboBoxControl(*new UIComboBoxControlPrivate, parent)
{}

UIComboBoxControl::UIComboBoxControl(UIComboBoxControlPrivate &dd, QGraphicsItem *parent)
    : UIControl(dd, parent)
{
    Q_D(UIComboBoxControl);
    setLayout(FreeLayout);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    d->combo = new ComboWidget(this);
    auto *model = new QStandardItemModel(this);
    d->ownedModel = model;
    d->combo->setModel(model);
    d->embed(this, d->combo);
    connect(d->combo, &QComboBox::currentIndexChanged, this,
            &UIComboBoxControl::currentIndexChanged);
    connect(d->combo, &QComboBox::currentTextChanged, this, &UIComboBoxControl::currentTextChanged);
    connect(d->combo, &QComboBox::activated, this, &UIComboBoxControl::activated);
}

UIComboBoxControl::~UIComboBoxControl()
{
    Q_D(UIComboBoxControl);
    d->disown(this);
}

QStandardItemModel *UIComboBoxControl::model() const
{
    Q_D(const UIComboBoxControl);
    return qobject_cast<QStandardItemModel *>(d->combo->model());
}

void UIComboBoxControl::setModel(QStandardItemModel *model)
{
    Q_D(UIComboBoxControl);
    if (!model || model == this->model())
        return;
    QPointer<QStandardItemModel> previous = d->ownedModel;
    if (!model->parent()) {
        model->setParent(this);
        d->ownedModel = model;
    } else {
        d->ownedModel = model->parent() == this ? model : nullptr;
    }
    d->combo->setModel(model);
    if (previous && previous != model)
        delete previous;
}

void UIComboBoxControl::setItems(const QStringList &texts)
{
    auto *model = new QStandardItemModel;
    for (const QString &text : texts)
        model->appendRow(new QStandardItem(text));
    setModel(model);
}

QStringList UIComboBoxControl::items() const
{
    Q_D(const UIComboBoxControl);
    QStringList texts;
    for (int row = 0; row < d->combo->count(); ++row)
        texts << d->combo->itemText(row);
    return texts;
}

int UIComboBoxControl::count() const
{
    Q_D(const UIComboBoxControl);
    return d->combo->count();
}

int UIComboBoxControl::currentIndex() const
{
    Q_D(const UIComboBoxControl);
    return d->combo->currentIndex();
}

void UIComboBoxControl::setCurrentIndex(int index)
{
    Q_D(UIComboBoxControl);
    d->combo->setCurrentIndex(index);
}

QString UIComboBoxControl::currentText() const
{
    Q_D(const UIComboBoxControl);
    return d->combo->currentText();
}

QComboBox *UIComboBoxControl::comboBox() const
{
    Q_D(const UIComboBoxControl);
    return d->combo;
}

void UIComboBoxControl::showPopup()
{
    Q_D(UIComboBoxControl);
    d->combo->showPopup();
}

void UIComboBoxControl::hidePopup()
{
    Q_D(UIComboBoxControl);
    d->combo->hidePopup();
}

bool UIComboBoxControl::isPopupVisible() const
{
    Q_D(const UIComboBoxControl);
    return d->combo->popupVisible();
}

void UIComboBoxControl::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    Q_D(UIComboBoxControl);
    UIControl::resizeEvent(event);
    d->fit(size());
}

QSizeF UIComboBoxControl::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    if (which == Qt::PreferredSize)
        return QSizeF(160, 30);
    return UIControl::sizeHint(which, constraint);
}
