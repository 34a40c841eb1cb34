#pragma once

#include <QString>

namespace tarvik {

/// Formats a value with a display pattern of the kind used across the program: "#" an optional
/// digit, "0" a required digit, "." the decimal point ("###0", "####0", "##0", "#0", "#0.0",
/// "##0.0", "0.00", "#####", "###"). The value is rounded to the pattern's decimals, ties to
/// even. A pattern without any "0" before the point shows a zero whole part as nothing, so
/// "#####" gives "" for 0. NaN shows as "NaN", infinities as "Infinity" / "-Infinity".
QString formatPattern(double value, const QString& pattern);

/// A single-precision value as plain decimal text: at most seven significant digits, a period as
/// the decimal point whatever the locale, no exponent, no thousands separators, no trailing
/// zeros, whole values without a point, and a leading zero before the point ("0.5"). -0 is "0".
/// NaN is "NaN", infinities "Infinity" / "-Infinity".
QString formatSingle(float value);

/// A double with `digits` (1 to 17) significant digits, laid out as formatSingle does (no
/// exponent, a period, no trailing zeros), ties to even: what a computed channel's value looks
/// like in copied figures and exports. NaN and infinities give an empty text: an empty sample.
QString formatSignificant(double value, int digits = 6);

}  // namespace tarvik
