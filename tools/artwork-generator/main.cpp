// artwork-generator: draws the product's theme pictures and writes them as PNG files.
//
//   artwork-generator <theme dir>             e.g. artwork-generator resources/theme
//   artwork-generator --demo <demo dir>       e.g. artwork-generator --demo host/demo

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
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        QStringLiteral("Write the reference host's demo pictures instead."));
    parser.addOption(demoOption);
    parser.addPositionalArgument(QStringLiteral("themedir"),
                                 QStringLiteral("Folder that receives preview/*.png."));
    parser.process(app);

    QTextStream err(stderr);
    if (parser.positionalArguments().size() != 1) {
        err << "artwork-generator: give the theme folder, e.g. resources/theme" << Qt::endl;
        return 2;
    }
    QString error;
    const QString dir = parser.positionalArguments().constFirst();
    const ArtworkGenerator generator;
    const bool written = parser.isSet(demoOption) ? generator.writeDemo(dir, &error)
                                                  : generator.writeAll(dir, &error);
    if (!written) {
        err << "artwork-generator: " << error << Qt::endl;
        return 1;
    }
    return 0;
}
