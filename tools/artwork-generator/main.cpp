// artwork-generator: draws the product's theme pictures and writes them as PNG files.
//
//   artwork-generator <theme dir>     e.g. artwork-generator resources/theme

#include "ArtworkGenerator.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // Painting text needs a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Draws the theme pictures as PNG files."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("themedir"),
                                 QStringLiteral("Folder that receives preview/*.png."));
    parser.process(app);

    QTextStream err(stderr);
    if (parser.positionalArguments().size() != 1) {
        err << "artwork-generator: give the theme folder, e.g. resources/theme" << Qt::endl;
        return 2;
    }
    QString error;
    if (!ArtworkGenerator().writeAll(parser.positionalArguments().constFirst(), &error)) {
        err << "artwork-generator: " << error << Qt::endl;
        return 1;
    }
    return 0;
}
