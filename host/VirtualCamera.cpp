#include "VirtualCamera.h"

#include "CameraPattern.h"
#include "MonotonicClock.h"

#include <previewengine/IPreviewEngine.h>

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <chrono>

namespace {

constexpr int MaxFps = 60;

} // namespace

std::wstring VirtualCamera::deviceName()
{
    return L"PreviewHost Virtual Camera";
}

std::vector<tagSIZE> VirtualCamera::resolutions()
{
    return {{640, 480}, {1280, 720}};
}

VirtualCamera::VirtualCamera(ZqStudio::IPreviewEngine *engine)
    : m_engine(engine)
{}

VirtualCamera::~VirtualCamera()
{
    // Slots run on the engine's threads: stop them reaching this object first.
    disconnect_all();
    detach();
}

void VirtualCamera::attach()
{
    if (!m_engine)
        return;
    m_engine->sigOpenCamera.connect(this, &VirtualCamera::onOpenCamera);
    m_engine->sigCloseCamera.connect(this, &VirtualCamera::onCloseCamera);
    m_engine->sigGetCameraList.connect(this, &VirtualCamera::onGetCameraList);
    m_engine->sigGetCameraResolutions.connect(this, &VirtualCamera::onGetCameraResolutions);
}

void VirtualCamera::detach()
{
    disconnect_all();
    const std::lock_guard<std::mutex> guard(m_control);
    _stopThread();
    m_detached = true;
    m_live = false;
    m_engine = nullptr;
}

bool VirtualCamera::open(const std::wstring &device, const QSize &size, int fps)
{
    const std::lock_guard<std::mutex> guard(m_control);
    if (m_detached || !m_engine)
        return false;
    if (device != deviceName()) {
        qWarning("previewhost: no camera named \"%s\"; only \"%s\" exists",
                 qPrintable(QString::fromStdWString(device)),
                 qPrintable(QString::fromStdWString(deviceName())));
        _reportStatus(false);
        return false;
    }
    QSize frameSize = size;
    const std::vector<tagSIZE> offered = resolutions();
    const bool supported = std::any_of(offered.begin(), offered.end(), [&](const tagSIZE &s) {
        return s.cx == size.width() && s.cy == size.height();
    });
    if (!supported) {
        frameSize = QSize(offered.front().cx, offered.front().cy);
        qWarning("previewhost: the virtual camera has no %dx%d mode; using %dx%d", size.width(),
                 size.height(), frameSize.width(), frameSize.height());
    }
    const int rate = fps > 0 ? std::min(fps, MaxFps) : DefaultFps;
    if (m_thread.joinable() && frameSize == m_size && rate == m_fps) {
        _reportStatus(true);
        return true;
    }
    _stopThread();
    m_size = frameSize;
    m_fps = rate;
    {
        const std::lock_guard<std::mutex> wakeGuard(m_wakeMutex);
        m_stopRequested = false;
    }
    ++m_starts;
    m_thread = std::thread([this, frameSize, rate] { _run(frameSize, rate); });
    _reportStatus(true);
    return true;
}

void VirtualCamera::close()
{
    const std::lock_guard<std::mutex> guard(m_control);
    if (!m_thread.joinable())
        return;
    _stopThread();
    if (!m_detached)
        _reportStatus(false);
}

bool VirtualCamera::isRunning() const
{
    const std::lock_guard<std::mutex> guard(m_control);
    return m_thread.joinable();
}

QSize VirtualCamera::frameSize() const
{
    const std::lock_guard<std::mutex> guard(m_control);
    return m_size;
}

int VirtualCamera::fps() const
{
    const std::lock_guard<std::mutex> guard(m_control);
    return m_fps;
}

void VirtualCamera::onOpenCamera(const std::wstring &device, tagSIZE size, tagSIZE captureSize,
                                 int fps, bool flag)
{
    Q_UNUSED(captureSize)
    Q_UNUSED(flag)
    open(device, QSize(size.cx, size.cy), fps);
}

void VirtualCamera::onCloseCamera()
{
    close();
}

void VirtualCamera::onGetCameraList(std::vector<std::wstring> &devices)
{
    devices.push_back(deviceName());
}

void VirtualCamera::onGetCameraResolutions(std::wstring device, std::vector<tagSIZE> &sizes)
{
    if (device != deviceName())
        return;
    const std::vector<tagSIZE> offered = resolutions();
    sizes.insert(sizes.end(), offered.begin(), offered.end());
}

// Runs with m_control held.
void VirtualCamera::_stopThread()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard<std::mutex> wakeGuard(m_wakeMutex);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    m_thread.join();
    ++m_generation;
}

// Runs with m_control held. A real camera reports asynchronously, and the engine's status slot
// touches its scene item, so the report goes to the GUI thread. Reports are delivered in order;
// an "open" whose camera was closed in the meantime is dropped.
void VirtualCamera::_reportStatus(bool open)
{
    if (!QCoreApplication::instance())
        return;
    const int generation = m_generation;
    QMetaObject::invokeMethod(
        &m_gui,
        [this, open, generation] {
            if (!m_live || (open && generation != m_generation))
                return;
            ZqStudio::IPreviewEngine *engine = nullptr;
            {
                const std::lock_guard<std::mutex> guard(m_control);
                engine = m_detached ? nullptr : m_engine;
            }
            // Called without the lock: the engine may answer with a new camera request.
            if (engine)
                engine->setCamOpenStatus(open);
        },
        Qt::QueuedConnection);
}

void VirtualCamera::_run(QSize size, int fps)
{
    using Clock = std::chrono::steady_clock;
    CameraPattern pattern(size);
    const auto interval = std::chrono::microseconds(1000000 / fps);
    auto next = Clock::now();
    for (qint64 index = 0;; ++index) {
        const QImage &picture = pattern.render(index);
        m_engine->pushCameraData(reinterpret_cast<const char *>(picture.constBits()),
                                 static_cast<unsigned int>(picture.sizeInBytes()), size.width(),
                                 size.height(), MonotonicClock::nowMicros());
        ++m_pushed;
        next += interval;
        // After a stall, carry on from now instead of bursting to catch up.
        if (Clock::now() > next + interval)
            next = Clock::now();
        std::unique_lock<std::mutex> lock(m_wakeMutex);
        if (m_wake.wait_until(lock, next, [this] { return m_stopRequested; }))
            return;
    }
}
