// A host that knows the engine only through the installed SDK: it loads the library, drives one
// game frame through it and checks what comes back. Exit code 0 when all went as a host expects.

#include <previewengine/IPreviewEngine.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLibrary>
#include <QTextStream>

#include <atomic>
#include <vector>

namespace {

class Receiver : public sigslot::has_slots
{
public:
    ~Receiver() override { disconnect_all(); }
    void onFrame(unsigned char *pixels, unsigned int stride, ZQSize size, unsigned long timestamp)
    {
        // The frame is only valid during the call: read what we check now.
        const int w = int(size.width);
        const int h = int(size.height);
        if (w == 64 && h == 48 && stride >= 64 * 4 && timestamp == 42)
            centre = reinterpret_cast<const unsigned int *>(pixels + stride * (h / 2))[w / 2];
        ++frames;
    }
    std::atomic<int> frames{0};
    std::atomic<unsigned int> centre{0};
};

int fail(const QString &message)
{
    QTextStream(stderr) << "sdk_smoke: " << message << Qt::endl;
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLibrary library(QStringLiteral(PREVIEWENGINE_LIBRARY));
    using Create = ZqStudio::IPreviewEngine *(*)();
    const auto create = reinterpret_cast<Create>(library.resolve("createPreviewEngine"));
    if (!create)
        return fail(library.errorString());
    ZqStudio::IPreviewEngine *engine = create();
    if (!engine || create() != engine)
        return fail(QStringLiteral("createPreviewEngine gives no single engine"));

    Receiver receiver;
    engine->sigVideoFrame.connect(&receiver, &Receiver::onFrame);
    engine->init(30);
    engine->setVideoSize(64, 48);
    if (engine->getVideoWidth() != 64 || engine->getVideoHeight() != 48)
        return fail(QStringLiteral("the output is not 64x48"));

    // A blue game frame (bytes blue, green, red, unused).
    const std::vector<unsigned int> game(64 * 48, 0xFF0000FFu);
    QElapsedTimer timer;
    timer.start();
    while (receiver.centre == 0u && timer.elapsed() < 10000) {
        engine->pushGameVideoData(reinterpret_cast<const char *>(game.data()),
                                  unsigned(game.size() * 4), 64, 48, 42);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    engine->unInit();
    receiver.disconnect_all();
    engine->release();
    if ((receiver.centre & 0xFFFFFFu) != 0x0000FFu)
        return fail(QStringLiteral("no blue output frame came back (centre %1, %2 frames)")
                        .arg(receiver.centre.load(), 8, 16, QLatin1Char('0'))
                        .arg(receiver.frames.load()));
    if (!QFile::exists(QCoreApplication::applicationDirPath() +
                       QStringLiteral("/language/zh-CN.qm")))
        return fail(QStringLiteral("the translation was not copied beside the program"));
    QTextStream(stdout) << "sdk_smoke: " << receiver.frames.load() << " frames back" << Qt::endl;
    return 0;
}
