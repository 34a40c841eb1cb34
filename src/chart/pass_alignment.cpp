#include "chart/pass_alignment.h"

#include <cmath>

namespace tarvik {

PassAlignment alignPasses(std::optional<double> ownLaunch, std::optional<double> comparedLaunch,
                          double comparedInterval, int nudge) {
    PassAlignment a;
    a.nudge = nudge;
    if (ownLaunch && comparedLaunch && std::isfinite(*ownLaunch) &&
        std::isfinite(*comparedLaunch)) {
        a.shift = *ownLaunch - *comparedLaunch;
        a.atLaunch = true;
    }
    if (std::isfinite(comparedInterval) && comparedInterval > 0) {
        a.shift += nudge * comparedInterval;
    }
    return a;
}

QList<QPointF> alignedPoints(std::span<const float> times, std::span<const float> values,
                             double shift) {
    QList<QPointF> points;
    const std::size_t n = std::min(times.size(), values.size());
    points.reserve(static_cast<qsizetype>(n));
    for (std::size_t i = 0; i < n; ++i) {
        const double x = times[i] + shift;
        const double y = values[i];
        if (std::isfinite(x) && std::isfinite(y)) {
            points.append(QPointF(x, y));
        }
    }
    return points;
}

}  // namespace tarvik
