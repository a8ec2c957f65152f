#include "FrameSender.h"

#include "HostTypes.h"
#include "ImageScaler.h"
#include "IPreviewController.h"
#include "Log.h"
#include "LogThrottle.h"
#include "PixelRows.h"
#include "SpanPicture.h"

#include <appcommon/ZqCSAutoLocker.h>
#include <appcommon/ZqPlatform.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace {

// An address inside this library, to keep it loaded for a sender thread left running.
void moduleAnchor() {}

const char *const WatermarkResource = ":/theme/preview/tamber_watermark.png";

std::uint64_t packSize(const QSize &size)
{
    return (std::uint64_t(std::uint32_t(size.width())) << 32) | std::uint32_t(size.height());
}

QImage loadWatermark()
{
    const QImage loaded(QString::fromLatin1(WatermarkResource));
    if (loaded.isNull()) {
        // Missing resources are a packaging fault, not something that changes at run time.
        static std::atomic<bool> s_reported{false};
        if (!s_reported.exchange(true)) {
            logError(L"FrameSender::start watermark resource %s is missing; frames go out "
                     L"without a watermark.",
                     WatermarkResource);
        }
        return QImage();
    }
    return loaded.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

struct FrameSender::Shared
{
    struct Slot
    {
        std::atomic<int> sent{1}; // 1: free; 0: composed, owned by the sender thread
        QImage image;
        QSize size;
        unsigned long timestamp = 0;
    };

    std::array<Slot, SlotCount> frameSlots;
    std::atomic<bool> stop{false};

    std::mutex mutex; // guards the fields below
    std::condition_variable wakeCondition;
    bool wake = false; // auto-reset: the thread clears it when it wakes
    bool finished = false;
    // The thread is calling the host's receivers: it touches nothing of the engine until they
    // return, so stop() need not wait for it.
    bool inHostCall = false;
    std::condition_variable finishedCondition;
    // Valid while stop is not set; read under mutex only.
    IPreviewController *controller = nullptr;
    QImage watermarkSource;
    int watermarkGeneration = 0;
};

FrameSender::FrameSender(IPreviewController *controller)
    : m_controller(controller)
    , m_lastAnnounced(packSize(QSize(0, 0)))
{}

FrameSender::~FrameSender()
{
    stop();
}

bool FrameSender::isRunning() const
{
    const ZqCSAutoLocker locker(&m_lock);
    return m_running;
}

void FrameSender::start()
{
    const ZqCSAutoLocker locker(&m_lock);
    const QImage watermark = loadWatermark();
    if (!m_running) {
        m_shared = std::make_shared<Shared>();
        m_shared->controller = m_controller;
        m_shared->watermarkSource = watermark;
        m_running = true;
        m_thread = std::thread(&FrameSender::_run, this, m_shared);
        return;
    }
    const std::lock_guard<std::mutex> guard(m_shared->mutex);
    m_shared->watermarkSource = watermark;
    ++m_shared->watermarkGeneration;
}

void FrameSender::stop()
{
    const ZqCSAutoLocker locker(&m_lock);
    m_lastAnnounced.store(packSize(QSize(0, 0)));
    m_begun = -1;
    if (!m_running)
        return;
    m_running = false;
    std::shared_ptr<Shared> shared = std::move(m_shared);
    bool finished = false;
    {
        std::unique_lock<std::mutex> guard(shared->mutex);
        shared->stop.store(true);
        shared->wake = true;
        shared->wakeCondition.notify_one();
        // Outside a host call the thread ends at once. Inside one it may wait for this very
        // thread (a host that hands frames to its GUI thread), so it is not waited for: it
        // owns its share of the slots and ends when the receiver returns.
        if (!shared->inHostCall) {
            finished = shared->finishedCondition.wait_for(
                guard, std::chrono::milliseconds(StopTimeoutMs), [&] { return shared->finished; });
        }
    }
    if (finished) {
        m_thread.join();
        return;
    }
    m_thread.detach();
    // The thread still has library code to run when the receiver returns; the host may unload
    // the library before that.
    const bool pinned = ZqPlatform::pinModuleOf(reinterpret_cast<const void *>(&moduleAnchor));
    logWarning(L"FrameSender::stop the host's sigVideoFrame receiver has not returned; the "
               L"sender thread ends when it does%ls.",
               pinned ? L" (the library stays loaded until then)" : L"");
}

bool FrameSender::announceOutputSize(const QSize &size)
{
    const std::uint64_t packed = packSize(size);
    if (m_lastAnnounced.exchange(packed) == packed)
        return false;
    if (m_controller)
        m_controller->announceVideoSize(unsigned(size.width()), unsigned(size.height()));
    return true;
}

void FrameSender::setWatermark(const QImage &watermark)
{
    const ZqCSAutoLocker locker(&m_lock);
    if (!m_shared)
        return;
    const QImage converted =
        watermark.isNull() ? QImage() : watermark.convertToFormat(QImage::Format_ARGB32);
    const std::lock_guard<std::mutex> guard(m_shared->mutex);
    m_shared->watermarkSource = converted;
    ++m_shared->watermarkGeneration;
}

QSize FrameSender::watermarkSize(const QSize &source, int outputHeight)
{
    return QSize(int(qint64(source.width()) * outputHeight / 1080),
                 int(qint64(source.height()) * outputHeight / 1080));
}

void FrameSender::stampWatermark(QImage *frame, const SpanPicture &watermark)
{
    if (!frame || frame->isNull() || frame->depth() != 32 || watermark.isNull() ||
        watermark.picture().format() != QImage::Format_ARGB32)
        return;
    const PixelRows::Kernels &kernels = PixelRows::inUse();
    const int width = std::min(frame->width(), watermark.picture().width());
    const int height = std::min(frame->height(), watermark.picture().height());
    // Where the mark is transparent the formula leaves the colour as it is, and every pixel of
    // a composed frame is opaque already: only the runs are stamped.
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<std::uint32_t *>(frame->scanLine(y));
        watermark.forEachRun(y, 0, width, [&](int x, const std::uint32_t *mark, int count) {
            kernels.stamp(line + x, mark, count);
        });
    }
}

