#pragma once

#include <QString>
#include <array>
#include <span>

#include "link/controller_model.h"
#include "logdata/data_buffer.h"

namespace tarvik {

/// How a trace option draws: on the left axis (Trace 1), on the right axis with a value scale,
/// or as an on/off line on the right axis with the OFF/ON labels in place of a scale.
enum class TraceShape { Trace1Value, Trace2Value, Trace2OnOff };

/// What is done to a logged value before it is drawn.
enum class TraceConversion {
    None,
    KmhToMph,    // the log holds km/h; the chart shows miles per hour
    VoltsToAfr,  // wide-band sensor output: 2 x volts + 10
    BitMask,     // 1 when every bit of the mask is set in the rounded value, else 0
};

/// Where an option's axis range comes from: fixed numbers, or the user's chart maxima.
enum class TraceRange { Fixed, MaxRPM, MaxVSS };

struct TraceOption {
    const char* control;  ///< objectName of the option button
    const char* caption;
    int trace;  ///< 1 or 2
    TraceShape shape;
    Column column;
    TraceConversion conversion;
    int mask;  ///< BitMask only
    TraceRange range;
    double low;
    double high;          ///< Fixed only
    const char* title;    ///< axis title and legend text (the legend only, for on/off traces)
    const char* pattern;  ///< number pattern of the marker read-out
};

inline constexpr int kTraceOptionCount = 20;

/// Every trace option of both frames: Trace 1 first, then Trace 2, each in the order the
/// options stand in their frame (Trace 2: left column top to bottom, then the right column).
const std::array<TraceOption, kTraceOptionCount>& traceOptions();

/// The option with this control name, or nullptr.
const TraceOption* findTraceOption(const QString& control);

/// The road speed factor from km/h to miles per hour in single precision, as traces are kept.
inline constexpr float kMphPerKmhSingle = static_cast<float>(kMphPerKmh);

/// One logged value as the option draws it.
float convertTraceValue(const TraceOption& option, float value);

/// Fills `out` (element k for row k + 1) with the option's values of all 2700 rows.
void buildTrace(const TraceOption& option, const DataBuffer& data,
                std::array<float, kDataRows>& out);

/// The axis range of the option, given the user's chart maxima.
struct AxisSpan {
    double low = 0;
    double high = 0;
};
AxisSpan traceAxisRange(const TraceOption& option, qint16 maxRPM, qint16 maxVSS);

}  // namespace tarvik
