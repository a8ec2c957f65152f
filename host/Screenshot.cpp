#include "Screenshot.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace {

constexpr int Margin = 36;

// A window's shadow as a compositor would draw it: a few widening, fading outlines.
void drawShadow(QPainter &painter, const QRect &window)
{
    painter.save();
    painter.setPen(Qt::NoPen);
    for (int spread = 14; spread >= 1; --spread) {
        const int alpha = 5 + (14 - spread) * 2;
        painter.setBrush(QColor(20, 24, 32, alpha / 3));
        painter.drawRoundedRect(QRectF(window).adjusted(-spread, -spread + 4, spread, spread + 4),
                                spread, spread);
    }
    painter.restore();
}

} // namespace

bool saveWindowsScreenshot(const QString &file, QString *error)
{
    // Parents before the windows they own, so pop-ups and tips land on top.
    QList<QWidget *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        // Widgets shown inside a graphics scene are top-level too, but not on the screen.
        if (widget->isVisible() && !widget->graphicsProxyWidget() && widget->width() > 0 &&
            widget->height() > 0)
            windows << widget;
    }
    std::stable_sort(windows.begin(), windows.end(), [](const QWidget *a, const QWidget *b) {
        const auto depth = [](const QWidget *w) {
            int d = 0;
            for (const QWidget *p = w->parentWidget(); p; p = p->parentWidget())
                ++d;
            return d + (w->windowType() == Qt::Popup ? 100 : 0);
        };
        return depth(a) < depth(b);
    });
    if (windows.isEmpty()) {
        *error = QStringLiteral("no window is open");
        return false;
    }
    QRect area;
    for (const QWidget *window : std::as_const(windows))
        area |= window->frameGeometry();
    area.adjust(-Margin, -Margin, Margin, Margin);

    const qreal ratio = windows.constFirst()->devicePixelRatioF();
    QImage canvas(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(ratio);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient backdrop(0, 0, 0, area.height());
    backdrop.setColorAt(0, QColor(226, 229, 234));
    backdrop.setColorAt(1, QColor(204, 209, 217));
    painter.fillRect(QRect(QPoint(), area.size()), backdrop);
    for (QWidget *window : std::as_const(windows)) {
        const QRect placed = window->frameGeometry().translated(-area.topLeft());
        drawShadow(painter, placed);
        painter.drawPixmap(placed.topLeft(), window->grab());
    }
    painter.end();

    const QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath()) || !canvas.save(file, "PNG")) {
        *error = QStringLiteral("cannot write %1").arg(file);
        return false;
    }
    return true;
}
