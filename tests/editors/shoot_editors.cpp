// shoot_editors: poses each editor window with sample content and saves a screenshot of it.
//
//   shoot_editors --out DIR [--lang zh-CN|en]
//
// Writes <window>-<lang>@<scale>x.png for the picture, camera and text editors (the text editor
// once more with its colour picker open), and the layer menu and the layer manager over a
// running engine's scene, at the screen's device pixel ratio. Run under Xvfb by
// scripts/screenshots; the windows are grabbed from the screen, so pop-ups show where they open.

#include "EditorTestSupport.h"
#include "EngineFixture.h"

#include "CameraLayerData.h"
#include "CameraSettingWindow.h"
#include "FontColorWindow.h"
#include "ImageSettingWindow.h"
#include "LayersMgrWindow.h"
#include "PicLayerData.h"
#include "TextEditWindow.h"
#include "TextLayerData.h"

#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UILabelControl.h>

#include <QCommandLineParser>
#include <QCursor>
#include <QDir>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTranslator>

namespace {

QString g_outDir;
QString g_suffix;

void settle(int ms = 150)
{
    QTest::qWait(ms);
}

bool save(const QRect &area, const QString &name)
{
    settle();
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                      area.width(), area.height());
    const QString path = QDir(g_outDir).filePath(name + g_suffix + QStringLiteral(".png"));
    if (!shot.save(path)) {
        QTextStream(stderr) << "shoot_editors: cannot write " << path << Qt::endl;
        return false;
    }
    QTextStream(stdout) << path << Qt::endl;
    return true;
}

QRect around(const QWidget *window, int margin = 16)
{
    return window->frameGeometry().adjusted(-margin, -margin, margin, margin);
}

