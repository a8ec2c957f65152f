#pragma once

#include <QObject>
#include <QPointer>

#include <guifoundation/UIMenu.h>
class QWidget;

// The context menu of a layer item: edit, delete, to the front, to the back, layer manager.
// It keeps no state; a fresh pop-up menu is built for every showing and deletes itself when it
// closes. The parent object is the item that owns it.
class LayerMenu : public QObject
{
    Q_OBJECT

public:
    explicit LayerMenu(QObject *parent = nullptr);
    ~LayerMenu() override;

    // Builds a menu with all five actions; owner is the widget it pops up over.
    UIMenu *buildMenu(QWidget *owner = nullptr);
    void popup(QWidget *owner = nullptr);
    // For the game video, which the user can neither edit nor delete.
    void popupWithoutEditDelete(QWidget *owner = nullptr);

Q_SIGNALS:
    void sigEditTriggered();
    void sigDeleteTriggered();
    void sigToFirstLayer();
    void sigToLastLayer();
    void sigLayermgr();

public Q_SLOTS:
    void on_edit_triggered(bool checked);
    void on_delete_triggered(bool checked);
    void on_tofirst_triggered(bool checked);
    void on_tolast_triggered(bool checked);
    void on_layermgr_triggered(bool checked);

private:
    void _show(UIMenu *menu);

    QPointer<UIMenu> m_shown;
};
