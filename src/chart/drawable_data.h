#pragma once

#include <QList>
#include <QPointF>
#include <span>

namespace tarvik {

/// A range along one chart axis, as given or as drawn.
struct ChartRange {
    double low = 0;
    double high = 0;
};

/// Values this far out cannot be told apart on any screen; clamping them keeps the painter's
/// arithmetic away from overflow.
inline constexpr double kLargestDrawn = 1e12;

/// The range as it can be drawn: a missing (not finite) end is taken from the other one, both
/// ends are clamped to kLargestDrawn, a reversed range is turned round and an empty or too
/// narrow one gets a width.
ChartRange drawableRange(ChartRange asked);

struct DrawablePoints {
    /// The points to hand to the chart: those of the segments that cross the window.
    QList<QPointF> points;
    /// How many samples have a finite time and value (and so could be drawn at all).
    int usable = 0;
};

/// The samples that can be drawn (a finite time and value, clamped to kLargestDrawn), keeping
/// only those of segments that cross the time window: the chart works through every point it
/// holds on each repaint, shown or not.
DrawablePoints drawablePoints(std::span<const float> x, std::span<const float> y,
                              ChartRange window);

}  // namespace tarvik
