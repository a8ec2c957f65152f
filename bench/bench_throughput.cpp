// Sustained full-stack throughput at 1920x1080 and 3840x2160 (or the sizes --size names) on one
// thread of work at a time: every frame is pushed as a host pushes it (the capture thread
// composes it), delivered by the sender thread (which stamps the watermark) and only then is the
// next frame pushed; a camera frame arrives after every second game frame (30 fps under 60). It
// reports the rate of frames delivered to the host, the process's CPU time per frame (every
// thread: composition, watermark, delivery, the camera frame and the GUI thread's events) as
// seen from outside, the time of one memcpy of an output frame (the game frame into one of three
// frame buffers in turn, as composition writes one of its three slots), measured between the
// batches of the same run, and the ratio of the two: the floor of composition is about one copy
// of the frame. Pin the process to one core (taskset -c 0) to measure single-core throughput.
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
#include "PixelRows.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
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

struct Result
{
    double cpuMs = 0;       // process CPU time per frame over the whole run
    double bestBatchMs = 0; // best batch of BatchFrames
    double medianBatchMs = 0;
    double memcpyMs = 0; // median of the copies made between the batches
    double fps = 0;
};

constexpr int BatchFrames = 100;

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One memcpy of a whole output frame where composition reads and writes one: from the game
// frame the host pushes into one of three frame-sized buffers in turn, as composition writes
// one of its three frame slots. The buffers have been written before, so no page is faulted in.
class FrameCopy
{
public:
    explicit FrameCopy(const QByteArray &source)
        : m_source(source)
    {
        for (std::vector<char> &target : m_targets)
            target.assign(size_t(source.size()), 2);
    }
    double timeMs()
    {
        std::vector<char> &target = m_targets[m_next++ % m_targets.size()];
        const Clock::time_point start = Clock::now();
        std::memcpy(target.data(), m_source.constData(), target.size());
        const double ms = 1000 * secondsSince(start);
        // Read back, so the copy cannot be optimised away.
        m_sink += target[target.size() / 2];
        return ms;
    }
    int sink() const { return m_sink; }

private:
    const QByteArray &m_source;
    std::array<std::vector<char>, 3> m_targets;
    size_t m_next = 0;
    int m_sink = 0;
};

// One measured configuration: the output frame and the game frame pushed into it.
struct Sizes
{
    QSize output;
    QSize game;
};

