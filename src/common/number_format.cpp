#include "common/number_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/rounding.h"

namespace tarvik {

namespace {

QString nonFinite(double value) {
    if (std::isnan(value)) {
        return QStringLiteral("NaN");
    }
    return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
}

// A finite value with `digits` significant digits laid out without an exponent: no trailing
// zeros, whole values without a point, "0.5" with its leading zero, -0 as "0".
QString significantDigits(double value, int digits) {
    if (value == 0.0) {
        return QStringLiteral("0");
    }
    // The digits and the exponent in scientific form, exactly as printf rounds them (ties to
    // even); then laid out without the exponent.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", digits - 1, value);
    std::string s = buf;  // e.g. "-1.234500e+01"; the separator may be the locale's
    const bool negative = s[0] == '-';
    if (negative) {
        s.erase(0, 1);
    }
    const auto e = s.find('e');
    const int exponent = std::atoi(s.c_str() + e + 1);
    std::string mantissa = s.substr(0, e);
    std::string digitsText =
        mantissa.substr(0, 1) + (mantissa.size() > 2 ? mantissa.substr(2) : "");
    while (digitsText.size() > 1 && digitsText.back() == '0') {
        digitsText.pop_back();
    }
    std::string out;
    const int pointPos = exponent + 1;  // digits before the decimal point
    if (pointPos <= 0) {
        out = "0." + std::string(static_cast<std::size_t>(-pointPos), '0') + digitsText;
    } else if (pointPos >= static_cast<int>(digitsText.size())) {
        out = digitsText + std::string(static_cast<std::size_t>(pointPos) - digitsText.size(), '0');
    } else {
        out = digitsText.substr(0, static_cast<std::size_t>(pointPos)) + "." +
              digitsText.substr(static_cast<std::size_t>(pointPos));
    }
    if (negative) {
        out.insert(out.begin(), '-');
    }
    return QString::fromLatin1(out.c_str());
}

}  // namespace

QString formatPattern(double value, const QString& pattern) {
    if (!std::isfinite(value)) {
        return nonFinite(value);
    }
    const qsizetype point = pattern.indexOf(u'.');
    const QString intPattern = point < 0 ? pattern : pattern.left(point);
    const QString fracPattern = point < 0 ? QString() : pattern.mid(point + 1);
    const int decimals = static_cast<int>(fracPattern.size());
    const int minIntDigits = static_cast<int>(intPattern.count(u'0'));
    const int minFracDigits = static_cast<int>(fracPattern.count(u'0'));

    const double rounded = roundHalfEven(value, decimals);
    const bool negative = rounded < 0;
    const double magnitude = std::fabs(rounded);

    // Split into whole and fraction digits through exact decimal text of the rounded value.
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, magnitude);
    std::string text = buf;
    std::string intDigits = text;
    std::string fracDigits;
    // printf writes the locale's decimal separator, whatever it is: find it as the non-digit.
    if (const auto dot = text.find_first_not_of("0123456789"); dot != std::string::npos) {
        intDigits = text.substr(0, dot);
        fracDigits = text.substr(dot + 1);
    }
    if (intDigits == "0") {
        intDigits.clear();
    }
    while (static_cast<int>(intDigits.size()) < minIntDigits) {
        intDigits.insert(intDigits.begin(), '0');
    }
    // Optional decimals ("#") drop trailing zeros down to the required ones.
    while (static_cast<int>(fracDigits.size()) > minFracDigits && !fracDigits.empty() &&
           fracDigits.back() == '0') {
        fracDigits.pop_back();
    }
    std::string out = intDigits;
    if (!fracDigits.empty()) {
        out += '.';
        out += fracDigits;
    }
    const bool allZero = out.find_first_of("123456789") == std::string::npos;
    if (negative && !allZero) {
        out.insert(out.begin(), '-');
    }
    return QString::fromLatin1(out.c_str());
}

QString formatSingle(float value) {
    if (!std::isfinite(value)) {
        return nonFinite(value);
    }
    return significantDigits(static_cast<double>(value), 7);
}

QString formatSignificant(double value, int digits) {
    if (!std::isfinite(value)) {
        return QString();
    }
    return significantDigits(value, std::clamp(digits, 1, 17));
}

}  // namespace tarvik
