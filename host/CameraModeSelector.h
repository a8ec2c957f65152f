#pragma once

#include "CameraBackend.h"

#include <previewengine/HostTypes.h>

#include <vector>

// Chooses among a camera's capture modes: the sizes to offer the user, and the mode that comes
// nearest to what the engine asks for.
class CameraModeSelector
{
public:
    // Every size once, smallest first (by width, then height).
    static std::vector<tagSIZE> resolutions(const QList<CameraMode> &modes);

    // The index of the mode nearest to size at fps, -1 when there is none. Nearest means, in
    // this order: the size closest to the one asked for, a rate that reaches fps, a pixel format
    // that arrives without decoding, then the rate closest to fps.
    static int nearest(const QList<CameraMode> &modes, const QSize &size, int fps);
};
