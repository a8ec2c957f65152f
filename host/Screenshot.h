#pragma once

#include <QString>

// Saves the application's visible top-level windows (popups and tip windows included) as one
// PNG: each window drawn where it is on the screen, with a soft shadow, on a quiet backdrop,
// at the screen's device pixel ratio. Returns false and says why in *error when it cannot.
bool saveWindowsScreenshot(const QString &file, QString *error);
