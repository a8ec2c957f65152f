#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

// A source of game video: the test picture, a video file or the screen. It hands frames to a
// sink from its own capture thread (which may be the GUI thread), each frame 32 bits per pixel
// (bytes blue, green, red, then alpha or unused), rows of 4 x width bytes, at the source's own
// size and rate.
class GameCapture
{
public:
    using Sink = std::function<void(const QImage &frame, unsigned long sampleTime)>;
    // A capture that fails after it started (a broken file, a lost screen); on the GUI thread.
    using Failed = std::function<void(const QString &reason)>;

    virtual ~GameCapture() = default;

    // Starts handing frames to sink. False, with the reason in *error, when it cannot start.
    virtual bool start(Sink sink, Failed failed, QString *error) = 0;
    // Once this returns, the sink is not running and is not called again.
    virtual void stop() = 0;
    // What is captured, for messages.
    virtual QString description() const = 0;

    // The capture for a --game value: empty for the test picture at testSize and fps,
    // "desktop" for the screen at fps, anything else a video file.
    static std::unique_ptr<GameCapture> create(const QString &game, const QSize &testSize, int fps);
};
