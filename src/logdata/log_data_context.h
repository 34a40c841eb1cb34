#pragma once

#include <QString>
#include <functional>

#include "logdata/file_dialogs.h"

namespace tarvik {

class DataBuffer;
class UserDialogs;

/// What the data-set commands (open, save, download) need from the main window. Every
/// function may be left empty where a command does not use it.
struct LogDataContext {
    DataBuffer& buffer;
    UserDialogs& dialogs;
    /// The window's designed caption; every caption these commands set begins with it.
    QString baseTitle;
    /// Line 1 of the brand lines, written into the log file.
    QString brandName;
    /// Esc was pressed (AbortRequested), and clearing it.
    std::function<bool()> abortRequested;
    std::function<void(bool)> setAbortRequested;
    /// One pass of the event loop, so the window repaints and Esc is seen.
    std::function<void()> yield;
    std::function<void(const QString&)> setCaption;
    /// The View Chart command.
    std::function<void()> viewChart;
    /// Whether a file exists (default: the file system).
    FileDialogs::FileExists fileExists;
    /// A log file was read or saved (the Recent Files list remembers it).
    std::function<void(const QString& path)> fileUsed;

    bool isAbortRequested() const { return abortRequested && abortRequested(); }
    void clearAbortRequest() const {
        if (setAbortRequested) {
            setAbortRequested(false);
        }
    }
};

/// The filter of the log-file dialogs.
inline const QString kLogFileFilter = QStringLiteral("Nitrous Controller log files (*.log)|*.log");

}  // namespace tarvik
