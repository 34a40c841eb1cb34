#pragma once

#include <QString>

#include "logdata/log_data_context.h"

namespace tarvik {

/// "&Open File": reads a ".log" file into the data buffer (after the user agrees to replace
/// a loaded data set), shows the file's name in the caption and opens the chart.
class OpenLogCommand {
public:
    static const QString kTitle;
    static const QString kNoData;
    static const QString kDataMissing;
    static const QString kInvalidFirmware;

    explicit OpenLogCommand(const LogDataContext& context) : ctx_(context) {}

    void mnuOpenFile_Click();
    /// The same command on a file already chosen (Recent Files, Recent Downloads): the open
    /// dialog is skipped, and a file that has gone brings the dialog's "File not found." path.
    void openPath(const QString& path);

private:
    void run(const QString& chosenPath);

    const LogDataContext& ctx_;
};

}  // namespace tarvik
