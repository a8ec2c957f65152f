#include "GameFeed.h"

#include <previewengine/IPreviewEngine.h>

#include <QMetaObject>
#include <QThread>

GameFeed::GameFeed(ZqStudio::IPreviewEngine *engine, GameCapture *capture)
    : m_engine(engine)
    , m_capture(capture)
{}

GameFeed::~GameFeed()
{
    stop();
}

bool GameFeed::start(QString *error, GameCapture::Failed failed, BeforePush beforePush)
{
    if (!m_engine || !m_capture) {
        *error = QStringLiteral("no engine or no game capture");
        return false;
    }
    m_beforePush = std::move(beforePush);
    {
        const std::lock_guard<std::mutex> guard(m_sizeMutex);
        m_running = true;
    }
    if (!m_capture->start(
            [this](const QImage &frame, unsigned long sampleTime) { _onFrame(frame, sampleTime); },
            std::move(failed), error)) {
        const std::lock_guard<std::mutex> guard(m_sizeMutex);
        m_running = false;
        return false;
    }
    return true;
}

void GameFeed::stop()
{
    if (m_capture)
        m_capture->stop();
    const std::lock_guard<std::mutex> guard(m_sizeMutex);
    m_running = false; // size changes still posted find nothing to do
}

QSize GameFeed::videoSize() const
{
    const std::lock_guard<std::mutex> guard(m_sizeMutex);
    return m_applied;
}

// On the capture thread.
void GameFeed::_onFrame(const QImage &frame, unsigned long sampleTime)
{
    const QSize size = frame.size();
    bool post = false;
    {
        const std::lock_guard<std::mutex> guard(m_sizeMutex);
        if (size != m_applied) {
            if (m_requested != size) {
                m_requested = size;
                post = true;
            }
        }
    }
    if (post) {
        if (QThread::currentThread() == m_gui.thread()) {
            _applySize(size);
        } else {
            QMetaObject::invokeMethod(
                &m_gui, [this, size] { _applySize(size); }, Qt::QueuedConnection);
        }
    }
    if (videoSize() != size) {
        ++m_heldBack;
        return;
    }
    if (m_beforePush)
        m_beforePush(sampleTime);
    m_engine->pushGameVideoData(reinterpret_cast<const char *>(frame.constBits()),
                                static_cast<unsigned int>(frame.sizeInBytes()), frame.width(),
                                frame.height(), sampleTime);
    ++m_pushed;
}

// On the GUI thread.
void GameFeed::_applySize(const QSize &size)
{
    {
        const std::lock_guard<std::mutex> guard(m_sizeMutex);
        // A newer size is on its way, or the feed stopped: this one is stale.
        if (!m_running || m_requested != size)
            return;
    }
    qInfo("previewhost: game video %dx%d from %s", size.width(), size.height(),
          qPrintable(m_capture->description()));
    // Without the lock: the engine announces the size to the host, which may call back.
    m_engine->setVideoSize(size.width(), size.height());
    ++m_sizeChanges;
    const std::lock_guard<std::mutex> guard(m_sizeMutex);
    if (m_requested == size)
        m_applied = size;
}
