#pragma once

#include <QtGlobal>

#include <cmath>

// Every conversion of a scene coordinate or size to a whole number truncates toward zero,
// never rounds; values that are not finite become 0.
inline int truncated(qreal value)
{
    return std::isfinite(value) ? int(value) : 0;
}
