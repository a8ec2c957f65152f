// artwork-generator: draws the product's theme pictures and writes them as PNG files.
//
//   artwork-generator <theme dir>             e.g. artwork-generator resources/theme
//   artwork-generator --demo <demo dir>       e.g. artwork-generator --demo host/demo
//   artwork-generator --host-icons <dir>      e.g. artwork-generator --host-icons
//   host/resources/icons

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
    const QCommandLineOption hostIconsOption(
        QStringLiteral("host-icons"),
        QStringLiteral("Write the reference host's window icons instead."));
    parser.addOption(demoOption);
    parser.addOption(hostIconsOption);
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
    bool written = false;
    if (parser.isSet(demoOption))
        written = generator.writeDemo(dir, &error);
    else if (parser.isSet(hostIconsOption))
        written = generator.writeHostIcons(dir, &error);
    else
        written = generator.writeAll(dir, &error);
    if (!written) {
        err << "artwork-generator: " << error << Qt::endl;
        return 1;
    }
    return 0;
}
