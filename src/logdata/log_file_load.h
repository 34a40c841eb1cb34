#pragma once

#include <QString>

#include "logdata/data_buffer.h"

namespace tarvik {

/// What became of reading a log file with no one to ask (the command line's report, the pass
/// library's indexing).
struct LogLoad {
    enum class Outcome {
        Read,        ///< the whole file was read
        EndedEarly,  ///< the file ends before its last line; the rows read are kept
        Refused,     ///< nothing was read: not there, not a regular file, not a log file
    };
    Outcome outcome = Outcome::Refused;
    /// Why the file was refused, or what is missing from one that ended early; "" when read.
    QString reason;

    bool hasData() const { return outcome != Outcome::Refused; }
};

/// Reads the log file at `path` into `data` (which the caller has cleared) with the reader File
/// > Open File uses, without boxes and without yielding. A folder, a device or pipe, a file
/// larger than any log file, an empty file and one that is not single-byte text are refused
/// before or instead of being read, so nothing blocks and nothing large is read. On data,
/// the elapsed times are repaired, the controller version is set from the firmware text and
/// the data set is marked loaded.
LogLoad loadLogFile(const QString& path, DataBuffer& data);

}  // namespace tarvik
