#include "chart/launch_finder.h"

#include <cmath>

#include "chart/recorded_span.h"
#include "chart/trace_options.h"

namespace tarvik {

namespace {

bool stage1On(const TraceOption& option, float outputs) {
    return std::isfinite(outputs) && convertTraceValue(option, outputs) == 1.0f;
}

bool throttleOpen(float tps) {
    return std::isfinite(tps) && tps >= kLaunchThrottle;
}

template <class On>
std::vector<int> risingEdges(const DataBuffer& data, Column column, On on) {
    std::vector<int> rows;
    const int last = recordedRows(data);
    if (last < 1) {
        return rows;
    }
    bool before = on(data.at(column, 1));
    for (int row = 2; row <= last; ++row) {
        const bool now = on(data.at(column, row));
        if (now && !before) {
            rows.push_back(row);
        }
        before = now;
    }
    return rows;
}

}  // namespace

Launches findLaunches(const DataBuffer& data) {
    const TraceOption* stage1 = findTraceOption(QStringLiteral("optTrace2Stage1Trig"));
    Launches l;
    l.rows =
        risingEdges(data, Column::OutputData, [stage1](float v) { return stage1On(*stage1, v); });
    if (!l.rows.empty()) {
        l.signal = LaunchSignal::Stage1;
        return l;
    }
    l.rows = risingEdges(data, Column::TPSPercent, throttleOpen);
    l.signal = l.rows.empty() ? LaunchSignal::None : LaunchSignal::Throttle;
    return l;
}

LaunchSpan launchSpan(double time) {
    return {time - kLaunchLead, time + kLaunchFollow};
}

QString launchSignalName(LaunchSignal signal) {
    switch (signal) {
        case LaunchSignal::Stage1:
            return QStringLiteral("Stage 1 Triggered");
        case LaunchSignal::Throttle:
            return QStringLiteral("throttle at 90 %");
        case LaunchSignal::None:
            break;
    }
    return QString();
}

}  // namespace tarvik
