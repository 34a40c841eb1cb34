#include "chart/trace_options.h"

#include <cmath>

#include "common/rounding.h"

namespace tarvik {

namespace {

using C = Column;
using S = TraceShape;
using V = TraceConversion;
using R = TraceRange;

constexpr TraceOption kRpm{"optTrace1RPM", "RPM", 1, S::Trace1Value, C::RPM, V::None, 0,
                           R::MaxRPM,      0,     0, "RPM",          "###0"};
constexpr TraceOption kVss{"optTrace1VSS", "VSS", 1, S::Trace1Value, C::VSS, V::KmhToMph, 0,
                           R::MaxVSS,      0,     0, "VSS (MPH)",    "##0"};
constexpr TraceOption kTps{"optTrace1TPS", "TPS", 1,   S::Trace1Value, C::TPSPercent, V::None, 0,
                           R::Fixed,       0,     100, "TPS (%)",      "##0"};

// RPM, VSS and TPS are offered on both traces: on Trace 2 the same option, on the right axis.
constexpr TraceOption onTrace2(TraceOption o, const char* control) {
    o.control = control;
    o.trace = 2;
    o.shape = S::Trace2Value;
    return o;
}

constexpr std::array<TraceOption, kTraceOptionCount> kOptions{{
    // Trace 1: left axis.
    kRpm,
    kVss,
    kTps,
    {"optTrace1Bat", "BATTERY VOLTS", 1, S::Trace1Value, C::BatVolts, V::None, 0, R::Fixed, 0, 20,
     "Bat Volts", "#0.0"},
    {"optTrace1Input1Analog", "INPUT 1 VOLTS", 1, S::Trace1Value, C::Input1Volts, V::None, 0,
     R::Fixed, 0, 5, "Input 1 Volts", "#0.0"},
    {"optTrace1Input1AFR", "INPUT 1 AFR", 1, S::Trace1Value, C::Input1Volts, V::VoltsToAfr, 0,
     R::Fixed, 10, 20, "Input 1 AFR", "#0.0"},
    {"optTrace1Input2Analog", "INPUT 2 VOLTS", 1, S::Trace1Value, C::Input2Volts, V::None, 0,
     R::Fixed, 0, 5, "Input 2 Volts", "#0.0"},
    {"optTrace1Input2AFR", "INPUT 2 AFR", 1, S::Trace1Value, C::Input2Volts, V::VoltsToAfr, 0,
     R::Fixed, 10, 20, "Input 2 AFR", "#0.0"},
    // Trace 2, left column.
    onTrace2(kRpm, "optTrace2RPM"),
    onTrace2(kVss, "optTrace2VSS"),
    onTrace2(kTps, "optTrace2TPS"),
    {"optTrace2ArmIn", "ARM", 2, S::Trace2OnOff, C::InputData, V::BitMask, 0x01, R::Fixed, 0, 2,
     "Arming Switch Input", "#0"},
    {"optTrace2Stage1Trig", "STAGE 1 TRIG", 2, S::Trace2OnOff, C::OutputData, V::BitMask, 0x01,
     R::Fixed, 0, 2, "Stage 1 Triggered", "#0"},
    {"optTrace2Stage2Trig", "STAGE 2 TRIG", 2, S::Trace2OnOff, C::OutputData, V::BitMask, 0x02,
     R::Fixed, 0, 2, "Stage 2 Triggered", "#0"},
    {"optTrace2Stage1PWM", "STAGE 1 PWM", 2, S::Trace2Value, C::Stage1PWM, V::None, 0, R::Fixed, 0,
     100, "Stage 1 PWM (%)", "##0"},
    {"optTrace2Stage2PWM", "STAGE 2 PWM", 2, S::Trace2Value, C::Stage2PWM, V::None, 0, R::Fixed, 0,
     100, "Stage 2 PWM (%)", "##0"},
    // Trace 2, right column.
    {"optTrace2PurgeIn", "PURGE IN", 2, S::Trace2OnOff, C::InputData, V::BitMask, 0x02, R::Fixed, 0,
     2, "Purge Input", "#0"},
    {"optTrace2PurgeSol", "PURGE SOL", 2, S::Trace2OnOff, C::OutputData, V::BitMask, 0x10, R::Fixed,
     0, 2, "Purge Solenoid", "#0"},
    {"optTrace2GPI", "GPI", 2, S::Trace2OnOff, C::InputData, V::BitMask, 0x04, R::Fixed, 0, 2,
     "GPI", "#0"},
    {"optTrace2GPO", "GPO", 2, S::Trace2OnOff, C::OutputData, V::BitMask, 0x04, R::Fixed, 0, 2,
     "GPO", "#0"},
}};

// Bit values come from a log file as text, so they can be anything. A value that does not round
// to a whole number a 32-bit integer can hold (NaN, infinities, 1e20) has no bits to test: it
// draws as off rather than stopping the whole trace.
float bitsOn(float value, int mask) {
    const double r = roundHalfEven(static_cast<double>(value), 0);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
        return 0.0f;
    }
    const auto bits = static_cast<qint32>(r);
    return (bits & mask) == mask ? 1.0f : 0.0f;
}

}  // namespace

const std::array<TraceOption, kTraceOptionCount>& traceOptions() {
    return kOptions;
}

const TraceOption* findTraceOption(const QString& control) {
    for (const TraceOption& o : kOptions) {
        if (control == QLatin1String(o.control)) {
            return &o;
        }
    }
    return nullptr;
}

float convertTraceValue(const TraceOption& option, float value) {
    switch (option.conversion) {
        case TraceConversion::None:
            return value;
        case TraceConversion::KmhToMph:
            return value * kMphPerKmhSingle;  // single times single, as the trace is kept
        case TraceConversion::VoltsToAfr:
            return static_cast<float>(2.0 * static_cast<double>(value) + 10.0);
        case TraceConversion::BitMask:
            return bitsOn(value, option.mask);
    }
    return value;
}

void buildTrace(const TraceOption& option, const DataBuffer& data,
                std::array<float, kDataRows>& out) {
    const auto& column = data.column(option.column);
    for (int k = 0; k < kDataRows; ++k) {
        out[static_cast<std::size_t>(k)] =
            convertTraceValue(option, column[static_cast<std::size_t>(k)]);
    }
}

AxisSpan traceAxisRange(const TraceOption& option, qint16 maxRPM, qint16 maxVSS) {
    switch (option.range) {
        case TraceRange::MaxRPM:
            return {0, static_cast<double>(maxRPM)};
        case TraceRange::MaxVSS:
            return {0, static_cast<double>(maxVSS)};
        case TraceRange::Fixed:
            break;
    }
    return {option.low, option.high};
}

}  // namespace tarvik
