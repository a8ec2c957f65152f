#include "CMBasicLayer.h"

#include "UILayerCalls.h"

CMBasicLayer::CMBasicLayer() = default;

CMBasicLayer::~CMBasicLayer() = default;

void CMBasicLayer::detachUILayer()
{
    m_uiLayer = nullptr;
}

void CMBasicLayer::setZOrder(int zOrder)
{
    CMLayer::setZOrder(zOrder);
    if (m_uiLayer && m_uiLayer->zValue() != double(zOrder))
        m_uiLayer->setZValue(zOrder);
}

void CMBasicLayer::markDeleted()
{
    CMLayer::markDeleted();
    m_uiLayer = nullptr;
}

void CMBasicLayer::setCombine(bool combine)
{
    CMLayer::setCombine(combine);
    if (m_uiLayer)
        m_uiLayer->setVisible(combine);
}

void CMBasicLayer::setName(const QString &name)
{
    CMLayer::setName(name);
    UILayerCalls::setName(m_uiLayer, name);
}

void CMBasicLayer::setUILayer(QGraphicsObject *item)
{
    if (!item)
        return;
    m_previewing.store(true, std::memory_order_relaxed);
    if (item != m_uiLayer)
        m_uiLayer = item;
    UILayerCalls::connectIfPresent(item, SIGNAL(sigResized(QRectF)), this,
                                   SLOT(onGeometryChanged(QRectF)));
    UILayerCalls::connectIfPresent(item, SIGNAL(sigPosChanged(QRectF)), this,
                                   SLOT(onGeometryChanged(QRectF)));
    item->setVisible(isCombine());
    item->setZValue(zOrder());
}
