#include "logdata/file_dialogs.h"

#include <QFileInfo>
#include <utility>

#include "core/app_error.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "platform/local_path.h"

namespace tarvik {

const QString FileDialogs::kAllFilesFilter = QStringLiteral("All Files (*.*)|*.*");
const QString FileDialogs::kDefaultOverwritePrompt = QStringLiteral("Replace existing file?");

namespace {
const QString kOpenSource = QStringLiteral("File Open");
const QString kSaveSource = QStringLiteral("File Save");
const QString kCrLf = QStringLiteral("\r\n");
}  // namespace

FileDialogs::FileDialogs(UserDialogs& dialogs, FileExists fileExists)
    : dialogs_(dialogs), fileExists_(std::move(fileExists)) {
    if (!fileExists_) {
        fileExists_ = [](const QString& path) { return local_path::exists(path); };
    }
}

QString FileDialogs::fileOpen(const QString& title, const QString& filter, const QString& prompt,
                              const QString& chosenPath) {
    ErrorTrap trap(dialogs_);
    const QString useFilter = filter.isEmpty() ? kAllFilesFilter : filter;
    auto aborted = [] {
        return AppError(AppError::kFileOpenCancel, kOpenSource,
                        QStringLiteral("Aborted File Open"));
    };
    QString preset = chosenPath;
    for (;;) {
        QString path;
        if (!preset.isEmpty()) {
            path = std::exchange(preset, QString());
        } else if (!trap.run([&] { path = dialogs_.openFileName(title, useFilter); })) {
            throw aborted();
        }
        if (path.isEmpty()) {
            return path;  // left without a choice: the caller decides
        }
        bool exists = false;
        if (!trap.run([&] { exists = fileExists_(path); })) {
            throw aborted();
        }
        if (exists) {
            return path;
        }
        QString text = local_path::shown(path) + kCrLf + QStringLiteral("File not found.");
        if (!prompt.isEmpty()) {
            text += kCrLf + kCrLf + prompt;
        }
        MsgResult answer = MsgResult::Cancel;
        if (!trap.run([&] {
                answer = dialogs_.message(
                    kOpenSource, text, MsgIcon::Exclamation,
                    prompt.isEmpty() ? MsgButtons::RetryCancel : MsgButtons::YesNoCancel);
            })) {
            throw aborted();
        }
        switch (answer) {
            case MsgResult::Retry:
            case MsgResult::No:
                continue;
            case MsgResult::Yes:
                return path;
            default:
                throw AppError(AppError::kFileOpenCancel, kOpenSource,
                               QStringLiteral("Canceled File Open"));
        }
    }
}

QString FileDialogs::fileSave(const QString& title, const QString& filter, const QString& prompt) {
    ErrorTrap trap(dialogs_);
    const QString useFilter = filter.isEmpty() ? kAllFilesFilter : filter;
    const QString question = prompt.isEmpty() ? kDefaultOverwritePrompt : prompt;
    auto aborted = [] {
        return AppError(AppError::kFileSaveCancel, kSaveSource,
                        QStringLiteral("Aborted File Save"));
    };
    for (;;) {
        QString path;
        if (!trap.run([&] { path = dialogs_.saveFileName(title, useFilter); })) {
            throw aborted();
        }
        if (path.isEmpty()) {
            return path;
        }
        bool exists = false;
        if (!trap.run([&] { exists = fileExists_(path); })) {
            throw aborted();
        }
        if (!exists) {
            return path;
        }
        MsgResult answer = MsgResult::Cancel;
        if (!trap.run([&] {
                answer =
                    dialogs_.message(kSaveSource,
                                     path + kCrLf + QStringLiteral("This file already exists.") +
                                         kCrLf + kCrLf + question,
                                     MsgIcon::Exclamation, MsgButtons::YesNoCancel);
            })) {
            throw aborted();
        }
        switch (answer) {
            case MsgResult::Yes:
                return path;
            case MsgResult::No:
                continue;
            default:
                throw AppError(AppError::kFileSaveCancel, kSaveSource,
                               QStringLiteral("Canceled File Save"));
        }
    }
}

}  // namespace tarvik
