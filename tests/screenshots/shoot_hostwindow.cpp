// shoot_hostwindow: poses the reference host's window for a screenshot and saves it.
//
//   shoot_hostwindow --out FILE.png [--lang zh-CN|en] [--layout FILE] [--layer-manager]
//
// It installs the layout (by default the demo's: game, picture, text and camera) as the settings
// file, starts the window on the test picture and the virtual camera, selects the picture layer
// with a click, rests the mouse on its lower right handle, lets the output catch up and grabs the
// window at the screen's device pixel ratio. With --layer-manager it opens the layer manager from
// the toolbar and saves every open window as the screen shows them. Run it with its own
// XDG_CONFIG_HOME (the script does), so nobody's stored layout is touched.

#include "HostWindow.h"
#include "OutputFeed.h"
#include "PreviewView.h"
#include "Screenshot.h"
#include "WindowSession.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGraphicsObject>
#include <QPainter>
#include <QTest>
#include <QTextStream>

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// The engine's layer item of the given class, or null.
QGraphicsObject *layerOf(QGraphicsObject *root, const char *className)
{
    if (!root)
        return nullptr;
    for (QGraphicsItem *child : root->childItems()) {
        QGraphicsObject *object = child->toGraphicsObject();
        if (object && object->isVisible() &&
            qstrcmp(object->metaObject()->className(), className) == 0)
            return object;
    }
    return nullptr;
}

// Grabs do not show the mouse pointer: draw the resize pointer the hovered handle asks for, so
// the picture shows what the user sees.
void drawPointer(QPixmap *shot, const QPoint &at, Qt::CursorShape shape)
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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("PNG to write."),
                                       QStringLiteral("file"));
    const QCommandLineOption langOption(QStringLiteral("lang"), QStringLiteral("zh-CN or en."),
                                        QStringLiteral("lang"), QStringLiteral("en"));
    const QCommandLineOption layoutOption(QStringLiteral("layout"),
                                          QStringLiteral("Layout to start from."),
                                          QStringLiteral("file"), QStringLiteral(DEMO_LAYOUT));
    const QCommandLineOption layerManagerOption(
        QStringLiteral("layer-manager"), QStringLiteral("Open the layer manager over the window."));
    parser.addOptions({outOption, langOption, layoutOption, layerManagerOption});
    parser.addHelpOption();
    parser.process(app);
    if (!parser.isSet(outOption)) {
        err() << "shoot_hostwindow: --out FILE.png is required" << Qt::endl;
        return 2;
    }
    WindowSession::Options options;
    options.language = parser.value(langOption);
    options.systemCameras = false;
    options.layoutFile = parser.value(layoutOption);
    WindowSession session(options);
    QString error;
    int exitCode = 0;
    if (!session.start(&error, &exitCode)) {
        err() << "shoot_hostwindow: " << error << Qt::endl;
        return exitCode;
    }
    HostWindow *window = session.window();
    // The size the window asks for, whatever share of the screen a first window gets.
    window->resize(window->sizeHint());
    if (!QTest::qWaitForWindowExposed(window)) {
        err() << "shoot_hostwindow: the window never showed" << Qt::endl;
        return 1;
    }
    // Frames flowing and the stored layers restored (the camera's picture takes a moment).
    PreviewView *view = window->previewView();
    if (!QTest::qWaitFor([&] { return window->outputFeed()->received() > 30; }, 10000))
        err() << "shoot_hostwindow: no output frames yet" << Qt::endl;
    if (!QTest::qWaitFor([&] { return layerOf(view->sceneRoot(), "CameraLayer") != nullptr; },
                         5000))
        err() << "shoot_hostwindow: no camera layer in the preview" << Qt::endl;
    QTest::qWait(1500);

    QGraphicsObject *picture = layerOf(view->sceneRoot(), "PicLayer");
    QPoint pointer;
    if (picture) {
        const QRectF box = picture->sceneBoundingRect();
        QWidget *viewport = view->viewport();
        QTest::mouseMove(viewport, view->mapFromScene(box.center()));
        QTest::mouseClick(viewport, Qt::LeftButton, {}, view->mapFromScene(box.center()));
        QTest::qWait(200);
        // On the lower right handle, just inside the corner.
        const QPoint handle = view->mapFromScene(box.bottomRight() - QPointF(2, 2));
        QTest::mouseMove(viewport, handle);
        pointer = viewport->mapTo(window, handle);
    } else {
        err() << "shoot_hostwindow: no picture layer to select; shooting the window as it is"
              << Qt::endl;
    }
    QTest::qWait(800);

    if (parser.isSet(layerManagerOption)) {
        window->action(HostWindow::Action::LayerManager)->trigger();
        QTest::qWait(1000);
        QString error;
        const bool saved = saveWindowsScreenshot(parser.value(outOption), &error);
        if (!saved)
            err() << "shoot_hostwindow: " << error << Qt::endl;
        session.shutdown();
        return saved ? 0 : 1;
    }

    QPixmap shot = window->grab();
    if (picture && picture->hasCursor())
        drawPointer(&shot, pointer, picture->cursor().shape());
    if (!shot.save(parser.value(outOption))) {
        err() << "shoot_hostwindow: cannot write " << parser.value(outOption) << Qt::endl;
        return 1;
    }
    err() << "shoot_hostwindow: wrote " << parser.value(outOption) << " (" << shot.width() << "x"
          << shot.height() << ")" << Qt::endl;
    session.shutdown();
    return 0;
}
