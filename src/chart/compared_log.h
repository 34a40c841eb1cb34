#pragma once

#include <QString>
#include <memory>

#include "logdata/data_buffer.h"

namespace tarvik {

class UserDialogs;

/// Reads a log file for comparison into a data set of its own, with the reader that File >
/// Open File uses and the messages it gives (titled `title`); the program's data set, caption
/// and comment are not touched. Nothing is returned (no comparison) when the file cannot be
/// read, ends within its header, or ends before its last sample or trailer line. A file
/// whose firmware is not recognised is still compared, after the reader's message.
std::unique_ptr<DataBuffer> readComparedLog(const QString& path, UserDialogs& dialogs,
                                            const QString& title);

}  // namespace tarvik
