#pragma once

// Include the engine's interface (the SDK's or the engine's own header) before this one: the
// same interface reaches in-tree tests and SDK users under different paths.

#include <QImage>
#include <QSize>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Receives the engine's host-facing signals, as a host would.
class HostReceiver : public xsignals::trackable
{
public:
    struct Frame
    {
        QImage image; // deep copy of the delivered pixels
        unsigned long timestamp = 0;
        std::thread::id thread;
    };

    explicit HostReceiver(ZqStudio::IPreviewEngine *engine)
    {
        engine->sigVideoFrame.connect(this, &HostReceiver::onVideoFrame);
        engine->sigVideoSizeChanged.connect(this, &HostReceiver::onVideoSizeChanged);
        engine->sigPreviewSizeChanged.connect(this, &HostReceiver::onPreviewSizeChanged);
        engine->sigOpenCamera.connect(this, &HostReceiver::onOpenCamera);
        engine->sigCloseCamera.connect(this, &HostReceiver::onCloseCamera);
        engine->sigCheckFilterWord.connect(this, &HostReceiver::onCheckFilterWord);
    }
    ~HostReceiver() override
    {
        release();
        disconnect_all();
    }

    // Blocks while block() is in force, as a stalled host would.
    void onVideoFrame(unsigned char *bits, unsigned int stride, ZQSize size,
                      unsigned long timestamp)
    {
        std::unique_lock<std::mutex> locker(mutex);
        ++entered;
        changed.notify_all();
        changed.wait(locker, [this] { return !blocked; });
        Frame frame;
        frame.image =
            QImage(bits, int(size.width), int(size.height), int(stride), QImage::Format_ARGB32)
                .copy();
        frame.timestamp = timestamp;
        frame.thread = std::this_thread::get_id();
        frames.push_back(frame);
        changed.notify_all();
    }
    void onVideoSizeChanged(unsigned int width, unsigned int height)
    {
        const std::lock_guard<std::mutex> locker(mutex);
        sizes.push_back({width, height});
    }
    void onPreviewSizeChanged(int width, int height)
    {
        const std::lock_guard<std::mutex> locker(mutex);
        previewSizes.push_back(QSize(width, height));
    }
    void onCheckFilterWord(const std::string &taskId, const std::wstring &)
    {
        const std::lock_guard<std::mutex> locker(mutex);
        tasks.push_back(taskId);
    }
    void onOpenCamera(const std::wstring &name, tagSIZE size1, tagSIZE, int fps, bool)
    {
        const std::lock_guard<std::mutex> locker(mutex);
        opens.push_back(QString::fromStdWString(name));
        lastOpenSize = size1;
        lastOpenFps = fps;
    }
    void onCloseCamera()
    {
        const std::lock_guard<std::mutex> locker(mutex);
        ++closes;
    }

    // Waits until count frames were delivered; false on time-out.
    bool waitForFrames(size_t count, int timeoutMs = 5000)
    {
        std::unique_lock<std::mutex> locker(mutex);
        return changed.wait_for(locker, std::chrono::milliseconds(timeoutMs),
                                [&] { return frames.size() >= count; });
    }
    bool waitForEntered(int count, int timeoutMs = 5000)
    {
        std::unique_lock<std::mutex> locker(mutex);
        return changed.wait_for(locker, std::chrono::milliseconds(timeoutMs),
                                [&] { return entered >= count; });
    }
    void block()
    {
        const std::lock_guard<std::mutex> locker(mutex);
        blocked = true;
    }
    void release()
    {
        const std::lock_guard<std::mutex> locker(mutex);
        blocked = false;
        changed.notify_all();
    }
    std::vector<Frame> allFrames()
    {
        const std::lock_guard<std::mutex> locker(mutex);
        return frames;
    }
    std::vector<Frame> takeFrames()
    {
        const std::lock_guard<std::mutex> locker(mutex);
        return std::exchange(frames, {});
    }
    size_t frameCount()
    {
        const std::lock_guard<std::mutex> locker(mutex);
        return frames.size();
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool blocked = false;
    int entered = 0;
    std::vector<Frame> frames;
    std::vector<std::pair<unsigned, unsigned>> sizes;
    std::vector<QSize> previewSizes;
    std::vector<std::string> tasks;
    QStringList opens;
    tagSIZE lastOpenSize{0, 0};
    int lastOpenFps = 0;
    int closes = 0;
};
