#pragma once

#include "BasicLayerData.h"
#include "ILayerScene.h"
#include "LayerEntry.h"
#include "LayerState.h"

#include <appcommon/TipMessageWindow.h>
#include <guifoundation/UIBaseWindow.h>
#include <guifoundation/UIControl.h>

#include <QHash>
#include <QList>
#include <QPointer>
#include <QSizeF>
#include <QUndoStack>

#include <memory>
#include <optional>

class BasicLayer;
class CameraLayer;
class FontInfoConfig;
class GamePicLayer;
class ILayerEditorFactory;
class IPreviewController;
class PicLayer;
class PreviewCenterData;
class PreviewCombineLogic;
class PreviewWatermark;
class QImage;
class QMimeData;
class RelayoutLogic;
class TextLayer;

// The root of the interactive preview: one control that fills the preview area and holds one
// item per layer, back to front. It creates items for the compositor (loadUI) and for the
// user (with the editor opened at once), keeps at most one camera, one game video and five
// texts, decides which layer is active, and handles the scene's mouse, keys and drops.
//
// Everything runs on the GUI thread. Calls that reach the host (closing the camera) may come
// back into the engine, the container's own destruction included, so the container checks that
// it still lives after each of them.
//
// Undo (Ctrl+Z) and redo (Ctrl+Shift+Z, Ctrl+Y) step through the user's changes: moves and
// resizes, deletes, stacking order, visibility, and edits confirmed in an editor (a new layer's
// confirmation adds it). Each change is recorded once, when it is made; what an undo or redo
// changes reaches the compositing layers, and so the output and the stored file, like the user's
// own change. The history belongs to the scene and goes with it; see PreviewContainerUndo.cpp.
class PreviewContainer : public UIControl, public ILayerScene
{
    Q_OBJECT

public:
    // What the container works with; all owned elsewhere, all may be null (a bare scene).
    struct Services
    {
        IPreviewController *controller = nullptr;
        PreviewCombineLogic *compositor = nullptr;
        RelayoutLogic *relayout = nullptr;
        ILayerEditorFactory *editors = nullptr;
    };

    static constexpr int MaxTextLayers = 5;
    // The format of an in-scene layer drag: the compositing layer's id (quint32), then the
    // grab point inside the layer (QPointF), in a QDataStream.
    static const char *const ItemDragFormat;

    // A new container of size under parent: in a GUI-foundation control's free layout, or as
    // the child item of any other graphics object, scaled to fill it.
    static PreviewContainer *createPreviewContainer(QGraphicsObject *parent, const QSize &size,
                                                    const Services &services);
    PreviewContainer(QGraphicsObject *parent, const QSize &size, const Services &services);
    ~PreviewContainer() override;

    void setEditorFactory(ILayerEditorFactory *factory) { m_editors = factory; }
    // The controller lets go of the scene: from now on it works with nothing but itself.
    void detachServices();
    ILayerEditorFactory *editorFactory() const { return m_editors; }

    void resizeScene(qreal x, qreal y, qreal w, qreal h);
    // A new preview area (the host's video changed its aspect): the layers keep their places
    // and only those now outside are pulled back in.
    void setPreviewArea(const QSize &size);
    QSizeF sceneSize() const { return m_sceneSize; }
    void setLayersEditable(bool editable);

    // Back to front.
    QList<BasicLayer *> layers() const;
    int countLayersOfType(int type) const;
    // -1 when the layer is not in the scene.
    int indexOfLayer(const BasicLayer *layer) const;
    bool hasLayer(const BasicLayer *layer) const { return indexOfLayer(layer) >= 0; }

