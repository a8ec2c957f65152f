// The reference host on a real X display: capturing the desktop, closing the window while the
// layer manager is open, and both pictures following the window's size.

#include "HostOnDisplay.h"
#include "TestFiles.h"

#include <appcommon/pubfunc.h>

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace HostOnDisplay;

namespace {

// A window over the whole screen in one colour, as a desktop to capture.
class Desktop : public QWidget
{
public:
    explicit Desktop(const QColor &colour)
        : QWidget(nullptr, Qt::FramelessWindowHint)
    {
        QPalette fill = palette();
        fill.setColor(QPalette::Window, colour);
        setPalette(fill);
        setAutoFillBackground(true);
    }
};

struct HeadlessRun
{
    int exitCode = -1;
    QString output;
};

// previewhost --headless --game desktop, as a user starts it from a terminal of this display:
// no Qt platform chosen, no scale factor.
HeadlessRun runHeadlessDesktop(const QString &outputDir, bool withDisplay)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("QT_SCALE_FACTOR"));
    if (!withDisplay)
        environment.remove(QStringLiteral("DISPLAY"));
    QProcess host;
    host.setProcessEnvironment(environment);
    host.setProcessChannelMode(QProcess::MergedChannels);
    host.start(QStringLiteral(PREVIEWHOST),
               {QStringLiteral("--headless"), QStringLiteral("--game"), QStringLiteral("desktop"),
                QStringLiteral("--seconds"), QStringLiteral("1"), QStringLiteral("--fps"),
                QStringLiteral("10"), QStringLiteral("--output"), outputDir});
    HeadlessRun run;
    // The host runs its own event loop; ours keeps the desktop window painted meanwhile.
    if (!QTest::qWaitFor([&] { return host.state() == QProcess::NotRunning; }, 60000)) {
        host.kill();
        host.waitForFinished();
    }
    run.exitCode = host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1;
    run.output = QString::fromLocal8Bit(host.readAll());
    return run;
}

} // namespace

class tst_HostDisplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void headlessDesktopCaptureUsesTheDisplay();
    void closesWhileTheLayerManagerIsOpen();
    void picturesGrowWithTheWindow();

private:
    RealDisplay m_display;
};

void tst_HostDisplay::initTestCase()
{
    REALDISPLAY_REQUIRE(m_display);
}

void tst_HostDisplay::headlessDesktopCaptureUsesTheDisplay()
{
    if (QGuiApplication::primaryScreen()->devicePixelRatio() > 1)
        QSKIP("the headless host runs unscaled; once, at scale 1, is enough");
    const QColor colour(40, 160, 220);
    Desktop desktop(colour);
    desktop.setGeometry(QGuiApplication::primaryScreen()->geometry());
    desktop.show();
    QVERIFY(QTest::qWaitForWindowExposed(&desktop));
    QVERIFY(m_display.waitFor(
                QRect(QPoint(), m_display.screenSize()),
                [&](const QImage &screen) {
                    return Pixels::similar(screen.pixel(screen.rect().center()), colour.rgb(), 4);
                },
                5000) >= 0);

    QTemporaryDir out;
    const HeadlessRun run = runHeadlessDesktop(out.path(), true);
    QVERIFY2(run.exitCode == 0, qPrintable(run.output));
    // The whole X screen, at its own size, in the composed output (the watermark sits at the
    // top left).
    const QImage last(out.filePath(QStringLiteral("demo.png")));
    QCOMPARE(last.size(), m_display.screenSize());
    QVERIFY2(Pixels::similar(last.pixel(last.rect().center()), colour.rgb(), 6),
             qPrintable(QColor(last.pixel(last.rect().center())).name()));
    QVERIFY(Pixels::count(last, colour, 6) > last.width() * last.height() * 9 / 10);

    // Without a display the host says why it captures nothing, and fails.
    QTemporaryDir nowhere;
    const HeadlessRun blind = runHeadlessDesktop(nowhere.path(), false);
    QCOMPARE(blind.exitCode, 1);
    QVERIFY2(blind.output.contains(QLatin1String("DISPLAY is not set")), qPrintable(blind.output));
    QVERIFY(!QFileInfo::exists(nowhere.filePath(QStringLiteral("demo.png"))));
}

