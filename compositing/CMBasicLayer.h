#pragma once

#include "CMLayer.h"
#include "LayerItem.h"

#include <QPointer>

// A compositing layer paired with its scene item. The item belongs to the scene and may go at
// any time, so the link is a guarded pointer and every call on the item checks it first. Item
// calls happen on the GUI thread only.
class CMBasicLayer : public CMLayer
{
    Q_OBJECT

public:
    CMBasicLayer();
    ~CMBasicLayer() override;

    void detachUILayer() override;
    void setZOrder(int zOrder) override;
    void markDeleted() override;
    void setCombine(bool combine) override;
    void setName(const QString &name) override;
    // Links the scene item: follows its moves and resizes, pushes visibility, stacking and name.
    // Linking the same item again adds no second connection.
    virtual void setUILayer(LayerItem *item);

    LayerItem *uiLayer() const { return m_uiLayer.data(); }
    // Whether an item is linked, readable from any thread: the capture threads build the
    // item's pictures only while there is an item to show them.
    bool hasUILayer() const { return m_hasUILayer.load(std::memory_order_relaxed); }

protected:
    QPointer<LayerItem> m_uiLayer;

private:
    void _forgetUILayer();

    std::atomic<bool> m_hasUILayer{false};
};
