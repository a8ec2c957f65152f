// previewhost: the reference host application of the preview engine.

#include "HeadlessSession.h"

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
    if (parsed.width() < 2 || parsed.height() < 2)
        return false;
    *size = parsed;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Without a window the host needs no display server.
    const bool headless = [&] {
        for (int i = 1; i < argc; ++i) {
            if (qstrcmp(argv[i], "--headless") == 0)
                return true;
        }
        return false;
    }();
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

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
    const QCommandLineOption framesOption(QStringLiteral("frames"),
                                          QStringLiteral("Game frames to push (default 30)."),
                                          QStringLiteral("N"), QStringLiteral("30"));
    parser.addOptions({headlessOption, engineOption, gameSizeOption, fpsOption, framesOption});
    parser.process(app);

    QTextStream err(stderr);
    if (!parser.isSet(headlessOption)) {
        err << "previewhost: only --headless runs are available so far" << Qt::endl;
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
    options.frames = parser.value(framesOption).toInt(&ok);
    if (!ok || options.frames < 0) {
        err << "previewhost: --frames wants a number of 0 or more" << Qt::endl;
        return 2;
    }

    HeadlessSession session(options);
    return session.run();
}
