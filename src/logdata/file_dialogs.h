#pragma once

#include <QString>
#include <functional>

namespace tarvik {

class UserDialogs;

/// The open and save file questions of the log-file commands: the common dialog, then the
/// not-found or overwrite message. Cancelling through that message throws the AppError the
/// caller's trap shows ("Canceled File Open" 0x800403E8 / "Canceled File Save" 0x800403E9).
class FileDialogs {
public:
    using FileExists = std::function<bool(const QString& path)>;

    static const QString kAllFilesFilter;
    static const QString kDefaultOverwritePrompt;

    /// `fileExists` defaults to a look at the file system.
    explicit FileDialogs(UserDialogs& dialogs, FileExists fileExists = {});

    /// Asks for a file to read. A path with no file behind it brings "File not found." with
    /// Retry/Cancel (Yes/No/Cancel and the prompt when `prompt` is given): Retry or No shows
    /// the dialog again, Yes takes the path anyway. Returns "" when the dialog was left without
    /// a choice. A non-empty `chosenPath` stands for the dialog's first answer (a file picked
    /// from a recent list); a later Retry shows the dialog.
    QString fileOpen(const QString& title, const QString& filter, const QString& prompt,
                     const QString& chosenPath = QString());
    /// Asks for a file to write. An existing file brings "This file already exists." and the
    /// prompt (default "Replace existing file?") with Yes/No/Cancel: Yes takes it, No shows the
    /// dialog again. Returns "" when the dialog was left without a choice.
    QString fileSave(const QString& title, const QString& filter, const QString& prompt);

private:
    UserDialogs& dialogs_;
    FileExists fileExists_;
};

}  // namespace tarvik
