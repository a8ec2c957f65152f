#include "RealDisplay.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGraphicsItem>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QHash>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QWidget>

// Xlib last: its macros (None, Bool, KeyPress, ...) would clash with Qt's names.
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// Errors on our own connection (a window that went away under a close request) are reported
// by the call that caused them, never by ending the process as Xlib's default handler does.
int g_lastError = 0;
int recordError(Display *, XErrorEvent *event)
{
    g_lastError = event->error_code;
    return 0;
}

// Lets the program under test (possibly this process) take the events it was sent.
void settle(int ms)
{
    QTest::qWait(ms);
}

KeySym keySymOf(char32_t codePoint)
{
    switch (codePoint) {
    case '\n':
    case '\r':
        return XK_Return;
    case '\t':
        return XK_Tab;
    case '\b':
        return XK_BackSpace;
    default:
        break;
    }
    // Latin-1 characters are their own key symbols; the rest of Unicode has its own range.
    if ((codePoint >= 0x20 && codePoint <= 0x7e) || (codePoint >= 0xa0 && codePoint <= 0xff))
        return KeySym(codePoint);
    return KeySym(0x01000000 | codePoint);
}

KeySym keySymOf(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return XK_a + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return XK_0 + (key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Return:
        return XK_Return;
    case Qt::Key_Escape:
        return XK_Escape;
    case Qt::Key_Delete:
        return XK_Delete;
    case Qt::Key_Left:
        return XK_Left;
    case Qt::Key_Right:
        return XK_Right;
    case Qt::Key_Up:
        return XK_Up;
    case Qt::Key_Down:
        return XK_Down;
    default:
        return NoSymbol;
    }
}

unsigned int xButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::RightButton:
        return 3;
    case Qt::MiddleButton:
        return 2;
    default:
        return 1;
    }
}

} // namespace

struct RealDisplay::Private
{
    Display *display = nullptr;
    QString error;
    XErrorHandler previousHandler = nullptr;
    // Key codes this connection gave a symbol, with the codes still free; restored at the end.
    QHash<KeySym, KeyCode> remapped;
    QList<KeyCode> spare;
    bool spareScanned = false;

    void sync() const { XSync(display, False); }

    void scanSpareKeyCodes()
    {
        spareScanned = true;
        int minCode = 0;
        int maxCode = 0;
        XDisplayKeycodes(display, &minCode, &maxCode);
        int perCode = 0;
        KeySym *map =
            XGetKeyboardMapping(display, KeyCode(minCode), maxCode - minCode + 1, &perCode);
        if (!map)
            return;
        // From the top: the low codes are the real keys of the default keyboard.
        for (int code = maxCode; code >= minCode; --code) {
            bool empty = true;
            for (int i = 0; i < perCode; ++i)
                empty = empty && map[(code - minCode) * perCode + i] == NoSymbol;
            if (empty)
                spare << KeyCode(code);
        }
        XFree(map);
    }

    // The key code and whether Shift is needed for sym, from the keyboard's own map or the
    // codes this connection lent; 0 when neither has it.
    KeyCode keyFor(KeySym sym, bool *shift) const
    {
        *shift = false;
        const KeyCode code = XKeysymToKeycode(display, sym);
        if (code != 0) {
            if (XkbKeycodeToKeysym(display, code, 0, 0) == sym)
                return code;
            if (XkbKeycodeToKeysym(display, code, 0, 1) == sym) {
                *shift = true;
                return code;
            }
        }
        return remapped.value(sym, 0);
    }

    // Lends a spare key code to each symbol the keyboard lacks (or has only behind other
    // modifiers), all before the first key of a text goes out, so the toolkit reloads its key
    // map once and never between two keys of the text. Each symbol keeps its code for the rest
    // of the connection, so a code never means two characters.
    void lendKeyCodes(const QList<KeySym> &symbols)
    {
        bool lent = false;
        for (const KeySym sym : symbols) {
            bool shift = false;
            if (sym == NoSymbol || keyFor(sym, &shift) != 0)
                continue;
            if (!spareScanned)
                scanSpareKeyCodes();
            if (spare.isEmpty())
                return;
            const KeyCode fresh = spare.takeFirst();
            KeySym both[2] = {sym, sym};
            XChangeKeyboardMapping(display, fresh, 2, both, 1);
            remapped.insert(sym, fresh);
            lent = true;
        }
        if (!lent)
            return;
        // Once the server has applied the change it has told every client; a toolkit in this
        // process takes the notification from its own event queue.
        sync();
        settle(50);
    }

