#pragma once

#include <QString>

namespace tarvik {

/// A tick step of 1, 2, 2.5 or 5 times a power of ten that gives at most `most` steps.
double niceTickStep(double span, int most);

/// The printf-style format that shows tick values of this step with no more decimals than it
/// needs (at most six).
QString tickLabelFormat(double step);

}  // namespace tarvik
