#include "FrameStats.h"
#include "HostWindow.h"
#include "OutputFeed.h"
#include "OutputView.h"
#include "PreviewView.h"
#include "WindowSession.h"

#include <appcommon/pubfunc.h>
#include <guifoundation/UIControl.h>

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QtTest>

// The reference host's window on the real engine, on the offscreen platform.
class tst_HostWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runsAndShutsDownInOrder();
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

    // Hiding the preview stores the layout and hides the area; showing brings it back.
    QVERIFY(!QFileInfo::exists(settings));
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

void tst_HostWindow::languages_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("engineText");
    QTest::addColumn<QString>("hostText");
    // "live tip" is the engine's, translated by the engine's own file.
    QTest::newRow("Chinese") << QStringLiteral("zh-CN") << QStringLiteral("直播提示")
                             << QStringLiteral("添加文字");
    QTest::newRow("English") << QStringLiteral("en") << QStringLiteral("live tip")
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
}

QTEST_MAIN(tst_HostWindow)
#include "tst_hostwindow.moc"