    void tapKey(KeySym sym)
    {
        bool shift = false;
        const KeyCode code = keyFor(sym, &shift);
        if (code == 0) {
            qWarning("RealDisplay: no key code for key symbol 0x%lx", sym);
            return;
        }
        const KeyCode shiftCode = XKeysymToKeycode(display, XK_Shift_L);
        if (shift)
            XTestFakeKeyEvent(display, shiftCode, True, CurrentTime);
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        if (shift)
            XTestFakeKeyEvent(display, shiftCode, False, CurrentTime);
        sync();
    }
};

int RealDisplay::responseDeadline()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return 200 * 3;
#else
    return 200;
#endif
}

RealDisplay::RealDisplay()
    : d(std::make_unique<Private>())
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        d->error = QStringLiteral("no X display: DISPLAY is not set (the display tests' runner "
                                  "starts Xvfb; by hand use xvfb-run)");
        return;
    }
    d->display = XOpenDisplay(nullptr);
    if (!d->display) {
        d->error = QStringLiteral("cannot open the X display %1")
                       .arg(QString::fromLocal8Bit(qgetenv("DISPLAY")));
        return;
    }
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(d->display, &event, &error, &major, &minor)) {
        d->error = QStringLiteral("the X server has no XTEST extension");
        XCloseDisplay(d->display);
        d->display = nullptr;
        return;
    }
    // Input of ours is never held back by another client's grab of the server.
    XTestGrabControl(d->display, True);
    d->previousHandler = XSetErrorHandler(recordError);
}

RealDisplay::~RealDisplay()
{
    if (!d->display)
        return;
    // Leave no button or modifier held, and give borrowed key codes back.
    for (const KeySym sym : {XK_Shift_L, XK_Control_L, XK_Alt_L, XK_Super_L}) {
        if (const KeyCode code = XKeysymToKeycode(d->display, sym))
            XTestFakeKeyEvent(d->display, code, False, CurrentTime);
    }
    for (auto it = d->remapped.cbegin(); it != d->remapped.cend(); ++it) {
        KeySym none[2] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(d->display, it.value(), 2, none, 1);
    }
    d->sync();
    XSetErrorHandler(d->previousHandler);
    XCloseDisplay(d->display);
}

bool RealDisplay::isOpen() const
{
    return d->display != nullptr;
}

QString RealDisplay::error() const
{
    return d->error;
}

QSize RealDisplay::screenSize() const
{
    if (!d->display)
        return {};
    const int screen = DefaultScreen(d->display);
    return QSize(DisplayWidth(d->display, screen), DisplayHeight(d->display, screen));
}

void RealDisplay::moveTo(const QPoint &native)
{
    if (!d->display)
        return;
    XTestFakeMotionEvent(d->display, -1, native.x(), native.y(), CurrentTime);
    d->sync();
}

void RealDisplay::press(Qt::MouseButton button)
{
    if (!d->display)
        return;
    XTestFakeButtonEvent(d->display, xButton(button), True, CurrentTime);
    d->sync();
}

void RealDisplay::release(Qt::MouseButton button)
{
    if (!d->display)
        return;
    XTestFakeButtonEvent(d->display, xButton(button), False, CurrentTime);
    d->sync();
}

void RealDisplay::click(const QPoint &native, Qt::MouseButton button)
{
    moveTo(native);
    settle(20); // hover first, as a hand does
    press(button);
    settle(10);
    release(button);
}

void RealDisplay::doubleClick(const QPoint &native)
{
    click(native);
    settle(30);
    press();
    settle(10);
    release();
}

void RealDisplay::drag(const QPoint &from, const QPoint &to, int steps,
                       const std::function<void(int)> &duringMove)
{
    moveTo(from);
    settle(20);
    press();
    settle(20);
    steps = qMax(1, steps);
    for (int step = 1; step <= steps; ++step) {
        moveTo(from + (to - from) * step / steps);
        settle(15);
        if (duringMove)
            duringMove(step);
    }
    release();
}

void RealDisplay::typeText(const QString &text)
{
    if (!d->display)
        return;
    QList<KeySym> symbols;
    for (const char32_t codePoint : text.toUcs4())
        symbols.append(keySymOf(codePoint));
    d->lendKeyCodes(symbols);
    for (const KeySym sym : std::as_const(symbols)) {
        d->tapKey(sym);
        settle(5);
    }
}

