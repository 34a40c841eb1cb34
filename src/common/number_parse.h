#pragma once

#include <QString>
#include <QStringView>

namespace tarvik {

/// The numeric value of a text's leading number, read leniently: blanks (spaces, tabs, line
/// ends) anywhere are ignored, then an optional sign, digits with at most one period, and an
/// optional exponent (E or D, optional sign, digits). A text with no such beginning reads as 0.
/// Both "0.5" and ".5" read as 0.5. A value beyond the range of a double reads as +/-infinity.
double leadingNumber(QStringView text);

}  // namespace tarvik
