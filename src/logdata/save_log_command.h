#pragma once

#include <QString>

#include "logdata/log_data_host.h"

class QByteArray;
class QSaveFile;

namespace tarvik {

class ErrorTrap;

/// "&Save File": writes the data buffer to a ".log" file chosen in the save dialog. The file is
/// composed line by line (yielding after each sample line so Esc is seen) and replaces the file
/// at the path only when it is complete: a save that fails, or that Esc stops, leaves whatever
/// was at the path exactly as it was.
class SaveLogCommand {
public:
    static const QString kTitle;

    explicit SaveLogCommand(LogDataHost& host) : host_(host) {}

    void run();

private:
    /// The file to write, or "" when none was chosen.
    QString choosePath(ErrorTrap& trap);
    /// The whole file's text; false when a step was aborted or Esc stopped it.
    bool compose(ErrorTrap& trap, QByteArray& text);

    LogDataHost& host_;
};

}  // namespace tarvik
