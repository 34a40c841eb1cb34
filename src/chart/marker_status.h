#pragma once

#include <QString>

namespace tarvik {

/// The controller status in words for a logged "Status" value. The value is compared as
/// stored, without rounding: file data can hold fractions, and only 3 to 4 is a range.
QString markerStatusText(float status);

}  // namespace tarvik
