#include "UIMenu.h"

#include "UITheme.h"

#include <QAction>
#include <QCursor>

UIMenu::UIMenu(QWidget *parent)
    : QMenu(parent)
{
    setFont(UITheme::font());
    // Rounded corners need a compositor; a square, flat menu looks right everywhere.
    setStyleSheet(QStringLiteral(
        "QMenu { background: #ffffff; border: 1px solid #d0d0d0; padding: 4px 0px; }"
        "QMenu::item { padding: 6px 28px 6px 18px; color: #333333; background: transparent; }"
        "QMenu::item:selected { background: #fff1e6; color: #d65a14; }"
        "QMenu::item:disabled { color: #b0b0b0; }"
        "QMenu::separator { height: 1px; background: #ebebeb; margin: 4px 8px; }"));
}

UIMenu::~UIMenu() = default;

UIMenu *UIMenu::createPopupMenu(QWidget *parent)
{
    return new UIMenu(parent);
}

void UIMenu::popup(QAction *atAction)
{
    if (!m_deleteWhenClosed) {
        m_deleteWhenClosed = true;
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
