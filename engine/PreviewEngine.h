#pragma once

#include "IPreviewEngine.h"

#include <memory>

class EditorFactory;
class PreviewLogic;
class QTranslator;

// The one implementation of IPreviewEngine: owns the translator, the controller and the
// editors' factory, which it installs in the controller, and forwards every operation to the
// controller.
class PreviewEngine : public ZqStudio::IPreviewEngine
{
public:
    PreviewEngine();
    ~PreviewEngine() override;

    PreviewEngine(const PreviewEngine &) = delete;
    PreviewEngine &operator=(const PreviewEngine &) = delete;

    // The process's engine, created on first call; what createPreviewEngine() returns.
    static PreviewEngine *createInstance();
    // The process's engine, or null before the first createInstance() and after release().
    static PreviewEngine *instance();
    static PreviewLogic *logic();

    void release() override;
    void init(int fps) override;
    void unInit() override;
    int getVideoWidth() override;
    int getVideoHeight() override;
    void setLayersEditable(bool editable) override;
    void setVideoSize(int width, int height) override;
    void pushGameVideoData(const char *data, unsigned int uLen, int width, int height,
                           unsigned long sampleTime) override;
    void pushCameraData(const char *data, unsigned int uLen, int width, int height,
                        unsigned long sampleTime) override;
    void setCamOpenStatus(bool openStatus) override;
    void onFilterWordResult(const std::string &taskId, bool bValid) override;
    void showPreview(QGraphicsObject *parent) override;
    void hidePreview() override;
    void addCameraLayer() override;
    void removeCameraLayers() override;
    void addTextLayer() override;
    void addImageLayer() override;

    PreviewLogic *controller() const { return m_logic; }
    bool isInitialised() const { return m_initialised; }

private:
    QTranslator *m_translator = nullptr;
    PreviewLogic *m_logic = nullptr;
    // The editor windows and the layer manager the scene opens; outlives the controller.
    std::unique_ptr<EditorFactory> m_editorFactory;
    bool m_initialised = false;
};
