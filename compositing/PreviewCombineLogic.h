#pragma once

#include "BasicPreviewCombine.h"
#include "CMLayer.h"
#include "FontInfoConfig.h"
#include "FrameComposer.h"
#include "FrameSender.h"

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>

class CMBasicLayer;
class ILayerScene;
class IPreviewController;
class PushedFrame;

// The compositor: creates the compositing layers, reacts to every game frame from the host by
// fitting the game layer to the video's aspect ratio and composing an output frame
// (FrameComposer) into a slot of its frame sender, which delivers it, and keeps the host
// informed of the output size. Created by the controller's init, deleted by its unInit.
class PreviewCombineLogic : public BasicPreviewCombine
{
    Q_OBJECT

public:
    PreviewCombineLogic(const QSizeF &sceneSize, IPreviewController *controller,
                        QObject *parent = nullptr);
    ~PreviewCombineLogic() override;

    void init() override;
    void unInit() override;
    void setVideoSize(int width, int height) override;
    void restartSender() override;

    // A layer of state.type from state, on top of the stack (ILayerStack). A camera reuses the
    // existing camera layer instead of creating a second one.
    CMLayer *addLayer(const LayerState &state) override;

    // The same, one kind at a time, with the values one by one.
    CMLayer *addImageLayer(const QString &path, bool canEditSize, const QPoint &pos, bool combine,
                           const QSize &size, int alpha, const QString &name);
    CMLayer *addCameraLayer(const QPoint &pos, bool combine, const QSize &size, int alpha,
                            const QString &deviceName, const QSize &captureSize,
                            const QString &name, bool flag, unsigned int keyColor,
                            float sensitivity, float blend);
    CMLayer *addTextLayer(const FontInfoConfig &config, const QString &text, const QPoint &pos,
                          bool combine, const QString &name);
    CMLayer *addTextLayer(const QFont &font, const QColor &color, const QString &text,
                          const QPoint &pos, bool combine, const QString &name);
    CMLayer *addGameVideoLayer(const QPoint &pos, bool combine, const QSize &size, int alpha,
                               const QString &name);

    // Shows the layers in scene: creates a scene item for every live layer and links the two.
    // False when scene is null or there is nothing to show yet (the caller retries once the
    // stored layers are loaded).
    bool loadUI(ILayerScene *scene);
    // The scene the layers are shown in, or null.
    ILayerScene *scene() const;

    // Refits the game layer for a video of width x height and tells its scene item.
    void updateGameLayerUIRect(int width, int height);
    // Forgets the game frames' size, so the next frame fits the game layer to the preview
    // area again; between compositions, so a frame composed now cannot record its size over it.
    void clearGameVideoSize();

    // Receiver of the host's game frames, on the capture thread.
    void onGameVideoData(const PushedFrame &frame);

    FrameSender &sender() { return m_sender; }
    FrameComposer &composer() { return m_composer; }

public Q_SLOTS:
    void onContainerClosed() override;

protected:
    bool event(QEvent *event) override;

private:
    // Whether a game-layer fit a frame posted still holds when it reaches the GUI thread.
    bool _fitIsCurrent();
    void _combinePreviewData(const PushedFrame &frame);
    CMLayer *_addPicLayer(const LayerState &state);
    CMLayer *_addTextLayer(const LayerState &state);
    CMLayer *_addCameraLayer(const LayerState &state);
    CMLayer *_addGamePicLayer(const LayerState &state);
    void _finishAdd(CMLayer *layer, const QString &name);
    // Creates the scene item of layer and links the two.
    void _genLayer(CMBasicLayer *layer, ILayerScene *container);

    // The scene the layers are shown in, once there is one; the guard tells when it is gone.
    ILayerScene *m_container = nullptr;
    QPointer<QObject> m_containerObject;
    FrameSender m_sender;
    FrameComposer m_composer; // used under the sender's lock
    bool m_initialised = false;
};
