// previewhost: the reference host application of the preview engine.

#include "GallerySession.h"
#include "HeadlessSession.h"
#include "HostLanguage.h"
#include "ScreenCapture.h"
#include "WindowSession.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QRegularExpression>
#include <QTextStream>

namespace {

bool parseSize(const QString &text, QSize *size)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const QSize parsed(match.captured(1).toInt(), match.captured(2).toInt());
    // Bounded so a typo cannot ask for gigabytes of frame buffers.
    if (parsed.width() < 2 || parsed.height() < 2 || parsed.width() > 8192 ||
        parsed.height() > 8192)
        return false;
    *size = parsed;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Without a window the host needs no display server, unless it captures the screen: then
    // the X display it names (the capture says why when none can be reached).
    bool headless = false;
    bool desktop = false;
    for (int i = 1; i < argc; ++i) {
        headless = headless || qstrcmp(argv[i], "--headless") == 0;
        desktop = desktop || qstrcmp(argv[i], "--game=desktop") == 0 ||
                  (qstrcmp(argv[i], "--game") == 0 && i + 1 < argc &&
                   qstrcmp(argv[i + 1], "desktop") == 0);
    }
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", desktop ? ScreenCapture::headlessPlatforms() : "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("previewhost"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Reference host of the preview engine."));
    parser.addHelpOption();
    const QCommandLineOption headlessOption(QStringLiteral("headless"),
                                            QStringLiteral("Run without a window."));
    const QCommandLineOption engineOption(QStringLiteral("engine"),
                                          QStringLiteral("Path of libpreviewengine.so."),
                                          QStringLiteral("path"));
    const QCommandLineOption gameSizeOption(QStringLiteral("game-size"),
                                            QStringLiteral("Game video size (default 1280x720)."),
                                            QStringLiteral("WxH"), QStringLiteral("1280x720"));
    const QCommandLineOption fpsOption(QStringLiteral("fps"),
                                       QStringLiteral("Game frame rate (default 30)."),
                                       QStringLiteral("N"), QStringLiteral("30"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("Seconds of game video (default 6)."),
                                           QStringLiteral("N"), QStringLiteral("6"));
    const QCommandLineOption outputOption(
        QStringLiteral("output"),
        QStringLiteral("Folder for demo.y4m and demo.png (default out), or a .webm or .mkv file "
                       "to encode (VP8, with a .png of the last frame beside it)."),
        QStringLiteral("dir|file"), QStringLiteral("out"));
    const QCommandLineOption filterWordsOption(
        QStringLiteral("filter-words"),
        QStringLiteral("UTF-8 file of filter words, one per line, replacing the built-in list."),
        QStringLiteral("file"));
    const QCommandLineOption cameraOption(QStringLiteral("camera"),
                                          QStringLiteral("Run the virtual camera from the start."));
    const QCommandLineOption layoutOption(
        QStringLiteral("layout"),
        QStringLiteral("Start from this stored layer layout (a copy replaces the settings file)."),
        QStringLiteral("file"));
    const QCommandLineOption gameOption(
        QStringLiteral("game"),
        QStringLiteral("Game video: a video file played in a loop, or \"desktop\" for the screen "
                       "(default: the test picture)."),
        QStringLiteral("file|desktop"));
    // --language is the gallery's older spelling of --lang.
    const QCommandLineOption langOption(
        {QStringLiteral("lang"), QStringLiteral("language")},
        QStringLiteral("Language of the windows: zh-CN or en (default: the system's)."),
        QStringLiteral("zh-CN|en"));
    const QCommandLineOption galleryOption(
        QStringLiteral("gallery"), QStringLiteral("Show the gallery of the GUI's controls."));
    const QCommandLineOption stateOption(
        QStringLiteral("state"),
        QStringLiteral("Open this part of the window at start (gallery: tip, combo, menu)."),
        QStringLiteral("name"));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Save the open windows as a PNG file once shown, then quit (gallery)."),
        QStringLiteral("file"));
    parser.addOptions({headlessOption, engineOption, gameSizeOption, fpsOption, secondsOption,
                       outputOption, filterWordsOption, cameraOption, layoutOption, gameOption,
                       langOption, galleryOption, stateOption, screenshotOption});
    parser.process(app);

    QTextStream err(stderr);
    if (parser.isSet(langOption) && !HostLanguage::isSupported(parser.value(langOption))) {
        err << "previewhost: --lang wants zh-CN or en" << Qt::endl;
        return 2;
    }
    if (parser.isSet(galleryOption)) {
        // The gallery shows its source texts unless a translation is named.
        const QString language =
            parser.value(langOption) == QLatin1String("en") ? QString() : parser.value(langOption);
        GallerySession gallery({parser.value(engineOption), language, parser.value(stateOption),
                                parser.value(screenshotOption)});
        return gallery.run();
    }
    if (parser.isSet(screenshotOption) || parser.isSet(stateOption)) {
        err << "previewhost: --screenshot and --state go with --gallery" << Qt::endl;
        return 2;
    }

    HeadlessSession::Options options;
    options.enginePath = parser.value(engineOption);
    if (!parseSize(parser.value(gameSizeOption), &options.gameSize)) {
        err << "previewhost: --game-size wants WxH, for example 1920x1080" << Qt::endl;
        return 2;
    }
    bool ok = false;
    options.fps = parser.value(fpsOption).toInt(&ok);
    if (!ok || options.fps < 1 || options.fps > 240) {
        err << "previewhost: --fps wants a number from 1 to 240" << Qt::endl;
        return 2;
    }
    options.seconds = parser.value(secondsOption).toInt(&ok);
    if (!ok || options.seconds < 0 || options.seconds > 24 * 3600) {
        err << "previewhost: --seconds wants a number from 0 to 86400" << Qt::endl;
        return 2;
    }
    options.outputDir = parser.value(outputOption);
    if (options.outputDir.isEmpty()) {
        err << "previewhost: --output wants a folder or a .webm or .mkv file" << Qt::endl;
        return 2;
    }
    options.filterWordsFile = parser.value(filterWordsOption);
    options.startCamera = parser.isSet(cameraOption);
    options.layoutFile = parser.value(layoutOption);
    options.game = parser.value(gameOption);

    if (!parser.isSet(headlessOption)) {
        WindowSession::Options window;
        window.enginePath = options.enginePath;
        window.game = options.game;
        window.gameSize = options.gameSize;
        window.fps = options.fps;
        window.filterWordsFile = options.filterWordsFile;
        window.layoutFile = options.layoutFile;
        window.language = parser.value(langOption);
        window.startCamera = options.startCamera;
        return WindowSession(window).run();
    }
    HeadlessSession session(options);
    return session.run();
}
