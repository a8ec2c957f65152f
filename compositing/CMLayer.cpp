#include "CMLayer.h"

#include "CrossThreadEvent.h"
#include "FrameContext.h"
#include "Log.h"

#include <cmath>

namespace {

quint32 nextLayerId()
{
    static std::atomic<quint32> s_next{0};
    quint32 id = 0;
    while (id == 0)
        id = s_next.fetch_add(1, std::memory_order_relaxed) + 1;
    return id;
}

bool isFinite(const QRectF &rc)
{
    return std::isfinite(rc.x()) && std::isfinite(rc.y()) && std::isfinite(rc.width()) &&
           std::isfinite(rc.height());
}

} // namespace

CMLayer::CMLayer()
    : m_id(nextLayerId())
{}

CMLayer::~CMLayer()
{
    CrossThreadEvent::handedOver(this); // may come from a capture thread's purge
}

void CMLayer::setPreviewing(bool previewing)
{
    m_previewing.store(previewing, std::memory_order_relaxed);
}

LayerState CMLayer::state() const
{
    LayerState state(layerType());
    state.geometry = uiRect();
    state.name = m_name;
    state.combine = isCombine();
    return state;
}

void CMLayer::setZOrder(int zOrder)
{
    m_zOrder.store(zOrder, std::memory_order_relaxed);
}

void CMLayer::markDeleted()
{
    m_alive.store(0, std::memory_order_release);
}

void CMLayer::setCombine(bool combine)
{
    m_combine.store(combine, std::memory_order_relaxed);
}

void CMLayer::setName(const QString &name)
{
    m_name = name;
}

void CMLayer::updateOutputRect()
{
    const std::lock_guard<std::mutex> locker(m_geometryLock);
    const QRectF &r = m_uiRect;
    QRect out;
    out.setLeft(truncate(r.left() * m_scaleX));
    out.setWidth(truncate(r.width() * m_scaleX));
    out.setTop(truncate(r.top() * m_scaleY));
    out.setHeight(truncate(r.height() * m_scaleY));
    m_outputRect = out;
}

QRect CMLayer::prepareFrame(const FrameContext &frame)
{
    _takeScale(frame.scaleX, frame.scaleY);
    return QRect();
}

void CMLayer::paintRow(int y, std::uint32_t *row, int left, int right)
{
    Q_UNUSED(y);
    Q_UNUSED(row);
    Q_UNUSED(left);
    Q_UNUSED(right);
}

QRectF CMLayer::uiRect() const
{
    const std::lock_guard<std::mutex> locker(m_geometryLock);
    return m_uiRect;
}

QRectF CMLayer::outputRect() const
{
    return QRectF(outputPixelRect());
}

QRect CMLayer::outputPixelRect() const
{
    const std::lock_guard<std::mutex> locker(m_geometryLock);
    return m_outputRect;
}

void CMLayer::onGeometryChanged(QRectF rc)
{
    _setUiRect(rc);
    updateOutputRect();
}

bool CMLayer::_takeScale(double scaleX, double scaleY)
{
    if (!std::isfinite(scaleX) || !std::isfinite(scaleY))
        return false;
    {
        const std::lock_guard<std::mutex> locker(m_geometryLock);
        if (qFuzzyCompare(m_scaleX, scaleX) && qFuzzyCompare(m_scaleY, scaleY))
            return false;
        m_scaleX = scaleX;
        m_scaleY = scaleY;
    }
    updateOutputRect();
    return true;
}

void CMLayer::_setUiRect(const QRectF &rc)
{
    if (!isFinite(rc)) {
        logWarning(L"CMLayer::onGeometryChanged non-finite rectangle ignored.");
        return;
    }
    const std::lock_guard<std::mutex> locker(m_geometryLock);
    m_uiRect = rc;
}