QImage *FrameSender::beginFrame(const QSize &size, unsigned long timestamp)
{
    const ZqCSAutoLocker locker(&m_lock);
    m_begun = -1;
    if (!m_running || !m_shared)
        return nullptr;
    announceOutputSize(size);
    int free = -1;
    for (int i = 0; i < SlotCount; ++i) {
        if (m_shared->frameSlots[size_t(i)].sent.load(std::memory_order_acquire) == 1) {
            free = i;
            break;
        }
    }
    if (free < 0) {
        m_dropped.fetch_add(1, std::memory_order_relaxed);
        return nullptr;
    }
    if (!ImageScaler::isSaneSize(size.width(), size.height())) {
        static LogThrottle s_throttle;
        if (s_throttle.shouldLog())
            logWarning(L"FrameSender::beginFrame output size %dx%d is unusable; frame dropped.",
                       size.width(), size.height());
        return nullptr;
    }
    Shared::Slot &slot = m_shared->frameSlots[size_t(free)];
    slot.timestamp = timestamp;
    if (slot.size != size || slot.image.isNull()) {
        slot.size = size;
        slot.image = QImage(size, QImage::Format_RGB32);
        if (slot.image.isNull()) {
            logError(L"FrameSender::beginFrame cannot allocate a %dx%d frame.", size.width(),
                     size.height());
            slot.size = QSize();
            return nullptr;
        }
    }
    m_begun = free;
    return &slot.image;
}

void FrameSender::sendFrame()
{
    const ZqCSAutoLocker locker(&m_lock);
    if (m_begun < 0 || !m_running || !m_shared)
        return;
    m_shared->frameSlots[size_t(m_begun)].sent.store(0, std::memory_order_release);
    m_begun = -1;
    m_composed.fetch_add(1, std::memory_order_relaxed);
    {
        const std::lock_guard<std::mutex> guard(m_shared->mutex);
        m_shared->wake = true;
    }
    m_shared->wakeCondition.notify_one();
}

void FrameSender::_run(std::shared_ptr<Shared> shared)
{
    SpanPicture watermark; // scaled for the current output size, reused until it changes
    QSize watermarkFor;
    int watermarkGeneration = -1;
    while (!shared->stop.load()) {
        QImage source;
        int generation = 0;
        {
            std::unique_lock<std::mutex> guard(shared->mutex);
            shared->wakeCondition.wait(guard, [&] { return shared->wake; });
            shared->wake = false;
            source = shared->watermarkSource;
            generation = shared->watermarkGeneration;
        }
        if (shared->stop.load())
            break;

        std::array<std::pair<unsigned long, int>, SlotCount> waiting;
        int count = 0;
        for (int i = 0; i < SlotCount; ++i) {
            if (shared->frameSlots[i].sent.load(std::memory_order_acquire) == 0)
                waiting[count++] = {shared->frameSlots[i].timestamp, i};
        }
        // At most three entries: an insertion sort, oldest timestamp first.
        for (int i = 1; i < count; ++i)
            for (int j = i; j > 0 && waiting[j] < waiting[j - 1]; --j)
                std::swap(waiting[j], waiting[j - 1]);

        for (int n = 0; n < count; ++n) {
            Shared::Slot &slot = shared->frameSlots[waiting[n].second];
            QImage &frame = slot.image;
            if (frame.width() >= 1 && frame.height() >= 1) {
                if (frame.size() != watermarkFor || generation != watermarkGeneration) {
                    watermarkFor = frame.size();
                    watermarkGeneration = generation;
                    const QSize size = watermarkSize(source.size(), frame.height());
                    watermark =
                        source.isNull() || size.isEmpty()
                            ? SpanPicture()
                            : SpanPicture(
                                  source.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                                      .convertToFormat(QImage::Format_ARGB32));
                }
                stampWatermark(&frame, watermark);
            }
            IPreviewController::VideoFrameReceivers receivers;
            {
                // Taken under the mutex while stop is clear, so the engine is still there.
                const std::lock_guard<std::mutex> guard(shared->mutex);
                if (shared->stop.load())
                    break;
                if (shared->controller)
                    receivers = shared->controller->videoFrameReceivers();
                shared->inHostCall = true;
            }
            receivers(frame.bits(), unsigned(frame.bytesPerLine()),
                      ZQSize{float(frame.width()), float(frame.height())}, slot.timestamp);
            {
                const std::lock_guard<std::mutex> guard(shared->mutex);
                shared->inHostCall = false;
            }
            slot.sent.store(1, std::memory_order_release);
        }
    }
    const std::lock_guard<std::mutex> guard(shared->mutex);
    shared->finished = true;
    shared->finishedCondition.notify_all();
}
