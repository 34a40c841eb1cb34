#pragma once

#include <QString>
#include <memory>

#include "logdata/log_data_host.h"

class QFile;

namespace tarvik {

class ErrorTrap;

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
    /// The one note for a recording that did not end normally, with the readings it kept.
    static QString endedEarlyText(int readings);
    /// A file whose sample lines are all padding.
    static QString noReadingsText(const QString& path);
    /// A file chosen from a list of the File menu that is no longer there.
    static QString goneText(const QString& path, const QString& listName, bool askToRemove);

    /// The notice of a file that goes on past the reading bound.
    static QString tooLargeText(const QString& path, qint64 ignoredBytes);

    explicit OpenLogCommand(LogDataHost& host) : host_(host) {}

    void run();
    /// The same command on a file already chosen (the command line): the open dialog is
    /// skipped, and a file that has gone brings the dialog's "File not found." path.
    void openPath(const QString& path);
    /// The same command on a file chosen from a list of the File menu (Recent Files, Recent
    /// Downloads, Recent Recordings). A file that has gone is said to be gone before anything
    /// else is asked, and nothing is opened. With `askToRemove` the user is asked whether the
    /// list should drop it (true when they agree); without, the list follows its folder and the
    /// file has already left it.
    bool openListed(const QString& path, const QString& listName, bool askToRemove);

private:
    void openChosen(const QString& chosenPath);
    /// A fresh data set to read into; null when the user keeps the loaded one.
    std::unique_ptr<DataBuffer> startDataSet(ErrorTrap& trap);
    /// The file to read, or "" when none was chosen.
    QString choosePath(ErrorTrap& trap, const QString& chosenPath);
    /// Opens the file; false when there is nothing to read (after saying why, if it is not a
    /// regular file).
    bool openFile(ErrorTrap& trap, const QString& path, QFile& file);
    /// Reads header, samples and trailer into `buffer`; false when the file gave no data or the
    /// reading was stopped.
    bool readFile(ErrorTrap& trap, const QString& path, QFile& file, DataBuffer& buffer);
    void warn(ErrorTrap& trap, const QString& text);

    LogDataHost& host_;
};

}  // namespace tarvik
