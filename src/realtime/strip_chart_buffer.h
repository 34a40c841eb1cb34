#pragma once

#include <array>
#include <limits>

namespace tarvik {

struct LiveCycle;

/// What the strip chart keeps of one poll cycle, in the panel's own units where they do not
/// depend on a display choice; NaN where the cycle did not get the reading.
struct StripSample {
    static constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
    float rpm = kNone;
    float roadSpeedMph = kNone;
    float throttlePercent = kNone;
    float throttleVolts = kNone;
    float input1Volts = kNone;
    float input2Volts = kNone;
    float stage1Duty = kNone;
    float stage2Duty = kNone;

    static StripSample from(const LiveCycle& cycle);
};

/// The last 120 cycles (a minute at two cycles a second), oldest first. Appending costs a copy
/// into a fixed ring: nothing is allocated after construction.
class StripChartBuffer {
public:
    static constexpr int kCapacity = 120;

    void append(const StripSample& sample);
    void clear();
    int size() const { return count_; }
    /// Sample i, 0 the oldest kept, size() - 1 the newest. Outside that range throws AppError
    /// (subscript out of range).
    const StripSample& at(int i) const;
    /// The newest sample; a sample of nothing when the buffer is empty.
    StripSample newest() const;

private:
    std::array<StripSample, kCapacity> ring_{};
    int next_ = 0;
    int count_ = 0;
};

}  // namespace tarvik
