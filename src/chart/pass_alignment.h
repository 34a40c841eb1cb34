#pragma once

#include <QList>
#include <QPointF>
#include <optional>
#include <span>

namespace tarvik {

/// How a compared pass is laid over this log: `shift` seconds are added to its times, so that
/// its launch falls on this log's launch (each pass then counts from its own launch), then
/// moved by `nudge` of its own samples. Passes are aligned by time, so a compared log with
/// another interval lines up as well.
struct PassAlignment {
    double shift = 0;
    bool atLaunch = false;  ///< false: both logs have a launch only if this is true
    int nudge = 0;
};

/// Aligns the compared pass at its first launch on this log's launch `ownLaunch`; without a
/// launch in either log the two logs start together (no shift). `comparedInterval` is the
/// compared log's interval, one nudge step; an interval that is not a positive finite number
/// makes the nudge move nothing.
PassAlignment alignPasses(std::optional<double> ownLaunch, std::optional<double> comparedLaunch,
                          double comparedInterval, int nudge);

/// The compared trace as chart points: its times plus the shift, with every sample that has
/// no finite time or value left out.
QList<QPointF> alignedPoints(std::span<const float> times, std::span<const float> values,
                             double shift);

}  // namespace tarvik
