#pragma once

#include <QString>
#include <vector>

#include "logdata/data_buffer.h"

namespace tarvik {

/// What marks a launch in a log: the stage 1 solenoid switching on, or (for a pass made
/// without nitrous) the throttle reaching 90 %.
enum class LaunchSignal { None, Stage1, Throttle };

struct Launches {
    LaunchSignal signal = LaunchSignal::None;
    std::vector<int> rows;  ///< 1-based rows where each launch is first seen, in time order
};

/// The throttle opening that counts as a launch when stage 1 never triggers.
inline constexpr float kLaunchThrottle = 90.0f;
/// A launch is shown from this long before it...
inline constexpr double kLaunchLead = 2.0;
/// ...to this long after it.
inline constexpr double kLaunchFollow = 12.0;

/// Every launch of the log: each rising edge of "Stage 1 Triggered" (the stage 1 output bit,
/// read as the chart's on/off trace reads it), or, when there is none, each time the throttle
/// rises to 90 % or more. An edge needs a row before it: a log that begins with the stage on
/// (or the throttle open) did not record that launch. Only the recorded rows are looked at.
Launches findLaunches(const DataBuffer& data);

/// The time window that shows the pass launched at `time` (before holding it inside the log).
struct LaunchSpan {
    double low = 0;
    double high = 0;
};
LaunchSpan launchSpan(double time);

/// The signal's name as the window reports it.
QString launchSignalName(LaunchSignal signal);

}  // namespace tarvik
