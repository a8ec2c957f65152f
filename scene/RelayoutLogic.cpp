#include "RelayoutLogic.h"

#include "BasicPreviewCombine.h"
#include "CMLayer.h"

#include <climits>

namespace {

int indexOf(const QList<QPointer<CMLayer>> &layers, uint id)
{
    if (id == 0)
        return -1;
    for (int i = 0; i < layers.size(); ++i) {
        if (layers.at(i) && layers.at(i)->layerId() == id)
            return i;
    }
    return -1;
}

} // namespace

RelayoutLogic::RelayoutLogic(QObject *parent)
    : QObject(parent)
{}

RelayoutLogic::~RelayoutLogic() = default;

void RelayoutLogic::setCompositor(BasicPreviewCombine *compositor)
{
    m_compositor = compositor;
}

void RelayoutLogic::on_layoutsMove(uint layer, RelayoutLogic::RL_LAYER_MOVE move)
{
    if (!m_compositor)
        return;
    const QList<QPointer<CMLayer>> layers = m_compositor->layers();
    const int i = indexOf(layers, layer);
    const int n = int(layers.size());
    if (i < 0)
        return;
    int target = -1;
    switch (move) {
    case RL_TO_FIRST:
        target = i >= n - 1 ? -1 : n - 1;
        break;
    case RL_TO_LAST:
        target = i < 1 ? -1 : 0;
        break;
    case RL_DOWN:
        target = i < 1 ? -1 : i - 1;
        break;
    case RL_UP:
        target = i >= n - 1 ? -1 : i + 1;
        break;
    }
    if (target >= 0)
        _moveTo(layer, target);
}

void RelayoutLogic::on_layoutsMove(uint layer, uint target)
{
    if (!m_compositor)
        return;
    const QList<QPointer<CMLayer>> layers = m_compositor->layers();
    const int i = indexOf(layers, layer);
    const int j = indexOf(layers, target);
    if (i < 0 || j < 0 || i == j)
        return;
    _moveTo(layer, j);
}

void RelayoutLogic::on_layoutsCombine(uint layer, bool combine)
{
    if (!m_compositor)
        return;
    CMLayer *found = m_compositor->layerById(layer);
    if (!found)
        return;
    const bool changed = found->isCombine() != combine;
    found->setCombine(combine);
    if (changed)
        Q_EMIT combineChanged(layer, combine);
}

QList<uint> RelayoutLogic::liveOrder() const
{
    QList<uint> ids;
    if (!m_compositor)
        return ids;
    const QList<QPointer<CMLayer>> layers = m_compositor->layers();
    for (const QPointer<CMLayer> &layer : layers) {
        if (layer && !layer->isDeleted())
            ids.append(layer->layerId());
    }
    return ids;
}

void RelayoutLogic::restoreOrder(const QList<uint> &backToFront)
{
    if (!m_compositor)
        return;
    const QList<uint> before = liveOrder();
    // Each to the front in turn, the back one first.
    for (uint layer : backToFront)
        m_compositor->moveLayer(layer, INT_MAX);
    on_relayoutAll();
    _announceOrder(before);
}

void RelayoutLogic::_announceOrder(const QList<uint> &before)
{
    const QList<uint> after = liveOrder();
    if (after != before)
        Q_EMIT stackReordered(before, after);
}

void RelayoutLogic::on_relayoutAll()
{
    if (!m_compositor)
        return;
    const QList<QPointer<CMLayer>> layers = m_compositor->layers();
    for (int i = int(layers.size()) - 1; i >= 0; --i) {
        CMLayer *layer = layers.at(i);
        if (layer && layer->zOrder() != i)
            layer->setZOrder(i);
    }
}

void RelayoutLogic::onCompositorMove(uint layer, int move)
{
    if (move >= RL_TO_FIRST && move <= RL_UP)
        on_layoutsMove(layer, RL_LAYER_MOVE(move));
}

void RelayoutLogic::_moveTo(uint layer, int index)
{
    const QList<uint> before = liveOrder();
    // The compositor moves the entry under its list lock and renumbers the stack.
    if (m_compositor->moveLayer(layer, index)) {
        on_relayoutAll();
        _announceOrder(before);
    }
}