// The layer menu and the layer manager as a streamer opens them: every kind of layer under their
// own names, one text out of the broadcast picture and the picture's row selected.
bool shootLayersManager(bool chinese, QTranslator *translation)
{
    QTemporaryDir dir;
    const QString path = savePicture(dir, QStringLiteral("banner.png"), QColor(40, 120, 200));

    EngineFixture f;
    // The engine installs its Chinese on creation; the language asked for answers first again.
    QCoreApplication::removeTranslator(translation);
    QCoreApplication::installTranslator(translation);
    PreviewCombineLogic *stack = f.combine();
    stack->addCameraLayer(QPoint(460, 270), true, QSize(220, 124), 100,
                          QStringLiteral("Integrated Camera"), QSize(1280, 720),
                          QStringLiteral("Integrated Camera"), false, 0, 0, 0);
    stack->addImageLayer(path, true, QPoint(40, 300), true, QSize(200, 100), 100, QString());
    stack->addTextLayer(QFont(QStringLiteral("微软雅黑"), 20), Qt::white,
                        chinese ? QStringLiteral("欢迎来到直播间")
                                : QStringLiteral("Welcome to the stream"),
                        QPoint(20, 20), true, QString());
    stack->addTextLayer(QFont(QStringLiteral("微软雅黑"), 14), Qt::yellow,
                        chinese ? QStringLiteral("关注主播") : QStringLiteral("Follow me"),
                        QPoint(20, 380), false, QString());
    if (!f.show())
        return false;
    f.view->move(120, 80);
    // A game frame fits the game layer to the scene, as the host's first frame does.
    f.compose();
    settle();

    // The layer menu, where a right click on the picture opens it.
    bool ok = true;
    const QPoint onPicture = f.view->mapFromScene(QPointF(140, 350));
    QCursor::setPos(f.view->viewport()->mapToGlobal(onPicture));
    QTest::mouseClick(f.view->viewport(), Qt::RightButton, {}, onPicture);
    settle(300);
    if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
        ok = save(around(f.view.get()).united(around(menu)), QStringLiteral("layermenu"));
        menu->close();
    } else {
        QTextStream(stderr) << "shoot_editors: no layer menu" << Qt::endl;
        ok = false;
    }
    f.engine->controller()->showLayersMgr();
    auto *window = f.window<LayersMgrWindow>();
    if (!window)
        return false;
    settle();
    if (auto *list = window->findChild<UIControl *>(QStringLiteral("layersList")))
        EditorTest::click(list, QPointF(120, 2 * 30 + 15));
    return save(around(window), QStringLiteral("layersmgrwindow")) && ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("Folder to write to."),
                                       QStringLiteral("dir"));
    const QCommandLineOption langOption(QStringLiteral("lang"), QStringLiteral("zh-CN or en."),
                                        QStringLiteral("lang"), QStringLiteral("en"));
    parser.addOptions({outOption, langOption});
    parser.addHelpOption();
    parser.process(app);
    if (!parser.isSet(outOption)) {
        QTextStream(stderr) << "shoot_editors: --out DIR is required" << Qt::endl;
        return 2;
    }
    g_outDir = parser.value(outOption);
    QDir().mkpath(g_outDir);
    const QString lang = parser.value(langOption);
    g_suffix = QStringLiteral("-%1@%2x").arg(lang).arg(qRound(app.devicePixelRatio()));
    // As an English host does, English too comes from its translation file.
    QTranslator translation;
    if (!translation.load(lang, QStringLiteral(LANGUAGE_DIR))) {
        QTextStream(stderr) << "shoot_editors: no " << lang << ".qm in " << LANGUAGE_DIR
                            << Qt::endl;
        return 1;
    }
    QCoreApplication::installTranslator(&translation);

    // The windows' owner: a dark backdrop like the host's, so the shots show the windows' rims.
    QWidget backdrop;
    backdrop.setStyleSheet(QStringLiteral("background: #1e1e1e;"));
    backdrop.setGeometry(0, 0, 1000, 700);
    backdrop.show();
    settle();

    FakeController host;
    host.cameras = {L"Integrated Camera", L"Virtual camera"};
    host.sizes[L"Integrated Camera"] = {{1280, 720}, {640, 480}, {640, 360}};
    StandInLayer layer;
    host.layers.insert(&layer);
    bool ok = true;

    {
        PicLayerData record;
        record.layer = &layer;
        record.alpha = 80;
        record.path = QDir::home().filePath(QStringLiteral("Pictures/banner.png"));
        ImageSettingWindow *editor = ImageSettingWindow::create(&host, &backdrop);
        editor->setLayerData(&record);
        editor->move(300, 200);
        editor->showModalAsync(true, true);
        ok = save(around(editor), QStringLiteral("imagesettingwindow")) && ok;
        editor->close();
    }
    {
        CameraLayerData record;
        record.layer = &layer;
        record.cameraParam.deviceName = QStringLiteral("Integrated Camera");
        CameraSettingWindow *editor = CameraSettingWindow::create(&host, &backdrop);
        editor->setLayerData(&record);
        editor->move(300, 200);
        editor->showModalAsync(true, true);
        ok = save(around(editor), QStringLiteral("camerasettingwindow")) && ok;
        editor->close();
    }
    {
        TextLayerData record;
        record.layer = &layer;
        record.font = QFont(QStringLiteral("微软雅黑"), 28);
        record.color = QColor(255, 122, 35);
        record.text = lang == QLatin1String("zh-CN") ? QStringLiteral("欢迎来到直播间")
                                                     : QStringLiteral("Welcome to the stream");
        record.geometry = QRectF(10, 10, 300, 40);
        record.textRect = QRectF(0, 0, 746, 420);
        TextEditWindow *editor = TextEditWindow::create(&host, &backdrop);
        editor->setLayerData(&record);
        editor->move(300, 200);
        editor->showModalAsync(true, true);
        // The longest message the window shows.
        EditorTest::click(EditorTest::child<UIButtonControl>(editor, "okButton"));
        QTest::qWait(TextEditWindow::CheckTimeoutMs + 200);
        ok = save(around(editor), QStringLiteral("texteditwindow")) && ok;

        auto *colorButton = EditorTest::child<UIButtonControl>(editor, "buttonFontColor");
        EditorTest::click(colorButton);
        auto *popup = editor->findChild<FontColorWindow *>();
        settle(300);
        if (popup) {
            if (auto *grid = popup->findChild<UIControl *>(QStringLiteral("colorWidget")))
                EditorTest::hover(grid, QPointF(3 + 2 * 27 + 10, 2 + 3 * 16 + 6));
            ok =
                save(around(editor).united(around(popup)), QStringLiteral("fontcolorwindow")) && ok;
        }
        editor->close();
    }
    backdrop.hide();
    ok = shootLayersManager(lang == QLatin1String("zh-CN"), &translation) && ok;
    settle();
    return ok ? 0 : 1;
}
