#include "realtime/strip_chart_buffer.h"

#include "core/app_error.h"
#include "realtime/live_cycle.h"

namespace tarvik {

StripSample StripSample::from(const LiveCycle& cycle) {
    auto value = [](const std::optional<float>& v) { return v ? *v : kNone; };
    StripSample s;
    s.rpm = value(cycle.get(Column::RPM));
    s.roadSpeedMph = value(cycle.roadSpeedMph);
    s.throttlePercent = value(cycle.get(Column::TPSPercent));
    s.throttleVolts = value(cycle.throttleVolts);
    s.input1Volts = value(cycle.get(Column::Input1Volts));
    s.input2Volts = value(cycle.get(Column::Input2Volts));
    s.stage1Duty = value(cycle.get(Column::Stage1PWM));
    s.stage2Duty = value(cycle.get(Column::Stage2PWM));
    return s;
}

void StripChartBuffer::append(const StripSample& sample) {
    ring_[static_cast<std::size_t>(next_)] = sample;
    next_ = (next_ + 1) % kCapacity;
    if (count_ < kCapacity) {
        ++count_;
    }
}

void StripChartBuffer::clear() {
    next_ = 0;
    count_ = 0;
}

const StripSample& StripChartBuffer::at(int i) const {
    if (i < 0 || i >= count_) {
        throw AppError::subscriptOutOfRange(QStringLiteral("Strip Chart"));
    }
    const int oldest = (next_ - count_ + kCapacity) % kCapacity;
    return ring_[static_cast<std::size_t>((oldest + i) % kCapacity)];
}

StripSample StripChartBuffer::newest() const {
    return count_ == 0 ? StripSample{} : at(count_ - 1);
}

}  // namespace tarvik
