#include "chart/cursor_readout.h"

#include <cmath>
#include <limits>

#include "common/number_format.h"

namespace tarvik {

int nearestRow(std::span<const float> times, double time) {
    if (!std::isfinite(time)) {
        return 0;
    }
    int best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < times.size(); ++i) {
        const double t = times[i];
        if (!std::isfinite(t)) {
            continue;
        }
        const double d = std::fabs(t - time);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i) + 1;
        }
    }
    return best;
}

std::optional<float> valueAtTime(std::span<const float> times, std::span<const float> values,
                                 double shift, double time, double tolerance) {
    if (!std::isfinite(shift) || values.size() < times.size()) {
        return std::nullopt;
    }
    const int row = nearestRow(times, time - shift);
    if (row == 0) {
        return std::nullopt;
    }
    const auto k = static_cast<std::size_t>(row - 1);
    if (!(std::fabs(times[k] + shift - time) <= tolerance)) {
        return std::nullopt;
    }
    return values[k];
}

CursorDifference cursorDifference(const CursorReading& a, const CursorReading& b) {
    return {b.time - a.time, static_cast<double>(b.trace1) - a.trace1,
            static_cast<double>(b.trace2) - a.trace2};
}

QString signedText(double value, const QString& pattern) {
    const QString text = formatPattern(value, pattern);
    // A value that rounds to zero reads "0", whatever its sign.
    if (text.isEmpty() || text == QLatin1String("-0") || text.toDouble() == 0) {
        return formatPattern(0, pattern);
    }
    return text.startsWith(QLatin1Char('-')) ? text : QLatin1Char('+') + text;
}

QString namedValue(const QString& title, double value, const QString& pattern) {
    const QString text = formatPattern(value, pattern);
    return title.isEmpty() ? text : title + u' ' + text;
}

QString cursorBLine(const CursorLineParts& p) {
    QString line = QStringLiteral("B  %1 Sec   %2   %3")
                       .arg(formatPattern(p.b.time - p.timeZero, kCursorTimePattern),
                            namedValue(p.title1, p.b.trace1, p.pattern1),
                            namedValue(p.title2, p.b.trace2, p.pattern2));
    if (p.a) {
        const CursorDifference d = cursorDifference(*p.a, p.b);
        line +=
            QStringLiteral("      B - A:  %1 Sec   %2 %3   %4 %5")
                .arg(signedText(d.time, kCursorTimePattern), p.title1,
                     signedText(d.trace1, p.pattern1), p.title2, signedText(d.trace2, p.pattern2));
    }
    return line;
}

QString comparedValuesText(std::optional<float> v1, std::optional<float> v2,
                           const QString& pattern1, const QString& pattern2) {
    auto text = [](std::optional<float> v, const QString& pattern) {
        return v ? formatPattern(*v, pattern) : QStringLiteral("--");
    };
    return QStringLiteral("compared %1 / %2").arg(text(v1, pattern1), text(v2, pattern2));
}

}  // namespace tarvik
