#pragma once

// Kind of a layer, shared by compositing layers, scene items and the stored configuration.
// The numbers are stored in settings files: never renumber.
enum LayerType {
    LT_NONE = 0,
    LT_PICTURE = 1,
    LT_TEXT = 2,
    LT_CAMERA = 3,
    LT_GAMEVIDEO = 4,
};
