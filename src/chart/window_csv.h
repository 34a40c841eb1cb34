#pragma once

#include <QByteArray>

#include "logdata/data_buffer.h"

namespace tarvik {

/// The samples shown in a time window as CSV (RFC 4180): the log file's heading line (the
/// twelve quoted column headings, "Elapsed Time" first), then one line per recorded row whose
/// elapsed time lies within `low` to `high` (both included), the twelve values in column order as
/// the log file writes numbers. Lines end with CR LF, the last one too.
QByteArray windowCsv(const DataBuffer& data, double low, double high);

/// The rows windowCsv() writes.
int windowRowCount(const DataBuffer& data, double low, double high);

/// One CSV field: quoted, with its quotes doubled, when it holds a comma, a quote, a CR or an
/// LF; as it is otherwise.
QByteArray csvField(const QByteArray& text);

}  // namespace tarvik
