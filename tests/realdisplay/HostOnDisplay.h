#pragma once

// The reference host's window on the real display, for the display tests.

#include "RealDisplay.h"

#include "HostWindow.h"
#include "OutputFeed.h"
#include "OutputView.h"
#include "PreviewView.h"
#include "WindowSession.h"

#include <guifoundation/UIControl.h>

#include <QAction>
#include <QApplication>
#include <QGraphicsObject>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>

namespace HostOnDisplay {

// The colour around the preview area and the output picture.
inline const QColor Backdrop(24, 24, 26);

inline WindowSession::Options options(const QString &language = QStringLiteral("en"))
{
    WindowSession::Options result;
    result.language = language;
    result.systemCameras = false; // the virtual camera only: no device probing
    return result;
}

// Starts a session and shows its window at the top left of the screen at the given logical size;
// null (with a warning) when it cannot start.
inline std::unique_ptr<WindowSession> start(const WindowSession::Options &options,
                                            const QSize &size = QSize())
{
    auto session = std::make_unique<WindowSession>(options);
    QString error;
    int exitCode = 0;
    if (!session->start(&error, &exitCode)) {
        qWarning("cannot start the host: %s", qPrintable(error));
        return nullptr;
    }
    HostWindow *window = session->window();
    window->move(0, 0);
    window->resize(size.isValid() ? size : window->sizeHint());
    if (!QTest::qWaitForWindowExposed(window))
        return nullptr;
    window->activateWindow();
    return session;
}

// Frames flowing and the preview shown.
inline bool waitUntilRunning(HostWindow *window)
{
    return QTest::qWaitFor(
        [window] {
            return window->outputFeed()->received() > 10 && window->previewView()->sceneRoot() &&
                   window->previewView()->previewArea()->isVisible();
        },
        15000);
}

inline QPoint toolButton(HostWindow *window, HostWindow::Action action)
{
    for (QToolBar *bar : window->findChildren<QToolBar *>()) {
        if (QWidget *button = bar->widgetForAction(window->action(action)))
            return Native::centre(button);
    }
    return {};
}

// The engine's windows over the host's (editors, the layer manager, notices), newest last:
// every visible window but the host's and the given one of the test's own.
inline QList<QWidget *> engineWindows(const HostWindow *window, const QWidget *own = nullptr)
{
    QList<QWidget *> shown;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget != window && widget != own && widget->isVisible() &&
            !widget->graphicsProxyWidget() && widget->windowType() != Qt::Popup &&
            widget->windowType() != Qt::ToolTip)
            shown << widget;
    }
    return shown;
}

inline QList<QGraphicsObject *> layersOf(HostWindow *window, const char *className)
{
    QList<QGraphicsObject *> found;
    if (QGraphicsObject *root = window->previewView()->sceneRoot()) {
        for (QGraphicsItem *child : root->childItems()) {
            QGraphicsObject *object = child->toGraphicsObject();
            if (object && object->isVisible() &&
                qstrcmp(object->metaObject()->className(), className) == 0)
                found << object;
        }
    }
    return found;
}

// The bounding box of what is not backdrop in a picture of the screen: the preview area or the
// output picture with its hairline edge.
inline QRect pictureBox(const QImage &image, const QColor &backdrop = Backdrop)
{
    int left = image.width();
    int top = image.height();
    int right = -1;
    int bottom = -1;
    const QRgb around = backdrop.rgb();
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (Pixels::similar(row[x], around, 10))
                continue;
            left = qMin(left, x);
            right = qMax(right, x);
            top = qMin(top, y);
            bottom = qMax(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace HostOnDisplay
