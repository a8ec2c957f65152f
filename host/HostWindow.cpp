#include "HostWindow.h"

#include "BlockedCloseFilter.h"
#include "CameraService.h"
#include "FrameStats.h"
#include "MonotonicClock.h"
#include "OutputFeed.h"
#include "OutputView.h"
#include "PreviewView.h"

#include <guifoundation/UIControl.h>
#include <previewengine/IPreviewEngine.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QColor Accent(255, 122, 35);

QIcon themeIcon(const QString &name)
{
    // Drawn at two sizes by the artwork generator: each screen gets one that fits its pixels.
    QIcon icon;
    icon.addFile(QStringLiteral(":/previewhost/icons/%1.png").arg(name), QSize(24, 24));
    icon.addFile(QStringLiteral(":/previewhost/icons/%1@2x.png").arg(name), QSize(48, 48));
    return icon;
}

QString millis(double micros)
{
    return QLocale().toString(micros / 1000.0, 'f', 1);
}

// A titled pane: a header line with a title and a caption, and the content below.
QWidget *pane(const QString &objectName, QLabel *title, QLabel *caption, QWidget *content)
{
    auto *widget = new QWidget;
    widget->setObjectName(objectName);
    // By palette and font, not style sheet: a style sheet on the pane would cascade into the
    // engine's windows, which are children of the preview view.
    title->setObjectName(QStringLiteral("paneTitle"));
    // Only what is set here is the label's own; family and the rest come from the window.
    QFont bold;
    bold.setWeight(QFont::DemiBold);
    title->setFont(bold);
    QPalette titleColours;
    titleColours.setColor(QPalette::WindowText, QColor(240, 240, 244));
    title->setPalette(titleColours);
    caption->setObjectName(QStringLiteral("paneCaption"));
    QPalette captionColours;
    captionColours.setColor(QPalette::WindowText, QColor(142, 142, 150));
    caption->setPalette(captionColours);
    caption->setTextFormat(Qt::PlainText);
    auto *header = new QHBoxLayout;
    header->setContentsMargins(14, 8, 14, 8);
    header->setSpacing(10);
    header->addWidget(title);
    header->addWidget(caption, 1);
    auto *column = new QVBoxLayout(widget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(header);
    column->addWidget(content, 1);
    return widget;
}

} // namespace

HostWindow::HostWindow(ZqStudio::IPreviewEngine *engine, const Sources &sources, QWidget *parent)
    : QMainWindow(parent)
    , m_engine(engine)
    , m_sources(sources)
{
    Q_INIT_RESOURCE(previewhost);
    setObjectName(QStringLiteral("hostWindow"));
    setWindowTitle(tr("Live Preview — Reference Host"));
    setWindowIcon(themeIcon(QStringLiteral("previewhost")));

    m_feed = new OutputFeed(m_sources.stats, this);
    _createActions();
    _createToolBar();
    _createPanes();
    _createStatusBar();
    _applyTheme();

    connect(m_preview, &PreviewView::areaChanged, this, &HostWindow::_updateActions);
    connect(m_feed, &OutputFeed::outputSizeChanged, this, &HostWindow::_setOutputSize);
    if (m_engine) {
        m_engine->sigPreviewSizeChanged.connect(this, &HostWindow::onPreviewSizeChanged);
        m_feed->attach(m_engine);
    }
    _updateActions();

    m_statusTimer = new QTimer(this);
    m_statusTimer->setInterval(1000);
    connect(m_statusTimer, &QTimer::timeout, this, &HostWindow::refreshStatus);
    m_statusTimer->start();
    // The close button must work while the layer manager or an editor is open, too.
    m_closeFilter = std::make_unique<BlockedCloseFilter>(this);
}

HostWindow::~HostWindow()
{
    detachEngine();
}

void HostWindow::detachEngine()
{
    disconnect_all();
    m_feed->detach();
    m_engine = nullptr;
    _updateActions();
}

QAction *HostWindow::action(Action which) const
{
    return m_actions.value(int(which));
}

