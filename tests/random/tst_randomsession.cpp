// A streamer's session at random: thousands of user actions through real mouse, key, wheel and
// drop events on the preview and its windows, host calls at random moments, and capture threads
// pushing game and camera frames all the while. After every action the checks below hold, or
// the run prints its seed and the shortest list of actions that still breaks them.
//
// RANDOM_SESSION_SEED     first seed (default 1)
// RANDOM_SESSION_SEEDS    how many seeds, one session each (default 2)
// RANDOM_SESSION_ACTIONS  actions per session (default 150)
// RANDOM_SESSION_ISOLATE  1: every session runs in a child process, so a crash is shrunk too
// RANDOM_SESSION_SHRINK_SECONDS  time allowed for shrinking a failure (default 300)
// RANDOM_SESSION_REPLAY   a file of actions to run as they stand (what a shrink prints)
// RANDOM_SESSION_VERBOSE  1: print each action as it runs

#include "EngineFixture.h"
#include "SceneTestSupport.h"
#include "StoredLayout.h"

#include "CameraSettingWindow.h"
#include "CMCameraLayer.h"
#include "CMGamepicLayer.h"
#include "CMPicLayer.h"
#include "CMTextLayer.h"
#include "EditorTestSupport.h"
#include "FontColorWindow.h"
#include "GamePicLayer.h"
#include "ImageSettingWindow.h"
#include "LayerMgrViewItem.h"
#include "LayersMgrWindow.h"
#include "PicLayer.h"
#include "PreviewListWidget.h"
#include "TextEditWindow.h"
#include "TextLayer.h"

#include <appcommon/TipMessageWindow.h>
#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UICheckBoxControl.h>
#include <guifoundation/UIComboBoxControl.h>
#include <guifoundation/UILineEditControl.h>
#include <guifoundation/UIMenu.h>
#include <guifoundation/UISliderControl.h>
#include <guifoundation/UITextEditControl.h>

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <thread>

namespace {

// text with its %1, %2, ... filled in order.
template<typename... Args>
QString fill(const char *text, const Args &...args)
{
    QString result = QString::fromUtf8(text);
    ((result = result.arg(args)), ...);
    return result;
}

enum Kind : quint8 {
    Click,
    Drag,
    Resize,
    Arrows,
    DeleteKey,
    Menu,
    DoubleClick,
    Drop,
    Wheel,
    DragDuringHostCall,
    UndoRedo,
    Window, // the open window, when there is one
    SetVideoSize,
    CaptureSize,
    HideShow,
    SetEditable,
    AddCamera,
    RemoveCameras,
    CameraStatus,
    AddText,
    AddImage,
    ShowLayersManager,
    FilterWords,
    Restart,
    KindCount
};

const char *const KindNames[KindCount] = {
    "click",     "drag",          "resize",         "arrows",        "delete-key",
    "menu",      "double-click",  "drop",           "wheel",         "drag-host-call",
    "undo-redo", "window",        "set-video-size", "capture-size",  "hide-show",
    "editable",  "add-camera",    "remove-cameras", "camera-status", "add-text",
    "add-image", "layer-manager", "filter-words",   "restart"};

// Relative weights: mostly the user, now and then the host.
const int KindWeights[KindCount] = {14, 14, 12, 6, 3, 8, 6, 4, 2, 2, 5, 30,
                                    2,  1,  2,  1, 2, 1, 2, 3, 3, 2, 2, 1};

// One action: its kind and four random numbers it reads against the session's state, so any
// subset of a list is still a list of valid actions.
struct Action
{
    Kind kind = Click;
    quint32 a = 0, b = 0, c = 0, d = 0;