void RealDisplay::keyChord(const QKeySequence &chord)
{
    if (!d->display || chord.isEmpty())
        return;
    const QKeyCombination combination = chord[0];
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    QList<KeyCode> held;
    const auto hold = [&](Qt::KeyboardModifier modifier, KeySym sym) {
        if (!modifiers.testFlag(modifier))
            return;
        const KeyCode code = XKeysymToKeycode(d->display, sym);
        XTestFakeKeyEvent(d->display, code, True, CurrentTime);
        held.prepend(code);
    };
    hold(Qt::ControlModifier, XK_Control_L);
    hold(Qt::ShiftModifier, XK_Shift_L);
    hold(Qt::AltModifier, XK_Alt_L);
    hold(Qt::MetaModifier, XK_Super_L);
    const KeySym sym = keySymOf(combination.key());
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(d->display, sym);
    if (code == 0) {
        qWarning("RealDisplay: no key for %s", qPrintable(chord.toString()));
    } else {
        XTestFakeKeyEvent(d->display, code, True, CurrentTime);
        XTestFakeKeyEvent(d->display, code, False, CurrentTime);
    }
    for (const KeyCode modifier : std::as_const(held))
        XTestFakeKeyEvent(d->display, modifier, False, CurrentTime);
    d->sync();
}

void RealDisplay::requestClose(const QWidget *window)
{
    if (!d->display || !window)
        return;
    const Window target = Window(window->window()->winId());
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = XInternAtom(d->display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(d->display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d->display, target, False, NoEventMask, &event);
    d->sync();
}

QImage RealDisplay::grab(const QRect &native) const
{
    if (!d->display)
        return {};
    const QRect area = native.intersected(QRect(QPoint(), screenSize()));
    if (area.isEmpty())
        return {};
    const int screen = DefaultScreen(d->display);
    const Window root = RootWindow(d->display, screen);
    // Copied with the windows inside included, then read: reading the root window directly
    // leaves windows of another depth (32-bit, translucent ones) undefined, black on Xvfb.
    const Pixmap pixmap =
        XCreatePixmap(d->display, root, unsigned(area.width()), unsigned(area.height()),
                      unsigned(DefaultDepth(d->display, screen)));
    XGCValues values = {};
    values.subwindow_mode = IncludeInferiors;
    const GC gc = XCreateGC(d->display, pixmap, GCSubwindowMode, &values);
    XCopyArea(d->display, root, pixmap, gc, area.x(), area.y(), unsigned(area.width()),
              unsigned(area.height()), 0, 0);
    XImage *image = XGetImage(d->display, pixmap, 0, 0, unsigned(area.width()),
                              unsigned(area.height()), AllPlanes, ZPixmap);
    QImage result;
    if (image) {
        // An image of a pixmap carries no colour masks: they are the screen's visual's.
        if (!image->red_mask && !image->green_mask && !image->blue_mask) {
            const Visual *visual = DefaultVisual(d->display, screen);
            image->red_mask = visual->red_mask;
            image->green_mask = visual->green_mask;
            image->blue_mask = visual->blue_mask;
        }
        result = QImage(area.size(), QImage::Format_RGB32);
        const bool direct = image->bits_per_pixel == 32 && image->red_mask == 0xff0000 &&
                            image->green_mask == 0x00ff00 && image->blue_mask == 0x0000ff &&
                            image->byte_order == LSBFirst;
        for (int y = 0; y < area.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(result.scanLine(y));
            if (direct) {
                const auto *source =
                    reinterpret_cast<const quint32 *>(image->data + y * image->bytes_per_line);
                for (int x = 0; x < area.width(); ++x)
                    row[x] = 0xff000000u | source[x];
            } else {
                for (int x = 0; x < area.width(); ++x) {
                    const unsigned long pixel = XGetPixel(image, x, y);
                    const auto channel = [pixel](unsigned long mask) {
                        if (mask == 0)
                            return 0;
                        int shift = 0;
                        while (!((mask >> shift) & 1))
                            ++shift;
                        const unsigned long max = mask >> shift;
                        return int(((pixel & mask) >> shift) * 255 / max);
                    };
                    row[x] = qRgb(channel(image->red_mask), channel(image->green_mask),
                                  channel(image->blue_mask));
                }
            }
        }
        XDestroyImage(image);
    }
    XFreeGC(d->display, gc);
    XFreePixmap(d->display, pixmap);
    return result;
}

QString RealDisplay::saveScreen(const QString &name) const
{
    QString folder = qEnvironmentVariable("REALDISPLAY_ARTIFACTS");
    if (folder.isEmpty())
        folder = QDir::currentPath();
    QDir().mkpath(folder);
    QString safe = name;
    safe.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.@-]+")), QStringLiteral("_"));
    const QString path = QDir(folder).filePath(safe + QStringLiteral(".png"));
    if (!grab(QRect(QPoint(), screenSize())).save(path))
        return QString();
    return path;
}

qint64 RealDisplay::waitFor(const QRect &native, const Check &check, int timeoutMs,
                            QImage *last) const
{
    QElapsedTimer clock;
    clock.start();
    QImage image;
    for (;;) {
        // Our own process may be the one that has to paint: serve its events between looks.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // The server copies the screen as the grab begins; reading a large area back takes a
        // while longer, which is the harness's time, not the program's.
        const qint64 elapsed = clock.elapsed();
        image = grab(native);
        if (!image.isNull() && check(image)) {
            if (last)
                *last = image;
            return elapsed;
        }
        if (elapsed > timeoutMs) {
            if (last)
                *last = image;
            return -1;
        }
        QThread::msleep(3);
    }
}