void tst_HostDisplay::closesWhileTheLayerManagerIsOpen()
{
    const QString settings = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
    QFile::remove(settings);
    std::unique_ptr<WindowSession> session = start(options());
    QVERIFY(session);
    HostWindow *window = session->window();
    QVERIFY(waitUntilRunning(window));
    const QRect area = Native::rect(window);

    // The streamer opens the layer manager from the toolbar, then closes the main window with
    // the window manager's close button.
    m_display.click(toolButton(window, HostWindow::Action::LayerManager));
    QTRY_COMPARE(engineWindows(window).size(), 1);
    const QPointer<QWidget> manager = engineWindows(window).constFirst();
    QVERIFY(QApplication::activeModalWidget() == manager);
    QSignalSpy closed(window, &HostWindow::closed);
    m_display.requestClose(window);

    // Both go: the manager first, then the window, with the layout stored.
    QTRY_COMPARE(closed.count(), 1);
    QVERIFY(!manager || !manager->isVisible());
    QVERIFY(!window->isVisible());
    QVERIFY(QFileInfo::exists(settings));
    QVERIFY_SHOWN(
        m_display, area,
        [](const QImage &screen) {
            return Pixels::count(screen, Qt::black, 2) > screen.width() * screen.height() * 9 / 10;
        },
        QStringLiteral("closed host window"));
    session->shutdown();
}

void tst_HostDisplay::picturesGrowWithTheWindow()
{
    std::unique_ptr<WindowSession> session = start(options(), QSize(1000, 560));
    QVERIFY(session);
    HostWindow *window = session->window();
    QVERIFY(waitUntilRunning(window));
    PreviewView *preview = window->previewView();
    OutputView *output = window->outputView();
    const double aspect = 1280.0 / 720.0; // the test picture's, so the preview's and output's

    const auto measure = [&](QWidget *pane, QRect *box) {
        QImage shown;
        const qint64 took = m_display.waitFor(
            Native::rect(pane),
            [&](const QImage &screen) {
                *box = pictureBox(screen);
                return box->width() > 50 &&
                       qAbs(double(box->width()) / box->height() - aspect) < aspect * 0.02;
            },
            2000, &shown);
        if (took < 0)
            m_display.saveScreen(QStringLiteral("tst_hostdisplay-grow-%1").arg(pane->objectName()));
        return took >= 0;
    };
    QRect previewBefore;
    QRect outputBefore;
    QVERIFY(measure(preview, &previewBefore));
    QVERIFY(measure(output, &outputBefore));

    window->resize(1800, 1000);
    QRect previewAfter;
    QRect outputAfter;
    QVERIFY2(measure(preview, &previewAfter), "the preview keeps the game's aspect ratio");
    QVERIFY2(measure(output, &outputAfter), "the output keeps its aspect ratio");
    QVERIFY2(previewAfter.width() > previewBefore.width() * 1.3,
             qPrintable(QStringLiteral("preview %1 px wide, then %2")
                            .arg(previewBefore.width())
                            .arg(previewAfter.width())));
    QVERIFY2(outputAfter.width() > outputBefore.width() * 1.3,
             qPrintable(QStringLiteral("output %1 px wide, then %2")
                            .arg(outputBefore.width())
                            .arg(outputAfter.width())));
    // The picture fills its pane along one side, leaving only the margin.
    const QRect previewPane = Native::rect(preview);
    QVERIFY(previewAfter.width() > previewPane.width() * 0.85 ||
            previewAfter.height() > previewPane.height() * 0.85);

    // The engine's items sit where the picture is drawn, so the pointer meets what it sees.
    QGraphicsObject *game = layersOf(window, "GamePicLayer").value(0);
    QVERIFY(game);
    const QRect gameOnScreen = Native::rect(game);
    QVERIFY(qAbs(gameOnScreen.width() - previewAfter.width()) <= 4);
    session->shutdown();
}

QTEST_MAIN(tst_HostDisplay)
#include "tst_hostdisplay.moc"
