#pragma once

#include "GameCapture.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <cstdint>

class QScreen;

// Captures the primary screen through QScreen at a steady rate, on the GUI thread (where Qt
// grabs the screen). Platforms without a screen to read (offscreen, minimal) or that do not let
// programs read it (Wayland) are refused at start with a message that says why.
class ScreenCapture : public QObject, public GameCapture
{
    Q_OBJECT

public:
    explicit ScreenCapture(int fps, QObject *parent = nullptr);
    ~ScreenCapture() override;

    bool start(Sink sink, Failed failed, QString *error) override;
    void stop() override;
    QString description() const override;

    std::int64_t framesDelivered() const { return m_delivered; }

    // The Qt platforms for a program without a window that captures the screen: the X display
    // when DISPLAY names one, falling back to offscreen when it cannot be reached (start() then
    // says so) rather than aborting.
    static QByteArray headlessPlatforms();
    // Why this application's platform cannot capture the screen; empty when it can.
    static QString unavailableReason();

private:
    void onTick();
    QImage _grab() const;

    const int m_fps;
    QTimer m_timer;
    QPointer<QScreen> m_screen;
    Sink m_sink;
    Failed m_failed;
    std::atomic<std::int64_t> m_delivered{0};
};
