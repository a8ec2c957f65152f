#pragma once

#include <QColor>
#include <QImage>
#include <QKeySequence>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class QGraphicsItem;
class QGraphicsView;
class QWidget;

// Drives a real X server as a person does and reads back what it shows.
//
// Input goes through the XTEST extension on a connection of its own, so it reaches the program
// under test exactly as a keyboard and a mouse would: through the server, its focus and grabs,
// and the toolkit's event queue. The screen is read from the server (the root window with every
// window inside it, 32-bit ones included), never from a toolkit render, so a control that does
// not repaint is seen as not repainted.
//
// Coordinates are the server's pixels ("native"). The helpers at the bottom map widgets and
// graphics items of this process to them at any QT_SCALE_FACTOR.
//
// Waiting keeps this process's events flowing, so a window of the same process repaints while
// the screen is polled.
class RealDisplay
{
public:
    // How long a person may wait for the screen to show an action: 200 ms, stretched under the
    // sanitizers, which slow our code (not the X server) several times.
    static int responseDeadline();

    // Connects to $DISPLAY. isOpen() is false, with the reason in error(), when there is no
    // server or it lacks XTEST.
    RealDisplay();
    ~RealDisplay();
    RealDisplay(const RealDisplay &) = delete;
    RealDisplay &operator=(const RealDisplay &) = delete;

    bool isOpen() const;
    QString error() const;
    QSize screenSize() const;

    // Pointer. Each call returns once the server has processed the input.
    void moveTo(const QPoint &native);
    void press(Qt::MouseButton button = Qt::LeftButton);
    void release(Qt::MouseButton button = Qt::LeftButton);
    void click(const QPoint &native, Qt::MouseButton button = Qt::LeftButton);
    void doubleClick(const QPoint &native);
    // Presses at from, moves in steps (events keep flowing between them) and releases at to.
    // duringMove, when given, runs after each step with the button still held.
    void drag(const QPoint &from, const QPoint &to, int steps = 10,
              const std::function<void(int step)> &duringMove = {});

    // Keyboard. Text is typed key by key ('\n' is Return, '\t' Tab); characters the keyboard
    // map lacks (CJK, symbols) are given a spare key code for the rest of this connection.
    void typeText(const QString &text);
    // A chord such as QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z): the modifiers are held
    // while the key is pressed and released.
    void keyChord(const QKeySequence &chord);
    // What a window manager sends when the user clicks a window's close button.
    void requestClose(const QWidget *window);

    // The screen's pixels inside native (clipped to the screen), as RGB32.
    QImage grab(const QRect &native) const;
    // Writes the whole screen to <artifact dir>/<name>.png and returns the file's path. The
    // artifact folder is $REALDISPLAY_ARTIFACTS, else the working directory.
    QString saveScreen(const QString &name) const;

    // Polls the screen inside native until check holds. Returns the milliseconds it took, or -1
    // when it did not hold within timeoutMs. *last gets the final picture.
    using Check = std::function<bool(const QImage &)>;
    qint64 waitFor(const QRect &native, const Check &check, int timeoutMs,
                   QImage *last = nullptr) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Mapping this process's windows to the server's pixels; widgets embedded in a graphics scene
// (and their pop-ups) map through the scene's view.
namespace Native {
QRect rect(const QWidget *widget);
QRect rect(const QWidget *widget, const QRect &local);
QPoint point(const QWidget *widget, const QPoint &local);
QPoint centre(const QWidget *widget);
// A scene rectangle of the view's scene, and an item's bounding rectangle, on the screen.
QRect rect(const QGraphicsView *view, const QRectF &sceneRect);
QRect rect(const QGraphicsItem *item);
QRect rect(const QGraphicsItem *item, const QRectF &local);
QPoint centre(const QGraphicsItem *item);
QPoint point(const QGraphicsView *view, const QPointF &scenePoint);
} // namespace Native

// Comparing what the screen shows.
namespace Pixels {
// Every channel within tolerance.
bool similar(QRgb a, QRgb b, int tolerance = 16);
// How many pixels of image are similar to colour.
int count(const QImage &image, const QColor &colour, int tolerance = 16);
// How many pixels differ between two pictures of one size by more than tolerance in a channel;
// pictures of different sizes differ everywhere.
int differing(const QImage &a, const QImage &b, int tolerance = 16);
} // namespace Pixels

// Checks in a QtTest function that the screen inside rect comes to satisfy check within the
// response deadline after an action. On failure the screen is saved and the message says what
// was expected, how long was waited and whether it came late (measured up to a few seconds) or
// never. Works with QEXPECT_FAIL like QVERIFY.
#define QVERIFY_SHOWN(display, nativeRect, check, what)                                            \
    do {                                                                                           \
        QString realDisplayMessage_;                                                               \
        const bool realDisplayShown_ = realDisplayShownInTime((display), (nativeRect), (check),    \
                                                              (what), &realDisplayMessage_);       \
        QVERIFY2(realDisplayShown_, qPrintable(realDisplayMessage_));                              \
    } while (false)

bool realDisplayShownInTime(const RealDisplay &display, const QRect &native,
                            const RealDisplay::Check &check, const QString &what, QString *message);

// Fails the test function when there is no usable X server: the runner always starts one, so a
// missing display is a broken set-up, never a reason to pass. By hand, run under xvfb-run with
// QT_QPA_PLATFORM=xcb.
#define REALDISPLAY_REQUIRE(display) QVERIFY2((display).isOpen(), qPrintable((display).error()))
