// Sustained full-stack throughput at 1920x1080 on one thread of work at a time: every frame is
// pushed as a host pushes it (the capture thread composes it), delivered by the sender thread
// (which stamps the watermark) and only then is the next frame pushed. The rate reported is
// that of frames delivered to the host. Pin the process to one core (taskset -c 0) to measure
// single-core throughput.
//
// Before timing, the program prints the composed stack as "layer ..." lines (output pixels)
// so that other compositors can be given the same work:
//   layer game|camera|picture X Y W H OPACITY [PICTURE-FILE]
//   layer text X Y LINE-HEIGHT POINT-SIZE TEXT...
//   layer watermark X Y W H

#include "BenchStage.h"
#include "CMCameraLayer.h"
#include "CMGamepicLayer.h"
#include "CMPicLayer.h"
#include "CMTextLayer.h"
#include "FrameSender.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>

#include <chrono>
#include <cstdio>

namespace {

constexpr int Width = 1920;
constexpr int Height = 1080;
const char *const WatermarkResource = ":/theme/preview/tamber_watermark.png";

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void printRect(const char *kind, const QRect &r, int opacity, const QString &file = {})
{
    std::printf("layer %s %d %d %d %d %d%s%s\n", kind, r.x(), r.y(), r.width(), r.height(), opacity,
                file.isEmpty() ? "" : " ", qPrintable(file));
}

// Prints the stack as composed; pictures are copied into pictureDir when one is given.
bool printLayers(const bench::Stage &stage, const QString &pictureDir)
{
    int pictureIndex = 0;
    for (const QPointer<CMLayer> &entry : stage.combine()->layers()) {
        CMLayer *layer = entry.data();
        if (!layer || layer->isDeleted() || !layer->isCombine())
            continue;
        const QRect r = layer->outputPixelRect();
        switch (layer->layerType()) {
        case LT_GAMEVIDEO:
            printRect("game", r, static_cast<CMGamepicLayer *>(layer)->alpha());
            break;
        case LT_CAMERA:
            printRect("camera", r, static_cast<CMCameraLayer *>(layer)->alpha());
            break;
        case LT_PICTURE: {
            QString file;
            if (!pictureDir.isEmpty()) {
                file = QDir(pictureDir).filePath(QStringLiteral("pic%1.png").arg(pictureIndex));
                QFile::remove(file);
                if (!QFile::copy(stage.picturePath(pictureIndex), file)) {
                    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                    return false;
                }
            }
            ++pictureIndex;
            printRect("picture", r, static_cast<CMPicLayer *>(layer)->alpha(), file);
            break;
        }
        case LT_TEXT: {
            auto *text = static_cast<CMTextLayer *>(layer);
            std::printf("layer text %d %d %d %d %s\n", r.x(), r.y(), text->lineHeight(),
                        text->fontInfo().font().pointSize(), qPrintable(text->lines().join(' ')));
            break;
        }
        default:
            break;
        }
    }
    const QImage mark(QString::fromLatin1(WatermarkResource));
    const QSize size = FrameSender::watermarkSize(mark.size(), Height);
    std::printf("layer watermark 0 0 %d %d\n", size.width(), size.height());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const bench::ScratchHome home;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Full-stack 1080p composition throughput, frames delivered per second."));
    parser.addHelpOption();
    const QCommandLineOption framesOption(QStringLiteral("frames"),
                                          QStringLiteral("Frames timed (default 600)."),
                                          QStringLiteral("n"), QStringLiteral("600"));
    const QCommandLineOption warmupOption(QStringLiteral("warmup"),
                                          QStringLiteral("Untimed frames first (default 30)."),
                                          QStringLiteral("n"), QStringLiteral("30"));
    const QCommandLineOption picturesOption(
        QStringLiteral("save-pictures"),
        QStringLiteral("Copy the picture layers' files into this directory."),
        QStringLiteral("dir"));
    parser.addOption(framesOption);
    parser.addOption(warmupOption);
    parser.addOption(picturesOption);
    parser.process(app);
    const int frames = parser.value(framesOption).toInt();
    const int warmup = parser.value(warmupOption).toInt();
    if (frames <= 0 || warmup < 1) {
        std::fprintf(stderr, "--frames must be positive and --warmup at least 1\n");
        return 2;
    }

    // The product's own watermark, which the engine loads itself.
    bench::Stage stage(Width, Height, true);
    const QByteArray game = bench::frameBytes(Width, Height, 0);
    for (int i = 0; i < warmup; ++i) // fits the game layer, scales pictures, fills caches
        stage.compose(game, Width, Height);
    if (!printLayers(stage, parser.value(picturesOption)))
        return 1;
    std::fflush(stdout);

    // Split of the time: the push (capture thread: preview picture, composition), the wait
    // for delivery (sender thread: watermark, hand-over) and the rest (camera frame, events).
    // On one core the sender thread often runs as soon as it is woken, inside the push.
    double pushSeconds = 0;
    double deliverySeconds = 0;
    const long long deliveredBefore = stage.delivered();
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        const Clock::time_point t0 = Clock::now();
        const long long before = stage.push(game, Width, Height);
        const Clock::time_point t1 = Clock::now();
        stage.waitForDelivery(before);
        const Clock::time_point t2 = Clock::now();
        stage.betweenFrames();
        pushSeconds += std::chrono::duration<double>(t1 - t0).count();
        deliverySeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double total = secondsSince(start);
    const long long delivered = stage.delivered() - deliveredBefore;
    if (delivered != frames) {
        std::fprintf(stderr, "%lld frames delivered for %d pushed\n", delivered, frames);
        return 1;
    }
    std::printf("split: push+compose %.3f ms, watermark+delivery %.3f ms, camera+events %.3f ms "
                "per frame\n",
                1000 * pushSeconds / frames, 1000 * deliverySeconds / frames,
                1000 * (total - pushSeconds - deliverySeconds) / frames);
    std::printf("ours: %d frames delivered in %.3f s: %.2f fps\n", frames, total, frames / total);
    return 0;
}
