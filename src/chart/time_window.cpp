#include "chart/time_window.h"

#include "common/number_format.h"
#include "common/rounding.h"
#include "core/app_error.h"

namespace tarvik {

const std::array<TimeScale, 3>& timeScales() {
    static const std::array<TimeScale, 3> kScales{{
        {"optTimeScale1", "15 Sec", 15.0f, 30, 3},
        {"optTimeScale2", "1 Min", 60.0f, 120, 12},
        {"optTimeScale3", "5 Min", 300.0f, 300, 60},
    }};
    return kScales;
}

TimeRange windowFromCentre(float centre, float windowWidth, float totalSpan, float start) {
    const float half = windowWidth / 2.0f;
    TimeRange r{centre - half, centre + half};
    if (r.low < start) {
        r.low = start;
        r.high = start + windowWidth;
    }
    if (r.high > totalSpan) {
        r.high = totalSpan;
    }
    return r;
}

float totalSpanOf(float logInterval) {
    const float span = logInterval * 2700.0f;
    return static_cast<float>(roundHalfEven(static_cast<double>(span), 0));
}

QString logIntervalText(float logInterval) {
    // The product is taken in single precision, as the interval is kept: 0.025 s makes exactly
    // 0.5 twentieths, which rounds down to even.
    const float product = logInterval * 20.0f;
    const double twentieths = roundHalfEven(static_cast<double>(product), 0);
    return formatPattern(twentieths / 20.0, QStringLiteral("0.00"));
}

qint16 toScrollPosition(double seconds) {
    const double r = roundHalfEven(seconds, 0);
    if (!(r >= -32768.0 && r <= 32767.0)) {
        throw AppError::overflow(QStringLiteral("frmChart1"));
    }
    return static_cast<qint16>(r);
}

}  // namespace tarvik
