// shoot_hostwindow: takes the reference host's windows as a streamer sees them and saves them.
//
//   shoot_hostwindow --out DIR [--lang zh-CN|en] [--layout FILE] [--only NAME]
//
// Runs the host window on the demo layout (game, picture, text, camera) on the X display it is
// started on, works it through real input (XTest: clicks, double clicks, typing, a right click)
// and reads each result back from the X server's screen: nothing is rendered offscreen. Writes
// <name>-<lang>@<scale>x.png into DIR for
//   hostwindow            the picture layer selected, the pointer on its lower right handle
//   hostwindow-layers     the layer manager opened from the toolbar
//   layermenu             the layer menu of the text, opened with a right click
//   texteditwindow        "Add text", then a greeting typed into the editor
//   fontcolorwindow       the same editor with its colour picker open, a colour hovered
//   imagesettingwindow    the picture layer's editor, opened with a double click
//   camerasettingwindow   the camera layer's editor, opened with a double click
// Run it under Xvfb with its own XDG_CONFIG_HOME (scripts/screenshots does), so nobody's stored
// layout is touched.

#include "HostOnDisplay.h"
#include "Screenshot.h"

#include <guifoundation/UIControl.h>

#include <QCommandLineParser>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QTextStream>

using namespace HostOnDisplay;

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Grabs do not show the mouse pointer (the server draws it apart): draw the resize pointer the
// hovered handle asks for, so the picture shows what the user sees.
void drawPointer(QImage *shot, const QPointF &at, Qt::CursorShape shape, qreal scale)
{
    qreal angle = 0;
    switch (shape) {
    case Qt::SizeHorCursor:
        break;
    case Qt::SizeVerCursor:
        angle = 90;
        break;
    case Qt::SizeFDiagCursor:
        angle = 45;
        break;
    case Qt::SizeBDiagCursor:
        angle = -45;
        break;
    default:
        return;
    }
    QPainter painter(shot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(at);
    painter.scale(scale, scale);
    painter.rotate(angle);
    painter.setPen(QPen(Qt::black, 1.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygonF({{-11, 0},
                                   {-5.5, -5.5},
                                   {-5.5, -2},
                                   {5.5, -2},
                                   {5.5, -5.5},
                                   {11, 0},
                                   {5.5, 5.5},
                                   {5.5, 2},
                                   {-5.5, 2},
                                   {-5.5, 5.5}}));
}

class Photographer
{
public:
    Photographer(RealDisplay &display, HostWindow *window, const QWidget *desktop,
                 const QString &outDir, const QString &suffix, const QString &only)
        : m_display(display)
        , m_window(window)
        , m_desktop(desktop)
        , m_outDir(outDir)
        , m_suffix(suffix)
        , m_only(only)
    {}

    bool wanted(const QString &name) const { return m_only.isEmpty() || name == m_only; }

    // The screen around the given windows (and whatever pops up over them).
    bool save(const QString &name, const QList<const QWidget *> &windows,
              const std::function<void(QImage *, const QPoint &)> &decorate = {})
    {
        QTest::qWait(400); // animations and the output pane settle
        QRect area;
        for (const QWidget *window : windows)
            area |= Native::rect(window, window->rect());
        const int margin = qRound(32 * m_window->devicePixelRatioF());
        area.adjust(-margin, -margin, margin, margin);
        area &= QRect(QPoint(), m_display.screenSize());
        QImage shot = m_display.grab(area);
        if (decorate)
            decorate(&shot, area.topLeft());
        const QString path = QDir(m_outDir).filePath(name + m_suffix + QStringLiteral(".png"));
        if (shot.isNull() || !shot.save(path)) {
            err() << "shoot_hostwindow: cannot write " << path << Qt::endl;
            return false;
        }
        QTextStream(stdout) << path << Qt::endl;
        return true;
    }

    // The first engine window shown besides those already up, once it shows. (Qt lists its
    // top-level windows in no particular order.)
    QWidget *waitForWindow(const QList<QWidget *> &already = {})
    {
        QWidget *found = nullptr;
        QTest::qWaitFor(
            [&] {
                for (QWidget *window : engineWindows(m_window, m_desktop)) {
                    if (!already.contains(window))
                        found = window;
                }
                return found != nullptr;
            },
            5000);
        return found && QTest::qWaitForWindowExposed(found) ? found : nullptr;
    }

    void closeEngineWindows()
    {
        while (!engineWindows(m_window, m_desktop).isEmpty()) {
            engineWindows(m_window, m_desktop).constLast()->close();
            QTest::qWait(100);
        }
    }

private:
    RealDisplay &m_display;
    HostWindow *m_window;
    const QWidget *m_desktop;
    QString m_outDir;
    QString m_suffix;
    QString m_only;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("Folder to write to."),
                                       QStringLiteral("dir"));
    const QCommandLineOption langOption(QStringLiteral("lang"), QStringLiteral("zh-CN or en."),
                                        QStringLiteral("lang"), QStringLiteral("en"));
    const QCommandLineOption layoutOption(QStringLiteral("layout"),
                                          QStringLiteral("Layout to start from."),
                                          QStringLiteral("file"), QStringLiteral(DEMO_LAYOUT));
    const QCommandLineOption onlyOption(
        QStringLiteral("only"), QStringLiteral("Take only this shot."), QStringLiteral("name"));
    parser.addOptions({outOption, langOption, layoutOption, onlyOption});
    parser.addHelpOption();
    parser.process(app);
    if (!parser.isSet(outOption)) {
        err() << "shoot_hostwindow: --out DIR is required" << Qt::endl;
        return 2;
    }
    RealDisplay display;
    if (!display.isOpen()) {
        err() << "shoot_hostwindow: " << display.error() << Qt::endl;
        return 1;
    }
    const QString lang = parser.value(langOption);
    const bool chinese = lang == QLatin1String("zh-CN");
    QDir().mkpath(parser.value(outOption));

    ScreenshotBackdrop desktop;
    desktop.setGeometry(QGuiApplication::primaryScreen()->geometry());
    desktop.show();

    WindowSession::Options options = HostOnDisplay::options(lang);
    options.layoutFile = parser.value(layoutOption);
    std::unique_ptr<WindowSession> session = HostOnDisplay::start(options);
    if (!session) {
        err() << "shoot_hostwindow: the host window did not start" << Qt::endl;
        return 1;
    }
    HostWindow *window = session->window();
    // Room around the window for the shadow and the windows it opens.
    window->move(48, 48);
    if (!HostOnDisplay::waitUntilRunning(window) ||
        !QTest::qWaitFor([&] { return !layersOf(window, "CameraLayer").isEmpty(); }, 5000)) {
        err() << "shoot_hostwindow: the demo layout did not come up" << Qt::endl;
        return 1;
    }
    QTest::qWait(1500); // the camera's first pictures

    const qreal scale = window->devicePixelRatioF();
    const QString suffix = QStringLiteral("-%1@%2x").arg(lang).arg(qRound(scale));
    Photographer shots(display, window, &desktop, parser.value(outOption), suffix,
                       parser.value(onlyOption));
    QGraphicsObject *picture = layersOf(window, "PicLayer").value(0);
    QGraphicsObject *text = layersOf(window, "TextLayer").value(0);
    QGraphicsObject *camera = layersOf(window, "CameraLayer").value(0);
    if (!picture || !text || !camera) {
        err() << "shoot_hostwindow: the demo layout lacks a layer" << Qt::endl;
        return 1;
    }
    bool ok = true;

    if (shots.wanted(QStringLiteral("hostwindow"))) {
        display.click(Native::centre(picture));
        // On the lower right handle, just inside the corner.
        const QPoint handle = Native::point(
            window->previewView(), picture->sceneBoundingRect().bottomRight() - QPointF(2, 2));
        display.moveTo(handle);
        QTest::qWait(300);
        const Qt::CursorShape shape =
            picture->hasCursor() ? picture->cursor().shape() : Qt::ArrowCursor;
        ok = shots.save(QStringLiteral("hostwindow"), {window},
                        [&](QImage *shot, const QPoint &origin) {
                            drawPointer(shot, handle - origin, shape, scale);
                        }) &&
             ok;
        display.moveTo(QPoint(0, 0));
    }
    if (shots.wanted(QStringLiteral("hostwindow-layers"))) {
        display.click(HostOnDisplay::toolButton(window, HostWindow::Action::LayerManager));
        if (QWidget *manager = shots.waitForWindow()) {
            // The picture's row selected, as a streamer about to move it.
            if (auto *list = manager->findChild<UIControl *>(QStringLiteral("layersList")))
                display.click(Native::point(list->scene()->views().constFirst(),
                                            list->mapToScene(QPointF(120, 2 * 30 + 15))));
            ok = shots.save(QStringLiteral("hostwindow-layers"), {window, manager}) && ok;
        } else {
            err() << "shoot_hostwindow: the layer manager did not open" << Qt::endl;
            ok = false;
        }
        shots.closeEngineWindows();
    }
    if (shots.wanted(QStringLiteral("layermenu"))) {
        display.click(Native::centre(text), Qt::RightButton);
        if (QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 3000)) {
            QWidget *menu = QApplication::activePopupWidget();
            ok = shots.save(QStringLiteral("layermenu"), {window->previewView(), menu}) && ok;
            menu->close();
        } else {
            err() << "shoot_hostwindow: no layer menu" << Qt::endl;
            ok = false;
        }
    }
    if (shots.wanted(QStringLiteral("texteditwindow")) ||
        shots.wanted(QStringLiteral("fontcolorwindow"))) {
        display.click(HostOnDisplay::toolButton(window, HostWindow::Action::AddText));
        QWidget *editor = shots.waitForWindow();
        auto *box = editor ? editor->findChild<UIControl *>(QStringLiteral("textedite")) : nullptr;
        if (box) {
            display.click(Native::centre(box));
            display.typeText(chinese ? QStringLiteral("欢迎来到直播间")
                                     : QStringLiteral("Welcome to my stream"));
            if (shots.wanted(QStringLiteral("texteditwindow")))
                ok = shots.save(QStringLiteral("texteditwindow"), {editor}) && ok;
            auto *colour = editor->findChild<UIControl *>(QStringLiteral("buttonFontColor"));
            if (shots.wanted(QStringLiteral("fontcolorwindow")) && colour) {
                display.click(Native::centre(colour));
                if (QWidget *picker = shots.waitForWindow({editor})) {
                    if (auto *grid = picker->findChild<UIControl *>(QStringLiteral("colorWidget")))
                        display.moveTo(Native::point(grid->scene()->views().constFirst(),
                                                     grid->mapToScene(QPointF(96, 58))));
                    ok = shots.save(QStringLiteral("fontcolorwindow"), {editor, picker}) && ok;
                } else {
                    err() << "shoot_hostwindow: the colour picker did not open" << Qt::endl;
                    ok = false;
                }
            }
        } else {
            err() << "shoot_hostwindow: the text editor did not open" << Qt::endl;
            ok = false;
        }
        shots.closeEngineWindows();
    }
    for (const auto &[name, layer] : {std::pair{QStringLiteral("imagesettingwindow"), picture},
                                      std::pair{QStringLiteral("camerasettingwindow"), camera}}) {
        if (!shots.wanted(name))
            continue;
        display.doubleClick(Native::centre(layer));
        if (QWidget *editor = shots.waitForWindow()) {
            ok = shots.save(name, {editor}) && ok;
        } else {
            err() << "shoot_hostwindow: no editor for " << name << Qt::endl;
            ok = false;
        }
        shots.closeEngineWindows();
    }
    session->shutdown();
    return ok ? 0 : 1;
}