bool realDisplayShownInTime(const RealDisplay &display, const QRect &native,
                            const RealDisplay::Check &check, const QString &what, QString *message)
{
    const int deadline = RealDisplay::responseDeadline();
    // Waiting on past the deadline only tells "late" from "never" in the message.
    const int grace = 1000;
    const qint64 took = display.waitFor(native, check, grace + deadline);
    if (took >= 0 && took <= deadline)
        return true;
    const QString test =
        QStringLiteral("%1-%2-%3")
            .arg(QFileInfo(QString::fromLocal8Bit(QTest::currentAppName())).completeBaseName(),
                 QString::fromLatin1(QTest::currentTestFunction()),
                 QString::fromLatin1(QTest::currentDataTag()));
    const QString saved = display.saveScreen(test + QStringLiteral("-") + what);
    const QString when = took < 0
                             ? QStringLiteral("not on the screen after %1 ms").arg(grace + deadline)
                             : QStringLiteral("on the screen only after %1 ms").arg(took);
    *message = QStringLiteral("%1: %2 (deadline %3 ms, area %4,%5 %6x%7); screen saved as %8")
                   .arg(what, when)
                   .arg(deadline)
                   .arg(native.x())
                   .arg(native.y())
                   .arg(native.width())
                   .arg(native.height())
                   .arg(saved.isEmpty() ? QStringLiteral("(not saved)") : saved);
    return false;
}

namespace Native {

QRect rect(const QWidget *widget, const QRect &local)
{
    // A widget embedded in a graphics scene (and its pop-ups) is on the screen through the
    // scene's view.
    const QWidget *top = widget->window();
    if (const QGraphicsProxyWidget *proxy = top->graphicsProxyWidget())
        return rect(proxy, QRectF(QRect(widget->mapTo(top, local.topLeft()), local.size())));
    const qreal ratio = widget->devicePixelRatioF();
    const QPoint global = widget->mapToGlobal(local.topLeft());
    return QRectF(QPointF(global) * ratio, QSizeF(local.size()) * ratio).toAlignedRect();
}

QRect rect(const QWidget *widget)
{
    return rect(widget, widget->rect());
}

QPoint point(const QWidget *widget, const QPoint &local)
{
    if (widget->window()->graphicsProxyWidget())
        return rect(widget, QRect(local, QSize(1, 1))).topLeft();
    return (QPointF(widget->mapToGlobal(local)) * widget->devicePixelRatioF()).toPoint();
}

QPoint centre(const QWidget *widget)
{
    return point(widget, widget->rect().center());
}

QRect rect(const QGraphicsView *view, const QRectF &sceneRect)
{
    const QRect local = view->mapFromScene(sceneRect).boundingRect();
    return rect(view->viewport(), local);
}

QRect rect(const QGraphicsItem *item)
{
    return rect(item, item->boundingRect());
}

QRect rect(const QGraphicsItem *item, const QRectF &local)
{
    const QGraphicsScene *scene = item->scene();
    if (!scene || scene->views().isEmpty())
        return {};
    return rect(scene->views().constFirst(), item->mapRectToScene(local));
}

QPoint centre(const QGraphicsItem *item)
{
    const QGraphicsScene *scene = item->scene();
    if (!scene || scene->views().isEmpty())
        return {};
    return point(scene->views().constFirst(), item->sceneBoundingRect().center());
}

QPoint point(const QGraphicsView *view, const QPointF &scenePoint)
{
    return point(view->viewport(), view->mapFromScene(scenePoint));
}

} // namespace Native

namespace Pixels {

bool similar(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

int count(const QImage &image, const QColor &colour, int tolerance)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const QRgb wanted = colour.rgb();
    int found = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            found += similar(row[x], wanted, tolerance);
    }
    return found;
}

int differing(const QImage &a, const QImage &b, int tolerance)
{
    if (a.size() != b.size())
        return qMax(a.width() * a.height(), b.width() * b.height());
    const QImage first = a.convertToFormat(QImage::Format_RGB32);
    const QImage second = b.convertToFormat(QImage::Format_RGB32);
    int differ = 0;
    for (int y = 0; y < first.height(); ++y) {
        const auto *rowA = reinterpret_cast<const QRgb *>(first.constScanLine(y));
        const auto *rowB = reinterpret_cast<const QRgb *>(second.constScanLine(y));
        for (int x = 0; x < first.width(); ++x)
            differ += !similar(rowA[x], rowB[x], tolerance);
    }
    return differ;
}

} // namespace Pixels
