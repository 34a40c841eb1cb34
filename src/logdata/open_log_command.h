#pragma once

#include <QString>

#include "logdata/log_data_context.h"

namespace tarvik {

/// "&Open File": reads a ".log" file into a fresh data set and, when the file gave data, puts it
/// in the data buffer (a loaded data set is replaced only after the user agreed), shows the
/// file's name in the caption and opens the chart. A file that gives no data (empty, not a log
/// file, a folder, a device) or a reading stopped with Esc leaves the loaded data set and the
/// caption as they were.
class OpenLogCommand {
public:
    static const QString kTitle;
    static const QString kNoData;
    static const QString kDataMissing;
    static const QString kInvalidFirmware;

    /// The notice of a file that goes on past the reading bound.
    static QString tooLargeText(const QString& path, qint64 ignoredBytes);

    explicit OpenLogCommand(const LogDataContext& context) : ctx_(context) {}

    void run();
    /// The same command on a file already chosen (Recent Files, Recent Downloads): the open
    /// dialog is skipped, and a file that has gone brings the dialog's "File not found." path.
    void openPath(const QString& path);

private:
    void openChosen(const QString& chosenPath);

    const LogDataContext& ctx_;
};

}  // namespace tarvik
