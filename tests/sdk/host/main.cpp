// An outside host built against the installed SDK alone: it loads the engine, gets one composed
// frame back and releases it. Exit code 0 when all of that worked.

#include <previewengine/IPreviewEngine.h>

#include <QGuiApplication>
#include <QLibrary>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

class Receiver : public sigslot::has_slots
{
public:
    ~Receiver() override { disconnect_all(); }
    void onFrame(unsigned char *pixels, unsigned int stride, ZQSize size, unsigned long)
    {
        if (size.width == 320 && size.height == 180 && stride == 320 * 4 && pixels[3] == 0xFF)
            ++frames;
    }
    std::atomic<int> frames{0};
};

int fail(const char *what)
{
    std::fprintf(stderr, "sdk_host: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QLibrary library(QStringLiteral(PREVIEWENGINE_LIBRARY));
    const auto create =
        reinterpret_cast<CreatePreviewEngineFunc>(library.resolve("createPreviewEngine"));
    if (!create)
        return fail("createPreviewEngine not found");
    ZqStudio::IPreviewEngine *engine = create();
    Receiver receiver;
    engine->sigVideoFrame.connect(&receiver, &Receiver::onFrame);
    engine->init(30);
    engine->setVideoSize(320, 180);
    const std::vector<char> frame(320 * 180 * 4, '\x40');
    std::thread capture([&] {
        for (unsigned long t = 1; t <= 200 && receiver.frames == 0; ++t) {
            engine->pushGameVideoData(frame.data(), unsigned(frame.size()), 320, 180, t);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    capture.join();
    engine->release();
    if (receiver.frames == 0)
        return fail("no composed frame arrived");
    std::printf("sdk_host: %d frames\n", receiver.frames.load());
    return 0;
}