void HostWindow::_createActions()
{
    const auto add = [this](const QString &icon, const QString &text, const QString &toolTip) {
        auto *action = new QAction(themeIcon(icon), text, this);
        action->setToolTip(toolTip);
        action->setStatusTip(toolTip);
        m_actions << action;
        return action;
    };
    QAction *addCamera = add(QStringLiteral("add-camera"), tr("Add camera"),
                             tr("Add the camera layer; its camera settings open next."));
    QAction *addText =
        add(QStringLiteral("add-text"), tr("Add text"), tr("Add a text layer (five at most)."));
    QAction *addPicture =
        add(QStringLiteral("add-picture"), tr("Add picture"),
            tr("Add a picture layer. Picture files dropped on the preview are added too."));
    QAction *removeCameras = add(QStringLiteral("remove-camera"), tr("Remove camera"),
                                 tr("Remove the camera layer and close the camera."));
    QAction *editable = add(QStringLiteral("edit-layers"), tr("Edit layers"),
                            tr("When on, layers in the preview can be selected, moved and "
                               "resized."));
    QAction *showPreview = add(QStringLiteral("preview"), tr("Preview"),
                               tr("Show or hide the interactive preview. Hiding it stores the "
                                  "layout."));
    QAction *layerManager = add(QStringLiteral("layers"), tr("Layers"),
                                tr("Open the layer manager: order, show or hide, edit and delete "
                                   "layers."));
    editable->setCheckable(true);
    editable->setChecked(true); // init() makes the layers editable
    showPreview->setCheckable(true);
    showPreview->setChecked(true);

    // The layer operations go straight to the engine's interface.
    const auto forward = [this](QAction *action, void (ZqStudio::IPreviewEngine::*operation)()) {
        connect(action, &QAction::triggered, this, [this, operation] {
            if (m_engine)
                (m_engine->*operation)();
        });
    };
    forward(addCamera, &ZqStudio::IPreviewEngine::addCameraLayer);
    forward(addText, &ZqStudio::IPreviewEngine::addTextLayer);
    forward(addPicture, &ZqStudio::IPreviewEngine::addImageLayer);
    forward(removeCameras, &ZqStudio::IPreviewEngine::removeCameraLayers);
    connect(editable, &QAction::toggled, this, [this](bool on) {
        if (m_engine)
            m_engine->setLayersEditable(on);
    });
    connect(showPreview, &QAction::toggled, this, &HostWindow::_setPreviewShown);
    connect(layerManager, &QAction::triggered, this, &HostWindow::openLayerManager);
}

