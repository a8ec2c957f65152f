#pragma once

#include <previewengine/IPreviewEngine.h>

#include <QThread>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

// An engine that only records what the host calls, for testing host parts without the library.
class FakeEngine : public ZqStudio::IPreviewEngine
{
public:
    void release() override {}
    void init(int) override {}
    void unInit() override {}
    int getVideoWidth() override { return 0; }
    int getVideoHeight() override { return 0; }
    void setLayersEditable(bool) override {}
    void setVideoSize(int width, int height) override
    {
        const std::lock_guard<std::mutex> guard(mutex);
        videoSizes.emplace_back(width, height);
        calledOffMainThread = calledOffMainThread || QThread::currentThread() != mainThread;
    }
    void pushGameVideoData(const char *data, unsigned int uLen, int width, int height,
                           unsigned long) override
    {
        const std::lock_guard<std::mutex> guard(mutex);
        if (!data || uLen != unsigned(width) * unsigned(height) * 4) {
            ++badGameFrames;
        } else {
            const std::size_t centre = std::size_t(height / 2) * width + width / 2;
            std::memcpy(&lastGameCentre, data + centre * 4, 4);
        }
        gameFrames.emplace_back(width, height);
    }
    void pushCameraData(const char *data, unsigned int uLen, int width, int height,
                        unsigned long) override
    {
        // Reading both ends makes the sanitizer catch a buffer shorter than announced.
        if (data && uLen > 0)
            m_checksum += data[0] + data[uLen - 1];
        if (!data || uLen != unsigned(width) * unsigned(height) * 4)
            ++badCameraFrames;
        lastCameraHeight = height;
        ++cameraFrames;
    }
    void setCamOpenStatus(bool openStatus) override
    {
        const std::lock_guard<std::mutex> guard(mutex);
        statuses.push_back(openStatus);
        calledOffMainThread = calledOffMainThread || QThread::currentThread() != mainThread;
    }
    void onFilterWordResult(const std::string &taskId, bool bValid) override
    {
        const std::lock_guard<std::mutex> guard(mutex);
        results.emplace_back(taskId, bValid);
        calledOffMainThread = calledOffMainThread || QThread::currentThread() != mainThread;
    }
    void showPreview(QGraphicsObject *) override {}
    void hidePreview() override {}
    void addCameraLayer() override {}
    void removeCameraLayers() override {}
    void addTextLayer() override {}
    void addImageLayer() override {}

    std::vector<bool> statusList()
    {
        const std::lock_guard<std::mutex> guard(mutex);
        return statuses;
    }
    std::vector<std::pair<int, int>> videoSizeList()
    {
        const std::lock_guard<std::mutex> guard(mutex);
        return videoSizes;
    }
    std::vector<std::pair<int, int>> gameFrameList()
    {
        const std::lock_guard<std::mutex> guard(mutex);
        return gameFrames;
    }
    unsigned int gameFrameCentre()
    {
        const std::lock_guard<std::mutex> guard(mutex);
        return lastGameCentre;
    }
    std::vector<std::pair<std::string, bool>> resultList()
    {
        const std::lock_guard<std::mutex> guard(mutex);
        return results;
    }

    QThread *const mainThread = QThread::currentThread();
    std::atomic<int> cameraFrames{0};
    std::atomic<int> badCameraFrames{0};
    std::atomic<int> lastCameraHeight{0};
    bool calledOffMainThread = false; // guarded by mutex
    int badGameFrames = 0;            // guarded by mutex
    unsigned int lastGameCentre = 0;  // guarded by mutex; the centre pixel, 0xAARRGGBB

private:
    std::mutex mutex;
    std::vector<bool> statuses;
    std::vector<std::pair<std::string, bool>> results;
    std::vector<std::pair<int, int>> videoSizes;
    std::vector<std::pair<int, int>> gameFrames;
    std::atomic<int> m_checksum{0};
};
