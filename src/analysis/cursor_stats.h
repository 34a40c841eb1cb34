#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "analysis/computed_channels.h"

namespace tarvik {

/// A series' figures between the two cursors; NaN where there is no figure.
struct SeriesStats {
    double min;
    double max;
    double mean;
    double change;  ///< value at row B minus value at row A
};

/// The figures of `s` over rows A to B (1-based, either order, both included). Only rows the
/// series holds count, and empty samples are skipped: with none left, min, max and mean are
/// NaN. The change is NaN when the sample at A or at B is empty or not held.
SeriesStats statsBetween(const Series& s, int rowA, int rowB);

/// The figures as the Between Cursors dialog copies them: a heading line ("Channel", "Unit",
/// "Minimum", "Maximum", "Mean", "Change B - A"), then a line per series, fields separated by
/// tabs, lines ended by LF; numbers with six significant digits, an empty field for NaN.
/// The three lists go together; a shorter list leaves its fields empty.
QString statsText(const QStringList& names, const QStringList& units,
                  const std::vector<SeriesStats>& stats);

}  // namespace tarvik
