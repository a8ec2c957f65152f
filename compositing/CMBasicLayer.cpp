#include "CMBasicLayer.h"

CMBasicLayer::CMBasicLayer() = default;

CMBasicLayer::~CMBasicLayer() = default;

void CMBasicLayer::detachUILayer()
{
    _forgetUILayer();
}

void CMBasicLayer::_forgetUILayer()
{
    if (m_uiLayer)
        disconnect(m_uiLayer, &QObject::destroyed, this, nullptr);
    m_uiLayer = nullptr;
    m_hasUILayer.store(false, std::memory_order_relaxed);
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
    _forgetUILayer();
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
    if (m_uiLayer && m_uiLayer->name() != name)
        m_uiLayer->setName(name);
}

void CMBasicLayer::setUILayer(LayerItem *item)
{
    if (!item)
        return;
    m_previewing.store(true, std::memory_order_relaxed);
    if (item != m_uiLayer) {
        _forgetUILayer();
        m_uiLayer = item;
        connect(item, &QObject::destroyed, this,
                [this] { m_hasUILayer.store(false, std::memory_order_relaxed); });
    }
    m_hasUILayer.store(true, std::memory_order_relaxed);
    connect(item, &LayerItem::sigResized, this, &CMLayer::onGeometryChanged, Qt::UniqueConnection);
    connect(item, &LayerItem::sigPosChanged, this, &CMLayer::onGeometryChanged,
            Qt::UniqueConnection);
    // Everything the item reports is (a part of) the stored layout.
    connect(item, &LayerItem::sigResized, this, &CMLayer::sigChanged, Qt::UniqueConnection);
    connect(item, &LayerItem::sigPosChanged, this, &CMLayer::sigChanged, Qt::UniqueConnection);
    connect(item, &LayerItem::sigAlphaChanged, this, &CMLayer::sigChanged, Qt::UniqueConnection);
    connect(item, &LayerItem::sigPicPathChanged, this, &CMLayer::sigChanged, Qt::UniqueConnection);
    connect(item, &LayerItem::sigCameraParamChanged, this, &CMLayer::sigChanged,
            Qt::UniqueConnection);
    connect(item, &LayerItem::sigKeyColorParamChanged, this, &CMLayer::sigChanged,
            Qt::UniqueConnection);
    connect(item, &LayerItem::sigInfoChanged, this, &CMLayer::sigChanged, Qt::UniqueConnection);
    connect(item, &QGraphicsObject::visibleChanged, this, &CMLayer::sigChanged,
            Qt::UniqueConnection);
    // Live while the user drags, so the next composed frame shows the layer where it is.
    connect(item, &LayerItem::sigGeometryChanging, this, &CMLayer::onGeometryChanged,
            Qt::UniqueConnection);
    // The scene may have had to place the item elsewhere than asked (pulled inside, fitted
    // to its picture or camera) before the link existed: a placed item's rectangle is the
    // layer's from now on.
    const QRectF placed = item->geometry();
    if (!placed.size().isEmpty() && placed != uiRect())
        onGeometryChanged(placed);
    item->setVisible(isCombine());
    item->setZValue(zOrder());
    if (!name().isEmpty() && item->name() != name())
        item->setName(name());
}
