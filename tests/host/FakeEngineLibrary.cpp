// A stand-in engine library for host tests: it echoes every game frame back as an output frame
// from its own sender thread, as the real engine does, and halves the output size after a few
// frames. It also asks for the camera and a filter-word check, and reports what the host did
// through fakeEngineReport().

#include <previewengine/IPreviewEngine.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int FramesBeforeResize = 10;

std::atomic<int> g_filterAnswers{0};
std::atomic<int> g_lastFilterValid{-1};
std::atomic<int> g_cameraFrames{0};
std::atomic<int> g_cameraStatusTrue{0};
std::atomic<int> g_gameFrames{0};

class EchoEngine : public ZqStudio::IPreviewEngine
{
public:
    ~EchoEngine() override { unInit(); }

    void release() override;
    void init(int fps) override
    {
        if (m_sender.joinable())
            return;
        m_fps = fps;
        m_stop = false;
        m_sender = std::thread([this] { _send(); });
        sigCheckFilterWord("fake-task", L"hello SPAM");
        const tagSIZE size{640, 480};
        sigOpenCamera(L"PreviewHost Virtual Camera", size, size, fps, false);
    }
    void unInit() override
    {
        {
            const std::lock_guard<std::mutex> guard(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_sender.joinable())
            m_sender.join();
        m_width = 0;
        m_height = 0;
    }
    int getVideoWidth() override { return m_width; }
    int getVideoHeight() override { return m_height; }
    void setLayersEditable(bool) override {}
    void setVideoSize(int width, int height) override
    {
        if (height > 0)
            sigPreviewSizeChanged(width * 420 / height, 420);
        if (!m_sender.joinable())
            return;
        m_width = width;
        m_height = height;
        sigVideoSizeChanged(unsigned(width), unsigned(height));
    }
    void pushGameVideoData(const char *data, unsigned int uLen, int width, int height,
                           unsigned long sampleTime) override
    {
        if (!data || width < 2 || height < 2 || uLen < unsigned(width * height * 4))
            return;
        const int count = ++g_gameFrames;
        int outWidth = width;
        int outHeight = height;
        if (count > FramesBeforeResize) {
            outWidth = width / 2;
            outHeight = height / 2;
        }
        if (outWidth != m_width || outHeight != m_height) {
            // Announced on the capture thread, before the first frame of the new size.
            m_width = outWidth;
            m_height = outHeight;
            sigVideoSizeChanged(unsigned(outWidth), unsigned(outHeight));
        }
        const std::lock_guard<std::mutex> guard(m_mutex);
        if (m_full)
            return; // the real engine drops too when it is busy
        m_frame.assign(data, data + std::size_t(width) * std::size_t(height) * 4);
        m_stride = unsigned(width * 4);
        m_frameWidth = outWidth;
        m_frameHeight = outHeight;
        m_timestamp = sampleTime;
        m_full = true;
        m_wake.notify_one();
    }
    void pushCameraData(const char *data, unsigned int, int, int, unsigned long) override
    {
        if (data)
            ++g_cameraFrames;
    }
    void setCamOpenStatus(bool openStatus) override
    {
        if (openStatus)
            ++g_cameraStatusTrue;
    }
    void onFilterWordResult(const std::string &taskId, bool bValid) override
    {
        if (taskId == "fake-task") {
            ++g_filterAnswers;
            g_lastFilterValid = bValid ? 1 : 0;
        }
    }
    void showPreview(QGraphicsObject *) override {}
    void hidePreview() override {}
    void addCameraLayer() override {}
    void removeCameraLayers() override {}
    void addTextLayer() override {}
    void addImageLayer() override {}

private:
    void _send()
    {
        std::vector<unsigned char> frame;
        for (;;) {
            unsigned int stride = 0;
            int width = 0;
            int height = 0;
            unsigned long timestamp = 0;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return m_full || m_stop; });
                if (m_stop)
                    return;
                frame.swap(m_frame);
                stride = m_stride;
                width = m_frameWidth;
                height = m_frameHeight;
                timestamp = m_timestamp;
                m_full = false;
            }
            // The top-left part at the output size, rows still m_stride apart: hosts must honour
            // the stride. Fourth bytes are 0xFF as in real output.
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x)
                    frame[std::size_t(y) * stride + std::size_t(x) * 4 + 3] = 0xFF;
            }
            sigVideoFrame(frame.data(), stride, ZQSize{float(width), float(height)}, timestamp);
        }
    }

    std::thread m_sender;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_full = false;
    std::vector<unsigned char> m_frame;
    unsigned int m_stride = 0;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    unsigned long m_timestamp = 0;
    std::atomic<int> m_width{1280};
    std::atomic<int> m_height{768};
    int m_fps = 0;
};

EchoEngine *g_engine = nullptr;

void EchoEngine::release()
{
    delete g_engine;
    g_engine = nullptr;
}

} // namespace

extern "C" PREVIEWENGINE_EXPORT ZqStudio::IPreviewEngine *createPreviewEngine()
{
    if (!g_engine)
        g_engine = new EchoEngine;
    return g_engine;
}

extern "C" PREVIEWENGINE_EXPORT void fakeEngineReport(int *gameFrames, int *cameraFrames,
                                                      int *cameraOpened, int *filterAnswers,
                                                      int *lastFilterValid)
{
    *gameFrames = g_gameFrames;
    *cameraFrames = g_cameraFrames;
    *cameraOpened = g_cameraStatusTrue;
    *filterAnswers = g_filterAnswers;
    *lastFilterValid = g_lastFilterValid;
}
