#include "logdata/save_log_command.h"

#include <QBuffer>
#include <QSaveFile>
#include <memory>

#include "core/app_error.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "logdata/caption_rule.h"
#include "logdata/data_buffer.h"
#include "logdata/file_dialogs.h"
#include "logdata/file_writes.h"
#include "logdata/log_file_writer.h"

namespace tarvik {

const QString SaveLogCommand::kTitle = QStringLiteral("Save Log File");

namespace {

AppError fileError(const QString& path, const QString& what, const QString& why) {
    return AppError(AppError::kFileError, SaveLogCommand::kTitle,
                    QStringLiteral("%1 %2: %3").arg(what, path, why));
}

// Opens the new file beside the target; nothing at the path changes until commit().
std::unique_ptr<QSaveFile> createFile(const QString& path) {
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) {
        throw fileError(path, QStringLiteral("Cannot create"), file->errorString());
    }
    return file;
}

// Drops the new file; the target stays as it was.
void discard(std::unique_ptr<QSaveFile>& file) {
    if (file) {
        file->cancelWriting();
        file.reset();
    }
}

// All or nothing: every byte must reach the new file before it replaces the old one. False
// (the new file dropped) when anything went wrong.
bool writeAndCommit(ErrorTrap& trap, const QString& path, std::unique_ptr<QSaveFile>& file,
                    const QByteArray& text) {
    bool saved = false;
    trap.run([&] {
        if (!file) {
            file = createFile(path);
        }
        const QString why = file_writes::writeWhole(*file, text);
        if (!why.isEmpty()) {
            discard(file);
            throw fileError(path, QStringLiteral("Cannot write"), why);
        }
        if (!file->commit()) {
            QString reason = file_writes::reasonOf(*file);
            file.reset();
            throw fileError(
                path, QStringLiteral("Cannot write"),
                reason.isEmpty() ? QStringLiteral("the file could not be completed") : reason);
        }
        file.reset();
        saved = true;
    });
    if (!saved) {
        discard(file);
    }
    return saved;
}

}  // namespace

void SaveLogCommand::run() {
    // An Esc pressed while nothing was running must not stop this save.
    host_.clearAbortRequest();
    ErrorTrap trap(host_.dialogs());
    if (host_.dataBuffer().bufferEmpty) {
        trap.run([&] {
            host_.dialogs().message(kTitle, QStringLiteral("Data buffer empty."),
                                    MsgIcon::Exclamation, MsgButtons::Ok);
        });
        return;
    }
    const QString path = choosePath(trap);
    if (path.isEmpty()) {
        return;  // the dialog was left without a file: nothing to write
    }

    // The new file is created now so a folder that cannot be written is reported before any
    // work is done.
    std::unique_ptr<QSaveFile> file;
    trap.run([&] { file = createFile(path); });
    QByteArray text;
    if (trap.aborted() || !compose(trap, text)) {
        discard(file);
        return;
    }
    // The program may have begun to end while the text was composed: the old file stays.
    if (host_.closing()) {
        discard(file);
        return;
    }
    if (!writeAndCommit(trap, path, file, text)) {
        return;  // nothing replaced the old file, so the caption does not name it
    }
    host_.fileUsed(path);
    trap.run([&] { host_.setCaption(fileCaption(host_.baseTitle(), path)); });
}

QString SaveLogCommand::choosePath(ErrorTrap& trap) {
    // Cancel in the overwrite question arrives here as "Canceled File Save".
    QString path;
    FileDialogs files(host_.dialogs());
    trap.run(
        [&] { path = files.fileSave(QStringLiteral("Save File"), kLogFileFilter, QString()); });
    return path;
}

bool SaveLogCommand::compose(ErrorTrap& trap, QByteArray& text) {
    // The text is composed in memory and written in one piece at the end.
    DataBuffer& buffer = host_.dataBuffer();
    text.reserve(128 * 1024);
    QBuffer memory(&text);
    memory.open(QIODevice::WriteOnly);
    LogFileWriter writer(memory);
    trap.run([&] { writer.writeHeader(buffer); });
    for (int row = 1; row <= kDataRows; ++row) {
        trap.run([&] { writer.writeSample(buffer, row); });
        if (trap.aborted()) {
            return false;
        }
        host_.yield();
        if (host_.closing()) {
            return false;
        }
        if (host_.abortRequested()) {
            host_.clearAbortRequest();
            return false;
        }
    }
    trap.run([&] { writer.writeIdentity(buffer, host_.brandName()); });
    if (buffer.comment.isEmpty()) {
        trap.run([&] {
            buffer.comment =
                host_.dialogs().inputBox(QStringLiteral("Comment?"),
                                         QStringLiteral("Optional Information Entry"), QString());
        });
    }
    trap.run([&] { writer.writeComment(buffer); });
    return !trap.aborted();
}

}  // namespace tarvik