void HostWindow::_createToolBar()
{
    QToolBar *bar = addToolBar(tr("Toolbar"));
    bar->setObjectName(QStringLiteral("mainToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(24, 24));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->addAction(action(Action::AddCamera));
    bar->addAction(action(Action::AddText));
    bar->addAction(action(Action::AddPicture));
    bar->addSeparator();
    bar->addAction(action(Action::RemoveCameras));
    bar->addSeparator();
    bar->addAction(action(Action::LayersEditable));
    bar->addAction(action(Action::ShowPreview));
    bar->addSeparator();
    bar->addAction(action(Action::LayerManager));
    // No context menu offering to hide the only toolbar.
    setContextMenuPolicy(Qt::NoContextMenu);
}

void HostWindow::_createPanes()
{
    m_preview = new PreviewView;
    m_outputView = new OutputView;
    m_outputView->setFeed(m_feed);
    m_outputCaption = new QLabel(tr("as the host receives it"));

    auto *splitter = new QSplitter(Qt::Horizontal);
    splitter->setObjectName(QStringLiteral("panes"));
    splitter->setChildrenCollapsible(false);
    splitter->setHandleWidth(1);
    splitter->addWidget(pane(
        QStringLiteral("previewPane"), new QLabel(tr("Preview")),
        new QLabel(tr("Click a layer to select it; drag, resize or right-click it.")), m_preview));
    splitter->addWidget(pane(QStringLiteral("outputPane"), new QLabel(tr("Output")),
                             m_outputCaption, m_outputView));
    // Both panes grow with the window, each keeping its picture's aspect ratio.
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);
}

void HostWindow::_createStatusBar()
{
    const auto label = [this](const QString &name, const QString &toolTip) {
        auto *widget = new QLabel(this);
        widget->setObjectName(name);
        widget->setToolTip(toolTip);
        statusBar()->addPermanentWidget(widget);
        return widget;
    };
    m_rateLabel = label(QStringLiteral("rateLabel"),
                        tr("Composed frames the host received per second, over the last second."));
    m_latencyLabel =
        label(QStringLiteral("latencyLabel"),
              tr("Time from pushing a game frame to receiving its composed frame: mean and 99th "
                 "percentile over the last second."));
    m_dropLabel = label(QStringLiteral("dropLabel"), QString());
    m_cameraLabel = label(QStringLiteral("cameraLabel"), tr("The camera the engine asked for."));
    statusBar()->setSizeGripEnabled(false);
    refreshStatus();
}

void HostWindow::_applyTheme()
{
    // A dark studio look for this window only: the engine's own windows keep their theme, so
    // nothing here is set application-wide, and no style sheet sits above the preview view
    // (style sheets cascade into child windows, such as the engine's editors; a palette does
    // not).
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(38, 38, 42));
    dark.setColor(QPalette::WindowText, QColor(228, 228, 232));
    dark.setColor(QPalette::Base, QColor(28, 28, 31));
    dark.setColor(QPalette::AlternateBase, QColor(44, 44, 48));
    dark.setColor(QPalette::Text, QColor(228, 228, 232));
    dark.setColor(QPalette::Button, QColor(50, 50, 55));
    dark.setColor(QPalette::ButtonText, QColor(228, 228, 232));
    dark.setColor(QPalette::Light, QColor(70, 70, 76));
    dark.setColor(QPalette::Midlight, QColor(60, 60, 66));
    dark.setColor(QPalette::Mid, QColor(34, 34, 38));
    dark.setColor(QPalette::Dark, QColor(20, 20, 22));
    dark.setColor(QPalette::Shadow, QColor(0, 0, 0));
    dark.setColor(QPalette::Highlight, Accent);
    dark.setColor(QPalette::HighlightedText, Qt::white);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(112, 112, 118));
    setPalette(dark);
    // Chinese in a sans-serif face beside the default Latin one, as the rest of the UI looks.
    QFont font = this->font();
    font.setFamilies({font.family(), QStringLiteral("Noto Sans CJK SC")});
    setFont(font);

    findChild<QToolBar *>(QStringLiteral("mainToolBar"))
        ->setStyleSheet(QStringLiteral(
            "QToolBar { background: #2d2d32; border: none; border-bottom: 1px solid #18181b;"
            "  padding: 5px 8px; spacing: 3px; }"
            "QToolButton { color: #e4e4e8; background: transparent;"
            "  border: 1px solid transparent; border-radius: 5px; padding: 4px 9px 4px 6px; }"
            "QToolButton:hover { background: #3b3b41; border-color: #4b4b53; }"
            "QToolButton:pressed { background: #46464d; }"
            "QToolButton:checked { background: rgba(255, 122, 35, 40);"
            "  border-color: rgba(255, 122, 35, 150); }"
            "QToolButton:checked:hover { background: rgba(255, 122, 35, 64); }"
            "QToolButton:disabled { color: #6f6f75; }"
            "QToolBar::separator { background: #45454b; width: 1px; margin: 7px 7px; }"));
    statusBar()->setStyleSheet(QStringLiteral(
        "QStatusBar { background: #222226; color: #b4b4ba; border-top: 1px solid #18181b; }"
        "QStatusBar::item { border: none; }"
        "QStatusBar QLabel { color: #c4c4ca; padding: 3px 10px; }"));
    QSplitterHandle *handle = findChild<QSplitter *>(QStringLiteral("panes"))->handle(1);
    QPalette edge = handle->palette();
    edge.setColor(QPalette::Window, QColor(24, 24, 27));
    handle->setPalette(edge);
    handle->setAutoFillBackground(true);
}

void HostWindow::onPreviewSizeChanged(int width, int height)
{
    // setVideoSize, and so this announcement, belongs on the GUI thread; a host that calls it
    // elsewhere still gets its window updated on the right one.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, width, height] { onPreviewSizeChanged(width, height); },
            Qt::QueuedConnection);
        return;
    }
    if (width < 1 || height < 1 || width > 16384 || height > 16384)
        return;
    const bool first = !m_preview->previewSize().isValid();
    m_preview->setPreviewSize(QSize(width, height));
    // The engine wants the size before the scene: show the preview on the first announcement.
    if (first && action(Action::ShowPreview)->isChecked())
        _setPreviewShown(true);
}

void HostWindow::_setPreviewShown(bool shown)
{
    if (!m_engine || shown == m_previewShown)
        return;
    if (shown) {
        if (!m_preview->previewSize().isValid())
            return; // shown once the size is known
        m_engine->showPreview(m_preview->previewArea());
        m_preview->setFocus();
    } else {
        m_engine->hidePreview();
    }
    m_previewShown = shown;
    _updateActions();
}

