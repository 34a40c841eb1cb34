#include "common/number_format.h"

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
    if (value == 0.0f) {
        return QStringLiteral("0");
    }
    // Seven significant digits in scientific form give the digits and the exponent exactly as
    // printf rounds them; then lay them out without an exponent.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6e", static_cast<double>(value));
    std::string s = buf;  // e.g. "-1.234500e+01"; the separator may be the locale's
    const bool negative = s[0] == '-';
    if (negative) {
        s.erase(0, 1);
    }
    const auto e = s.find('e');
    const int exponent = std::atoi(s.c_str() + e + 1);
    std::string digits = s.substr(0, 1) + s.substr(2, e - 2);  // 7 digits, no point
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    std::string out;
    const int pointPos = exponent + 1;  // digits before the decimal point
    if (pointPos <= 0) {
        out = "0." + std::string(static_cast<std::size_t>(-pointPos), '0') + digits;
    } else if (pointPos >= static_cast<int>(digits.size())) {
        out = digits + std::string(static_cast<std::size_t>(pointPos) - digits.size(), '0');
    } else {
        out = digits.substr(0, static_cast<std::size_t>(pointPos)) + "." +
              digits.substr(static_cast<std::size_t>(pointPos));
    }
    if (negative) {
        out.insert(out.begin(), '-');
    }
    return QString::fromLatin1(out.c_str());
}

}  // namespace tarvik
