#include "analysis/series_functions.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvik {

namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

double finiteOrEmpty(double v) {
    return std::isfinite(v) ? v : kEmpty;
}

std::size_t commonLength(const Series& x, const Series& t) {
    return std::min(x.size(), t.size());
}

}  // namespace

Series seriesDerivative(const Series& x, const Series& t) {
    const std::size_t n = commonLength(x, t);
    Series out(n, kEmpty);
    if (n < 2) {
        return out;
    }
    for (std::size_t k = 0; k < n; ++k) {
        if (!std::isfinite(x[k])) {
            continue;  // no slope where the series has no value
        }
        const std::size_t before = k == 0 ? 0 : k - 1;
        const std::size_t after = k + 1 == n ? k : k + 1;
        // A time step of zero gives an infinite or undefined slope: empty, like any non-finite.
        out[k] = finiteOrEmpty((x[after] - x[before]) / (t[after] - t[before]));
    }
    return out;
}

Series seriesIntegral(const Series& x, const Series& t) {
    const std::size_t n = commonLength(x, t);
    Series out(n, kEmpty);
    if (n == 0 || !std::isfinite(x[0]) || !std::isfinite(t[0])) {
        return out;
    }
    double area = 0;
    out[0] = 0;
    for (std::size_t k = 1; k < n; ++k) {
        area += (x[k - 1] + x[k]) / 2.0 * (t[k] - t[k - 1]);
        if (!std::isfinite(area)) {
            break;  // the rest stays empty
        }
        out[k] = area;
    }
    return out;
}

Series seriesSmooth(const Series& x, int n) {
    const std::size_t size = x.size();
    Series out(size, kEmpty);
    const std::size_t half = n <= 1 ? 0 : static_cast<std::size_t>(n) / 2;  // 4 -> 5 samples
    for (std::size_t k = 0; k < size; ++k) {
        if (!std::isfinite(x[k])) {
            continue;
        }
        const std::size_t from = k >= half ? k - half : 0;
        const std::size_t to = std::min(size - 1, k + half);
        // Summed afresh for each sample: a running sum would carry one huge value's rounding
        // (or overflow) into every later window.
        double sum = 0;
        int count = 0;
        for (std::size_t j = from; j <= to; ++j) {
            if (std::isfinite(x[j])) {
                sum += x[j];
                ++count;
            }
        }
        out[k] = finiteOrEmpty(sum / count);
    }
    return out;
}

}  // namespace tarvik