void HostWindow::_updateActions()
{
    const bool shown = m_engine && m_previewShown;
    for (const Action which :
         {Action::AddCamera, Action::AddText, Action::AddPicture, Action::RemoveCameras})
        action(which)->setEnabled(shown);
    action(Action::LayerManager)->setEnabled(shown && m_preview->sceneRoot());
    action(Action::LayersEditable)->setEnabled(m_engine != nullptr);
    action(Action::ShowPreview)->setEnabled(m_engine != nullptr);
}

bool HostWindow::openLayerManager()
{
    QGraphicsObject *root = m_preview->sceneRoot();
    if (!m_engine || !root) {
        statusBar()->showMessage(tr("The layer manager opens once the preview shows its layers."),
                                 5000);
        return false;
    }
    // The engine's interface has no call for it; its scene's root item has the slot
    // on_layermgr(BasicLayer*), which ignores its argument. A host does not know the type, so it
    // passes a null pointer under the type's name.
    void *noLayer = nullptr;
    return QMetaObject::invokeMethod(root, "on_layermgr", Qt::DirectConnection,
                                     QGenericArgument("BasicLayer*", &noLayer));
}

void HostWindow::refreshStatus()
{
    FrameStats *stats = m_sources.stats;
    const FrameStats::Interval interval =
        stats ? stats->takeInterval(MonotonicClock::nowMicros()) : FrameStats::Interval();
    m_rateLabel->setText(
        tr("%1 fps").arg(QLocale().toString(interval.deliveredPerSecond(), 'f', 1)));
    if (interval.latency.samples > 0) {
        m_latencyLabel->setText(
            tr("Latency %1 ms · p99 %2 ms")
                .arg(millis(interval.latency.meanMicros), millis(interval.latency.p99Micros)));
    } else {
        m_latencyLabel->setText(tr("Latency –"));
    }
    const std::int64_t lost = stats ? stats->lost() : 0;
    const std::int64_t dropped = m_feed->dropped();
    m_dropLabel->setText(tr("Dropped %1").arg(lost + dropped));
    m_dropLabel->setToolTip(tr("Frames lost since the start: %1 pushed but never delivered by "
                               "the engine, %2 delivered but not taken by the output view.")
                                .arg(lost)
                                .arg(dropped));
    const std::wstring camera =
        m_sources.camera ? m_sources.camera->runningCamera() : std::wstring();
    m_cameraLabel->setText(camera.empty() ? tr("Camera off")
                                          : tr("Camera: %1").arg(QString::fromStdWString(camera)));
}

void HostWindow::_setOutputSize(const QSize &size)
{
    m_outputCaption->setText(
        tr("%1 × %2, as the host receives it").arg(size.width()).arg(size.height()));
}

bool HostWindow::_closeEngineWindows()
{
    // The engine's windows over this one: modal ones (editors, the layer manager, notices),
    // and any window of ours, such as an editor shown beside it. A window that will not close
    // is reported; a window that closes another counts once.
    const auto nextOpen = [this]() -> QWidget * {
        if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != this)
            return modal;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget != this && widget->isVisible() && !widget->graphicsProxyWidget() &&
                isAncestorOf(widget))
                return widget;
        }
        return nullptr;
    };
    // Bounded: a window that says it closed yet stays up must not hang the host.
    for (int tries = 0; tries < 32; ++tries) {
        QWidget *open = nextOpen();
        if (!open)
            return true;
        if (!open->close())
            return false;
    }
    return false;
}

void HostWindow::closeEvent(QCloseEvent *event)
{
    // An edit still open ends as if its own close button had been pressed (the engine rolls it
    // back); the layer manager simply closes. Only then the window may go.
    if (!_closeEngineWindows()) {
        event->ignore();
        QWidget *open = QApplication::activeModalWidget();
        const QString title = open ? open->windowTitle() : QString();
        statusBar()->showMessage(
            title.isEmpty()
                ? tr("An open window of the preview does not close yet; close it first.")
                : tr("\"%1\" does not close yet; close it first.").arg(title),
            8000);
        if (open)
            open->activateWindow();
        return;
    }
    // Hiding the preview stores what the user arranged; the next start restores it.
    if (m_engine && m_previewShown) {
        m_engine->hidePreview();
        m_previewShown = false;
    }
    m_statusTimer->stop();
    event->accept();
    Q_EMIT closed();
}
