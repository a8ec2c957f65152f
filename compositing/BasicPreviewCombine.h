#pragma once

#include "ILayerStack.h"
#include "LayerType.h"
#include "xsignals/xsignals.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSizeF>

#include <mutex>

class CMLayer;
class LayerItem;
class IPreviewController;
class PreviewCenterData;

// The compositor's ordered layer list (index 0 is painted first, at the back) and what acts on
// the whole list: start and stop, forgetting the scene, fitting the game layer, default name
// numbers, the two-step delete and the purge.
//
// The list is read and changed on the GUI thread, except that the capture thread reads it for
// every composition and drops purged layers from it; the list and the scene size therefore sit
// behind m_layersLock. Purged layers are destroyed on the GUI thread (deleteLater), and only
// after they left the list under the composition lock, so no composition can still use them.
class BasicPreviewCombine : public QObject, public xsignals::trackable, public ILayerStack
{
    Q_OBJECT

public:
    BasicPreviewCombine(IPreviewController *controller, QObject *parent, const QSizeF &sceneSize);
    ~BasicPreviewCombine() override;

    void startPreview();
    void stopPreview();
    bool isPreviewing() const { return m_previewing; }

    QSizeF sceneSize() const override;
    void setSceneSize(const QSizeF &size) override;

    // A snapshot of the list; entries of destroyed layers read null.
    QList<QPointer<CMLayer>> layers() const;
    int layerCount() const override;
    void forEachLayer(const std::function<void(IStoredLayer &)> &visit) const override;
    CMLayer *layerById(quint32 layerId) const;
    // The live layer, not marked deleted, whose scene item is item; null when none.
    CMLayer *layerOfItem(const LayerItem *item) const;

    // The last live camera layer that is not marked deleted, or null.
    CMLayer *findCameraLayer() const;
    // Refits the first game layer to the video's aspect ratio inside the preview area when the
    // video size changed; returns the layer, or null when nothing was refitted.
    CMLayer *fitGameLayer(int width, int height);
    // The largest number in the names of the live layers of that type ("pic 3" gives 3).
    int nextLayerNumber(int type) const;
    // Marks the layer paired with the item deleted; composition skips it from now on and the
    // next composition purges it.
    void deleteCMLayerByUILayer(LayerItem *item);
    void markLayerDeleted(quint32 layerId);
    // Drops layers marked deleted from the list and destroys them on the GUI thread.
    void removeDeletedLayers(bool anyDeleted);
    // Moves a layer to index (clamped) and renumbers the stacking values of all layers.
    bool moveLayer(quint32 layerId, int index);

    IPreviewController *controller() const { return m_controller; }
    PreviewCenterData *centerData() const { return m_centerData; }

    virtual void init() {}
    virtual void unInit() {}
    virtual void setVideoSize(int width, int height)
    {
        Q_UNUSED(width)
        Q_UNUSED(height)
    }
    virtual void restartSender() {}

Q_SIGNALS:
    // Move kinds: 0 to the front, 1 to the back, 2 one step back, 3 one step forward.
    void sigLayoutsMove(uint layerId, int moveKind);
    void sigRelayoutAll();
    // The stack as it would be stored may have changed: a layer was added, marked deleted or
    // moved, or one of them reported a change (CMLayer::sigChanged). GUI thread only; never
    // emitted under a lock.
    void sigLayersChanged();

public Q_SLOTS:
    virtual void onContainerClosed();
    void on_toLayerFirst(LayerItem *layer);
    void on_toLayerLast(LayerItem *layer);

protected:
    void _appendLayer(CMLayer *layer);
    // Drops a snapshot taken on the capture thread under the list lock, so that the GUI
    // thread's next in-place change of the list is ordered after this thread's last read.
    void _releaseSnapshot(QList<QPointer<CMLayer>> *snapshot) const;
    // Empties the list and returns what it held.
    QList<QPointer<CMLayer>> _takeLayers();

private:
    CMLayer *_findByUILayer(const LayerItem *item) const;

    mutable std::mutex m_layersLock; // guards m_layers and m_sceneSize
    QList<QPointer<CMLayer>> m_layers;
    QSizeF m_sceneSize;
    bool m_previewing = false;
    IPreviewController *const m_controller;
    PreviewCenterData *m_centerData = nullptr;
};
