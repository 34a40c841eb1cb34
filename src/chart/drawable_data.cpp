#include "chart/drawable_data.h"

#include <algorithm>
#include <cmath>

namespace tarvik {

ChartRange drawableRange(ChartRange asked) {
    double low = asked.low;
    double high = asked.high;
    if (!std::isfinite(low)) {
        low = std::isfinite(high) ? high - 1 : 0;
    }
    if (!std::isfinite(high)) {
        high = low + 1;
    }
    low = std::clamp(low, -kLargestDrawn, kLargestDrawn);
    high = std::clamp(high, -kLargestDrawn, kLargestDrawn);
    if (high < low) {
        std::swap(low, high);
    }
    // An empty window (a log of length 0, or the end of a reversed range) still needs a width;
    // one that is too narrow for doubles near its position gets one too.
    const double least = std::max(1e-6, std::fabs(low) * 1e-9);
    if (high - low < least) {
        high = low + std::max(1.0, least);
    }
    return {low, high};
}

DrawablePoints drawablePoints(std::span<const float> x, std::span<const float> y,
                              ChartRange window) {
    const std::size_t count = std::min(x.size(), y.size());
    QList<QPointF> usablePoints;
    usablePoints.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const double xi = x[i];
        const double yi = y[i];
        // A sample without a finite time or value has nowhere to be drawn; the line joins its
        // neighbours instead.
        if (!std::isfinite(xi) || !std::isfinite(yi)) {
            continue;
        }
        usablePoints.append(QPointF(std::clamp(xi, -kLargestDrawn, kLargestDrawn),
                                    std::clamp(yi, -kLargestDrawn, kLargestDrawn)));
    }
    const auto crosses = [&](qsizetype a, qsizetype b) {
        const double lo = std::min(usablePoints[a].x(), usablePoints[b].x());
        const double hi = std::max(usablePoints[a].x(), usablePoints[b].x());
        return hi >= window.low && lo <= window.high;
    };
    DrawablePoints result;
    result.usable = static_cast<int>(usablePoints.size());
    result.points.reserve(usablePoints.size());
    const qsizetype n = usablePoints.size();
    for (qsizetype i = 0; i < n; ++i) {
        const bool shown = (n == 1 && crosses(i, i)) || (i > 0 && crosses(i - 1, i)) ||
                           (i + 1 < n && crosses(i, i + 1));
        if (shown) {
            result.points.append(usablePoints[i]);
        }
    }
    return result;
}

}  // namespace tarvik
