#pragma once

#include <Qt>

namespace tarvik {

/// The chart's axes: time along the bottom, group 1's values on the left, group 2's on the right.
enum class ChartAxis { X, Y, Y2 };

/// How ChartControl::nearestPoint measures nearness (the number is the chart's own mode code).
enum class NearestPointMode { InTime = 1 };

/// What ChartControl::drawToDevice draws: the whole chart as it is shown (plot, axes, legend,
/// labels, marker).
enum class DrawContent { WholeChart = 3 };
/// How it fits the rectangle: laid out afresh to the rectangle's shape, then scaled into it.
enum class DrawFit { FitToRectangle = 5 };

/// The mouse button of a press on the chart.
enum class ChartMouseButton { None = 0, Left = 1, Right = 2, Middle = 4 };

/// The chart's mouse events carry the button and the shift state as codes: button 1 left,
/// 2 right, 4 middle; shift state bits 1 Shift, 2 Ctrl, 4 Alt. These convert at that edge.
ChartMouseButton chartMouseButton(Qt::MouseButton button);
int mouseButtonCode(ChartMouseButton button);
ChartMouseButton mouseButtonFromCode(int code);
int shiftStateCode(Qt::KeyboardModifiers modifiers);

}  // namespace tarvik
