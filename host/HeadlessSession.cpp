#include "HeadlessSession.h"

#include "EngineLibrary.h"
#include "TestPattern.h"

#include <previewengine/IPreviewEngine.h>

#include <QTextStream>

#include <chrono>
#include <thread>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

} // namespace

HeadlessSession::HeadlessSession(const Options &options)
    : m_options(options)
{}

HeadlessSession::~HeadlessSession()
{
    disconnect_all();
}

int HeadlessSession::run()
{
    EngineLibrary library(m_options.enginePath);
    if (!library.load()) {
        out() << "previewhost: cannot load the engine: " << library.errorString() << Qt::endl;
        return 1;
    }
    out() << "previewhost: loaded " << library.fileName() << Qt::endl;

    ZqStudio::IPreviewEngine *engine = library.createEngine();
    if (!engine) {
        out() << "previewhost: createPreviewEngine returned no engine" << Qt::endl;
        return 1;
    }
    _connect(engine);
    out() << "previewhost: engine created; default output " << engine->getVideoWidth() << "x"
          << engine->getVideoHeight() << Qt::endl;

    engine->init(m_options.fps);
    out() << "previewhost: init(" << m_options.fps << ")" << Qt::endl;

    engine->setVideoSize(m_options.gameSize.width(), m_options.gameSize.height());
    out() << "previewhost: game video " << m_options.gameSize.width() << "x"
          << m_options.gameSize.height() << " -> preview area " << m_previewWidth.load() << "x"
          << m_previewHeight.load() << ", output " << engine->getVideoWidth() << "x"
          << engine->getVideoHeight() << Qt::endl;

    std::thread capture([this, engine] { _pushFrames(engine); });
    capture.join();

    engine->unInit();
    out() << "previewhost: unInit; output now " << engine->getVideoWidth() << "x"
          << engine->getVideoHeight() << Qt::endl;
    engine->release();
    library.unload();

    out() << "previewhost: released the engine and unloaded the library" << Qt::endl;
    out() << "previewhost: frames pushed " << m_pushed.load() << ", delivered "
          << m_delivered.load() << ", output size announcements " << m_sizeAnnouncements.load()
          << ", camera requests " << m_cameraRequests.load() << Qt::endl;
    return 0;
}

void HeadlessSession::_connect(ZqStudio::IPreviewEngine *engine)
{
    engine->sigPreviewSizeChanged.connect(this, &HeadlessSession::onPreviewSizeChanged);
    engine->sigVideoFrame.connect(this, &HeadlessSession::onVideoFrame);
    engine->sigVideoSizeChanged.connect(this, &HeadlessSession::onVideoSizeChanged);
    engine->sigOpenCamera.connect(this, &HeadlessSession::onOpenCamera);
    engine->sigCloseCamera.connect(this, &HeadlessSession::onCloseCamera);
}

void HeadlessSession::_pushFrames(ZqStudio::IPreviewEngine *engine)
{
    using Clock = std::chrono::steady_clock;
    TestPattern pattern(m_options.gameSize);
    const auto interval = std::chrono::microseconds(1000000 / qMax(1, m_options.fps));
    auto next = Clock::now();
    for (int i = 0; i < m_options.frames; ++i) {
        const QImage &frame = pattern.render(i);
        const auto timestamp = static_cast<unsigned long>(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
                .count());
        engine->pushGameVideoData(reinterpret_cast<const char *>(frame.constBits()),
                                  static_cast<unsigned int>(frame.sizeInBytes()), frame.width(),
                                  frame.height(), timestamp);
        ++m_pushed;
        next += interval;
        std::this_thread::sleep_until(next);
    }
}

void HeadlessSession::onPreviewSizeChanged(int width, int height)
{
    m_previewWidth = width;
    m_previewHeight = height;
}

void HeadlessSession::onVideoFrame(unsigned char *pixels, unsigned int stride, ZQSize size,
                                   unsigned long timestamp)
{
    Q_UNUSED(pixels)
    Q_UNUSED(stride)
    Q_UNUSED(size)
    Q_UNUSED(timestamp)
    ++m_delivered;
}

void HeadlessSession::onVideoSizeChanged(unsigned int width, unsigned int height)
{
    Q_UNUSED(width)
    Q_UNUSED(height)
    ++m_sizeAnnouncements;
}

void HeadlessSession::onOpenCamera(const std::wstring &device, tagSIZE size1, tagSIZE size2,
                                   int fps, bool flag)
{
    Q_UNUSED(device)
    Q_UNUSED(size1)
    Q_UNUSED(size2)
    Q_UNUSED(fps)
    Q_UNUSED(flag)
    ++m_cameraRequests;
}

void HeadlessSession::onCloseCamera() {}
