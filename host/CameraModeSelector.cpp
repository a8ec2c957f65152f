#include "CameraModeSelector.h"

#include "VideoFrameConverter.h"

#include <algorithm>
#include <cmath>
#include <tuple>

std::vector<tagSIZE> CameraModeSelector::resolutions(const QList<CameraMode> &modes)
{
    std::vector<tagSIZE> sizes;
    for (const CameraMode &mode : modes) {
        if (mode.resolution.width() < 1 || mode.resolution.height() < 1)
            continue;
        sizes.push_back({mode.resolution.width(), mode.resolution.height()});
    }
    const auto less = [](const tagSIZE &a, const tagSIZE &b) {
        return std::tie(a.cx, a.cy) < std::tie(b.cx, b.cy);
    };
    const auto same = [](const tagSIZE &a, const tagSIZE &b) {
        return a.cx == b.cx && a.cy == b.cy;
    };
    std::sort(sizes.begin(), sizes.end(), less);
    sizes.erase(std::unique(sizes.begin(), sizes.end(), same), sizes.end());
    return sizes;
}

int CameraModeSelector::nearest(const QList<CameraMode> &modes, const QSize &size, int fps)
{
    int best = -1;
    std::tuple<qint64, double, int, double> bestKey;
    for (int i = 0; i < modes.size(); ++i) {
        const CameraMode &mode = modes.at(i);
        if (mode.resolution.width() < 1 || mode.resolution.height() < 1)
            continue;
        const qint64 sizeDistance = std::abs(qint64(mode.resolution.width()) - size.width()) +
                                    std::abs(qint64(mode.resolution.height()) - size.height());
        const double shortfall = std::max(0.0, double(fps) - double(mode.maxFps));
        // Compressed modes (MJPEG) are decoded before they reach us, at a cost.
        const int formatRank = VideoFrameConverter::supports(mode.pixelFormat) ? 0 : 1;
        const double rateDistance = std::abs(double(mode.maxFps) - double(fps));
        const auto key = std::make_tuple(sizeDistance, shortfall, formatRank, rateDistance);
        if (best < 0 || key < bestKey) {
            best = i;
            bestKey = key;
        }
    }
    return best;
}
