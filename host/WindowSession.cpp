#include "WindowSession.h"

#include "CameraService.h"
#include "EngineLibrary.h"
#include "FilterWordService.h"
#include "FrameStats.h"
#include "GameCapture.h"
#include "GameFeed.h"
#include "HostLanguage.h"
#include "HostWindow.h"
#include "LayoutInstaller.h"
#include "MonotonicClock.h"
#include "QtCameraBackend.h"

#include <previewengine/IPreviewEngine.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QStatusBar>
#include <QTextStream>

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

} // namespace

WindowSession::WindowSession(const Options &options)
    : m_options(options)
{}

WindowSession::~WindowSession()
{
    shutdown();
}

bool WindowSession::start(QString *error, int *exitCode)
{
    m_language = std::make_unique<HostLanguage>(
        m_options.language.isEmpty() ? HostLanguage::systemDefault() : m_options.language);
    m_language->installHostTranslation();

    if (!m_options.layoutFile.isEmpty() &&
        !LayoutInstaller::install(m_options.layoutFile, error, [](const QString &line) {
            err() << "previewhost: " << line << Qt::endl;
        })) {
        *exitCode = 2;
        return false;
    }

    m_filterWords = std::make_unique<FilterWordService>();
    if (!m_options.filterWordsFile.isEmpty() &&
        !m_filterWords->loadFile(m_options.filterWordsFile, error)) {
        *error = QStringLiteral("--filter-words: %1").arg(*error);
        *exitCode = 2;
        return false;
    }

    m_library = std::make_unique<EngineLibrary>(m_options.enginePath);
    if (!m_library->load()) {
        *error = QStringLiteral("cannot load the engine: %1").arg(m_library->errorString());
        *exitCode = 1;
        return false;
    }
    m_engine = m_library->createEngine();
    if (!m_engine) {
        *error = QStringLiteral("createPreviewEngine returned no engine");
        *exitCode = 1;
        return false;
    }
    m_language->overrideEngineTranslation();

    // Every receiver is connected before init(): a stored layout asks for the filter-word check
    // and the camera while init() runs.
    if (m_options.systemCameras)
        m_cameraDevices = std::make_unique<QtCameraBackend>();
    m_camera = std::make_unique<CameraService>(m_engine, m_cameraDevices.get());
    m_camera->attach();
    m_filterWords->attach(m_engine);
    m_stats = std::make_unique<FrameStats>(0, FrameStats::History::IntervalsOnly);
    HostWindow::Sources sources;
    sources.stats = m_stats.get();
    sources.camera = m_camera.get();
    m_window = std::make_unique<HostWindow>(m_engine, sources);

    m_engine->init(m_options.fps);
    if (m_options.startCamera)
        m_camera->open(VirtualCamera::deviceName(), QSize(640, 480), m_options.fps);

    // The feed tells the engine the game's size on the first frame; the window shows the
    // preview when the engine announces the preview area that follows from it.
    m_capture = GameCapture::create(m_options.game, m_options.gameSize, m_options.fps);
    m_feed = std::make_unique<GameFeed>(m_engine, m_capture.get());
    FrameStats *stats = m_stats.get();
    if (!m_feed->start(
            error, [this](const QString &reason) { _onGameFailed(reason); },
            [stats](unsigned long sampleTime) {
                stats->recordPush(sampleTime, MonotonicClock::nowMicros());
            })) {
        *error = QStringLiteral("--game: %1").arg(*error);
        *exitCode = 1;
        return false;
    }
    m_window->show();
    return true;
}

void WindowSession::_onGameFailed(const QString &reason)
{
    err() << "previewhost: --game: " << reason << Qt::endl;
    if (m_window)
        m_window->statusBar()->showMessage(reason);
}

void WindowSession::shutdown()
{
    // Closing hides the preview, which stores the user's layout.
    if (m_window && m_window->isVisible())
        m_window->close();
    // Capture threads stop before the engine goes: nothing may push into it afterwards.
    if (m_feed)
        m_feed->stop();
    if (m_capture)
        m_capture->stop();
    if (m_camera)
        m_camera->detach();
    if (m_engine) {
        m_engine->unInit();
        if (m_filterWords)
            m_filterWords->detach();
        if (m_window)
            m_window->detachEngine();
        m_engine->release();
        m_engine = nullptr;
    }
    m_feed.reset();
    m_capture.reset();
    m_window.reset();
    m_camera.reset();
    m_cameraDevices.reset();
    if (m_library) {
        // Windows the engine closed are deleted later; their code must still be loaded then.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_library->unload();
        m_library.reset();
    }
    m_filterWords.reset();
    m_language.reset();
}

int WindowSession::run()
{
    QString error;
    int exitCode = 0;
    if (!start(&error, &exitCode)) {
        err() << "previewhost: " << error << Qt::endl;
        shutdown();
        return exitCode;
    }
    QEventLoop loop;
    QObject::connect(m_window.get(), &HostWindow::closed, &loop, &QEventLoop::quit);
    loop.exec();
    shutdown();
    return 0;
}
