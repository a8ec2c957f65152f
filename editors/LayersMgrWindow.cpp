#include "LayersMgrWindow.h"

#include "BasicLayer.h"
#include "BasicPreviewCombine.h"
#include "CMBasicLayer.h"
#include "EditorSupport.h"
#include "LayerMgrViewItem.h"
#include "LayersDragDropDataFormater.h"
#include "LayerType.h"
#include "PreviewContainer.h"
#include "PreviewListWidget.h"

#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UICheckBoxControl.h>
#include <guifoundation/UIRegistration.h>

#include <QKeyEvent>
#include <QStandardItemModel>

UI_REGISTER_WINDOW(LayersMgrWindow);

LayersMgrWindow::LayersMgrWindow(QWidget *parent)
    : BaseThemeWindow(parent)
    , m_model(new QStandardItemModel(this))
{}

LayersMgrWindow::~LayersMgrWindow() = default;

LayersMgrWindow *LayersMgrWindow::create(QWidget *parent, PreviewContainer *scene,
                                         RelayoutLogic *relayout)
{
    auto *window = EditorSupport::build<LayersMgrWindow>(
        QStringLiteral(":/layout/layersmgrwindow.xml"), parent);
    if (!window)
        return nullptr;
    window->m_relayout = relayout;
    if (relayout) {
        connect(window, SIGNAL(sigLayoutsCombine(uint, bool)), relayout,
                SLOT(on_layoutsCombine(uint, bool)));
        connect(window, SIGNAL(sigLayoutsMove(uint, RelayoutLogic::RL_LAYER_MOVE)), relayout,
                SLOT(on_layoutsMove(uint, RelayoutLogic::RL_LAYER_MOVE)));
        connect(window, SIGNAL(sigMoveDropLayer(uint, uint)), relayout,
                SLOT(on_layoutsMove(uint, uint)));
    }
    if (scene) {
        // The rows carry the scene's items as plain objects; the scene takes them as layers.
        connect(window, &LayersMgrWindow::sigDeleteLayer, scene,
                [scene](QObject *item) { scene->onDeleteLayer(qobject_cast<BasicLayer *>(item)); });
        connect(window, &LayersMgrWindow::sigEditLayer, scene,
                [scene](QObject *item) { scene->on_editLayer(qobject_cast<BasicLayer *>(item)); });
        connect(window, &LayersMgrWindow::sigActiveChanged, scene, [scene](QObject *item) {
            scene->on_activeChanged(qobject_cast<BasicLayer *>(item));
        });
    }
    return window;
}

void LayersMgrWindow::setupUi()
{
    m_list = findChild<PreviewListWidget *>(QStringLiteral("layersList"));
    m_editBtn = findChild<UIButtonControl *>(QStringLiteral("editBtn"));
    m_deleteBtn = findChild<UIButtonControl *>(QStringLiteral("deleteBtn"));
    m_upBtn = findChild<UIButtonControl *>(QStringLiteral("upBtn"));
    m_downBtn = findChild<UIButtonControl *>(QStringLiteral("downBtn"));
    if (m_list) {
        m_list->insertItemFactory(new LayerMgrViewItem);
        m_list->setMultiSelection(false);
        m_list->setModel(m_model);
        m_list->setDragDataFormater(new LayersDragDropDataFormater);
        m_list->setDragFlag(UIControl::DragItems);
        EditorSupport::connectByName(this, "layersList", SIGNAL(sigDropItem(int, int)),
                                     SLOT(on_sigDropItem(int, int)));
    }
    for (UIButtonControl *button : {m_editBtn, m_deleteBtn, m_upBtn, m_downBtn}) {
        if (button)
            button->setEnabled(false);
    }
}

void LayersMgrWindow::setLayers(const QList<LayerEntry> &entries)
{
    m_model->clear();
    // The stack comes back to front; the list shows the front-most layer first.
    for (auto entry = entries.crbegin(); entry != entries.crend(); ++entry) {
        auto *item = new QStandardItem;
        item->setData(entry->type, LayerTypeRole);
        item->setData(entry->name, NameRole);
        item->setData(entry->combine, CombineRole);
        item->setData(uint(entry->layerId), LayerRole);
        item->setData(int(LayerRow), RowKindRole);
        item->setEditable(false);
        item->setDragEnabled(true);
        item->setDropEnabled(true);
        m_model->appendRow(item);
        _wireCheckBox(m_model->rowCount() - 1);
    }
    for (UIButtonControl *button : {m_editBtn, m_deleteBtn, m_upBtn, m_downBtn}) {
        if (button)
            button->setEnabled(false);
    }
}

uint LayersMgrWindow::layerOfRow(int row) const
{
    if (row < 0 || row >= m_model->rowCount())
        return 0;
    return m_model->item(row)->data(LayerRole).toUInt();
}

QObject *LayersMgrWindow::_sceneItem(int row, bool *live) const
{
    if (live)
        *live = false;
    const uint id = layerOfRow(row);
    const BasicPreviewCombine *stack = m_relayout ? m_relayout->compositor() : nullptr;
    CMLayer *layer = id != 0 && stack ? stack->layerById(id) : nullptr;
    if (!layer || layer->isDeleted())
        return nullptr;
    if (live)
        *live = true;
    const auto *paired = qobject_cast<CMBasicLayer *>(layer);
    return paired ? paired->uiLayer() : nullptr;
}

bool LayersMgrWindow::_isGameRow(int row) const
{
    return row >= 0 && row < m_model->rowCount() &&
           m_model->item(row)->data(LayerTypeRole).toInt() == LT_GAMEVIDEO;
}