    QString toString() const { return fill("%1 %2 %3 %4 %5", KindNames[kind], a, b, c, d); }
    static std::optional<Action> fromString(const QString &line)
    {
        const QStringList parts = line.simplified().split(QLatin1Char(' '));
        if (parts.size() != 5)
            return std::nullopt;
        for (int k = 0; k < KindCount; ++k) {
            if (parts[0] == QLatin1String(KindNames[k])) {
                Action action;
                action.kind = Kind(k);
                action.a = parts[1].toUInt();
                action.b = parts[2].toUInt();
                action.c = parts[3].toUInt();
                action.d = parts[4].toUInt();
                return action;
            }
        }
        return std::nullopt;
    }
};

QVector<Action> generate(quint32 seed, int count)
{
    std::mt19937 rng(seed);
    int total = 0;
    for (int w : KindWeights)
        total += w;
    QVector<Action> actions;
    actions.reserve(count);
    for (int i = 0; i < count; ++i) {
        int pick = int(rng() % quint32(total));
        int kind = 0;
        while (pick >= KindWeights[kind])
            pick -= KindWeights[kind++];
        Action action;
        action.kind = Kind(kind);
        action.a = rng();
        action.b = rng();
        action.c = rng();
        action.d = rng();
        actions.append(action);
    }
    return actions;
}

int envInt(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

const QRgb GameColour = qRgb(0x40, 0x40, 0x40);
const quint32 CameraPixel = 0xFF8040C0;
const QSize VideoSizes[] = {{1280, 720}, {1920, 1080}, {640, 480}, {1024, 768},
                            {1280, 768}, {720, 1280},  {800, 600}, {1280, 720}};
const QSize CaptureSizes[] = {{1280, 720}, {1920, 1080}, {800, 600}, {1280, 720}};
const char *const Texts[] = {
    "Hello",    "直播 Live", "a",  "line one", "0123456789abcdefghijklmnopqrstuvwxyz0123",
    "\t<&>\"'", "العربية",   "  ", "Ünïcødé ✓"};

// What a user does in each editor: a control used, each as often as its weight says
// ("backspace" in the text box, "style" one of the style buttons).
const std::map<QByteArray, std::vector<std::pair<int, const char *>>> EditorSteps = {
    {"ImageSettingWindow",
     {{2, "folderPath"}, {1, "transparenceSlider"}, {1, "cancelButton"}, {2, "okButton"}}},
    {"TextEditWindow",
     {{3, "textedite"},
      {1, "backspace"},
      {1, "style"},
      {1, "fontNamesCombobox"},
      {1, "fontHeightCombobox"},
      {1, "cancelButton"},
      {4, "okButton"}}},
    {"CameraSettingWindow",
     {{1, "cameraCombobox"}, {1, "cameraSizeCombobox"}, {1, "cancelButton"}, {3, "okButton"}}}};

// The host's capture: a game thread and a camera thread pushing through the public interface,
// paused while a check composes its own frame.
class Capture
{
public:
    explicit Capture(PreviewEngine *engine)
        : m_engine(engine)
    {
        m_game = std::thread([this] { _run(true); });
        m_camera = std::thread([this] { _run(false); });
    }
    ~Capture() { stop(); }

    void stop()
    {
        m_stop = true;
        if (m_game.joinable())
            m_game.join();
        if (m_camera.joinable())
            m_camera.join();
    }
    std::mutex lock; // held by a thread around each push; a check holds it to pause them
    std::atomic<int> captureWidth{1280};
    std::atomic<int> captureHeight{720};
    std::atomic<int> cameraOpen{-1}; // -1 no news, 0 closed, 1 open

private:
    void _run(bool game)
    {
        QByteArray frame;
        unsigned long timestamp = game ? 1 : 2;
        bool open = false;
        while (!m_stop) {
            {
                const std::lock_guard<std::mutex> locker(lock);
                if (game) {
                    const int w = captureWidth, h = captureHeight;
                    if (frame.size() != qsizetype(w) * h * 4)
                        frame = solidFrame(w, h, 0xFF000000u | GameColour);
                    m_engine->pushGameVideoData(frame.constData(), uint(frame.size()), w, h,
                                                timestamp += 2);
                } else {
                    const int status = cameraOpen.exchange(-1);
                    if (status >= 0) {
                        open = status == 1;
                        m_engine->setCamOpenStatus(open);
                    }
                    if (open) {
                        if (frame.isEmpty())
                            frame = solidFrame(640, 480, CameraPixel);
                        m_engine->pushCameraData(frame.constData(), uint(frame.size()), 640, 480,
                                                 timestamp += 2);
                    }
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(game ? 8 : 15));
        }
    }

    PreviewEngine *m_engine;
    std::atomic<bool> m_stop{false};
    std::thread m_game;
    std::thread m_camera;
};

QString rectText(const QRect &r)
{
    return fill("%1,%2 %3x%4", r.x(), r.y(), r.width(), r.height());
}

// A layer as the stack holds it, for comparing the stack with the stored file and a restart.
struct StackEntry
{
    int type = 0;
    QRect rect; // truncated scene rectangle
    bool combine = true;
    int alpha = 100;
    QString content; // picture path or text

    bool operator==(const StackEntry &other) const
    {
        return type == other.type && rect == other.rect && combine == other.combine &&
               alpha == other.alpha && content == other.content;
    }
    QString toString() const
    {
        return fill("{type %1 rect %2 combine %3 alpha %4 '%5'}", type, rectText(rect), combine,
                    alpha, content);
    }
};

QString describe(const QList<StackEntry> &stack)
{
    QStringList parts;
    for (const StackEntry &entry : stack)
        parts << entry.toString();
    return parts.join(QLatin1Char(' '));
}

int trunc(double value)
{
    return int(value);
}

// One session: the engine as a host runs it, the view a user sees, and the files a user drops.
class Session
{
public:
    Session(const QTemporaryDir &dir, bool verbose)
        : m_dir(dir)
        , m_verbose(verbose)
    {
        _makeFiles();
        f.host->cameras = {L"USB camera", L"Virtual camera"};
        f.host->sizes[L"USB camera"] = {{1280, 720}, {640, 480}};
        f.host->sizes[L"Virtual camera"] = {{1920, 1080}, {320, 240}};
        m_root = new UIControl;
        m_root->resize(746, 420);
        m_shown = f.show(m_root);
        m_capture = std::make_unique<Capture>(f.engine);
    }
    ~Session()
    {
        _closePopups();
        m_capture->stop();
    }

    bool shown() const { return m_shown; }

    // Runs one action and checks the session; the failure, or an empty string.
    QString run(const Action &action, int index)
    {
        m_note.clear();
        m_failure.clear();
        f.receiver->takeFrames(); // what capture delivered meanwhile
        _closePopups();
        _do(action);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (m_verbose)
            std::fprintf(stderr, "[%d] %s: %s\n", index, qPrintable(action.toString()),
                         qPrintable(m_note));
        if (m_failure.isEmpty())
            _check();
        return m_failure;
    }

private:
    EngineFixture f;

    // ---- what the user sees -------------------------------------------------------------

    PreviewContainer *_container() const { return f.engine->controller()->container(); }
    QGraphicsView *_view() const { return f.view.get(); }
    QList<BasicLayer *> _items() const
    {
        PreviewContainer *container = _container();
        return container ? container->layers() : QList<BasicLayer *>();
    }
    bool _sceneUsable() const
    {
        PreviewContainer *container = _container();
        return container && container->isVisible() && m_root->isVisible();
    }
    QPointF _toScene(const QPointF &containerPos) const
    {
        return _container()->mapToScene(containerPos);
    }
    // The open window a user would act on: the modal one on top, else any other.
    UIBaseWindow *_topWindow() const
    {
        if (auto *modal = qobject_cast<UIBaseWindow *>(QApplication::activeModalWidget()))
            return modal;
        UIBaseWindow *found = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *window = qobject_cast<UIBaseWindow *>(widget);
            if (window && window->isVisible())
                found = window;
        }
        return found;
    }
    void _closePopups()
    {
        for (int i = 0; i < 3; ++i) {
            QWidget *popup = QApplication::activePopupWidget();
            if (!popup)
                return;
            popup->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    // ---- input ----------------------------------------------------------------------------

    // Press at from, move through steps points to to, release; host is called halfway.
    void _drag(QPointF from, QPointF to, int steps, Qt::KeyboardModifiers modifiers,
               const std::function<void()> &host = {})
    {
        from = _toScene(from);
        to = _toScene(to);
        Mouse mouse(_view());
        mouse.press(from, Qt::LeftButton, modifiers);
        for (int i = 1; i <= steps && _container(); ++i) {
            mouse.move(from + (to - from) * i / steps, modifiers);
            if (host && i == (steps + 1) / 2)
                host();
        }
        mouse.release(to, Qt::LeftButton, modifiers);
    }
    void _click(const QPointF &containerPos, Qt::MouseButton button = Qt::LeftButton)
    {
        Mouse(_view()).click(_toScene(containerPos), button);
    }
    void _key(Qt::Key key) { QTest::keyClick(_view()->viewport(), key); }
    void _wheel(QWidget *viewport, const QPoint &at, int delta)
    {
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    }
    // A point of a layer's body (away from its handles) or of its handle region.
    QPointF _inside(const BasicLayer *layer, quint32 r1, quint32 r2, double from = 0.05,
                    double to = 0.95) const
    {
        const QRectF g = layer->geometry();
        const double fx = from + (to - from) * (r1 % 1000) / 1000.0;
        const double fy = from + (to - from) * (r2 % 1000) / 1000.0;
        return QPointF(g.x() + g.width() * fx, g.y() + g.height() * fy);
    }
    // Regions 1 to 8: bottom, bottom-left, bottom-right, top, top-left, top-right, left, right.
    QPointF _handle(const BasicLayer *layer, int region) const
    {
        static const QPointF where[] = {{0.5, 1}, {0, 1}, {1, 1},   {0.5, 0},
                                        {0, 0},   {1, 0}, {0, 0.5}, {1, 0.5}};
        const QRectF g = layer->geometry().adjusted(3, 3, -3, -3);
        const QPointF w = where[qBound(1, region, 8) - 1];
        return QPointF(g.left() + g.width() * w.x(), g.top() + g.height() * w.y());
    }
    BasicLayer *_pickLayer(quint32 r) const
    {
        const QList<BasicLayer *> items = _items();
        return items.isEmpty() ? nullptr : items.at(int(r % quint32(items.size())));
    }
    QPointF _anywhere(quint32 r1, quint32 r2) const
    {
        const QRectF area = _container()->rect();
        return QPointF(area.width() * (r1 % 1000) / 1000.0, area.height() * (r2 % 1000) / 1000.0);
    }
    // Somewhere up to span units away, past the scene's edges as often as not.
    static QPointF _offset(quint32 r1, quint32 r2, int span)
    {
        return QPointF(int(r1 % quint32(2 * span + 1)) - span,
                       int(r2 % quint32(2 * span + 1)) - span);
    }

    // ---- the actions ----------------------------------------------------------------------

    void _do(const Action &x)
    {
        const bool window = _topWindow() != nullptr;
        const bool user = x.kind <= Window;
        if (user && (window || x.kind == Window)) {
            if (window)
                _windowAction(x);
            else
                m_note = QStringLiteral("no window open");
            return;
        }
        if (user && !_sceneUsable()) {
            m_note = QStringLiteral("no scene shown");
            return;
        }
        if (!user) {
            _hostCall(x);
            return;
        }
        BasicLayer *layer = _pickLayer(x.b);
        const bool needsLayer = x.kind == Drag || x.kind == Resize || x.kind == Menu ||
                                x.kind == DoubleClick || x.kind == DragDuringHostCall;
        if (needsLayer && !layer)
            return;
        switch (x.kind) {
        case Click: {
            const QPointF at =
                (x.a % 3 == 0 || !layer) ? _anywhere(x.c, x.d) : _inside(layer, x.c, x.d);
            m_note = fill("click at %1,%2", at.x(), at.y());
            _click(at);
            break;
        }
        case Drag: {
            const QPointF from = _inside(layer, x.c, x.d, 0.3, 0.7);
            const QPointF by = _offset(x.c >> 10, x.d >> 10, x.a % 4 == 0 ? 800 : 120);
            const int steps = 1 + int((x.a >> 4) % 5);
            m_note = fill("drag %1 from %2,%3 by %4,%5 in %6 steps", layer->layerType(), from.x(),
                          from.y(), by.x(), by.y(), steps);
            _drag(from, from + by, steps, {});
            break;
        }
        case Resize: {
            const int region = 1 + int(x.c % 8);
            const bool shift = (x.a >> 3) % 2;
            const QPointF by = _offset(x.d, x.d >> 12, x.a % 5 == 0 ? 600 : 80);
            m_note = fill("resize %1 region %2%3 by %4,%5", layer->layerType(), region,
                          shift ? " with shift" : "", by.x(), by.y());
            const QPointF from = _handle(layer, region);
            _drag(from, from + by, 1 + int((x.a >> 6) % 3),
                  shift ? Qt::ShiftModifier : Qt::NoModifier);
            break;
        }
        case Arrows: {
            static const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down};
            const int count = 1 + int(x.b % 12);
            m_note = fill("arrow %1 x%2", x.a % 4, count);
            for (int i = 0; i < count && _container(); ++i)
                _key(keys[x.a % 4]);
            break;
        }
        case DeleteKey:
            m_note = QStringLiteral("Delete");
            _key(Qt::Key_Delete);
            break;
        case Menu: {
            _click(_inside(layer, x.c, x.d), Qt::RightButton);
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            const QList<QAction *> actions = menu ? menu->actions() : QList<QAction *>();
            if (!menu || x.a % 7 == 0 || actions.isEmpty()) {
                m_note = menu ? QStringLiteral("menu dismissed") : QStringLiteral("no menu");
                if (menu)
                    QTest::keyClick(menu, Qt::Key_Escape);
                break;
            }
            QAction *chosen = actions.at(int(x.a % quint32(actions.size())));
            m_note = fill("menu %1 on layer type %2", chosen->objectName(), layer->layerType());
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
            break;
        }
        case DoubleClick: {
            m_note = fill("double click on layer type %1", layer->layerType());
            const QPoint p = _view()->mapFromScene(_toScene(_inside(layer, x.c, x.d, 0.3, 0.7)));
            QTest::mouseClick(_view()->viewport(), Qt::LeftButton, {}, p);
            if (_container())
                QTest::mouseDClick(_view()->viewport(), Qt::LeftButton, {}, p);
            break;
        }
        case Drop: {
            QList<QUrl> urls;
            QStringList names;
            const quint32 picks[] = {x.b, x.c, x.d};
            for (int i = 0; i < 1 + int(x.a % 3); ++i) {
                const QString &path = m_dropFiles.at(int(picks[i] % quint32(m_dropFiles.size())));
                urls << QUrl::fromLocalFile(path);
                names << QFileInfo(path).fileName();
            }
            const QPointF at = _anywhere(x.c >> 8, x.d >> 8);
            m_note = fill("drop %1 at %2,%3", names.join(QLatin1Char(',')), at.x(), at.y());
            dropFiles(_view(), urls, _view()->mapFromScene(_toScene(at)));
            break;
        }
        case Wheel:
            m_note = QStringLiteral("wheel");
            _wheel(_view()->viewport(), _view()->mapFromScene(_toScene(_anywhere(x.b, x.c))),
                   x.a % 2 ? 120 : -120);
            break;
        case DragDuringHostCall: {
            const QPointF from = _inside(layer, x.c, x.d, 0.3, 0.7);
            const Action host{Kind(SetVideoSize + x.a % (Restart - SetVideoSize)), x.b >> 3,
                              x.c >> 3, x.d >> 3, x.a >> 3};
            QString hostNote;
            _drag(from, from + _offset(x.c >> 11, x.d >> 11, 200), 4, {}, [&] {
                _hostCall(host);
                hostNote = m_note;
            });
            m_note = QStringLiteral("drag with host call: ") + hostNote;
            break;
        }
        case UndoRedo:
            _undoRedo(x);
            break;
        default:
            break;
        }
    }

    // Ctrl+Z, Ctrl+Shift+Z or Ctrl+Y a few times; now and then as many undos as redos, which
    // must give back the stack as it was. The game video and the camera are compared without
    // their rectangles: they also fit themselves to their pictures, which is not an edit, so a
    // redo brings back the user's own rectangle.
    void _undoRedo(const Action &x)
    {
        const int count = 1 + int(x.b % 4);
        QWidget *viewport = _view()->viewport();
        const auto press = [&](bool undo) {
            if (!_container())
                return;
            if (undo)
                QTest::keyClick(viewport, Qt::Key_Z, Qt::ControlModifier);
            else if (x.c % 2)
                QTest::keyClick(viewport, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            else
                QTest::keyClick(viewport, Qt::Key_Y, Qt::ControlModifier);
        };
        if (x.a % 3 == 0) {
            // Redone as many steps as were undone: with fewer steps to undo than presses, more
            // redos would step past where the history stood.
            // Steps about a layer gone for good drop out of the history as they are met: those
            // are not undone.
            const QUndoStack *history = _container()->undoStack();
            const int fromIndex = history->index();
            const int fromCount = history->count();
            const QList<StackEntry> before = _stack(true);
            for (int i = 0; i < count; ++i)
                press(true);
            history = _container() ? _container()->undoStack() : nullptr;
            const int undone =
                history ? (fromIndex - history->index()) - (fromCount - history->count()) : 0;
            m_note = fill("undo x%1 (%2 steps), then redo as often", count, undone);
            for (int i = 0; i < undone; ++i)
                press(false);
            const QList<StackEntry> after = _stack(true);
            if (after != before && !_topWindow())
                _fail("undo-redo", fill("before %1\nafter  %2", describe(before), describe(after)));
            return;
        }
        const bool undo = x.a % 3 == 1;
        m_note = fill("%1 x%2", undo ? "undo" : "redo", count);
        for (int i = 0; i < count; ++i)
            press(undo);
    }

    void _hostCall(const Action &x)
    {
        PreviewEngine *engine = f.engine;
        m_note = QLatin1String(KindNames[x.kind]);
        switch (x.kind) {
        case SetVideoSize: {
            const QSize size = VideoSizes[x.a % std::size(VideoSizes)];
            m_note += fill(" %1x%2", size.width(), size.height());
            engine->setVideoSize(size.width(), size.height());
            break;
        }
        case CaptureSize: {
            const QSize size = CaptureSizes[x.a % std::size(CaptureSizes)];
            m_note += fill(" %1x%2", size.width(), size.height());
            const std::lock_guard<std::mutex> locker(m_capture->lock);
            m_capture->captureWidth = size.width();
            m_capture->captureHeight = size.height();
            break;
        }
        case HideShow: {
            const bool wasShown = m_previewing;
            if (wasShown) {
                m_note += QStringLiteral(": hidePreview");
                const QList<StackEntry> before = _stack(false);
                engine->hidePreview();
                m_previewing = false;
                _checkStoredFile(before);
            }
            if (!wasShown || x.a % 2) {
                m_note += QStringLiteral(": showPreview");
                engine->showPreview(m_root);
                m_previewing = true;
            }
            break;
        }
        case SetEditable:
            m_editable = x.a % 3 != 0;
            m_note += fill(" %1", m_editable);
            engine->setLayersEditable(m_editable);
            break;
        case AddCamera:
            engine->addCameraLayer();
            break;
        case RemoveCameras:
            engine->removeCameraLayers();
            break;
        case CameraStatus:
            m_note += x.a % 2 ? QStringLiteral(" opens") : QStringLiteral(" closes");
            m_capture->cameraOpen = x.a % 2;
            break;
        case AddText:
            engine->addTextLayer();
            break;
        case AddImage:
            engine->addImageLayer();
            break;
        case ShowLayersManager:
            engine->controller()->showLayersMgr();
            break;
        case FilterWords:
            // The filter-word service: passes or refuses, at once or later.
            if (x.a % 4 < 2) {
                f.host->answerAtOnce = x.a % 4 == 0;
                f.host->verdict = x.b % 4 != 0;
                m_note += fill(" answer %1, %2", f.host->answerAtOnce ? "at once" : "later",
                               f.host->verdict ? "passing" : "refusing");
            } else {
                const auto checks = std::exchange(f.host->checks, {});
                m_note += fill(" answer %1 waiting checks", checks.size());
                for (const auto &check : checks)
                    engine->onFilterWordResult(check.first, x.c % 3 != 0);
            }
            break;
        case Restart:
            _restart(x.a % 2 == 0);
            break;
        default:
            break;
        }
    }

    // ---- the open window --------------------------------------------------------------------

    void _windowAction(const Action &x)
    {
        static const char *const styles[] = {"buttonFontBold", "buttonFontItalic",
                                             "buttonFontUnderline", "buttonFontColor"};
        UIBaseWindow *window = _topWindow();
        const quint32 choice = x.a % 16;
        auto *closable = qobject_cast<UIWindow *>(window);
        m_note = QLatin1String(window->metaObject()->className()) + QLatin1Char(':');
        const char *name = nullptr;
        if (choice == 0 && closable && closable->closeButton()) {
            m_note += QStringLiteral(" close button");
            EditorTest::click(closable->closeButton());
            return;
        } else if (choice == 1) {
            m_note += QStringLiteral(" Escape");
            QTest::keyClick(window->viewport(), Qt::Key_Escape);
            return;
        } else if (const auto steps = EditorSteps.find(window->metaObject()->className());
                   steps != EditorSteps.end()) {
            name = _oneOf(x.b, steps->second);
            if (qstrcmp(name, "style") == 0)
                name = styles[x.c % 4];
        } else if (auto *manager = qobject_cast<LayersMgrWindow *>(window)) {
            return _layerManager(manager, x);
        } else if (qobject_cast<FontColorWindow *>(window)) {
            name = "colorWidget";
        } else if (qobject_cast<TipMessageWindow *>(window)) {
            name = x.b % 2 ? "okButton" : "cancelButton";
        }
        m_note += QLatin1Char(' ') + QLatin1String(name ? name : "closed");
        auto *control = name ? _control<UIControl>(window, name) : nullptr;
        if (!control && qstrcmp(name, "backspace") == 0)
            control = _control<UIControl>(window, "textedite");
        if (control)
            _use(control, x, qstrcmp(name, "backspace") == 0);
        else if (!name || qobject_cast<TipMessageWindow *>(window))
            window->close();
    }

    // A control used as a user uses it: a button or the colour grid clicked, a list choice made
    // with the keys, the slider clicked, a field typed into or backspaced.
    void _use(UIControl *control, const Action &x, bool backspace)
    {
        const QRectF area = control->rect();
        const QPointF at(area.width() * (x.b % 1000) / 1000.0,
                         area.height() * (x.c % 1000) / 1000.0);
        if (backspace) {
            EditorTest::click(control);
            for (quint32 i = 0; i < 1 + x.c % 6; ++i)
                QTest::keyClick(control->graphicsView()->viewport(), Qt::Key_Backspace);
        } else if (auto *combo = qobject_cast<UIComboBoxControl *>(control)) {
            _choose(combo, x.c);
        } else if (qobject_cast<UISliderControl *>(control)) {
            m_note += fill(" at %1", at.x());
            EditorTest::click(control,
                              QPointF(area.width() * (x.c % 1000) / 1000.0, area.center().y()));
        } else if (qobject_cast<UILineEditControl *>(control)) {
            _type(control, m_editorPaths.at(int(x.c % quint32(m_editorPaths.size()))), true);
        } else if (qobject_cast<UITextEditControl *>(control)) {
            QString text = QString::fromUtf8(Texts[x.c % std::size(Texts)]);
            _type(control, x.c % 11 == 0 ? text + QLatin1Char('\n') + text : text, x.d % 3 == 0);
        } else if (qobject_cast<UIButtonControl *>(control)) {
            EditorTest::click(control);
        } else {
            m_note += fill(" at %1,%2", at.x(), at.y());
            EditorTest::click(control, at);
        }
    }

    // One of the names, r choosing among them by their weights.
    static const char *_oneOf(quint32 r, const std::vector<std::pair<int, const char *>> &names)
    {
        int pick = 0;
        for (const auto &name : names)
            pick += name.first;
        pick = int(r % quint32(pick));
        for (const auto &name : names) {
            if (pick < name.first)
                return name.second;
            pick -= name.first;
        }
        return nullptr;
    }
    template<typename T>
    T *_control(QObject *window, const char *name)
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    void _type(UIControl *field, const QString &text, bool replace)
    {
        m_note += fill(" '%1'", text);
        EditorTest::click(field);
        // A key may close the window (Return on a line field is its OK): stop typing then.
        const QPointer<QWidget> viewport = field->graphicsView()->viewport();
        QTest::keyClick(viewport, replace ? Qt::Key_A : Qt::Key_End,
                        replace ? Qt::ControlModifier : Qt::NoModifier);
        for (const QChar c : text) {
            if (!viewport)
                return;
            if (c == QLatin1Char('\n'))
                QTest::keyClick(viewport, Qt::Key_Return);
            else if (c.unicode() >= 0x20 && c.unicode() < 0x7f)
                QTest::keyClicks(viewport, QString(c));
            else
                _typeText(viewport, QString(c));
        }
        if (text.isEmpty() && viewport)
            QTest::keyClick(viewport, Qt::Key_Delete);
    }
    // QTest maps only ASCII to keys; anything else arrives as an input method would send it:
    // a key event carrying just its text.
    static void _typeText(QWidget *widget, const QString &text)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(widget, &release);
    }
    void _choose(UIComboBoxControl *combo, quint32 r)
    {
        EditorTest::click(combo);
        QWidget *popup = QApplication::activePopupWidget();
        const QPointer<QWidget> list = popup ? popup->focusWidget() : nullptr;
        if (!list)
            return;
        QTest::keyClick(list, Qt::Key_Home);
        for (quint32 i = 0; i < r % 6 && list; ++i)
            QTest::keyClick(list, Qt::Key_Down);
        if (list)
            QTest::keyClick(list, Qt::Key_Return);
    }

    void _layerManager(LayersMgrWindow *window, const Action &x)
    {
        static const char *const buttons[] = {"editBtn", "deleteBtn", "upBtn", "downBtn"};
        auto *list = _control<PreviewListWidget>(window, "layersList");
        UIControl *rowItem =
            list && list->count() ? list->item(int(x.c % quint32(list->count()))) : nullptr;
        const char *what = rowItem ? _oneOf(x.b, {{2, "row"},
                                                  {1, "double click"},
                                                  {1, "check box"},
                                                  {1, "drag"},
                                                  {1, "Delete key"},
                                                  {1, "wheel"},
                                                  {5, buttons[x.d % 4]}})
                                   : "editBtn";
        m_note += QLatin1Char(' ') + QLatin1String(what);
        const QString thing = QLatin1String(what);
        const QPoint at = rowItem ? EditorTest::viewPoint(rowItem, QPointF(60, 15)) : QPoint();
        if (thing == QLatin1String("row"))
            EditorTest::click(rowItem, QPointF(60, 15));
        else if (thing == QLatin1String("double click"))
            QTest::mouseDClick(window->viewport(), Qt::LeftButton, {}, at);
        else if (auto *viewItem = thing == QLatin1String("check box")
                                      ? qobject_cast<LayerMgrViewItem *>(rowItem)
                                      : nullptr)
            EditorTest::click(viewItem->checkBox());
        else if (thing == QLatin1String("drag"))
            _dragRow(window, list, int(x.c % quint32(list->count())),
                     int(x.d % quint32(list->count())));
        else if (thing == QLatin1String("Delete key"))
            QTest::keyClick(window->viewport(), Qt::Key_Delete);
        else if (thing == QLatin1String("wheel"))
            _wheel(window->viewport(), at, x.d % 2 ? 120 : -120);
        else if (auto *button = _control<UIButtonControl>(window, what))
            EditorTest::click(button);
    }

    void _dragRow(LayersMgrWindow *window, PreviewListWidget *list, int from, int to)
    {
        m_note += fill(" row %1 onto row %2", from, to);
        QWidget *viewport = window->viewport();
        const QPoint start = EditorTest::viewPoint(list->item(from), QPointF(60, 15));
        QTest::mousePress(viewport, Qt::LeftButton, {}, start);
        const QPoint away = start + QPoint(0, QApplication::startDragDistance() + 2);
        QMouseEvent move(QEvent::MouseMove, away, viewport->mapToGlobal(away), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, away);
        // The offscreen platform ends a drag at once; the drop side is driven here.
        if (!list->item(from) || !list->item(to))
            return;
        const QPoint target = EditorTest::viewPoint(list->item(to), QPointF(60, 15));
        QMimeData data;
        QDragEnterEvent enter(start, Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QDragMoveEvent over(target, Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &over);
        QDropEvent drop(target, Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
    }

    // ---- host restarts and the stored file ---------------------------------------------------

    // Without fits: the camera's and the game video's rectangles left out, as those fit
    // themselves to their pictures again (after a restart, a new game size).
    QList<StackEntry> _stack(bool withoutFits) const
    {
        QList<StackEntry> stack;
        PreviewCombineLogic *combine = f.combine();
        if (!combine)
            return stack;
        for (const QPointer<CMLayer> &layer : combine->layers()) {
            if (!layer || layer->isDeleted())
                continue;
            StackEntry entry;
            entry.type = layer->layerType();
            const QRectF r = layer->uiRect();
            entry.rect = QRect(trunc(r.x()), trunc(r.y()), trunc(r.width()), trunc(r.height()));
            entry.combine = layer->isCombine();
            if (auto *picture = qobject_cast<CMPicLayer *>(layer.data())) {
                entry.content = picture->path();
                entry.alpha = picture->alpha();
            } else if (auto *text = qobject_cast<CMTextLayer *>(layer.data())) {
                entry.content = text->text();
                entry.alpha = 100;
                // A text's size follows its text; a restart measures it again.
                entry.rect.setSize(QSize());
            } else if (auto *camera = qobject_cast<CMCameraLayer *>(layer.data())) {
                entry.alpha = camera->alpha();
            } else if (auto *game = qobject_cast<CMGamepicLayer *>(layer.data())) {
                entry.alpha = game->alpha();
            }
            if (withoutFits && (entry.type == LT_CAMERA || entry.type == LT_GAMEVIDEO))
                entry.rect = QRect();
            stack.append(entry);
        }
        return stack;
    }

    static QList<StackEntry> _storedStack(const QByteArray &file)
    {
        const StoredLayout layout = StoredLayout::read(file);
        const auto pair = [](const QString &text) {
            const QStringList parts = text.split(QLatin1Char(','));
            return parts.size() == 2 ? QPoint(parts[0].toInt(), parts[1].toInt()) : QPoint();
        };
        QList<StackEntry> stack;
        for (const QMap<QString, QString> &values : layout.layers) {
            StackEntry entry;
            entry.type = values.value(QStringLiteral("type")).toInt();
            const QPoint pos = pair(values.value(QStringLiteral("pos")));
            const QPoint size = pair(values.value(QStringLiteral("size")));
            entry.rect = QRect(pos.x(), pos.y(), size.x(), size.y());
            entry.combine = values.value(QStringLiteral("combine")) == QLatin1String("1");
            entry.alpha = values.value(QStringLiteral("alpha"), QStringLiteral("100")).toInt();
            if (entry.type == LT_PICTURE)
                entry.content = values.value(QStringLiteral("path"));
            if (entry.type == LT_TEXT) {
                entry.content = values.value(QStringLiteral("text"));
                entry.content.replace(QStringLiteral("[n]"), QStringLiteral("\n"));
                entry.rect.setSize(QSize());
            }
            stack.append(entry);
        }
        if (!layout.complete)
            stack.append(StackEntry{-1, {}, false, 0, QStringLiteral("(the file is not whole)")});
        return stack;
    }

    // The file hidePreview wrote holds the stack as it was then. A game frame may fit the game
    // layer on the capture thread while the file is written: then the stack of just before the
    // call is what the file holds, and the autosave writes the fit a second later.
    void _checkStoredFile(const QList<StackEntry> &before)
    {
        if (!f.combine())
            return;
        // Layouts are saved only while the host lets the user edit the layers.
        if (!m_editable)
            return;
        const QList<StackEntry> live = _stack(false);
        const QList<StackEntry> stored =
            _storedStack(readAll(PreviewCenterData().settingFileName()));
        if (live != stored && before != stored)
            _fail("stored-file", fill("after hidePreview the file holds %1, the stack is %2",
                                      describe(stored), describe(live)));
    }

    // A host may hold its capture back while it restarts the engine: no game frame then
    // comes to fit the game layer before the scene shows it.
    void _restart(bool holdCapture)
    {
        m_note = fill("restart (hidePreview, unInit, init, showPreview)%1",
                      holdCapture ? ", capture held" : "");
        PreviewEngine *engine = f.engine;
        const QList<StackEntry> before = _stack(true);
        const bool trusted = m_editable;
        f.host->answerAtOnce = true;
        f.host->verdict = true;
        std::unique_lock<std::mutex> held(m_capture->lock, std::defer_lock);
        if (holdCapture)
            held.lock();
        engine->hidePreview();
        engine->unInit();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        engine->init(30);
        engine->setVideoSize(m_videoSize.width(), m_videoSize.height());
        engine->showPreview(m_root);
        m_previewing = true;
        m_editable = true; // init lets the user edit again
        QCoreApplication::sendPostedEvents();
        if (held.owns_lock())
            held.unlock();
        const QList<StackEntry> after = _stack(true);
        if (trusted && before != after)
            _fail("restart",
                  fill("the stack before was %1, restored %2", describe(before), describe(after)));
    }

    // ---- the checks ----------------------------------------------------------------------------

    void _fail(const char *what, const QString &detail)
    {
        if (m_failure.isEmpty())
            m_failure = QLatin1String(what) + QStringLiteral(": ") + detail;
    }

    void _check()
    {
        PreviewContainer *container = _container();
        m_videoSize = f.engine->controller()->centerData()->videoSize();
        if (!container || !f.combine())
            return;

        // Limits and selection.
        const QList<BasicLayer *> items = container->layers();
        const int cameras = container->countLayersOfType(LT_CAMERA);
        const int games = container->countLayersOfType(LT_GAMEVIDEO);
        const int texts = container->countLayersOfType(LT_TEXT);
        if (cameras > 1 || games > 1 || texts > 5)
            _fail("limits", fill("%1 cameras, %2 game layers, %3 texts", cameras, games, texts));
        int active = 0;
        for (BasicLayer *item : items)
            active += item->state() == BasicLayer::StateActive ? 1 : 0;
        if (active > 1)
            _fail("selection", fill("%1 active layers", active));

        // Every item inside its parent; pulling an item back inside compares whole units, so
        // a fraction of one may stick out.
        const QRectF area = container->rect().adjusted(-0.999, -0.999, 0.999, 0.999);
        for (BasicLayer *item : items) {
            const QRectF g = item->geometry();
            if (g.left() < area.left() || g.top() < area.top() || g.right() > area.right() ||
                g.bottom() > area.bottom())
                _fail("inside", fill("layer of type %1 at %2,%3 %4x%5 leaves the scene %6x%7",
                                     item->layerType(), g.x(), g.y(), g.width(), g.height(),
                                     area.width(), area.height()));
        }

        if (!m_previewing || !container->isVisible())
            return;
        const QImage frame = _composeQuiet();
        if (!m_failure.isEmpty() || frame.isNull())
            return;
        _checkPairsAndFrame(frame);
    }

    // Pauses capture, composes twice (the first may refit the game video) and returns the
    // second frame.
    QImage _composeQuiet()
    {
        const std::lock_guard<std::mutex> locker(m_capture->lock);
        QImage frame;
        for (int round = 0; round < 2; ++round) {
            frame = _composeOnce();
            if (frame.isNull())
                return frame;
            QCoreApplication::sendPostedEvents();
        }
        return frame;
    }

    QImage _composeOnce()
    {
        const int w = m_capture->captureWidth, h = m_capture->captureHeight;
        if (m_gameFrame.size() != qsizetype(w) * h * 4)
            m_gameFrame = solidFrame(w, h, 0xFF000000u | GameColour);
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 20000) {
            f.receiver->takeFrames();
            const unsigned long stamp = ++m_stamp;
            f.engine->pushGameVideoData(m_gameFrame.constData(), uint(m_gameFrame.size()), w, h,
                                        stamp);
            QElapsedTimer wait;
            wait.start();
            while (wait.elapsed() < 2000) {
                f.receiver->waitForFrames(1, 50);
                for (const HostReceiver::Frame &frame : f.receiver->takeFrames()) {
                    if (frame.timestamp == stamp)
                        return frame.image;
                }
            }
        }
        _fail("frame", QStringLiteral("no frame delivered for 20 s while previewing"));
        return QImage();
    }

    void _checkPairsAndFrame(const QImage &frame)
    {
        PreviewCombineLogic *combine = f.combine();
        const QSizeF scene = combine->sceneSize();
        const double sx = frame.width() / scene.width();
        const double sy = frame.height() / scene.height();

        struct Painted
        {
            int type;
            QRect rect;
            int alpha;
            QRgb colour;
            bool known;
            QRect reach; // where it may paint
        };
        QList<Painted> painted; // back to front
        QSet<const BasicLayer *> linked;
        for (const QPointer<CMLayer> &layer : combine->layers()) {
            if (!layer || layer->isDeleted())
                continue;
            auto *basic = qobject_cast<CMBasicLayer *>(layer.data());
            auto *item = basic ? qobject_cast<BasicLayer *>(basic->uiLayer()) : nullptr;
            if (item)
                linked.insert(item);
            if (!layer->isCombine())
                continue;
            const QRect out = layer->outputPixelRect();
            if (item) {
                const QRectF g = item->geometry();
                const QRect expected(trunc(g.x() * sx), trunc(g.y() * sy), trunc(g.width() * sx),
                                     trunc(g.height() * sy));
                if (out != expected)
                    _fail("output-rect",
                          fill("layer of type %1: item %2,%3 %4x%5, compositing %6,%7 %8x%9, "
                               "output %10 expected %11 (scale %12 x %13)",
                               layer->layerType(), g.x(), g.y(), g.width(), g.height(),
                               layer->uiRect().x(), layer->uiRect().y(), layer->uiRect().width(),
                               layer->uiRect().height(), rectText(out), rectText(expected), sx,
                               sy));
            }
            Painted p{layer->layerType(), out, 100, 0, false, out};
            if (auto *text = qobject_cast<CMTextLayer *>(layer.data()))
                p.reach = _textReach(text, out, 1.0 / sx);
            else if (auto *camera = qobject_cast<CMCameraLayer *>(layer.data())) {
                // A camera never asked to open (no device chosen yet) paints the frames it
                // gets at their own size from its corner; the request may come between the
                // frame and this check, so either extent is the camera's.
                const QImage cameraFrame = camera->image();
                if (!cameraFrame.isNull())
                    p.reach = out.united(QRect(out.topLeft(), cameraFrame.size()));
            } else if (auto *picture = qobject_cast<CMPicLayer *>(layer.data())) {
                p.alpha = picture->alpha();
                const auto colour = m_colours.find(picture->path());
                p.known = colour != m_colours.end();
                p.colour = p.known ? colour.value() : 0;
            } else if (auto *game = qobject_cast<CMGamepicLayer *>(layer.data())) {
                p.alpha = game->alpha();
                p.colour = GameColour;
                p.known = true;
            }
            painted.append(p);
        }
        // Confirmed items have their compositing twin; pending ones have none yet.
        for (BasicLayer *item : _container()->layers()) {
            if (item->state() != BasicLayer::StatePending && !linked.contains(item))
                _fail("pairs", fill("a confirmed layer of type %1 has no compositing layer",
                                    item->layerType()));
        }
        if (!m_failure.isEmpty())
            return;

        // The frame paints the visible layers in stack order: sample a grid and every layer.
        QList<QPoint> samples;
        for (int gy = 1; gy < 10; ++gy) {
            for (int gx = 1; gx < 16; ++gx)
                samples << QPoint(frame.width() * gx / 16, frame.height() * gy / 10);
        }
        for (const Painted &p : painted)
            samples << p.rect.center() << p.rect.topLeft() + QPoint(3, 3)
                    << p.rect.bottomRight() - QPoint(3, 3);
        // The watermark in the top-left corner keeps its share of the frame's height.
        const QSize watermark(m_watermark.width() * frame.height() / 1080 + 2,
                              m_watermark.height() * frame.height() / 1080 + 2);
        for (const QPoint &at : samples) {
            if (!frame.rect().contains(at) ||
                (at.x() < watermark.width() && at.y() < watermark.height()))
                continue;
            std::optional<QRgb> expected = QRgb(qRgb(0, 0, 0));
            for (auto it = painted.crbegin(); it != painted.crend(); ++it) {
                const QRect near = it->rect.adjusted(-2, -2, 2, 2);
                const QRect inner = it->rect.adjusted(2, 2, -2, -2);
                if (near.contains(at) && !inner.contains(at)) {
                    expected.reset(); // on an edge: scaling may go either way
                    break;
                }
                if (!it->reach.contains(at))
                    continue;
                if (it->type == LT_TEXT || it->type == LT_CAMERA || it->alpha < 100 || !it->known)
                    expected.reset();
                else
                    expected = it->colour;
                break;
            }
            if (!expected)
                continue;
            const QRgb got = frame.pixel(at) | 0xFF000000u;
            if (qAbs(qRed(got) - qRed(*expected)) > 2 ||
                qAbs(qGreen(got) - qGreen(*expected)) > 2 ||
                qAbs(qBlue(got) - qBlue(*expected)) > 2) {
                QStringList stack;
                for (const Painted &p : painted)
                    stack << fill("type %1 %2 alpha %3", p.type, rectText(p.rect), p.alpha);
                _fail("frame",
                      fill("pixel %1,%2 of the %3x%4 frame is %5, expected %6; stack %7", at.x(),
                           at.y(), frame.width(), frame.height(), QColor(got).name(),
                           QColor(*expected).name(), stack.join(QStringLiteral("; "))));
                return;
            }
        }
    }

    // The output paints a text at its full point size, the scene measures it at that size
    // times the scene's scale, truncated to whole points: the glyphs may reach past the
    // rectangle by what the truncation took, centred on it, plus a margin for overhangs.
    static QRect _textReach(const CMTextLayer *text, const QRect &out, double sceneScale)
    {
        const double points = text->fontInfo().font().pointSizeF();
        const int sceneScalePoints = points > 0 ? qMax(1, trunc(points * sceneScale)) : 0;
        const double stretch =
            sceneScalePoints > 0 ? qMax(1.0, points * sceneScale / sceneScalePoints) : 1.0;
        const int dx = trunc(out.width() * (stretch - 1) / 2) + 12;
        const int dy = trunc(out.height() * (stretch - 1)) + 12;
        return out.adjusted(-dx, -dy, dx, dy);
    }

    // ---- files ------------------------------------------------------------------------------

    void _makeFiles()
    {
        const struct
        {
            const char *name;
            QSize size;
            QRgb colour;
        } pictures[] = {{"blue.png", {400, 200}, qRgb(0, 0, 255)},
                        {"cyan.png", {120, 300}, qRgb(0, 200, 200)},
                        {"yellow.jpg", {64, 36}, qRgb(230, 230, 0)},
                        {"white.png", {1500, 900}, qRgb(255, 255, 255)},
                        {"orange.bmp", {300, 300}, qRgb(255, 128, 0)}};
        for (const auto &p : pictures) {
            QImage image(p.size, QImage::Format_RGB32);
            image.fill(p.colour);
            const QString path = m_dir.filePath(QLatin1String(p.name));
            if (!QFileInfo::exists(path))
                image.save(path, nullptr, 100);
            // A JPEG keeps a solid colour within a step or two; what it decodes to counts.
            m_colours.insert(path, QImage(path).pixel(p.size.width() / 2, p.size.height() / 2) |
                                       0xFF000000u);
            m_dropFiles << path;
            m_editorPaths << path;
        }
        QByteArray png;
        {
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            QImage image(200, 100, QImage::Format_RGB32);
            image.fill(Qt::magenta);
            image.save(&buffer, "PNG");
        }
        const auto write = [&](const char *name, const QByteArray &bytes) {
            const QString path = m_dir.filePath(QLatin1String(name));
            if (!QFileInfo::exists(path))
                writeFile(path, bytes);
            m_dropFiles << path;
            m_editorPaths << path;
        };
        write("empty.png", QByteArray());
        write("truncated.png", png.left(png.size() / 2));
        write("garbage.png", png.left(16) + QByteArray(4096, '\x5a'));
        write("notes.txt", "not a picture");
        QDir(m_dir.path()).mkpath(QStringLiteral("folder.png"));
        m_dropFiles << m_dir.filePath(QStringLiteral("folder.png"));
        m_editorPaths << m_dir.filePath(QStringLiteral("missing.png")) << QString();
        m_watermark = QImage(QStringLiteral(":/theme/preview/tamber_watermark.png")).size();
    }

    const QTemporaryDir &m_dir;
    const bool m_verbose;
    UIControl *m_root = nullptr; // owned by the fixture's graphics scene
    bool m_shown = false;
    std::unique_ptr<Capture> m_capture;
    QMap<QString, QRgb> m_colours;
    QStringList m_dropFiles;
    QStringList m_editorPaths;
    QSize m_watermark;
    QSize m_videoSize{1280, 720};
    QByteArray m_gameFrame;
    unsigned long m_stamp = 1000000000;
    bool m_previewing = true;
    bool m_editable = true;
    QString m_note;
    QString m_failure;
};

// ---- runs, child processes and shrinking --------------------------------------------------------

struct Outcome
{
    bool failed = false;
    int index = -1;    // the failing action, when known
    QString signature; // what broke: a check's name, a sanitizer's report, a crash
    QString message;
};

Outcome runInProcess(const QVector<Action> &actions, bool verbose)
{
    QTemporaryDir dir;
    Outcome outcome;
    Session session(dir, verbose);
    if (!session.shown()) {
        outcome.failed = true;
        outcome.signature = QStringLiteral("setup");
        outcome.message = QStringLiteral("the preview could not be shown");
        return outcome;
    }
    for (int i = 0; i < actions.size(); ++i) {
        const QString failure = session.run(actions[i], i);
        if (!failure.isEmpty()) {
            outcome.failed = true;
            outcome.index = i;
            outcome.signature = failure.section(QLatin1Char(':'), 0, 0);
            outcome.message = failure;
            break;
        }
    }
    return outcome;
}

QString signatureOf(const QString &output, int exitCode, QProcess::ExitStatus status)
{
    static const QRegularExpression patterns[] = {
        QRegularExpression(QStringLiteral("RANDOM-SESSION-FAILURE ([a-z-]+):")),
        QRegularExpression(QStringLiteral("ERROR: (AddressSanitizer: [a-z-]+)")),
        QRegularExpression(QStringLiteral("ERROR: (LeakSanitizer)")),
        QRegularExpression(QStringLiteral("WARNING: (ThreadSanitizer: [a-z -]+)")),
        QRegularExpression(QStringLiteral("(runtime error: [a-z ]+)"))};
    for (const QRegularExpression &pattern : patterns) {
        const QRegularExpressionMatch match = pattern.match(output);
        if (match.hasMatch())
            return match.captured(1).trimmed();
    }
    if (status == QProcess::CrashExit)
        return QStringLiteral("crash");
    return QStringLiteral("exit %1").arg(exitCode);
}

Outcome runChild(const QVector<Action> &actions, const QString &file, bool verbose,
                 int timeoutMs = 600000)
{
    QFile out(file);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (const Action &action : actions)
        out.write(action.toString().toUtf8() + '\n');
    out.close();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("RANDOM_SESSION_REPLAY"), file);
    env.insert(QStringLiteral("RANDOM_SESSION_VERBOSE"),
               verbose ? QStringLiteral("1") : QStringLiteral("0"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("randomSession")});
    Outcome outcome;
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished();
        outcome.failed = true;
        outcome.signature = QStringLiteral("hang");
        outcome.message = QString::fromLocal8Bit(child.readAll().right(4000));
        return outcome;
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    outcome.failed = child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0;
    if (outcome.failed) {
        outcome.signature = signatureOf(output, child.exitCode(), child.exitStatus());
        static const QRegularExpression failure(
            QStringLiteral("RANDOM-SESSION-FAILURE (.*) at action (\\d+)"));
        const QRegularExpressionMatch match = failure.match(output);
        outcome.index = match.hasMatch() ? match.captured(2).toInt() : -1;
        outcome.message = match.hasMatch() ? match.captured(1) : output.right(6000);
    }
    if (verbose)
        std::fprintf(stderr, "%s", qPrintable(output));
    return outcome;
}

// Delta debugging: drops ever smaller chunks of the list as long as the same fault remains.
QVector<Action> shrink(QVector<Action> actions, const QString &signature, const QString &file)
{
    QElapsedTimer timer;
    timer.start();
    const qint64 budget = qint64(envInt("RANDOM_SESSION_SHRINK_SECONDS", 300)) * 1000;
    int chunks = 2;
    int runs = 0;
    while (actions.size() >= 2 && timer.elapsed() < budget) {
        const int size = int(actions.size());
        const int chunk = (size + chunks - 1) / chunks;
        bool reduced = false;
        for (int start = 0; start < size && timer.elapsed() < budget; start += chunk) {
            QVector<Action> rest = actions.mid(0, start) + actions.mid(start + chunk);
            const Outcome outcome = runChild(rest, file, false, 300000);
            ++runs;
            if (outcome.failed && outcome.signature == signature) {
                // What follows the failing action plays no part.
                if (outcome.index >= 0 && outcome.index + 1 < rest.size())
                    rest.resize(outcome.index + 1);
                actions = rest;
                chunks = qMax(chunks - 1, 2);
                reduced = true;
                break;
            }
        }
        if (!reduced) {
            if (chunks >= size)
                break;
            chunks = qMin(chunks * 2, size);
        }
    }
    std::fprintf(stderr, "random session: shrunk to %d actions in %d runs (%lld s)\n",
                 int(actions.size()), runs, timer.elapsed() / 1000);
    return actions;
}

} // namespace

class TestRandomSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void randomSession();
    // Sessions the random runs found broken once, as they shrank them.
    void shrunkSessions_data();
    void shrunkSessions();
};

void TestRandomSession::shrunkSessions_data()
{
    QTest::addColumn<QStringList>("actions");
    // A picture brought inside a narrower output, which then widened again: undoing its adding
    // and redoing it put it back where it was added, not where it stood before the undo.
    QTest::newRow("undo and redo after the scene moved a layer")
        << QStringList{QStringLiteral("drop 336687056 3954694832 3208305200 3446758060"),
                       QStringLiteral("window 669502217 623481640 3850895409 76933451"),
                       QStringLiteral("set-video-size 17674962 631310099 358957429 1106747952"),
                       QStringLiteral("set-video-size 1030017228 1538976291 1865310616 2890924182"),
                       QStringLiteral("undo-redo 1760884149 2754280802 3590456369 2412292988")};
    // The redo of a picture's adding put it back where it was in the wider scene it was added
    // in, outside the portrait one.
    QTest::newRow("picture added, output turned portrait, add undone and redone")
        << QStringList{QStringLiteral("drop 1210460183 3884887292 3454189776 4109547597"),
                       QStringLiteral("window 2005798340 621576011 1803008615 1790633694"),
                       QStringLiteral("double-click 4079818087 243261160 1477446506 1068908308"),
                       QStringLiteral("set-video-size 3105166221 3057640564 1898399799 3352315853"),
                       QStringLiteral("undo-redo 1876122996 3034434396 777048711 1122933750")};
    // A camera's drag across a change of output, undone and redone: it came back outside.
    QTest::newRow("camera dragged while the output turns portrait, undone and redone")
        << QStringList{QStringLiteral("add-camera 1587213082 2797326000 1885741161 1942200783"),
                       QStringLiteral("window 3967953160 4145748496 1751346009 2584138879"),
                       QStringLiteral("drag-host-call 4152981976 4042169450 3614207563 1988926806"),
                       QStringLiteral("undo-redo 3674765202 534614427 3874424277 4023623908")};
    // An undone text move took the text's size from the output of its time: the stream drew
    // the text past the rectangle the frame was told.
    QTest::newRow("text moved back by an undo after the output changed")
        << QStringList{QStringLiteral("add-camera 2902215217 1292837202 109981454 1824287200"),
                       QStringLiteral("window 3345624958 4114312493 416692742 3944075888"),
                       QStringLiteral("add-text 3636786956 2680238660 3112496275 2773078876"),
                       QStringLiteral("click 2159179631 1647795625 3385763255 4029376459"),
                       QStringLiteral("menu 529565250 2025228993 3766048047 474794740"),
                       QStringLiteral("drag 3846022610 2290460681 3944680897 968441916"),
                       QStringLiteral("set-video-size 2680418605 202700949 1887395224 1690081546"),
                       QStringLiteral("drag 3622358577 3182798417 1742728291 1076868637"),
                       QStringLiteral("resize 2090555636 3230666218 3721000943 2911946347"),
                       QStringLiteral("set-video-size 3100236370 3897535540 1789984196 833386072"),
                       QStringLiteral("menu 2221475983 1498027748 3181266630 218669331"),
                       QStringLiteral("undo-redo 623313796 3606585050 2287032673 1768396932"),
                       QStringLiteral("drag 282871919 32294471 3719503595 4058715749")};
    // A text dragged while the host opened a new picture's editor: the move was left out of
    // the history, so undoing past it and redoing put the text back where it was before.
    QTest::newRow("drag while a new layer's editor opens, undone and redone")
        << QStringList{QStringLiteral("add-text 2731901885 3327985711 1823217069 4111183716"),
                       QStringLiteral("double-click 2699012054 4038007789 2572065462 1707063205"),
                       QStringLiteral("undo-redo 1924382668 3661853517 83286500 303521572"),
                       QStringLiteral("set-video-size 3716062954 3940109971 374986593 4060065354"),
                       QStringLiteral("add-text 1127829954 2387872480 2836733152 1584656142"),
                       QStringLiteral("window 3142885750 3231161784 2606220201 13582368"),
                       QStringLiteral("window 1828013469 2200200272 677558584 1809654316"),
                       QStringLiteral("drag-host-call 3188011923 1297713364 3313827923 896003986"),
                       QStringLiteral("drag 79323392 2642776554 4089540142 227670966"),
                       QStringLiteral("undo-redo 2442402630 2061093378 3035236903 4023342945")};
    // The host opens the layer manager over a new picture's editor and the user selects a
    // row: the new picture stayed in the preview without ever reaching the stream.
    QTest::newRow("selecting over a new layer's editor")
        << QStringList{QStringLiteral("add-image 3598340212 2673599526 2989320405 3890422171"),
                       QStringLiteral("layer-manager 1136230645 3905384561 4293975666 1721739558"),
                       QStringLiteral("click 2292023677 2154511200 1350625504 3317069097")};
    // After a restart the game video is fitted again to the place its item already has in
    // whole units: the item reported nothing, and the output drew the game one row lower.
    QTest::newRow("game refitted after a restart")
        << QStringList{QStringLiteral("set-video-size 3982253459 4209046757 883052681 2440332971"),
                       QStringLiteral("restart 983672015 720615852 3559855476 3132141270")};
    // Restarted with no game frame before the scene shows: the default game layer was made
    // for a square placeholder scene and squeezed into the real one at the square's aspect.
    QTest::newRow("restart without a game frame")
        << QStringList{QStringLiteral("editable 3085181031 835963928 209877609 1920063554"),
                       QStringLiteral("restart 162040834 3607023013 937296220 2612261010")};
    // The host turns the output portrait halfway through a drag of the game: the rest of the
    // drag kept the room of the wide scene it started in.
    QTest::newRow("drag while the output turns portrait")
        << QStringList{QStringLiteral("drag-host-call 0 45 819200 409600")};
    // A text keeps the size it had in the scene of the previous output: a long one no longer
    // fits a portrait scene, and the stream draws it larger than the preview shows.
    QTest::newRow("long text when the output turns portrait")
        << QStringList{QStringLiteral("add-text 0 0 0 0"), QStringLiteral("window 2 0 4 0"),
                       QStringLiteral("window 2 8 0 0"), QStringLiteral("set-video-size 5 0 0 0")};
    // The same with a smaller output: the text's rectangle in the frame was half as wide as
    // the text the frame showed.
    QTest::newRow("text when the output shrinks")
        << QStringList{QStringLiteral("add-text 2204906054 1886143009 3307428356 1601459133"),
                       QStringLiteral("window 794391019 1409084833 2281687930 2774637946"),
                       QStringLiteral("click 2279196904 597280825 1506778015 1083890444"),
                       QStringLiteral("resize 472069635 933624834 4053726603 3471848715"),
                       QStringLiteral("window 2940257131 3987374602 3664188777 2601765104"),
                       QStringLiteral("set-video-size 501590650 1377220297 3462758743 1661810678")};
    // A portrait output's scene is narrower than a new picture's usual starting size.
    // A camera added while no device is chosen paints its frames at their own size, past
    // its rectangle, until the camera is asked to open: that is the camera, not a fault.
    QTest::newRow("camera without a device over the game")
        << QStringList{QStringLiteral("camera-status 2094412381 2367028558 2666363492 648110740"),
                       QStringLiteral("window 841556324 1730219201 1846924542 4006126254"),
                       QStringLiteral("drag-host-call 1506886451 1054471790 4144841127 3333653263"),
                       QStringLiteral("layer-manager 705636341 705840712 3157321346 1006825829"),
                       QStringLiteral("click 4053792575 2850560174 1169032522 617507414"),
                       QStringLiteral("add-camera 1591057194 482285191 2389282890 2513792462")};
    // Spaces, a line break and a text typed to the box's limit: stored with its line break
    // written out, the text was longer than a start accepts, and the whole layout was refused.
    QTest::newRow("line break in a full text box")
        << QStringList{QStringLiteral("add-text 188041902 2998721759 481531402 2858939495"),
                       QStringLiteral("resize 3584490037 3620145565 3732978832 2814657089"),
                       QStringLiteral("window 2375016818 2869319483 1646139826 4129075225"),
                       QStringLiteral("menu 240310757 373799336 3557177960 2413577844"),
                       QStringLiteral("window 232069722 2354395166 1997374044 2585909709"),
                       QStringLiteral("window 2151241087 672945170 935576113 1152432070"),
                       QStringLiteral("restart 3514309367 3552627649 2552025795 1236014521")};
    // The output shrinks while the camera's editor is open; Escape put back the rectangle
    // the camera had when the editor opened, partly outside the smaller scene.
    QTest::newRow("cancelled edit after the output shrank")
        << QStringList{QStringLiteral("add-camera 3450143858 324395094 1014782328 2225565162"),
                       QStringLiteral("resize 3487586453 4033535295 503252922 44392139"),
                       QStringLiteral("layer-manager 867340750 2828207742 2364213743 4088627051"),
                       QStringLiteral("wheel 3942483830 752562264 2632743502 3515855517"),
                       QStringLiteral("resize 1861518707 748006723 2686815638 559674704"),
                       QStringLiteral("set-video-size 2843288774 4167758040 477329657 2977508462"),
                       QStringLiteral("click 214781537 3984899189 563646814 19184607")};
    // A long text moved inside when the output turned portrait, while the host kept the user
    // from editing (nothing saved): the next start put it back where the file had it, past
    // the narrower scene's edge.
    QTest::newRow("stored text wider than the scene it comes back to")
        << QStringList{QStringLiteral("add-text 1509041316 3609460583 3408595815 883871862"),
                       QStringLiteral("menu 3096529837 2359824133 3131148856 2305818410"),
                       QStringLiteral("drag 3607660763 2723364742 1939974914 1121574193"),
                       QStringLiteral("restart 1979765616 2878650451 900793832 4165505788"),
                       QStringLiteral("set-video-size 767940061 2363580922 2346247641 1476135162"),
                       QStringLiteral("editable 3630326316 3503767808 1595498213 950586706"),
                       QStringLiteral("restart 3034479783 1921353261 2785153078 1996076545")};
    // A new text typed long after the output turned 4:3: it grew past the scene's right edge.
    QTest::newRow("text typed long in a narrower scene")
        << QStringList{QStringLiteral("add-text 3175792824 2662322467 881898140 3815640857"),
                       QStringLiteral("set-video-size 907397986 2735586124 1321467984 2397005244"),
                       QStringLiteral("window 1478278148 2710167276 93197929 2558267902")};
    // Hidden at once: the first game frame fits the game layer while the file is written.
    QTest::newRow("hidden before the first game frame is fitted")
        << QStringList{QStringLiteral("hide-show 1683554582 4289264554 1923197466 1891685418")};
    // A text of two blanks, confirmed: the file held the blanks, read back as an empty text.
    QTest::newRow("text of blanks")
        << QStringList{QStringLiteral("add-text 4071048365 2288831210 2277120419 759063085"),
                       QStringLiteral("drag 2480248887 2133215402 1844647567 4265161224"),
                       QStringLiteral("window 3615916472 3904258784 3409153460 2057046085"),
                       QStringLiteral("hide-show 3027636388 837679249 96008201 495244454")};
    // A text's edit cancelled after the output turned portrait: the text came back at the size
    // it had at the old output's width, was brought inside at that size, then drawn wider.
    QTest::newRow("text edit cancelled after the output turned portrait")
        << QStringList{QStringLiteral("add-text 2114832849 3360277564 2126094849 2326300792"),
                       QStringLiteral("window 375210121 4197231217 4000783089 4170948662"),
                       QStringLiteral("click 2912171302 1919037480 99976467 4233234470"),
                       QStringLiteral("resize 1143802943 3258280534 2992246969 1238091782"),
                       QStringLiteral("layer-manager 1928479010 1058767339 3222570518 2887419993"),
                       QStringLiteral("window 1398378852 1165676812 2975403599 3832699248"),
                       QStringLiteral("window 2057188039 564878868 3802859128 2486286279"),
                       QStringLiteral("window 4058801170 97050811 3052553385 582369768"),
                       QStringLiteral("window 551555735 3834317820 2535287791 306174000"),
                       QStringLiteral("set-video-size 862507741 2878747759 2389221478 1719618545"),
                       QStringLiteral("resize 1415469714 4036289431 371847097 2848841022")};
    QTest::newRow("new picture in a portrait scene")
        << QStringList{QStringLiteral("set-video-size 1491804501 1072106713 4127690432 1012677650"),
                       QStringLiteral("add-image 3052178673 194371088 3055347365 2400453384"),
                       QStringLiteral("resize 27392398 2425691641 1918612402 457492247")};
}

void TestRandomSession::shrunkSessions()
{
    QFETCH(QStringList, actions);
    if (!qEnvironmentVariableIsEmpty("RANDOM_SESSION_REPLAY"))
        QSKIP("a replay runs randomSession only");
    QVector<Action> list;
    for (const QString &line : std::as_const(actions)) {
        const auto action = Action::fromString(line);
        QVERIFY(action);
        list.append(*action);
    }
    const Outcome outcome = runInProcess(list, false);
    QVERIFY2(!outcome.failed, qPrintable(outcome.message));
}

void TestRandomSession::randomSession()
{
    const bool verbose = envInt("RANDOM_SESSION_VERBOSE", 0) != 0;
    const QString replay = qEnvironmentVariable("RANDOM_SESSION_REPLAY");
    if (!replay.isEmpty()) {
        // A child: the given actions as they stand.
        QFile file(replay);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVector<Action> actions;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (const auto action = Action::fromString(QString::fromUtf8(line)))
                actions.append(*action);
        }
        const Outcome outcome = runInProcess(actions, verbose);
        if (outcome.failed) {
            std::fprintf(stderr, "RANDOM-SESSION-FAILURE %s at action %d\n",
                         qPrintable(outcome.message), outcome.index);
            QFAIL(qPrintable(outcome.message));
        }
        return;
    }

