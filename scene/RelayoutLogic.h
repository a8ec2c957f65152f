#pragma once

#include "BasicPreviewCombine.h"

#include <QObject>
#include <QPointer>

// The rules for re-ordering the layer stack. The compositor's list is the stack (index 0 at the
// back); a move takes an entry out and puts it back at its target, then every layer gets its
// index as stacking value, which its scene item follows. Layers are named by their compositing
// layer's id; a layer not in the list, and a move past either end, changes nothing. Every change
// is announced afterwards (stackReordered, combineChanged), whoever asked for it (the layer menu,
// the layer manager's buttons, rows and check boxes), so the scene can record it for undo.
class RelayoutLogic : public QObject
{
    Q_OBJECT

public:
    enum RL_LAYER_MOVE {
        RL_TO_FIRST = 0, // to the front
        RL_TO_LAST = 1,  // to the back
        RL_DOWN = 2,     // one step back
        RL_UP = 3,       // one step forward
    };
    Q_ENUM(RL_LAYER_MOVE)

    explicit RelayoutLogic(QObject *parent = nullptr);
    ~RelayoutLogic() override;

    // The stack to act on (the controller sets it at init); without one every move is ignored.
    void setCompositor(BasicPreviewCombine *compositor);
    BasicPreviewCombine *compositor() const { return m_compositor; }
    // The ids of the live layers, back to front.
    QList<uint> liveOrder() const;
    // Puts the listed layers in the given order (back to front) in front of any others.
    void restoreOrder(const QList<uint> &backToFront);

Q_SIGNALS:
    // The stack's order changed: the live layers' ids, back to front, before and after.
    void stackReordered(const QList<uint> &before, const QList<uint> &after);
    // A layer was switched into or out of the output.
    void combineChanged(uint layer, bool combine);

public Q_SLOTS:
    void on_layoutsMove(uint layer, RelayoutLogic::RL_LAYER_MOVE move);
    // Drag and drop in the layer manager: layer takes target's index as it was before the move.
    void on_layoutsMove(uint layer, uint target);
    void on_layoutsCombine(uint layer, bool combine);
    void on_relayoutAll();
    // The compositor's move request (its move kinds are plain ints, below the scene).
    void onCompositorMove(uint layer, int move);

private:
    void _moveTo(uint layer, int index);
    void _announceOrder(const QList<uint> &before);

    QPointer<BasicPreviewCombine> m_compositor;
};
