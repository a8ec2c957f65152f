#pragma once

#include <QSize>

class PushedFrame;

namespace PixelRows {
struct Kernels;
}

// What every layer of one composition shares: the frame's size, the scale from scene units to
// frame pixels, the game frame the composition is made for (null when there is none) and the
// row kernels to paint with.
struct FrameContext
{
    QSize size;
    double scaleX = 1.0;
    double scaleY = 1.0;
    const PushedFrame *game = nullptr;
    const PixelRows::Kernels *kernels = nullptr;
};
