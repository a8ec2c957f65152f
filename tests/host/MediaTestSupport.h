#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

// Short WebM files made with GStreamer's own tools (videotestsrc, vp8enc and webmmux, from the
// base and good plug-ins that scripts/install-deps installs).
namespace MediaTestSupport {

// Empty when the tools and plug-ins are there; otherwise why a test cannot run.
inline QString missingTools()
{
    const QString inspect = QStandardPaths::findExecutable(QStringLiteral("gst-inspect-1.0"));
    if (inspect.isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).isEmpty())
        return QStringLiteral("gst-launch-1.0 is not installed (gstreamer1.0-tools)");
    for (const char *element : {"videotestsrc", "vp8enc", "vp8dec", "webmmux", "matroskademux"}) {
        if (QProcess::execute(inspect, {QStringLiteral("--exists"), QLatin1String(element)}) != 0)
            return QStringLiteral("the GStreamer element %1 is missing")
                .arg(QLatin1String(element));
    }
    return {};
}

// A WebM of `frames` frames of one videotestsrc pattern ("red", "blue", "smpte", ...).
inline bool makeWebm(const QString &path, int width, int height, const QString &pattern,
                     int frames = 15)
{
    const QString pipeline =
        QStringLiteral("videotestsrc num-buffers=%1 pattern=%2 ! "
                       "video/x-raw,width=%3,height=%4,framerate=30/1 ! vp8enc ! webmmux ! "
                       "filesink location=%5")
            .arg(frames)
            .arg(pattern)
            .arg(width)
            .arg(height)
            .arg(path);
    return QProcess::execute(QStringLiteral("gst-launch-1.0"),
                             QStringList{QStringLiteral("-q")} +
                                 QProcess::splitCommand(pipeline)) == 0;
}

} // namespace MediaTestSupport
