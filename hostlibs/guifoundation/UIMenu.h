#pragma once

#include "guifoundation_global.h"

#include <QMenu>

#include <memory>

class UIMenuPrivate;

// The themed pop-up menu. An action without text shows its icon text, as QAction::text() does.
// A menu made by createPopupMenu() and shown with popup() deletes itself after it closes, so
// callers build a fresh one for every pop-up.
class GUIFOUNDATION_EXPORT UIMenu : public QMenu
{
    Q_OBJECT

public:
    explicit UIMenu(QWidget *parent = nullptr);
    ~UIMenu() override;

    static UIMenu *createPopupMenu(QWidget *parent = nullptr);

    // Pops the menu up at the mouse cursor without waiting; with atAction, that action is
    // placed under the cursor.
    void popup(QAction *atAction = nullptr);
    using QMenu::popup;

    // Removes and deletes the menu's first action with this object name. Returns whether one
    // was found.
    bool removeAction(const QString &objectName);
    using QWidget::removeAction;

protected:
    UIMenu(UIMenuPrivate &dd, QWidget *parent);

    const std::unique_ptr<UIMenuPrivate> d_ptr;

private:
    Q_DECLARE_PRIVATE(UIMenu)
    Q_DISABLE_COPY(UIMenu)
};
