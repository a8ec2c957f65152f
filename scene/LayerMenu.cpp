#include "LayerMenu.h"

#include <guifoundation/UIMenu.h>

#include <QAction>

LayerMenu::LayerMenu(QObject *parent)
    : QObject(parent)
{}

LayerMenu::~LayerMenu()
{
    // The items go with the scene; a menu still on screen must not call into a dead item.
    if (m_shown)
        m_shown->close();
}

UIMenu *LayerMenu::buildMenu(QWidget *owner)
{
    UIMenu *menu = UIMenu::createPopupMenu(owner);
    menu->setObjectName(QStringLiteral("basicMenu"));
    struct Row
    {
        const char *name;
        const char *text;
        void (LayerMenu::*slot)(bool);
    };
    static const Row rows[] = {
        {"edit", QT_TR_NOOP("edit"), &LayerMenu::on_edit_triggered},
        {"delete", QT_TR_NOOP("delete"), &LayerMenu::on_delete_triggered},
        {"tofirst", QT_TR_NOOP("tofirst"), &LayerMenu::on_tofirst_triggered},
        {"tolast", QT_TR_NOOP("tolast"), &LayerMenu::on_tolast_triggered},
        {"layermgr", QT_TR_NOOP("layermgr"), &LayerMenu::on_layermgr_triggered},
    };
    for (const Row &row : rows) {
        auto *action = new QAction(menu);
        action->setObjectName(QLatin1String(row.name));
        action->setIconText(tr(row.text));
        menu->addAction(action);
        connect(action, &QAction::triggered, this, row.slot);
    }
    return menu;
}

void LayerMenu::popup(QWidget *owner)
{
    _show(buildMenu(owner));
}

void LayerMenu::popupWithoutEditDelete(QWidget *owner)
{
    UIMenu *menu = buildMenu(owner);
    menu->removeAction(QStringLiteral("edit"));
    menu->removeAction(QStringLiteral("delete"));
    _show(menu);
}

void LayerMenu::_show(UIMenu *menu)
{
    if (m_shown)
        m_shown->close();
    m_shown = menu;
    menu->popup();
}

void LayerMenu::on_edit_triggered(bool checked)
{
    Q_UNUSED(checked)
    Q_EMIT sigEditTriggered();
}

void LayerMenu::on_delete_triggered(bool checked)
{
    Q_UNUSED(checked)
    Q_EMIT sigDeleteTriggered();
}

void LayerMenu::on_tofirst_triggered(bool checked)
{
    Q_UNUSED(checked)
    Q_EMIT sigToFirstLayer();
}

void LayerMenu::on_tolast_triggered(bool checked)
{
    Q_UNUSED(checked)
    Q_EMIT sigToLastLayer();
}

void LayerMenu::on_layermgr_triggered(bool checked)
{
    Q_UNUSED(checked)
    Q_EMIT sigLayermgr();
}
