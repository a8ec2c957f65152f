#include "ScreenCapture.h"

#include "MonotonicClock.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

ScreenCapture::ScreenCapture(int fps, QObject *parent)
    : QObject(parent)
    , m_fps(qBound(1, fps, 120))
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ScreenCapture::onTick);
}

ScreenCapture::~ScreenCapture()
{
    stop();
}

QString ScreenCapture::description() const
{
    if (!m_screen || m_screen->name().isEmpty())
        return QStringLiteral("the screen");
    return QStringLiteral("the screen %1").arg(m_screen->name());
}

bool ScreenCapture::start(Sink sink, Failed failed, QString *error)
{
    stop();
    *error = unavailableReason();
    if (!error->isEmpty())
        return false;
    m_screen = QGuiApplication::primaryScreen();
    if (!m_screen) {
        *error = QStringLiteral("there is no screen to capture");
        return false;
    }
    if (_grab().isNull()) {
        *error = QStringLiteral("the \"%1\" platform does not let programs capture the screen")
                     .arg(QGuiApplication::platformName());
        return false;
    }
    m_sink = std::move(sink);
    m_failed = std::move(failed);
    m_timer.start(1000 / m_fps);
    return true;
}

QByteArray ScreenCapture::headlessPlatforms()
{
    return qEnvironmentVariableIsEmpty("DISPLAY") ? QByteArrayLiteral("offscreen")
                                                  : QByteArrayLiteral("xcb;offscreen");
}

QString ScreenCapture::unavailableReason()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("wayland")) {
        return QStringLiteral("the \"wayland\" platform does not let programs capture the "
                              "screen (run under X11, e.g. QT_QPA_PLATFORM=xcb)");
    }
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        return {};
    // Their screen is a blank stand-in: capturing it would pass off black frames as the desktop.
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) {
        return QStringLiteral("there is no X display to capture: DISPLAY is not set (run on the "
                              "desktop, or under xvfb-run)");
    }
    return QStringLiteral("the X display %1 is captured through Qt's xcb platform, which did not "
                          "start here (the \"%2\" platform has no screen): is the X server "
                          "running and Debian's qt6-qpa-plugins installed? (QT_QPA_PLATFORM=xcb "
                          "shows why)")
        .arg(display, platform);
}

void ScreenCapture::stop()
{
    m_timer.stop();
    m_sink = nullptr;
}

QImage ScreenCapture::_grab() const
{
    if (!m_screen)
        return {};
    QImage image = m_screen->grabWindow(0).toImage();
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return image;
    default:
        // Screens of other depths (16-bit, 30-bit) are rare; the conversion is the price.
        return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
    }
}

void ScreenCapture::onTick()
{
    const QImage image = _grab();
    if (image.isNull()) {
        stop();
        const QString reason = QStringLiteral("the screen can no longer be captured");
        qWarning("previewhost: %s", qPrintable(reason));
        if (m_failed)
            m_failed(reason);
        return;
    }
    ++m_delivered;
    if (m_sink)
        m_sink(image, MonotonicClock::nowMicros());
}
