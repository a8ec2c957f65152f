// The real-display harness: what it sends arrives as a person's input would, and what it reads
// is what the X server shows, at every scale factor the runner sets.

#include "RealDisplay.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPainter>
#include <QShortcut>
#include <QtTest>
#include <QVBoxLayout>

namespace {

// A plain surface in one colour that turns to another while a mouse button is down, and
// records what the mouse and wheel did.
class Pad : public QWidget
{
public:
    explicit Pad(const QColor &colour, QWidget *parent = nullptr)
        : QWidget(parent)
        , m_colour(colour)
    {
        setMinimumSize(200, 120);
    }

    QColor pressedColour = Qt::red;
    QList<QPoint> movesWhilePressed;
    int wheelSteps = 0;
    int closeRequests = 0;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), m_pressed ? pressedColour : m_colour);
    }
    void mousePressEvent(QMouseEvent *) override
    {
        m_pressed = true;
        update();
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (event->buttons() & Qt::LeftButton)
            movesWhilePressed << event->position().toPoint();
    }
    void mouseReleaseEvent(QMouseEvent *) override
    {
        m_pressed = false;
        update();
    }
    void wheelEvent(QWheelEvent *event) override { wheelSteps += event->angleDelta().y() / 120; }
    void closeEvent(QCloseEvent *event) override
    {
        ++closeRequests;
        event->ignore();
    }

private:
    QColor m_colour;
    bool m_pressed = false;
};

bool showAndWait(QWidget *window, const QPoint &where)
{
    window->move(where);
    window->show();
    return QTest::qWaitForWindowExposed(window);
}

} // namespace

class tst_RealDisplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsBackWhatTheServerShows();
    void pointerInput();
    void keyboardInput();
    void reportsWhatNeverShows();

private:
    RealDisplay m_display;
};

void tst_RealDisplay::initTestCase()
{
    REALDISPLAY_REQUIRE(m_display);
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
}

void tst_RealDisplay::readsBackWhatTheServerShows()
{
    // An opaque window, and a frameless translucent one (a 32-bit visual: reading the root
    // window directly shows those black), side by side.
    Pad opaque(QColor(30, 90, 200));
    QWidget translucent(nullptr, Qt::FramelessWindowHint);
    translucent.setAttribute(Qt::WA_TranslucentBackground);
    auto *inner = new Pad(QColor(40, 200, 90), &translucent);
    (new QVBoxLayout(&translucent))->addWidget(inner);
    translucent.layout()->setContentsMargins(0, 0, 0, 0);
    opaque.resize(300, 200);
    translucent.resize(240, 120);
    QVERIFY(showAndWait(&opaque, QPoint(40, 40)));
    QVERIFY(showAndWait(&translucent, QPoint(400, 40)));

    for (const Pad *pad : {&opaque, inner}) {
        const QRect area = Native::rect(pad);
        QCOMPARE(area.size(), (QSizeF(pad->size()) * pad->devicePixelRatioF()).toSize());
        const QColor colour = pad == &opaque ? QColor(30, 90, 200) : QColor(40, 200, 90);
        QImage shown;
        QVERIFY(m_display.waitFor(
                    area,
                    [&](const QImage &image) {
                        return Pixels::count(image, colour, 4) == image.width() * image.height();
                    },
                    2000, &shown) >= 0);
        // Exactly there: the row just above the window is something else.
        const QImage above =
            m_display.grab(area.translated(0, -area.height())
                               .intersected(QRect(area.left(), area.top() - 1, area.width(), 1)));
        QCOMPARE(Pixels::count(above, colour, 4), 0);
        QVERIFY(Pixels::similar(Pixels::dominant(shown).rgb(), colour.rgb(), 16));
    }
}

void tst_RealDisplay::pointerInput()
{
    Pad pad(QColor(60, 60, 60));
    pad.resize(300, 200);
    QVERIFY(showAndWait(&pad, QPoint(60, 300)));
    const QRect area = Native::rect(&pad);

    // A press repaints the pad within the deadline; the release paints it back.
    m_display.moveTo(Native::centre(&pad));
    m_display.press();
    QVERIFY_SHOWN(
        m_display, area,
        [](const QImage &image) { return Pixels::count(image, Qt::red, 4) > image.width(); },
        QStringLiteral("pressed pad"));
    m_display.release();
    QVERIFY_SHOWN(
        m_display, area, [](const QImage &image) { return Pixels::count(image, Qt::red, 4) == 0; },
        QStringLiteral("released pad"));

    // A drag moves with the button held, through the points between its ends, in this
    // window's logical coordinates whatever the scale.
    pad.movesWhilePressed.clear();
    const QPoint from = Native::point(&pad, QPoint(20, 20));
    const QPoint to = Native::point(&pad, QPoint(220, 120));
    int seenDuringMove = 0;
    m_display.drag(from, to, 8, [&](int) { seenDuringMove = pad.movesWhilePressed.size(); });
    QTRY_VERIFY(!pad.movesWhilePressed.isEmpty());
    QVERIFY2(seenDuringMove >= 4, "the moves arrive while the drag goes on, not at its end");
    QVERIFY((pad.movesWhilePressed.constLast() - QPoint(220, 120)).manhattanLength() <= 2);

    m_display.moveTo(Native::centre(&pad));
    m_display.wheel(2);
    QTRY_COMPARE(pad.wheelSteps, 2);

    // A window manager's close request reaches the window as a close event.
    m_display.requestClose(&pad);
    QTRY_COMPARE(pad.closeRequests, 1);
}

void tst_RealDisplay::keyboardInput()
{
    QWidget window;
    auto *edit = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(edit);
    window.resize(360, 80);
    QSignalSpy returned(edit, &QLineEdit::returnPressed);
    int chords = 0;
    // One the line edit does not take for itself.
    QShortcut shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K), &window);
    connect(&shortcut, &QShortcut::activated, this, [&] { ++chords; });
    QVERIFY(showAndWait(&window, QPoint(60, 560)));
    m_display.click(Native::centre(edit));
    QTRY_VERIFY(edit->hasFocus());

    const QRect area = Native::rect(edit);
    const QImage empty = m_display.grab(area);
    // Shifted keys, Latin-1 and characters no key of the keyboard carries.
    m_display.typeText(QStringLiteral("Hi, Zoë 直播\n"));
    QTRY_COMPARE(edit->text(), QStringLiteral("Hi, Zoë 直播"));
    QTRY_COMPARE(returned.count(), 1);
    QVERIFY_SHOWN(
        m_display, area, [&](const QImage &image) { return Pixels::differing(image, empty) > 20; },
        QStringLiteral("typed text"));

    m_display.keyChord(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    QTRY_COMPARE(chords, 1);
}

void tst_RealDisplay::reportsWhatNeverShows()
{
    QString message;
    QVERIFY(!realDisplayShownInTime(
        m_display, QRect(0, 0, 8, 8), [](const QImage &) { return false; },
        QStringLiteral("nothing"), &message));
    QVERIFY2(message.contains(QLatin1String("nothing: not on the screen")), qPrintable(message));
    const QString saved = message.section(QStringLiteral("screen saved as "), 1);
    QVERIFY2(QImage(saved).size() == m_display.screenSize(), qPrintable(message));
    QFile::remove(saved);
}

QTEST_MAIN(tst_RealDisplay)
#include "tst_realdisplay.moc"
