#pragma once

#include "FrameRateAdjust.h"
#include "HostTypes.h"
#include "IPreviewController.h"
#include "xsignals/xsignals.h"

#include <QGraphicsObject>
#include <QObject>
#include <QPointer>
#include <QSize>

#include <string>

class ILayerEditorFactory;
class PreviewCenterData;
class PreviewCombineLogic;
class PreviewContainer;
class RelayoutLogic;
namespace ZqStudio {
class IPreviewEngine;
}
class PreviewSetting;

// The engine's controller: owns the long-lived parts of the engine, turns host calls into
// actions, and hands host input to the compositing side through its signals. Lives on the GUI
// thread; only the input* functions run on the host's capture threads. The parts it creates
// reach it through IPreviewController.
class PreviewLogic : public QObject, public xsignals::trackable, public IPreviewController
{
    Q_OBJECT

public:
    // engine is the one whose host signals this controller emits; without one (tests) nothing
    // reaches a host.
    explicit PreviewLogic(ZqStudio::IPreviewEngine *engine = nullptr, QObject *parent = nullptr);
    ~PreviewLogic() override;

    // Game and camera frames, once checked: a frame without data, with a side outside
    // 1..FrameSize::MaxSide or shorter than its rows is dropped here (logged) and reaches no one.
    FrameInput sigGameVideoData;
    FrameInput sigCameraData;
    xsignals::signal<void(bool)> sigCamOpenStatus;

    // The host's frames: data, length in bytes, width, height, sample time.
    virtual void inputGameVideoData(const char *data, unsigned int uLen, int width, int height,
                                    unsigned long sampleTime);
    virtual void inputCameraData(const char *data, unsigned int uLen, int width, int height,
                                 unsigned long sampleTime);
    virtual void inputCamOpenStatus(bool openStatus);

    void init(int fps);
    void unInit();
    // False (logged, nothing changed) for a size the compositor cannot output.
    bool setVideoSize(int width, int height);
    // Shows the interactive scene under parent: a GUI-foundation control, or any other
    // graphics object (the scene then becomes its child item and fills it).
    void showPreview(QGraphicsObject *parent);
    void hidePreview();
    void setLayersEditable(bool editable);
    void emitFilterWordResult(const std::string &taskId, bool bValid);

    // IPreviewController
    PreviewCenterData *centerData() const override { return m_centerData; }
    ILayerStack *layerStack() const override;
    FrameInput &gameVideoInput() override { return sigGameVideoData; }
    FrameInput &cameraInput() override { return sigCameraData; }
    StatusInput &cameraOpenStatusInput() override { return sigCamOpenStatus; }
    QMetaObject::Connection connectFilterWordResults(QObject *context,
                                                     FilterWordReceiver receiver) override;
    void openCamera(const std::wstring &name, tagSIZE size1, tagSIZE size2, bool flag) override;
    void closeCamera() override;
    void requestFilterWordCheck(const std::string &taskId, const std::wstring &text) override;
    std::vector<std::wstring> cameraList() override;
    std::vector<tagSIZE> cameraResolutions(const std::wstring &device) override;
    void announceVideoSize(unsigned int width, unsigned int height) override;
    VideoFrameReceivers videoFrameReceivers() override;
    // Whether layer belongs to the scene.
    bool hasLayer(const LayerItem *layer) const override;
    bool isEditingLayer() const override;

    QSize getPreviewSize() const;

    // The default layers the host asks for; each opens its editor. Need a shown scene.
    void addCameraLayer();
    void removeCameraLayers();
    void addTextLayer();
    void addImageLayer();

    void showLayersMgr();

    // The editors and the layer manager the scene opens; not owned, may be null (the scene's
    // editing entry points then only log, and a new layer stays pending).
    void setEditorFactory(ILayerEditorFactory *factory);
    ILayerEditorFactory *editorFactory() const { return m_editorFactory; }

    // The compositor, between init() and unInit(); null otherwise.
    PreviewCombineLogic *combine() const { return m_combine; }
    PreviewSetting *setting() const { return m_setting; }
    RelayoutLogic *relayout() const { return m_relayout; }
    // The interactive scene, from the first showPreview after init until it closes or unInit.
    PreviewContainer *container() const;
    QGraphicsObject *previewParent() const { return m_parent; }
    const FrameRateAdjust &frameRate() const { return m_frameRate; }

Q_SIGNALS:
    void sigFilterWordResult(std::string taskId, bool bValid);

public Q_SLOTS:
    void onLoadFromConfigFinished();
    void onContainerClosed();
    void onStoredPictureLeftOut(QString path);

private:
    void _dropContainer();
    // Tells the user, once the scene shows, which stored pictures were left out.
    void _reportLeftOutPictures();

    ZqStudio::IPreviewEngine *const m_engine;
    PreviewCenterData *m_centerData = nullptr;
    PreviewCombineLogic *m_combine = nullptr;
    PreviewSetting *m_setting = nullptr;
    RelayoutLogic *m_relayout = nullptr;
    QPointer<PreviewContainer> m_container;
    ILayerEditorFactory *m_editorFactory = nullptr;
    bool m_uiLoadPending = false;
    QStringList m_leftOutPictures; // stored pictures not restored, not yet reported
    QPointer<QGraphicsObject> m_parent;
    FrameRateAdjust m_frameRate;
};
