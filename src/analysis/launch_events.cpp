#include "analysis/launch_events.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/rounding.h"

namespace tarvik {

namespace {

constexpr std::array<LaunchEvent, 3> kEvents{LaunchEvent::CarMoves, LaunchEvent::Stage1On,
                                             LaunchEvent::ThrottleOpen};
constexpr int kStage1Bit = 0x01;

double at(const std::array<float, kDataRows>& column, int index) {
    return static_cast<double>(column[static_cast<std::size_t>(index)]);
}

// The car stands still at sample `i` - 1 and before, back to a second before sample `i`, and
// at least one sample lies in that second.
bool stoodStill(const DataBuffer& data, int i) {
    const auto& t = data.column(Column::ElapsedTime);
    const auto& vss = data.column(Column::VSS);
    const double from = at(t, i) - kStandstillSeconds - kTimeSlack;
    int samples = 0;
    for (int j = i - 1; j >= 0 && at(t, j) >= from; --j) {
        if (at(vss, j) != 0.0) {
            return false;
        }
        ++samples;
    }
    return samples > 0;
}

bool reachesSixty(const DataBuffer& data, int i, int n) {
    const auto& t = data.column(Column::ElapsedTime);
    const auto& vss = data.column(Column::VSS);
    const double until = at(t, i) + kReachSixtySeconds + kTimeSlack;
    for (int k = i; k < n && at(t, k) <= until; ++k) {
        if (at(vss, k) >= kSixtyMphKmh) {
            return true;
        }
    }
    return false;
}

std::optional<int> carMoves(const DataBuffer& data, int first, int n) {
    const auto& vss = data.column(Column::VSS);
    for (int i = std::max(first, 1); i < n; ++i) {
        if (at(vss, i) > 0.0 && stoodStill(data, i) && reachesSixty(data, i, n)) {
            return i;  // sample i - 1, the last one standing, is row i
        }
    }
    return std::nullopt;
}

template <class On>
std::optional<int> risingEdge(const DataBuffer& data, Column column, int first, int n, On on) {
    const auto& values = data.column(column);
    for (int i = std::max(first, 1); i < n; ++i) {
        if (on(values[static_cast<std::size_t>(i)]) &&
            !on(values[static_cast<std::size_t>(i - 1)])) {
            return i + 1;
        }
    }
    return std::nullopt;
}

}  // namespace

QString launchEventName(LaunchEvent event) {
    switch (event) {
        case LaunchEvent::CarMoves:
            return QStringLiteral("Car Moves");
        case LaunchEvent::Stage1On:
            return QStringLiteral("Stage 1 On");
        case LaunchEvent::ThrottleOpen:
            return QStringLiteral("Throttle Wide Open");
    }
    return QString();
}

std::optional<LaunchEvent> launchEventNamed(QStringView name) {
    for (LaunchEvent e : kEvents) {
        if (name == launchEventName(e)) {
            return e;
        }
    }
    return std::nullopt;
}

bool bitsSet(float value, int mask) {
    const double r = roundHalfEven(static_cast<double>(value), 0);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
        return false;
    }
    return (static_cast<qint32>(r) & mask) == mask;
}

int usedRows(const DataBuffer& data) {
    return std::clamp(data.rows, 0, kDataRows);
}

std::optional<int> nextLaunch(const DataBuffer& data, LaunchEvent event, int afterRow) {
    const int n = usedRows(data);
    const int first = std::max(afterRow, 0);  // 0-based index of the row after `afterRow`
    switch (event) {
        case LaunchEvent::CarMoves:
            return carMoves(data, first, n);
        case LaunchEvent::Stage1On:
            return risingEdge(data, Column::OutputData, first, n,
                              [](float v) { return bitsSet(v, kStage1Bit); });
        case LaunchEvent::ThrottleOpen:
            return risingEdge(data, Column::TPSPercent, first, n,
                              [](float v) { return std::isfinite(v) && v >= kWideOpenThrottle; });
    }
    return std::nullopt;
}

}  // namespace tarvik
