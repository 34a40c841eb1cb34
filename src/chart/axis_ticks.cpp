#include "chart/axis_ticks.h"

#include <algorithm>
#include <cmath>

namespace tarvik {

double niceTickStep(double span, int most) {
    const double raw = span / most;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (m * power >= raw) {
            return m * power;
        }
    }
    return 10.0 * power;
}

QString tickLabelFormat(double step) {
    int decimals = 0;
    double s = step;
    while (decimals < 6 && std::fabs(s - std::round(s)) > 1e-6 * std::max(1.0, std::fabs(s))) {
        s *= 10.0;
        ++decimals;
    }
    return QStringLiteral("%.%1f").arg(decimals);
}

}  // namespace tarvik
