#pragma once

#include <span>

#include "logdata/data_buffer.h"

namespace tarvik {

/// The part of a data set that holds samples. Rows 1..rows hold readings; the rows after them
/// are padding (a recording that stopped before 2700 readings), which the chart neither draws
/// nor reads, counts, compares or exports.
struct RecordedSpan {
    int rows = kDataRows;
    /// Where a time window may begin, in seconds: 0, or the whole second before the first
    /// reading of a recording that begins later (the second part of a long recording).
    float start = 0;
    /// The end of the log (the window's TotalSpan): the interval times 2700 for a full log, the
    /// whole second at or after the last reading for a shorter one.
    float end = 0;
};

/// The data set's row count held to 0..2700, so that a wrong count can never reach past the
/// columns.
int recordedRows(const DataBuffer& data);

/// The recorded rows of a column, element k for row k + 1.
std::span<const float> recordedPart(const DataBuffer& data, Column column);
std::span<const float> recordedPart(const DataBuffer& data, std::span<const float> values);

/// The span the chart shows of the data set.
RecordedSpan recordedSpan(const DataBuffer& data);

}  // namespace tarvik