void LayersMgrWindow::_wireCheckBox(int row)
{
    auto *item = m_list ? qobject_cast<LayerMgrViewItem *>(m_list->item(row)) : nullptr;
    if (item && item->checkBox()) {
        connect(item->checkBox(), SIGNAL(stateChanged(bool)), this,
                SLOT(on_layersList_checkBoxClicked(bool)), Qt::UniqueConnection);
    }
}

void LayersMgrWindow::_updateMoveButtons()
{
    const int row = m_list ? m_list->currentIndex() : -1;
    if (m_upBtn)
        m_upBtn->setEnabled(row >= 1);
    if (m_downBtn)
        m_downBtn->setEnabled(row >= 0 && row < m_model->rowCount() - 1);
}

void LayersMgrWindow::_enableEditDelete(int row)
{
    if (m_editBtn)
        m_editBtn->setEnabled(true);
    if (m_deleteBtn)
        m_deleteBtn->setEnabled(!_isGameRow(row));
}

void LayersMgrWindow::on_layersList_leftButtonClicked(int index)
{
    _updateMoveButtons();
    bool live = false;
    QObject *item = _sceneItem(index, &live);
    if (!live)
        return;
    // The game video has no editor and cannot be deleted.
    const bool game = _isGameRow(index);
    if (m_editBtn)
        m_editBtn->setEnabled(!game);
    if (m_deleteBtn)
        m_deleteBtn->setEnabled(!game);
    if (item)
        Q_EMIT sigActiveChanged(item);
}

void LayersMgrWindow::on_layersList_leftButtonDoubleClicked(int index)
{
    _enableEditDelete(index);
    if (QObject *item = _sceneItem(index))
        Q_EMIT sigEditLayer(item);
}

void LayersMgrWindow::on_layersList_selectItemChange(QObject *obj, int child)
{
    Q_UNUSED(obj)
    Q_UNUSED(child)
    if (m_deleteBtn && m_list)
        m_deleteBtn->setEnabled(!_isGameRow(m_list->currentIndex()));
    _updateMoveButtons();
}

void LayersMgrWindow::on_layersList_checkBoxClicked(bool bselected)
{
    const QObject *box = sender();
    for (int row = 0; m_list && row < m_list->count(); ++row) {
        const auto *item = qobject_cast<LayerMgrViewItem *>(m_list->item(row));
        if (!item || item->checkBox() != box)
            continue;
        m_model->item(row)->setData(bselected, CombineRole);
        Q_EMIT sigLayoutsCombine(layerOfRow(row), bselected);
        return;
    }
}

void LayersMgrWindow::on_editBtn_clicked()
{
    if (QObject *item = m_list ? _sceneItem(m_list->currentIndex()) : nullptr)
        Q_EMIT sigEditLayer(item);
}

void LayersMgrWindow::on_deleteBtn_clicked()
{
    if (!m_list)
        return;
    const int row = m_list->currentIndex();
    if (_isGameRow(row))
        return;
    // The scene deletes the layer and fills the rows anew.
    if (QObject *item = _sceneItem(row)) {
        const QPointer<LayersMgrWindow> alive(this);
        Q_EMIT sigDeleteLayer(item);
        if (!alive)
            return;
    }
    for (UIButtonControl *button : {m_editBtn, m_deleteBtn, m_upBtn, m_downBtn}) {
        if (button)
            button->setEnabled(false);
    }
}

void LayersMgrWindow::_moveRow(int from, int to)
{
    const QList<QStandardItem *> taken = m_model->takeRow(from);
    m_model->insertRow(to, taken);
    _wireCheckBox(to);
    update();
}

void LayersMgrWindow::on_upBtn_clicked()
{
    const int row = m_list ? m_list->currentIndex() : -1;
    if (row < 1 || row > m_model->rowCount() - 1)
        return;
    _moveRow(row, row - 1);
    m_list->setCurrentIndex(row - 1);
    _updateMoveButtons();
    // The layer that was in front of the selected one steps back.
    Q_EMIT sigLayoutsMove(layerOfRow(row), RelayoutLogic::RL_DOWN);
    if (m_list)
        m_list->setCurrentIndex(row - 1);
}

void LayersMgrWindow::on_downBtn_clicked()
{
    const int row = m_list ? m_list->currentIndex() : -1;
    if (row < 0 || row >= m_model->rowCount() - 1)
        return;
    _moveRow(row, row + 1);
    m_list->setCurrentIndex(row + 1);
    _updateMoveButtons();
    // The layer that was behind the selected one steps forward.
    Q_EMIT sigLayoutsMove(layerOfRow(row), RelayoutLogic::RL_UP);
}

void LayersMgrWindow::on_sigDropItem(int formIndx, int toIndx)
{
    const int rows = m_model->rowCount();
    if (formIndx < 0 || formIndx >= rows || toIndx < 0 || toIndx >= rows)
        return;
    _enableEditDelete(formIndx);
    const uint moved = layerOfRow(formIndx);
    const uint target = layerOfRow(toIndx);
    _moveRow(formIndx, toIndx);
    m_list->setCurrentIndex(toIndx);
    _updateMoveButtons();
    m_list->setFocus();
    if (QObject *item = _sceneItem(toIndx))
        Q_EMIT sigActiveChanged(item);
    update();
    // The stack is shown reversed and the target's index is taken before the move, so the
    // stack ends in the order the list shows.
    Q_EMIT sigMoveDropLayer(moved, target);
}

void LayersMgrWindow::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && !event->isAutoRepeat()) {
        on_deleteBtn_clicked();
        event->accept();
        return;
    }
    BaseThemeWindow::keyReleaseEvent(event);
}
