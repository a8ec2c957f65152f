#pragma once

#include "HostTypes.h"
#include "xsignals/xsignals.h"

#include <QMetaObject>

#include <functional>
#include <string>
#include <vector>

class LayerItem;
class ILayerStack;
class PreviewCenterData;
class PushedFrame;
class QObject;

// What the parts below the engine need of the controller: the central data, the compositor's
// layer stack, the host's input, and every message that goes back to the host. The controller
// (PreviewLogic) implements it and hands it to the parts it creates; no part reaches up for the
// engine itself.
//
// The calls that end in a host signal run host code, and the host may call any public
// operation from there (unInit included). Callers hold no lock across them and re-check what
// they use afterwards.
class IPreviewController
{
public:
    // Frames the host pushed, checked once as they enter the engine; valid during the call only.
    using FrameInput = xsignals::signal<void(const PushedFrame &)>;
    using StatusInput = xsignals::signal<void(bool)>;
    using FilterWordReceiver = std::function<void(const std::string &taskId, bool valid)>;
    using VideoFrameReceivers =
        xsignals::receiver_snapshot<unsigned char *, unsigned int, ZQSize, unsigned long>;

    IPreviewController() = default;
    IPreviewController(const IPreviewController &) = delete;
    IPreviewController &operator=(const IPreviewController &) = delete;

    virtual PreviewCenterData *centerData() const = 0;
    // The compositor between init and unInit; null otherwise.
    virtual ILayerStack *layerStack() const = 0;

    // Host input, emitted on the thread that pushed it; receivers copy or lock what they touch.
    virtual FrameInput &gameVideoInput() = 0;
    virtual FrameInput &cameraInput() = 0;
    virtual StatusInput &cameraOpenStatusInput() = 0;
    // Calls receiver with every answer of the host's filter-word service, on the GUI thread,
    // for as long as context lives.
    virtual QMetaObject::Connection connectFilterWordResults(QObject *context,
                                                             FilterWordReceiver receiver) = 0;

    // To the host. The camera is opened at the central data's frame rate.
    virtual void openCamera(const std::wstring &device, tagSIZE size1, tagSIZE size2,
                            bool flag) = 0;
    virtual void closeCamera() = 0;
    virtual void requestFilterWordCheck(const std::string &taskId, const std::wstring &text) = 0;
    // The host's cameras and the capture sizes one of them offers, in the host's order. Both
    // ask the host synchronously; without a host, or when it lists nothing, they are empty.
    virtual std::vector<std::wstring> cameraList() = 0;
    virtual std::vector<tagSIZE> cameraResolutions(const std::wstring &device) = 0;
    // sigVideoSizeChanged. Announced while a game frame is composed, the host hears it once
    // that frame's receivers have returned, outside every engine lock; otherwise at once.
    virtual void announceVideoSize(unsigned int width, unsigned int height) = 0;
    // The host's sigVideoFrame receivers as they are now. The sender thread calls them outside
    // the controller's lifetime guarantees, so it takes them while it knows the engine lives.
    virtual VideoFrameReceivers videoFrameReceivers() = 0;

    // Whether layer is an item of the scene right now. Whoever kept a layer pointer across an
    // event loop (an editor, an item's pending call) asks before using it.
    virtual bool hasLayer(const LayerItem *layer) const = 0;
    // Whether an editor is open on a layer: it changes the layer while the user works, and
    // those changes count only once the user confirms them.
    virtual bool isEditingLayer() const = 0;

protected:
    ~IPreviewController() = default;
};
