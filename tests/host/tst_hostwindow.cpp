#include "CameraService.h"
#include "FrameStats.h"
#include "HostWindow.h"
#include "OutputFeed.h"
#include "OutputView.h"
#include "PreviewView.h"
#include "TestFiles.h"
#include "WindowSession.h"

#include <appcommon/pubfunc.h>
#include <guifoundation/UIControl.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsObject>
#include <QLabel>
#include <QtTest>

namespace {

// Game, an opaque orange picture at the top left, and the virtual camera at the lower right,
// in a 746 x 420 preview.
const char *const Layout = R"(<?xml version="1.0"?>
<config><layers><parentwidth1>746</parentwidth1><parentheight1>420</parentheight1>
<layer0><type>4</type><alpha>100</alpha><pos>0,0</pos><size>746,420</size><combine>1</combine></layer0>
<layer1><type>1</type><path>:/previewhost/demo/banner.png</path><alpha>100</alpha><caneditsize>1</caneditsize><pos>60,40</pos><size>192,72</size><combine>1</combine><name>banner</name></layer1>
<layer2><type>3</type><alpha>100</alpha><device>PreviewHost Virtual Camera</device><devicewidth>640</devicewidth><deviceheight>480</deviceheight><pos>520,250</pos><size>200,150</size><combine>1</combine><name>camera</name></layer2>
<layersnum>3</layersnum></layers></config>
)";

QList<QGraphicsObject *> layersOf(HostWindow *window, const char *className)
{
    QList<QGraphicsObject *> found;
    if (QGraphicsObject *root = window->previewView()->sceneRoot()) {
        for (QGraphicsItem *child : root->childItems()) {
            QGraphicsObject *object = child->toGraphicsObject();
            if (object && qstrcmp(object->metaObject()->className(), className) == 0)
                found << object;
        }
    }
    return found;
}

// Lets a few more composed frames arrive, so the newest shows what the scene holds now.
bool waitForFrames(HostWindow *window, int count = 4)
{
    const std::int64_t seen = window->outputFeed()->received();
    return QTest::qWaitFor([&] { return window->outputFeed()->received() >= seen + count; });
}

// The pixel of the newest frame the host received, at a point of the preview.
QColor outputAt(HostWindow *window, const QPointF &scenePoint)
{
    const FramePool::Frame *frame = window->outputFeed()->latest();
    const QSize preview = window->previewView()->previewSize();
    const int x = int(scenePoint.x() * frame->width / preview.width());
    const int y = int(scenePoint.y() * frame->height / preview.height());
    return QColor::fromRgb(reinterpret_cast<const QRgb *>(frame->pixels.data() +
                                                          std::size_t(y) * frame->width * 4)[x]);
}

bool isBannerOrange(const QColor &colour)
{
    return colour.red() > 200 && colour.green() > 70 && colour.green() < 170 && colour.blue() < 90;
}

void drag(QGraphicsView *view, const QPointF &from, const QPointF &to)
{
    QWidget *viewport = view->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, view->mapFromScene(from));
    for (int step = 1; step <= 10; ++step)
        QTest::mouseMove(viewport, view->mapFromScene(from + (to - from) * step / 10.0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, view->mapFromScene(to));
}

} // namespace

// The reference host's window on the real engine, on the offscreen platform.
class tst_HostWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runsAndShutsDownInOrder();
    void toolbarReachesTheEngine();
    void languages_data();
    void languages();

private:
    static WindowSession::Options options(const QString &language = QStringLiteral("en"))
    {
        WindowSession::Options result;
        result.language = language;
        result.systemCameras = false; // the virtual camera only: no device probing in tests
        return result;
    }
};

void tst_HostWindow::runsAndShutsDownInOrder()
{
    const QString settings = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
    QFile::remove(settings);

    WindowSession session(options());
    QString error;
    int exitCode = -1;
    QVERIFY2(session.start(&error, &exitCode), qPrintable(error));
    HostWindow *window = session.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    // The engine announces the preview area for the 1280 x 720 test picture; the window shows
    // the preview in it and the composed output beside it.
    PreviewView *preview = window->previewView();
    QTRY_COMPARE(preview->previewSize(), QSize(746, 420));
    QTRY_VERIFY(preview->previewArea()->isVisible());
    QCOMPARE(preview->previewArea()->size(), QSizeF(746, 420));
    QTRY_VERIFY(window->outputFeed()->received() > 10);
    QCOMPARE(window->outputFeed()->outputSize(), QSize(1280, 720));
    const QRect shown = window->outputView()->frameRect();
    QVERIFY(!shown.isEmpty());
    QVERIFY(qAbs(double(shown.width()) / shown.height() - 16.0 / 9.0) < 0.02);
    const QImage painted = window->outputView()->grab().toImage();
    QVERIFY(painted.pixelColor(shown.center()) != painted.pixelColor(2, 2));

    // The status line reads the frames of the last interval.
    window->refreshStatus();
    QTest::qWait(400);
    window->refreshStatus();
    const QString rate = window->findChild<QLabel *>(QStringLiteral("rateLabel"))->text();
    QVERIFY2(!rate.startsWith(QLatin1String("0.0")), qPrintable(rate));
    QVERIFY(window->findChild<QLabel *>(QStringLiteral("latencyLabel"))
                ->text()
                .contains(QLatin1String("p99")));

    // Hiding the preview stores the layout and hides the area; showing brings it back. The
    // engine may have autosaved already (fitting the game layer to the video is a change).
    QFile::remove(settings);
    QAction *showPreview = window->action(HostWindow::Action::ShowPreview);
    showPreview->trigger();
    QVERIFY(!preview->previewArea()->isVisible());
    QVERIFY(!window->action(HostWindow::Action::AddText)->isEnabled());
    QVERIFY(QFileInfo::exists(settings));
    showPreview->trigger();
    QVERIFY(preview->previewArea()->isVisible());
    QVERIFY(window->action(HostWindow::Action::AddText)->isEnabled());

    // Closing hides the preview (storing the layout) before anything stops; frames stop once
    // the session has shut down, and the engine is gone.
    QFile::remove(settings);
    QSignalSpy closed(window, &HostWindow::closed);
    window->close();
    QCOMPARE(closed.count(), 1);
    QVERIFY(QFileInfo::exists(settings));
    session.shutdown();
    QVERIFY(!session.window());
    QVERIFY(!session.engine());
    session.shutdown(); // twice is harmless
}

