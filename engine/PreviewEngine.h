#pragma once

#include "IPreviewEngine.h"

#include <memory>

class EditorFactory;
class PreviewLogic;
class QTranslator;

// The one implementation of IPreviewEngine: owns the translator, the controller and the
// editors' factory, which it installs in the controller, and forwards every operation to the
// controller.
//
// Hosts call back in: any operation may be called from inside a handler of any of our
// signals. The GUI-thread operations therefore finish their own state changes before they
// emit, look again at what they use afterwards, and keep the engine alive until the outermost
// operation returns, however often it was released in between. Called on another thread, a
// GUI-thread operation is handed to the GUI thread instead of running there.
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
    class CallScope;

    // Runs call(controller) now on the GUI thread, or later there when called on another one;
    // never on a released engine.
    template<class Call>
    void _run(const wchar_t *operation, Call call);
    void _unInit();

    QTranslator *m_translator = nullptr;
    PreviewLogic *m_logic = nullptr;
    // The editor windows and the layer manager the scene opens; outlives the controller.
    std::unique_ptr<EditorFactory> m_editorFactory;
    bool m_initialised = false;
    int m_callDepth = 0;     // operations of this engine running on the GUI thread's stack
    bool m_released = false; // released; deleted when the outermost operation returns
};
