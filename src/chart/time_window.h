#pragma once

#include <QString>
#include <QtGlobal>
#include <array>

namespace tarvik {

/// One choice of the "Time Scale" frame: the visible width and the scroll bar's steps.
struct TimeScale {
    const char* control;
    const char* caption;
    float windowWidth;  ///< seconds
    int largeStep;      ///< track click
    int smallStep;      ///< arrow click
};

const std::array<TimeScale, 3>& timeScales();

/// The visible part of the time axis.
struct TimeRange {
    float low = 0;
    float high = 0;
};

/// The window of `windowWidth` seconds centred on `centre`, kept from starting before `start` (0
/// for a log, the first second of a recording that begins later) and cut at the end of the log.
/// Near the end the window is narrower than the scale (at the very end, half as wide), since
/// only its right edge is cut. Computed in single precision.
TimeRange windowFromCentre(float centre, float windowWidth, float totalSpan, float start = 0);

/// The length of the whole log: the interval times 2700, rounded to whole seconds (ties to
/// even). Kept as a single, so a long interval gives a span the scroll bar cannot hold; that is
/// reported when the scroll bar is set, not here.
float totalSpanOf(float logInterval);

/// The interval as the window shows it: to the nearest 0.05 s, two decimals.
QString logIntervalText(float logInterval);

/// A time as a scroll bar position: rounded to whole seconds (ties to even). Throws AppError
/// "Overflow" for anything outside -32768..32767 (including NaN and infinities).
qint16 toScrollPosition(double seconds);

}  // namespace tarvik
