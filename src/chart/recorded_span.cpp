#include "chart/recorded_span.h"

#include <algorithm>
#include <cmath>

#include "chart/time_window.h"

namespace tarvik {

int recordedRows(const DataBuffer& data) {
    return std::clamp(data.rows, 0, kDataRows);
}

std::span<const float> recordedPart(const DataBuffer& data, Column column) {
    return recordedPart(data, data.column(column));
}

std::span<const float> recordedPart(const DataBuffer& data, std::span<const float> values) {
    const auto n = static_cast<std::size_t>(recordedRows(data));
    return values.first(std::min(n, values.size()));
}

RecordedSpan recordedSpan(const DataBuffer& data) {
    RecordedSpan s;
    s.rows = recordedRows(data);
    if (s.rows == kDataRows) {
        s.end = totalSpanOf(data.logInterval);
        return s;
    }
    // A shorter recording ends at its last reading, not where 2700 readings would have ended.
    bool any = false;
    double first = 0;
    double last = 0;
    for (float t : recordedPart(data, Column::ElapsedTime)) {
        if (!std::isfinite(t)) {
            continue;
        }
        first = any ? std::min(first, static_cast<double>(t)) : t;
        last = any ? std::max(last, static_cast<double>(t)) : t;
        any = true;
    }
    if (!any) {
        return s;
    }
    // Whole seconds, as the scroll bar counts them; the scroll bar reports a span it cannot
    // hold, so the values are only kept inside what a single can hold here.
    constexpr double kLargest = 1e9;
    s.start = static_cast<float>(std::clamp(std::floor(first), 0.0, kLargest));
    s.end = static_cast<float>(std::clamp(std::ceil(last), static_cast<double>(s.start), kLargest));
    return s;
}

}  // namespace tarvik
