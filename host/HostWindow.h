#pragma once

#include <previewengine/xsignals/xsignals.h>

#include <QMainWindow>

#include <memory>

class BlockedCloseFilter;
class CameraService;
class FrameStats;
class OutputFeed;
class OutputView;
class PreviewView;
class QAction;
class QLabel;
class QTimer;

namespace ZqStudio {
class IPreviewEngine;
}

// The reference host's window: the engine's interactive preview, the composed output as the host
// receives it, a toolbar for the engine's layer operations and a status line with the output's
// rate, drops and latency. It talks to the engine only through IPreviewEngine and Qt's
// meta-object. Create it on the GUI thread after init(); it shows the preview once the engine
// announces the preview area's size.
class HostWindow : public QMainWindow, public xsignals::trackable
{
    Q_OBJECT

public:
    enum class Action {
        AddCamera,
        AddText,
        AddPicture,
        RemoveCameras,
        LayersEditable,
        ShowPreview,
        LayerManager,
    };

    // What the status line reports on; every part is optional.
    struct Sources
    {
        FrameStats *stats = nullptr; // pushes recorded by the game feed, deliveries by the window
        CameraService *camera = nullptr;
    };

    HostWindow(ZqStudio::IPreviewEngine *engine, const Sources &sources, QWidget *parent = nullptr);
    ~HostWindow() override;

    // Stops talking to the engine; call before the engine is released.
    void detachEngine();

    QAction *action(Action which) const;
    PreviewView *previewView() const { return m_preview; }
    OutputView *outputView() const { return m_outputView; }
    OutputFeed *outputFeed() const { return m_feed; }

    // Opens the engine's layer manager through its scene's on_layermgr slot. False when the
    // engine shows no scene.
    bool openLayerManager();

public Q_SLOTS:
    // Reads the statistics of the last interval into the status line (a timer does it every
    // second).
    void refreshStatus();

Q_SIGNALS:
    // The user closed the window; the engine's windows over it are closed and the preview has
    // been hidden (so its layout is stored).
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void onPreviewSizeChanged(int width, int height);

    void _createActions();
    void _createToolBar();
    void _createPanes();
    void _createStatusBar();
    void _applyTheme();
    void _setPreviewShown(bool shown);
    void _updateActions();
    void _setOutputSize(const QSize &size);
    bool _closeEngineWindows();

    ZqStudio::IPreviewEngine *m_engine;
    const Sources m_sources;
    PreviewView *m_preview = nullptr;
    OutputView *m_outputView = nullptr;
    OutputFeed *m_feed = nullptr;
    QLabel *m_outputCaption = nullptr;
    QLabel *m_rateLabel = nullptr;
    QLabel *m_latencyLabel = nullptr;
    QLabel *m_dropLabel = nullptr;
    QLabel *m_cameraLabel = nullptr;
    QTimer *m_statusTimer = nullptr;
    QList<QAction *> m_actions; // indexed by Action
    bool m_previewShown = false;
    std::unique_ptr<BlockedCloseFilter> m_closeFilter;
};
