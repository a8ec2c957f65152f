#include "LayerState.h"

#include <QtGlobal>

#include <cmath>
#include <limits>

int LayerState::truncate(double value)
{
    if (!std::isfinite(value))
        return 0;
    // Half the int range, so that left + width of a rectangle cannot overflow either.
    constexpr double limit = std::numeric_limits<int>::max() / 2;
    return static_cast<int>(qBound(-limit, value, limit));
}

QPoint LayerState::topLeft() const
{
    return QPoint(truncate(geometry.x()), truncate(geometry.y()));
}

QSize LayerState::size() const
{
    return QSize(truncate(geometry.width()), truncate(geometry.height()));
}

bool LayerState::operator==(const LayerState &other) const
{
    if (type != other.type || geometry != other.geometry || alpha != other.alpha ||
        name != other.name || combine != other.combine || canEditSize != other.canEditSize) {
        return false;
    }
    switch (type) {
    case LT_PICTURE:
        return path == other.path;
    case LT_TEXT:
        return text == other.text && fontInfo == other.fontInfo;
    case LT_CAMERA:
        return cameraParam == other.cameraParam;
    default:
        return true;
    }
}