    // ILayerScene: the item of a stored layer, from its state.
    QObject *sceneObject() override { return this; }
    LayerItem *addLayer(const LayerState &state) override;
    // One kind at a time, for stored layers and for the user's new ones (isNew: pending, with
    // its editor opened at once).
    LayerItem *addPicLayer(const QString &path, bool canEditSize, const QPoint &pos,
                           const QSize &size, int alpha, bool isNew);
    LayerItem *addTextLayer(const FontInfoConfig &config, const QString &text, const QPoint &pos,
                            bool isNew);
    LayerItem *addTextLayer(const QFont &font, const QColor &color, const QString &text,
                            const QPoint &pos, bool isNew);
    LayerItem *addCameraLayer(const QString &name, const QPoint &pos, const QSize &size, int alpha,
                              const QString &device, const QSize &resolution, bool isNew,
                              bool showTip, bool flag, unsigned int keyColor, float sensitivity,
                              float blend);
    LayerItem *addGameVideoLayer(const QPoint &pos, const QSize &size, int alpha);

    void setActiveLayer(BasicLayer *layer);
    // The first selected layer that is not the game video.
    BasicLayer *activeLayer() const;
    void removeCameraLayers();
    // Tells the user that the stored pictures at paths could not be shown and were left out.
    void reportLeftOutPictures(const QStringList &paths);

    void showLayersManager();
    QList<LayerEntry> collectLayerEntries() const;

    void editPicLayer(BasicLayer *layer);
    void editTextLayer(BasicLayer *layer);
    void editCameraLayer(BasicLayer *layer);

    // Windows the container keeps, while they are open.
    TipMessageWindow *tipWindow() const { return m_tipWindow; }
    UIBaseWindow *layersManager() const { return m_layersManager; }
    BasicLayerData *pendingData() const { return m_pendingData.get(); }
    // The stream's watermark as the preview shows it, above the layers.
    PreviewWatermark *watermark() const { return m_watermark; }

    // The user's history. Undo and redo do nothing while an editor is open or a drag is held.
    static constexpr int UndoSteps = 100;
    const QUndoStack *undoStack() const { return &m_undoStack; }
    void undo();
    void redo();

