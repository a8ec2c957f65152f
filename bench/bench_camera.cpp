// What one camera frame costs the capture thread: conversion to 32-bit ARGB and the push into
// an engine whose camera layer keeps it, for each pixel format Qt Multimedia hands over on Linux,
// at 640x480 and 1920x1080. The frame takes the host's real path: backend handler, camera
// service, converter, pushCameraData.

#include "CameraService.h"
#include "EngineLibrary.h"
#include "VideoFrameConverter.h"

#include <appcommon/pubfunc.h>
#include <previewengine/IPreviewEngine.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVideoFrame>

#include <cstring>
#include <memory>

namespace {

using Format = QVideoFrameFormat::PixelFormat;

const Format Formats[] = {QVideoFrameFormat::Format_NV12,     QVideoFrameFormat::Format_NV21,
                          QVideoFrameFormat::Format_YUYV,     QVideoFrameFormat::Format_UYVY,
                          QVideoFrameFormat::Format_YUV420P,  QVideoFrameFormat::Format_YV12,
                          QVideoFrameFormat::Format_BGRA8888, QVideoFrameFormat::Format_BGRX8888,
                          QVideoFrameFormat::Format_ARGB8888, QVideoFrameFormat::Format_RGBA8888,
                          QVideoFrameFormat::Format_ABGR8888};

// One camera that the benchmark drives by hand.
class BenchBackend : public CameraBackend
{
public:
    QList<CameraInfo> cameras() const override
    {
        return {{"bench", QStringLiteral("Bench Camera"), {{QSize(640, 480), 30, 30, {}}}}};
    }
    void start(const QByteArray &, const CameraMode &, FrameHandler handler) override
    {
        m_handler = std::move(handler);
    }
    void stop() override { m_handler = nullptr; }
    void deliver(const QVideoFrame &frame)
    {
        if (m_handler)
            m_handler(frame);
    }

private:
    FrameHandler m_handler;
};

QVideoFrame frameOf(Format format, QSize size)
{
    QVideoFrame frame(QVideoFrameFormat(size, format));
    frame.map(QVideoFrame::WriteOnly);
    for (int plane = 0; plane < frame.planeCount(); ++plane) {
        uchar *bits = frame.bits(plane);
        for (int i = 0; i < frame.mappedBytes(plane); ++i)
            bits[i] = uchar(i * 7 + plane * 50);
    }
    frame.unmap();
    return frame;
}

// The engine loaded as a host loads it, restoring a stored game and camera layer: its camera
// request reaches the camera service, which opens the bench camera.
class Rig
{
public:
    bool setUp(QString *error)
    {
        const QString settings = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
        QDir().mkpath(QFileInfo(settings).absolutePath());
        QFile file(settings);
        if (!file.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("cannot write ") + settings;
            return false;
        }
        file.write("<?xml version=\"1.0\"?>\n<config><layers>"
                   "<parentwidth1>746</parentwidth1><parentheight1>420</parentheight1>"
                   "<layer0><type>4</type><alpha>100</alpha><pos>0,0</pos><size>746,420</size>"
                   "<combine>1</combine></layer0>"
                   "<layer1><type>3</type><alpha>100</alpha><device>Bench Camera</device>"
                   "<devicewidth>640</devicewidth><deviceheight>480</deviceheight>"
                   "<pos>520,250</pos><size>200,150</size><combine>1</combine></layer1>"
                   "<layersnum>2</layersnum></layers></config>\n");
        file.close();
        if (!m_library.load() || !(m_engine = m_library.createEngine())) {
            *error = QStringLiteral("cannot load the engine: ") + m_library.errorString();
            return false;
        }
        m_service = std::make_unique<CameraService>(m_engine, &backend);
        m_service->attach();
        m_engine->init(30);
        m_engine->setVideoSize(1920, 1080);
        QCoreApplication::processEvents();
        if (m_service->runningCamera() != L"Bench Camera") {
            *error = QStringLiteral("the engine did not open the camera");
            return false;
        }
        return true;
    }
    ~Rig()
    {
        if (m_service)
            m_service->detach();
        if (m_engine) {
            m_engine->unInit();
            m_engine->release();
        }
        m_library.unload();
    }

    BenchBackend backend;

private:
    EngineLibrary m_library;
    ZqStudio::IPreviewEngine *m_engine = nullptr;
    std::unique_ptr<CameraService> m_service;
};

Rig *rig = nullptr;

void convertAndPush(benchmark::State &state)
{
    const Format format = Formats[state.range(0)];
    const QSize size = state.range(1) ? QSize(1920, 1080) : QSize(640, 480);
    state.SetLabel(QStringLiteral("%1 %2x%3")
                       .arg(QVideoFrameFormat::pixelFormatToString(format))
                       .arg(size.width())
                       .arg(size.height())
                       .toStdString());

    const QVideoFrame frame = frameOf(format, size);
    for (auto _ : state)
        rig->backend.deliver(frame);
}
// The conversion alone, to tell it from the engine's own cost of taking the frame.
void convertOnly(benchmark::State &state)
{
    const Format format = Formats[state.range(0)];
    const QSize size = state.range(1) ? QSize(1920, 1080) : QSize(640, 480);
    state.SetLabel(QStringLiteral("%1 %2x%3")
                       .arg(QVideoFrameFormat::pixelFormatToString(format))
                       .arg(size.width())
                       .arg(size.height())
                       .toStdString());
    const QVideoFrame frame = frameOf(format, size);
    VideoFrameConverter converter;
    for (auto _ : state)
        benchmark::DoNotOptimize(converter.convert(frame));
}
BENCHMARK(convertOnly)
    ->ArgsProduct({benchmark::CreateDenseRange(0, std::size(Formats) - 1, 1), {0, 1}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK(convertAndPush)
    ->ArgsProduct({benchmark::CreateDenseRange(0, std::size(Formats) - 1, 1), {0, 1}})
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The engine's settings, log and cache go to a scratch folder, never the user's.
    QTemporaryDir home;
    for (const char *variable : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, home.path().toUtf8());
    QApplication app(argc, argv);
    Rig engine;
    QString error;
    if (!engine.setUp(&error)) {
        fprintf(stderr, "bench_camera: %s\n", qPrintable(error));
        return 1;
    }
    rig = &engine;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
