#pragma once

#include "LayerEntry.h"
#include "RelayoutLogic.h"

#include <appcommon/BaseThemeWindow.h>

#include <QList>
#include <QPointer>

class PreviewContainer;
class PreviewListWidget;
class QStandardItemModel;
class UIButtonControl;

// The layer manager: every layer of the preview, front-most first. The user selects a row,
// takes a layer out of the broadcast picture or puts it back with its box, opens its editor,
// deletes it, moves it a step up or down or drags it to another place. The window changes
// nothing itself: it re-orders its rows and asks the ordering rules and the scene to act.
class LayersMgrWindow : public BaseThemeWindow
{
    Q_OBJECT

public:
    // Data roles of a row's model item.
    enum Role {
        RowKindRole = 33,   // LayerRow for a layer
        CombineRole = 34,   // the layer is part of the broadcast picture
        RowHeightRole = 35, // not set here: rows are 30 high
        LayerTypeRole = 36,
        NameRole = 37,
        LayerRole = 38, // the compositing layer's id
    };
    enum { LayerRow = 100 };

    explicit LayersMgrWindow(QWidget *parent = nullptr);
    ~LayersMgrWindow() override;

    // Builds the window from ":/layout/layersmgrwindow.xml" and wires it to the scene and the
    // ordering rules; null when the layout cannot be built.
    static LayersMgrWindow *create(QWidget *parent, PreviewContainer *scene,
                                   RelayoutLogic *relayout);

    // Fills the rows from the stack, given back to front.
    void setLayers(const QList<LayerEntry> &entries);

    // The compositing layer's id of a row; 0 for a row that does not exist.
    uint layerOfRow(int row) const;

Q_SIGNALS:
    void sigLayoutsCombine(uint layer, bool combine);
    void sigLayoutsMove(uint layer, RelayoutLogic::RL_LAYER_MOVE move);
    void sigDeleteLayer(QObject *layer);
    void sigEditLayer(QObject *layer);
    void sigActiveChanged(QObject *layer);
    void sigMoveDropLayer(uint layer, uint target);

private Q_SLOTS:
    void on_layersList_leftButtonClicked(int index);
    void on_layersList_leftButtonDoubleClicked(int index);
    void on_layersList_selectItemChange(QObject *obj, int child);
    void on_layersList_checkBoxClicked(bool bselected);
    void on_editBtn_clicked();
    void on_deleteBtn_clicked();
    void on_upBtn_clicked();
    void on_downBtn_clicked();
    void on_sigDropItem(int formIndx, int toIndx);

protected:
    void setupUi() override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    // The scene item of a row's layer while that layer is in the stack; null otherwise.
    QObject *_sceneItem(int row, bool *live = nullptr) const;
    bool _isGameRow(int row) const;
    void _wireCheckBox(int row);
    void _updateMoveButtons();
    void _enableEditDelete(int row);
    void _moveRow(int from, int to);

    PreviewListWidget *m_list = nullptr;
    QStandardItemModel *m_model = nullptr;
    UIButtonControl *m_editBtn = nullptr;
    UIButtonControl *m_deleteBtn = nullptr;
    UIButtonControl *m_upBtn = nullptr;
    UIButtonControl *m_downBtn = nullptr;
    QPointer<RelayoutLogic> m_relayout;
};
