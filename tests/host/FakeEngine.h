#pragma once

#include <previewengine/IPreviewEngine.h>

#include <QThread>

#include <atomic>
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
    void setVideoSize(int, int) override {}
    void pushGameVideoData(const char *, unsigned int, int, int, unsigned long) override {}
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

private:
    std::mutex mutex;
    std::vector<bool> statuses;
    std::vector<std::pair<std::string, bool>> results;
    std::atomic<int> m_checksum{0};
};
