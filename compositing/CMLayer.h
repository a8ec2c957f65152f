#pragma once

#include "IStoredLayer.h"
#include "LayerState.h"
#include "LayerType.h"

#include <QObject>
#include <QRect>
#include <QRectF>
#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>

struct FrameContext;

// Root of the compositing layers: what every layer of the output picture has. Its rectangle in
// scene units maps to output pixels by the current scale; every product is truncated toward
// zero. Setters run on the GUI thread while a composition runs on the composing capture thread,
// so the geometry sits behind its own lock and the flags are atomic.
//
// A composition paints every layer the same way, bottom first: prepareFrame() once, then
// paintRow() for the rows of the rectangle it returned, then finishFrame(). Compositions never
// overlap (they run under the frame sender's lock), so what a layer keeps for the frame in
// hand needs no lock of its own.
class CMLayer : public QObject, public IStoredLayer
{
    Q_OBJECT

public:
    CMLayer();
    ~CMLayer() override;

    // Unique, never zero, stable for the layer's lifetime: how the scene, the relayout logic
    // and the layer manager name this layer.
    quint32 layerId() const { return m_id; }

    virtual void detachUILayer() = 0;
    int layerType() const override { return LT_NONE; }
    virtual void setPreviewing(bool previewing);
    // The layer as it is now: its rectangle, name and combine flag; the kinds add their
    // opacity and payload.
    LayerState state() const override;
    virtual void setZOrder(int zOrder);
    virtual void markDeleted();
    virtual void setCombine(bool combine);
    virtual void setName(const QString &name);
    virtual void updateOutputRect();

    // Takes over the frame's scale (output size / scene size), brings what the layer paints up
    // to date and holds it for this frame. Returns the rectangle the layer paints into, clipped
    // to the frame; empty when it paints nothing (hidden, nothing to show).
    virtual QRect prepareFrame(const FrameContext &frame);
    // Paints the layer's pixels of frame row y that fall in columns [left, right) over row (the
    // frame's whole row). Rows come top to bottom, only inside prepareFrame()'s rectangle; a row
    // may come in more than one piece when an opaque layer above hides its middle.
    virtual void paintRow(int y, std::uint32_t *row, int left, int right);
    // Lets go of what prepareFrame() held.
    virtual void finishFrame() {}
    // Every pixel of prepareFrame()'s rectangle is painted opaque, whatever lies below.
    virtual bool paintsOpaque() const { return false; }

    QRectF uiRect() const;
    QRectF outputRect() const;
    QRect outputPixelRect() const;
    bool isPreviewing() const { return m_previewing.load(std::memory_order_relaxed); }
    bool isDeleted() const { return m_alive.load(std::memory_order_acquire) == 0; }
    bool isCombine() const { return m_combine.load(std::memory_order_relaxed); }
    int zOrder() const { return m_zOrder.load(std::memory_order_relaxed); }
    QString name() const { return m_name; }

    // Real-to-integer conversion of all geometry (LayerState::truncate).
    static int truncate(double value) { return LayerState::truncate(value); }

Q_SIGNALS:
    // What the stored layout holds of this layer may have changed: its item reported a move,
    // resize, opacity, picture, text or camera change, or was shown or hidden. GUI thread.
    void sigChanged();

public Q_SLOTS:
    // Virtual so that layers which cache a picture of their size can follow every move.
    virtual void onGeometryChanged(QRectF rc);

protected:
    // Stores new factors when they differ (fuzzy) from the current ones and recomputes the
    // output rectangle; true when they changed.
    bool _takeScale(double scaleX, double scaleY);
    void _setUiRect(const QRectF &rc);

    std::atomic<bool> m_previewing{false};

private:
    const quint32 m_id;
    mutable std::mutex m_geometryLock; // guards the four geometry fields below
    QRect m_outputRect;
    QRectF m_uiRect{0, 0, 0, 0};
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    std::atomic<int> m_alive{1};
    std::atomic<bool> m_combine{true};
    std::atomic<int> m_zOrder{0};
    QString m_name;
};
