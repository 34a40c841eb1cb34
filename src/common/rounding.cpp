#include "common/rounding.h"

#include <cfenv>
#include <cmath>

namespace tarvik {

double roundHalfEven(double v, int places) {
    if (!std::isfinite(v)) {
        return v;
    }
    if (places < 0) {
        places = 0;
    }
    const double scale = std::pow(10.0, places);
    const double scaled = v * scale;
    if (!std::isfinite(scaled)) {
        return v;  // too large to carry decimals: it is already a whole number
    }
    // std::nearbyint honours the rounding mode, which is round-to-nearest-even unless someone
    // changed it; set it explicitly so a stray fesetround elsewhere cannot change our results.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(scaled);
    std::fesetround(saved);
    return places == 0 ? r : r / scale;
}

double wholePart(double v) {
    return std::floor(v);
}

}  // namespace tarvik