    const quint32 firstSeed = quint32(envInt("RANDOM_SESSION_SEED", 1));
    const int seeds = envInt("RANDOM_SESSION_SEEDS", 2);
    const int count = envInt("RANDOM_SESSION_ACTIONS", 150);
    const bool isolate = envInt("RANDOM_SESSION_ISOLATE", 0) != 0;
    QTemporaryDir work;
    const QString file = work.filePath(QStringLiteral("actions.txt"));
    qint64 clean = 0;
    QStringList failures;
    for (int s = 0; s < seeds; ++s) {
        const quint32 seed = firstSeed + quint32(s);
        QVector<Action> actions = generate(seed, count);
        std::fprintf(stderr, "random session: seed %u, %d actions\n", seed, count);
        const Outcome outcome =
            isolate ? runChild(actions, file, false) : runInProcess(actions, verbose);
        if (!outcome.failed) {
            clean += count;
            continue;
        }
        std::fprintf(stderr, "random session: seed %u failed at action %d: %s\n", seed,
                     outcome.index, qPrintable(outcome.message));
        if (outcome.index >= 0)
            actions.resize(outcome.index + 1);
        const QVector<Action> shortest = shrink(actions, outcome.signature, file);
        std::fprintf(stderr,
                     "random session: seed %u, shortest list (%d actions) that still fails with "
                     "'%s'; replay it with RANDOM_SESSION_REPLAY=<file of these lines> "
                     "RANDOM_SESSION_VERBOSE=1:\n",
                     seed, int(shortest.size()), qPrintable(outcome.signature));
        for (const Action &action : shortest)
            std::fprintf(stderr, "  %s\n", qPrintable(action.toString()));
        // The shortest list once more, described step by step.
        const Outcome last = runChild(shortest, file, true);
        failures << QStringLiteral("seed %1: %2")
                        .arg(seed)
                        .arg(last.failed ? last.message : outcome.message);
    }
    std::fprintf(stderr, "random session: %lld actions clean, %d seeds failed\n", clean,
                 int(failures.size()));
    if (!failures.isEmpty())
        QFAIL(qPrintable(failures.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestRandomSession)
#include "tst_randomsession.moc"
