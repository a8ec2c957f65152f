#include "UIMenu.h"
#include "UIMenu_p.h"

#include "UITheme.h"

#include <QAction>
#include <QCursor>

UIMenuPrivate::UIMenuPrivate() = default;
UIMenuPrivate::~UIMenuPrivate() = default;

UIMenu::UIMenu(QWidget *parent)
    : UIMenu(*new UIMenuPrivate, parent)
{}

UIMenu::UIMenu(UIMenuPrivate &dd, QWidget *parent)
    : QMenu(parent)
    , d_ptr(&dd)
{
    Q_D(UIMenu);
    d->q_ptr = this;
    setFont(UITheme::font());
    // A menu is a window of its own: it wears the theme of the window that opens it.
    UITheme::usePaletteOf(this, parent ? parent->window() : nullptr);
    const QPalette &colours = palette();
    const auto name = [](const QColor &colour) {
        return colour.name(QColor::HexArgb);
    };
    const QColor window = UITheme::color(UITheme::Window, colours);
    const QColor text = UITheme::text(colours);
    // Rounded corners need a compositor; a square, flat menu looks right everywhere.
    setStyleSheet(
        QStringLiteral(
            "QMenu { background: %1; border: 1px solid %2; padding: 4px 0px; }"
            "QMenu::item { padding: 6px 28px 6px 18px; color: %3; background: transparent; }"
            "QMenu::item:selected { background: %4; color: %5; }"
            "QMenu::item:disabled { color: %6; }"
            "QMenu::separator { height: 1px; background: %7; margin: 4px 8px; }")
            .arg(name(window), name(UITheme::border(colours)), name(text),
                 name(UITheme::mix(window, UITheme::accent(), 0.16)),
                 name(UITheme::isDark(colours) ? UITheme::accent() : UITheme::accentDark()),
                 name(UITheme::disabledText(colours)), name(UITheme::mix(window, text, 0.12))));
}

UIMenu::~UIMenu() = default;

UIMenu *UIMenu::createPopupMenu(QWidget *parent)
{
    return new UIMenu(parent);
}

void UIMenu::popup(QAction *atAction)
{
    Q_D(UIMenu);
    if (!d->deleteWhenClosed) {
        d->deleteWhenClosed = true;
        // Later, so a triggered action's receivers run before the menu goes away.
        connect(this, &QMenu::aboutToHide, this, &QObject::deleteLater);
    }
    QMenu::popup(QCursor::pos(), atAction);
}

bool UIMenu::removeAction(const QString &objectName)
{
    const QList<QAction *> all = actions();
    for (QAction *action : all) {
        if (action->objectName() == objectName) {
            QWidget::removeAction(action);
            if (action->parent() == this)
                delete action;
            return true;
        }
    }
    return false;
}
