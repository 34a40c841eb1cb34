#pragma once

#include <QtGlobal>
#include <array>
#include <optional>

#include "logdata/data_buffer.h"

namespace tarvik {

/// What one poll cycle read, for the recorder and the strip chart. `log` holds the readings in
/// the units and columns of a log file row (column 0, the elapsed time, is the recorder's);
/// a reading the cycle did not get (cut short by an error, Esc or Close, or a read given up
/// with Ignore) is left empty, never carried over from the cycle before.
struct LiveCycle {
    /// When the cycle began, on the link's monotonic clock.
    qint64 startedUs = 0;
    std::array<std::optional<float>, kDataColumns> log{};
    /// The road speed as the speedometer showed it (mph) and the throttle in volts: the strip
    /// chart draws in the panel's units, not the file's.
    std::optional<float> roadSpeedMph;
    std::optional<float> throttleVolts;

    bool empty() const {
        for (const auto& v : log) {
            if (v) {
                return false;
            }
        }
        return true;
    }
    void set(Column c, float value) { log[static_cast<std::size_t>(c)] = value; }
    std::optional<float> get(Column c) const { return log[static_cast<std::size_t>(c)]; }
};

}  // namespace tarvik
