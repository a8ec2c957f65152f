#pragma once

// The preview engine's interface for host applications.
//
// Load libpreviewengine, resolve the C function createPreviewEngine and drive the engine from
// the GUI thread in this order:
//   createPreviewEngine() -> connect to the signals -> init(fps) -> setVideoSize(w, h)
//   -> showPreview(parent) ... pushGameVideoData / pushCameraData from capture threads ...
//   -> hidePreview() -> unInit() -> release()
// The order of the virtual functions and of the signal members below is binary contract:
// never reorder, insert or remove.

#include "HostTypes.h"
#include "xsignals/xsignals.h"

#include <string>
#include <vector>

class QGraphicsObject;

namespace ZqStudio {

class IPreviewEngine
{
public:
    virtual ~IPreviewEngine() = default;

    // Destroys the process's engine (whichever object it is called on), after unInit().
    virtual void release() = 0;
    // Creates the compositor and starts the preview; a second call before unInit() is ignored.
    virtual void init(int fps) = 0;
    virtual void unInit() = 0;
    // Size of the composed output frames; 0 once unInit() has cleared it.
    virtual int getVideoWidth() = 0;
    virtual int getVideoHeight() = 0;
    virtual void setLayersEditable(bool editable) = 0;
    // Size of the captured game video; the preview area follows it at 420 units high.
    virtual void setVideoSize(int width, int height) = 0;
    // Game frames: 32-bit RGB, top row first, 4 * width bytes per row. Any thread.
    virtual void pushGameVideoData(const char *data, unsigned int uLen, int width, int height,
                                   unsigned long sampleTime) = 0;
    // Camera frames: 32-bit ARGB, top row first, 4 * width bytes per row. Any thread.
    virtual void pushCameraData(const char *data, unsigned int uLen, int width, int height,
                                unsigned long sampleTime) = 0;
    virtual void setCamOpenStatus(bool openStatus) = 0;
    // The answer to sigCheckFilterWord; must be called on the GUI thread.
    virtual void onFilterWordResult(const std::string &taskId, bool bValid) = 0;
    virtual void showPreview(QGraphicsObject *parent) = 0;
    virtual void hidePreview() = 0;
    virtual void addCameraLayer() = 0;
    virtual void removeCameraLayers() = 0;
    virtual void addTextLayer() = 0;
    virtual void addImageLayer() = 0;

    // Open the named camera at the given size and frame rate, then push its frames.
    xsignals::signal<void(const std::wstring &, tagSIZE, tagSIZE, int, bool)> sigOpenCamera;
    xsignals::signal<void(int)> sigEngineInt;
    xsignals::signal<void()> sigCloseCamera;
    xsignals::signal<void()> sigEngineVoid;
    // The preview area's new size after setVideoSize().
    xsignals::signal<void(int, int)> sigPreviewSizeChanged;
    // One composed frame, on the engine's sender thread. The pixels are valid only during the
    // call: copy them before returning.
    xsignals::signal<void(unsigned char *, unsigned int, ZQSize, unsigned long)> sigVideoFrame;
    xsignals::signal<void(unsigned int, unsigned int)> sigVideoSizeChanged;
    // Check a text against the filter words; answer with onFilterWordResult(taskId, valid).
    xsignals::signal<void(const std::string &, const std::wstring &)> sigCheckFilterWord;
    // Synchronous queries: fill the list before returning.
    xsignals::signal<void(std::vector<std::wstring> &)> sigGetCameraList;
    xsignals::signal<void(std::wstring, std::vector<tagSIZE> &)> sigGetCameraResolutions;
};

} // namespace ZqStudio

#if defined(__GNUC__)
#define PREVIEWENGINE_EXPORT __attribute__((visibility("default")))
#else
#define PREVIEWENGINE_EXPORT
#endif

// The library's only export. Returns the process's engine, creating it on first call.
extern "C" PREVIEWENGINE_EXPORT ZqStudio::IPreviewEngine *createPreviewEngine();
using CreatePreviewEngineFunc = ZqStudio::IPreviewEngine *(*)();
