#include "Screenshot.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <optional>

namespace {

constexpr int Margin = 36;

// Serves events for the given time, or until done() holds.
bool serveEvents(int ms, const std::function<bool()> &done = {})
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (done && done())
            return true;
        QEventLoop pause;
        QTimer::singleShot(10, &pause, &QEventLoop::quit);
        pause.exec();
    }
    return done ? done() : true;
}

} // namespace

ScreenshotBackdrop::ScreenshotBackdrop()
    : QWidget(nullptr,
              Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void ScreenshotBackdrop::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0, QColor(226, 229, 234));
    fill.setColorAt(1, QColor(204, 209, 217));
    painter.fillRect(rect(), fill);
}

bool saveWindowsScreenshot(const QString &file, QString *error,
                           const ScreenshotBackdrop *shownBackdrop)
{
    QRect area;
    for (const QWidget *widget : QApplication::topLevelWidgets()) {
        // Widgets shown inside a graphics scene are top-level too, but not on the screen.
        if (widget != shownBackdrop && widget->isVisible() && !widget->graphicsProxyWidget() &&
            widget->width() > 0 && widget->height() > 0)
            area |= widget->frameGeometry();
    }
    if (area.isEmpty()) {
        *error = QStringLiteral("no window is open");
        return false;
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    const QString platform = QGuiApplication::platformName();
    if (!screen || platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        *error = QStringLiteral("the \"%1\" platform has no screen to read; run on an X display "
                                "(QT_QPA_PLATFORM=xcb, e.g. under xvfb-run)")
                     .arg(platform);
        return false;
    }
    area.adjust(-Margin, -Margin, Margin, Margin);
    area &= screen->geometry();

    std::optional<ScreenshotBackdrop> ownBackdrop;
    if (!shownBackdrop) {
        ownBackdrop.emplace();
        ownBackdrop->setGeometry(area);
        ownBackdrop->show();
        ownBackdrop->lower();
        if (!serveEvents(3000, [&] {
                return ownBackdrop->windowHandle() && ownBackdrop->windowHandle()->isExposed();
            })) {
            *error = QStringLiteral("the backdrop never showed");
            return false;
        }
    }
    serveEvents(250); // the windows above repaint where the backdrop uncovered them
    // What the display shows, read back from it (0 is the whole screen).
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    ownBackdrop.reset();

    const QFileInfo info(file);
    if (shot.isNull() || !QDir().mkpath(info.absolutePath()) || !shot.save(file, "PNG")) {
        *error = QStringLiteral("cannot write %1").arg(file);
        return false;
    }
    return true;
}