void tst_HostWindow::toolbarReachesTheEngine()
{
    const QString settings = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
    writeFile(settings, Layout);

    WindowSession session(options());
    QString error;
    int exitCode = -1;
    QVERIFY2(session.start(&error, &exitCode), qPrintable(error));
    HostWindow *window = session.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    PreviewView *preview = window->previewView();
    QTRY_COMPARE(layersOf(window, "CameraLayer").size(), 1);
    QTRY_VERIFY(!session.camera()->runningCamera().empty());
    QVERIFY(waitForFrames(window, 10));

    // Dragging the picture moves it in the composed output; with editing off it stays put.
    QGraphicsObject *picture = layersOf(window, "PicLayer").value(0);
    QVERIFY(picture);
    const QPointF start = picture->sceneBoundingRect().center();
    const QPointF sample(-80, 0); // left of the centre, clear of the banner's lettering
    QVERIFY(isBannerOrange(outputAt(window, start + sample)));
    const QPointF moved = start + QPointF(300, 20);
    drag(preview, start, moved);
    QVERIFY(waitForFrames(window));
    QVERIFY(isBannerOrange(outputAt(window, moved + sample)));
    QVERIFY(!isBannerOrange(outputAt(window, start + sample)));

    window->action(HostWindow::Action::LayersEditable)->trigger();
    drag(preview, moved, start);
    QVERIFY(waitForFrames(window));
    QVERIFY(isBannerOrange(outputAt(window, moved + sample)));
    window->action(HostWindow::Action::LayersEditable)->trigger();

    // Removing the camera closes it and takes its layer out of the preview and the output.
    QGraphicsObject *camera = layersOf(window, "CameraLayer").value(0);
    const QPointF cameraCentre = camera->sceneBoundingRect().center();
    window->action(HostWindow::Action::RemoveCameras)->trigger();
    QTRY_VERIFY(layersOf(window, "CameraLayer").isEmpty());
    QTRY_VERIFY(session.camera()->runningCamera().empty());
    QVERIFY(waitForFrames(window));
    // The game's own picture there: the dark caption band of the test picture.
    const QColor game = outputAt(window, cameraCentre);
    QVERIFY2(qMax(game.red(), qMax(game.green(), game.blue())) -
                     qMin(game.red(), qMin(game.green(), game.blue())) <
                 24,
             qPrintable(game.name()));

    session.shutdown();
}

void tst_HostWindow::languages_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("engineText");
    QTest::addColumn<QString>("hostText");
    // "live tip" is the engine's key, translated by the engine's own files.
    QTest::newRow("Chinese") << QStringLiteral("zh-CN") << QStringLiteral("直播提示")
                             << QStringLiteral("添加文字");
    QTest::newRow("English") << QStringLiteral("en") << QStringLiteral("Notice")
                             << QStringLiteral("Add text");
}

void tst_HostWindow::languages()
{
    QFETCH(QString, language);
    QFETCH(QString, engineText);
    QFETCH(QString, hostText);
    WindowSession session(options(language));
    QString error;
    int exitCode = -1;
    QVERIFY2(session.start(&error, &exitCode), qPrintable(error));
    QCOMPARE(QCoreApplication::translate("QObject", "live tip"), engineText);
    QCOMPARE(session.window()->action(HostWindow::Action::AddText)->text(), hostText);
    session.shutdown();
    // Nothing of either language is left installed.
    QCOMPARE(QCoreApplication::translate("HostWindow", "Add text"), QStringLiteral("Add text"));
    QCOMPARE(QCoreApplication::translate("QObject", "live tip"), QStringLiteral("live tip"));
}

QTEST_MAIN(tst_HostWindow)
#include "tst_hostwindow.moc"