bool runSize(const Sizes &sizes, int frames, int warmup, const QString &pictureDir,
             const QString &store, Result *result)
{
    const int width = sizes.output.width();
    const int height = sizes.output.height();
    const int gameWidth = sizes.game.width();
    const int gameHeight = sizes.game.height();
    // The product's own watermark, which the engine loads itself.
    bench::Stage stage(width, height, true);
    if (store == QLatin1String("cached"))
        stage.combine()->composer().setStore(FrameComposer::Store::Cached);
    else if (store == QLatin1String("streaming"))
        stage.combine()->composer().setStore(FrameComposer::Store::Streaming);
    const QByteArray game = bench::frameBytes(gameWidth, gameHeight, 0);
    for (int i = 0; i < warmup; ++i) // fits the game layer, scales pictures, fills caches
        stage.compose(game, gameWidth, gameHeight);
    if (!printLayers(stage, height, pictureDir))
        return false;
    std::fflush(stdout);

    // The copy is of a whole output frame, whatever the game's size.
    const QByteArray outputSized =
        sizes.game == sizes.output ? game : bench::frameBytes(width, height, 0);
    FrameCopy copy(outputSized);
    std::vector<double> copyMs;
    for (int i = 0; i < 3; ++i) // warm the copy's pages and code
        copy.timeMs();

    // Split of the time: the push (capture thread: preview picture, composition), the wait
    // for delivery (sender thread: watermark, hand-over) and the rest (camera frame, events).
    // On one core the sender thread often runs as soon as it is woken, inside the push.
    // CPU time is also taken per batch of frames: on a shared machine the best batch is the
    // one least disturbed by other work (caches, memory bandwidth), the median a typical one.
    // The copies are timed between the batches, outside the CPU time of the frames.
    std::vector<double> batchMs;
    double pushSeconds = 0;
    double deliverySeconds = 0;
    double cpuSeconds = 0;
    const long long deliveredBefore = stage.delivered();
    double wallSeconds = 0;
    Clock::time_point batchWall = Clock::now();
    std::clock_t batchStart = std::clock(); // the whole process: every thread
    for (int i = 0; i < frames; ++i) {
        const Clock::time_point t0 = Clock::now();
        const long long before = stage.push(game, gameWidth, gameHeight);
        const Clock::time_point t1 = Clock::now();
        stage.waitForDelivery(before);
        const Clock::time_point t2 = Clock::now();
        stage.betweenFrames();
        pushSeconds += std::chrono::duration<double>(t1 - t0).count();
        deliverySeconds += std::chrono::duration<double>(t2 - t1).count();
        if ((i + 1) % BatchFrames == 0 || i + 1 == frames) {
            const std::clock_t now = std::clock();
            const double seconds = double(now - batchStart) / CLOCKS_PER_SEC;
            cpuSeconds += seconds;
            wallSeconds += secondsSince(batchWall);
            if ((i + 1) % BatchFrames == 0)
                batchMs.push_back(1000.0 * seconds / BatchFrames);
            for (int c = 0; c < 5; ++c)
                copyMs.push_back(copy.timeMs());
            batchWall = Clock::now();
            batchStart = std::clock();
        }
    }
    const long long delivered = stage.delivered() - deliveredBefore;
    if (delivered != frames) {
        std::fprintf(stderr, "%lld frames delivered for %d pushed\n", delivered, frames);
        return false;
    }
    result->cpuMs = 1000 * cpuSeconds / frames;
    result->memcpyMs = median(copyMs);
    result->fps = frames / wallSeconds;
    std::printf("split: push+compose %.3f ms, watermark+delivery %.3f ms, camera+events %.3f ms "
                "per frame\n",
                1000 * pushSeconds / frames, 1000 * deliverySeconds / frames,
                1000 * (wallSeconds - pushSeconds - deliverySeconds) / frames);
    std::printf("cpu: %.3f ms of process CPU time per frame (%dx%d, game %dx%d)", result->cpuMs,
                width, height, gameWidth, gameHeight);
    if (!batchMs.empty()) {
        result->bestBatchMs = *std::min_element(batchMs.begin(), batchMs.end());
        result->medianBatchMs = median(batchMs);
        std::printf("; batches of %d: best %.3f ms, median %.3f ms", BatchFrames,
                    result->bestBatchMs, result->medianBatchMs);
    }
    std::printf("\n");
    std::printf("memcpy: %.3f ms for one %dx%d frame, game frame into one of three buffers "
                "(median of %zu copies, sink %d)\n",
                result->memcpyMs, width, height, copyMs.size(), copy.sink() & 1);
    std::printf("cpu/memcpy: %.2f", result->cpuMs / result->memcpyMs);
    if (result->medianBatchMs > 0)
        std::printf("; median batch %.2f, best batch %.2f",
                    result->medianBatchMs / result->memcpyMs,
                    result->bestBatchMs / result->memcpyMs);
    std::printf("\n");
    std::printf("ours: %d frames delivered in %.3f s: %.2f fps\n", frames, wallSeconds,
                result->fps);
    std::fflush(stdout);
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
        QStringLiteral("Full-stack composition throughput: frames delivered per second, process "
                       "CPU time per frame and its ratio to one memcpy of the frame."));
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
    const QCommandLineOption kernelsOption(
        QStringLiteral("kernels"),
        QStringLiteral("Row kernels to compose with: an instruction set as listed at the start "
                       "(default: the best for this processor)."),
        QStringLiteral("name"));
    const QCommandLineOption storeOption(
        QStringLiteral("store"),
        QStringLiteral("How finished rows are written: cached, streaming (past the caches), or "
                       "as the product chooses (default)."),
        QStringLiteral("how"));
    const QCommandLineOption sizeOption(
        QStringLiteral("size"),
        QStringLiteral("Output size, and the game's after a colon when it differs; may be repeated "
                       "(default 1920x1080, 3840x2160 and 1920x1080:1280x720)."),
        QStringLiteral("WxH[:WxH]"));
    parser.addOption(framesOption);
    parser.addOption(sizeOption);
    parser.addOption(warmupOption);
    parser.addOption(picturesOption);
    parser.addOption(kernelsOption);
    parser.addOption(storeOption);
    parser.process(app);
    std::printf("row kernels:");
    for (const PixelRows::Kernels *kernels : PixelRows::available()) {
        std::printf(" %s", kernels->name);
        if (parser.value(kernelsOption) == QLatin1String(kernels->name))
            PixelRows::use(kernels);
    }
    std::printf("; composing with %s\n", PixelRows::inUse().name);
    const int frames = parser.value(framesOption).toInt();
    const int warmup = parser.value(warmupOption).toInt();
    QStringList sizes = parser.values(sizeOption);
    if (sizes.isEmpty())
        sizes = QStringList{QStringLiteral("1920x1080"), QStringLiteral("3840x2160"),
                            QStringLiteral("1920x1080:1280x720")};
    const auto parseSize = [](const QString &text) {
        const QStringList parts = text.split(QLatin1Char('x'));
        return parts.size() == 2 ? QSize(parts.at(0).toInt(), parts.at(1).toInt()) : QSize();
    };
    QList<Sizes> parsed;
    for (const QString &text : sizes) {
        const QStringList parts = text.split(QLatin1Char(':'));
        const QSize output = parseSize(parts.constFirst());
        const QSize game = parts.size() == 2 ? parseSize(parts.at(1)) : output;
        if (parts.size() > 2 || output.isEmpty() || game.isEmpty()) {
            std::fprintf(stderr, "--size takes WxH or WxH:WxH, not %s\n", qPrintable(text));
            return 2;
        }
        parsed.append(Sizes{output, game});
    }
    if (frames <= 0 || warmup < 1) {
        std::fprintf(stderr, "--frames must be positive and --warmup at least 1\n");
        return 2;
    }

    QList<Result> results;
    for (const Sizes &size : parsed) {
        Result result;
        if (!runSize(size, frames, warmup, parser.value(picturesOption), parser.value(storeOption),
                     &result))
            return 1;
        results.append(result);
    }
    if (parsed.size() > 1) {
        std::printf("summary:\n");
        for (int i = 0; i < parsed.size(); ++i) {
            const Sizes &s = parsed.at(i);
            const Result &r = results.at(i);
            std::printf("  %dx%d", s.output.width(), s.output.height());
            if (s.game != s.output)
                std::printf(" (game %dx%d)", s.game.width(), s.game.height());
            std::printf(": cpu %.3f ms/frame, memcpy %.3f ms, ratio %.2f (median batch %.2f)",
                        r.cpuMs, r.memcpyMs, r.cpuMs / r.memcpyMs, r.medianBatchMs / r.memcpyMs);
            // Another game size against the same output with a game of its own size.
            for (int j = 0; j < parsed.size(); ++j) {
                if (s.game != s.output && parsed.at(j).output == s.output &&
                    parsed.at(j).game == s.output)
                    std::printf(", %.2fx the %dx%d game's frame", r.cpuMs / results.at(j).cpuMs,
                                s.output.width(), s.output.height());
            }
            std::printf("\n");
        }
    }
    return 0;
}
