#pragma once

#include <QString>
#include <QWidget>

// A calm desktop to show under windows for a screenshot: a frameless window kept at the bottom.
class ScreenshotBackdrop : public QWidget
{
public:
    ScreenshotBackdrop();

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Saves what the screen shows around the application's visible top-level windows (pop-ups and
// tip windows included) as one PNG, read back from the display at its own pixels, on a quiet
// backdrop window put behind them. A caller that opens a pop-up for the shot shows its own
// backdrop first and passes it: a window shown later would close the pop-up. Returns false and
// says why in *error when it cannot (no windows, or a platform without a screen to read, such
// as offscreen).
bool saveWindowsScreenshot(const QString &file, QString *error,
                           const ScreenshotBackdrop *shownBackdrop = nullptr);