    // What the undo commands apply. A layer is named by its undo key, which survives its
    // deletion and re-creation; each returns false when that layer is gone for good.
    quint64 undoKeyOf(BasicLayer *layer);
    BasicLayer *layerOfUndoKey(quint64 key) const;
    bool restoreGeometry(quint64 key, const QRectF &rect);
    bool restoreVisibility(quint64 key, bool shown);
    bool restoreOrder(const QList<quint64> &backToFront);
    bool restoreState(quint64 key, const LayerState &state);
    bool removeLayer(quint64 key);
    bool recreateLayer(quint64 key, const LayerState &state);
    // A layer's state as it is now: what a step leaves when it is undone or redone, since the
    // scene may have changed the layer after the step was recorded (brought it inside a smaller
    // output), and going back the other way must return to where it was left.
    std::optional<LayerState> presentState(quint64 key) const;

Q_SIGNALS:
    void sigAboutToClose();
    void sigToFirstLayer(BasicLayer *layer);
    void sigToLastLayer(BasicLayer *layer);

public Q_SLOTS:
    void onDeleteLayer(BasicLayer *layer);
    void on_editLayer(BasicLayer *layer);
    void on_activeChanged(BasicLayer *layer);
    void on_Frames_confirmed(BasicLayerData *layerData);
    void on_Frames_discarded(BasicLayerData *layerData);
    void on_toFirstLayer(BasicLayer *layer);
    void on_toLastLayer(BasicLayer *layer);
    void on_layermgr(BasicLayer *layer);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QGraphicsSceneDragDropEvent *event) override;
    void dragLeaveEvent(QGraphicsSceneDragDropEvent *event) override;
    void dragMoveEvent(QGraphicsSceneDragDropEvent *event) override;
    void dropEvent(QGraphicsSceneDragDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;

private:
    void _closeEditors();
    void _showTip(const QString &message);
    // Adds the item to the list, connects it and stacks it; the fit check for media items.
    void _finishLayer(BasicLayer *layer, int alpha, bool checkFit);
    void _connectLayer(BasicLayer *layer);
    void _adoptLayer(BasicLayer *layer, int state);
    // Where a new text or picture of size goes when wanted is where another one starts.
    QPoint _placeApartFromOthers(const QPoint &wanted, const QSize &size) const;
    // addPicLayer with the picture already read from path (null when path is empty).
    LayerItem *_addPicLayer(const QString &path, const QImage &picture, bool canEditSize,
                            const QPoint &pos, const QSize &size, int alpha, bool isNew);
    // A picture file that does not read: the log line and the user's notice.
    void _refusePicture(const QString &path, const QString &reason);
    QString _unreadablePictureText(const QString &fileName) const;
    void _fitIfNeeded(BasicLayer *layer);
    // After the scene changed its size: the layer inside it, shrunk when it cannot fit.
    void _bringInside(BasicLayer *layer);
    void _relayoutAll();
    void _fillParent();
    bool _isInternalDrag(const QGraphicsSceneDragDropEvent *event) const;
    BasicLayer *_layerOfId(quint32 id) const;
    PreviewCenterData *_centerData() const;
    bool _layersEditable() const;
    void _refreshLayersManager();
    void _openEditor(BasicLayer *layer, std::unique_ptr<BasicLayerData> record,
                     QPointer<UIBaseWindow> *slot);
    // What the layer is now: the item's values, with the name and combine flag of its
    // compositing twin when it has one.
    LayerState _itemState(BasicLayer *layer) const;
    // The record an editor gets for the layer.
    std::unique_ptr<BasicLayerData> _snapshot(BasicLayer *layer) const;
    // The edit's end: forgets the record and its roll-back copy, and takes the keyboard back.
    void _endEdit();
    // Puts the layer back to state's values: its kind's, its opacity and its rectangle.
    void _restoreState(BasicLayer *layer, const LayerState &state);
    // Removes the layer from the scene and the stack; record: the user deleted it.
    void _deleteLayer(BasicLayer *layer, bool record);

    // Undo (PreviewContainerUndo.cpp).
    void _stepHistory(bool back);
    bool _canStepHistory() const;
    // Pushes a change the user just made, unless the scene is replaying its history.
    void _record(QUndoCommand *command);
    QList<quint64> _stackKeys(const QList<uint> &layerIds);
    QList<quint64> _stackKeys();
    quint32 _layerIdOfKey(quint64 key) const;
    // The host took the camera away: no step brings a camera back or changes one.
    void _retireCameraKeys();
    void _onGeometryEdited(BasicLayer *layer, const QRectF &from, const QRectF &to, bool byKey);
    void _onStackReordered(const QList<uint> &before, const QList<uint> &after);
    void _onCombineChanged(uint layerId, bool combine);

    QList<QPointer<BasicLayer>> m_layers;
    QPointer<UIBaseWindow> m_cameraEditor;
    QPointer<TipMessageWindow> m_tipWindow;
    QPointer<UIBaseWindow> m_textEditor;
    QPointer<UIBaseWindow> m_picEditor;
    QPointer<UIBaseWindow> m_layersManager;
    // The record the open editor works on, and the layer's state as it was when the editor
    // opened: editors write into their record, so a discard restores the old state.
    std::unique_ptr<BasicLayerData> m_pendingData;
    std::optional<LayerState> m_rollback;
    QSizeF m_sceneSize;
    IPreviewController *m_controller = nullptr;
    ILayerEditorFactory *m_editors = nullptr;
    QPointer<PreviewCombineLogic> m_compositor;
    QPointer<RelayoutLogic> m_relayout;
    PreviewWatermark *m_watermark = nullptr; // a child item
    struct UndoKey
    {
        QPointer<BasicLayer> layer; // the layer's item now; null while it is deleted
        int type = 0;
        bool retired = false;
    };
    QHash<quint64, UndoKey> m_undoKeys;
    quint64 m_nextUndoKey = 1;
    QUndoStack m_undoStack;
    bool m_replaying = false; // applying an undo or redo: nothing is recorded
    bool m_closing = false;
};
