// Sustained full-stack throughput (1920x1080 unless --size says otherwise) on one thread of work
// at a time: every frame is pushed as a host pushes it (the capture thread composes it),
// delivered by the sender thread (which stamps the watermark) and only then is the next frame
// pushed. It reports the rate of frames delivered to the host and the process's CPU time per
// frame (every thread: composition, watermark, delivery, the camera frame and the GUI thread's
// events), as seen from outside. Pin the process to one core (taskset -c 0) to measure
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

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

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
bool printLayers(const bench::Stage &stage, int outputHeight, const QString &pictureDir)
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
    const QSize size = FrameSender::watermarkSize(mark.size(), outputHeight);
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
        QStringLiteral("Full-stack composition throughput: frames delivered per second and "
                       "process CPU time per frame."));
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
    const QCommandLineOption sizeOption(QStringLiteral("size"),
                                        QStringLiteral("Output and game size (default 1920x1080)."),
                                        QStringLiteral("WxH"), QStringLiteral("1920x1080"));
    parser.addOption(framesOption);
    parser.addOption(sizeOption);
    parser.addOption(warmupOption);
    parser.addOption(picturesOption);
    parser.process(app);
    const int frames = parser.value(framesOption).toInt();
    const int warmup = parser.value(warmupOption).toInt();
    const QStringList size = parser.value(sizeOption).split(QLatin1Char('x'));
    const int width = size.size() == 2 ? size.at(0).toInt() : 0;
    const int height = size.size() == 2 ? size.at(1).toInt() : 0;
    if (frames <= 0 || warmup < 1 || width < 1 || height < 1) {
        std::fprintf(stderr, "--frames must be positive, --warmup at least 1 and --size WxH\n");
        return 2;
    }

    // The product's own watermark, which the engine loads itself.
    bench::Stage stage(width, height, true);
    const QByteArray game = bench::frameBytes(width, height, 0);
    for (int i = 0; i < warmup; ++i) // fits the game layer, scales pictures, fills caches
        stage.compose(game, width, height);
    if (!printLayers(stage, height, parser.value(picturesOption)))
        return 1;
    std::fflush(stdout);

    // Split of the time: the push (capture thread: preview picture, composition), the wait
    // for delivery (sender thread: watermark, hand-over) and the rest (camera frame, events).
    // On one core the sender thread often runs as soon as it is woken, inside the push.
    // CPU time is also taken per batch of frames: on a shared machine the best batch is the
    // one least disturbed by other work (caches, memory bandwidth), the median a typical one.
    constexpr int BatchFrames = 100;
    std::vector<double> batchMs;
    double pushSeconds = 0;
    double deliverySeconds = 0;
    const long long deliveredBefore = stage.delivered();
    const Clock::time_point start = Clock::now();
    const std::clock_t cpuStart = std::clock(); // the whole process: every thread
    std::clock_t batchStart = cpuStart;
    for (int i = 0; i < frames; ++i) {
        const Clock::time_point t0 = Clock::now();
        const long long before = stage.push(game, width, height);
        const Clock::time_point t1 = Clock::now();
        stage.waitForDelivery(before);
        const Clock::time_point t2 = Clock::now();
        stage.betweenFrames();
        pushSeconds += std::chrono::duration<double>(t1 - t0).count();
        deliverySeconds += std::chrono::duration<double>(t2 - t1).count();
        if ((i + 1) % BatchFrames == 0) {
            const std::clock_t now = std::clock();
            batchMs.push_back(1000.0 * double(now - batchStart) / CLOCKS_PER_SEC / BatchFrames);
            batchStart = now;
        }
    }
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
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
    std::printf("cpu: %.3f ms of process CPU time per frame (%dx%d)", 1000 * cpuSeconds / frames,
                width, height);
    if (!batchMs.empty()) {
        std::sort(batchMs.begin(), batchMs.end());
        std::printf("; batches of %d: best %.3f ms, median %.3f ms", BatchFrames, batchMs.front(),
                    batchMs[batchMs.size() / 2]);
    }
    std::printf("\n");
    std::printf("ours: %d frames delivered in %.3f s: %.2f fps\n", frames, total, frames / total);
    return 0;
}
