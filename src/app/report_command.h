#pragma once

#include <QString>
#include <cstdio>

namespace tarvik {

/// `tarvik --report FILE`: the pass report of a log file as CSV on `out`, with no window. The
/// heading line always comes; a log with no launch gets it alone and a note on `err`. Returns
/// the exit status: 0 when the file was read (a file that ends early is reported as far as it
/// goes, with a note), 1 when it could not be read or the report could not be written (the
/// reason on `err`). `program` names the program in the notes.
int printPassReport(const QString& path, const QString& program, std::FILE* out, std::FILE* err);

}  // namespace tarvik
