#include "logdata/open_log_command.h"

#include <QFile>
#include <algorithm>
#include <memory>

#include "core/app_error.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "link/controller.h"
#include "logdata/caption_rule.h"
#include "logdata/data_buffer.h"
#include "logdata/log_file_reader.h"
#include "platform/regular_file.h"

namespace tarvik {

const QString OpenLogCommand::kTitle = QStringLiteral("Open Log File");
const QString OpenLogCommand::kNoData =
    QStringLiteral("Error - reached premature end-of-file. No data found");
const QString OpenLogCommand::kDataMissing =
    QStringLiteral("Error - reached premature end-of-file. Some data may be missing or corrupted");
const QString OpenLogCommand::kInvalidFirmware = QStringLiteral(
    "Error - invalid firmware ID. Unable to identify controller version.\r\n"
    "Some data may be incorrectly scaled.");

namespace {

QString notALogFile(const QString& path, const RegularFileResult& kind) {
    return path + QStringLiteral("\r\nThis is %1, not a log file.").arg(fileKindText(kind));
}

QString notText(const QString& path, LogFileReader::Content content) {
    return path + (content == LogFileReader::Content::Utf16
                       ? QStringLiteral("\r\nThis is not a log file: its text is written in UTF-16 "
                                        "(two bytes per character). A log file is plain text.")
                       : QStringLiteral("\r\nThis is not a log file: it holds binary data."));
}

}  // namespace

QString OpenLogCommand::tooLargeText(const QString& path, qint64 ignoredBytes) {
    return path + QStringLiteral(
                      "\r\nThis file is larger than any log file. Only its first %1 MB were "
                      "read; the remaining %L2 bytes were ignored.")
                      .arg(LogLineSource::kMaxFileBytes / (1024 * 1024))
                      .arg(ignoredBytes);
}

void OpenLogCommand::mnuOpenFile_Click() {
    run(QString());
}

void OpenLogCommand::openPath(const QString& path) {
    run(path);
}

void OpenLogCommand::run(const QString& chosenPath) {
    ErrorTrap trap(ctx_.dialogs);
    auto warn = [&](const QString& text) {
        trap.run([&] { ctx_.dialogs.message(kTitle, text, MsgIcon::Exclamation, MsgButtons::Ok); });
    };

    // 1. A loaded data set is replaced only with the user's consent, and only by a file that
    // gives data: the file is read into a fresh data set, and the loaded one (possibly never
    // saved) stays as it is when the file turns out empty, unreadable or not a log at all.
    const bool replacing = !ctx_.buffer.bufferEmpty;
    if (replacing) {
        MsgResult answer = MsgResult::Cancel;
        if (!trap.run([&] {
                answer = ctx_.dialogs.message(
                    kTitle, QStringLiteral("Data buffer not empty. OK to overwrite?"),
                    MsgIcon::None, MsgButtons::OkCancel);
            })) {
            return;
        }
        if (answer != MsgResult::Ok) {
            return;
        }
    }
    auto fresh = std::make_unique<DataBuffer>(ctx_.buffer);
    DataBuffer& buffer = *fresh;
    if (replacing) {
        buffer.clearDataBuffer();
    }

    // 2.
    buffer.firmwareId.clear();
    buffer.controllerVersion.clear();

    // 3. Cancel in the not-found message arrives here as "Canceled File Open".
    QString path;
    FileDialogs files(ctx_.dialogs, ctx_.fileExists);
    if (!trap.run([&] {
            path =
                files.fileOpen(QStringLiteral("Open File"), kLogFileFilter, QString(), chosenPath);
        })) {
        return;
    }
    if (path.isEmpty()) {
        return;
    }

    // 4. Only a regular file: a folder cannot be read, and a device or a pipe would never end
    // (or never begin).
    QFile file;
    RegularFileResult opened;
    if (!trap.run([&] {
            if (file.isOpen()) {
                return;
            }
            opened = openRegularFile(file, path);
            if (opened.kind == FileKind::Missing || opened.kind == FileKind::Unreadable) {
                throw AppError(AppError::kFileError, kTitle,
                               QStringLiteral("Cannot open %1: %2").arg(path, opened.error));
            }
        })) {
        return;
    }
    if (opened.kind == FileKind::Folder || opened.kind == FileKind::Special) {
        warn(notALogFile(path, opened));
        return;
    }
    if (!file.isOpen()) {
        return;  // ignored: there is nothing to read
    }
    LogFileReader reader(file);
    // The window stays alive while a large file is read, and Esc stops the reading (the loaded
    // data set then stays). An Esc pressed before the reading began does not count.
    ctx_.clearAbortRequest();
    reader.lines().setChunkHook([this] {
        if (ctx_.yield) {
            ctx_.yield();
        }
        return !ctx_.isAbortRequested();
    });
    // Says so when the file went on past what a log file can hold.
    auto reportBound = [&] {
        if (reader.lines().limitReached()) {
            warn(tooLargeText(path, std::max<qint64>(file.size() - reader.lines().bytesRead(), 1)));
        }
    };
    auto stoppedByEsc = [&] {
        if (reader.lines().stopped()) {
            ctx_.clearAbortRequest();
            return true;
        }
        return false;
    };

    // 5.
    bool complete = true;
    if (!trap.run([&] { complete = reader.readHeader(buffer); })) {
        return;
    }
    if (!complete) {
        if (stoppedByEsc()) {
            return;
        }
        if (reader.content() != LogFileReader::Content::Text) {
            warn(notText(path, reader.content()));
            return;
        }
        reportBound();
        warn(kNoData);
        return;
    }

    // 6.
    bool samplesComplete = true;
    if (!trap.run([&] { samplesComplete = reader.readSamples(buffer); })) {
        return;
    }
    if (stoppedByEsc()) {
        return;
    }
    if (!samplesComplete) {
        reportBound();
        warn(kDataMissing);
    }

    // 7.
    LogFileReader::repairElapsedTimes(buffer);

    // 8.
    if (samplesComplete) {
        bool trailerComplete = true;
        if (!trap.run([&] { trailerComplete = reader.readTrailer(buffer); })) {
            return;
        }
        if (stoppedByEsc()) {
            return;
        }
        if (!trailerComplete) {
            reportBound();
            warn(kDataMissing);
        }
    }

    // 9.
    if (!LogFileReader::firmwareRecognised(buffer.firmwareId)) {
        warn(kInvalidFirmware);
    }

    // 10.-11. The file gave data: it replaces the loaded data set now.
    buffer.controllerVersion = controllerModelName(controllerModelOf(buffer.firmwareId));
    file.close();
    buffer.bufferEmpty = false;
    ctx_.buffer = buffer;

    // 12.
    if (ctx_.fileUsed) {
        ctx_.fileUsed(path);
    }
    if (!trap.run([&] {
            if (ctx_.setCaption) {
                ctx_.setCaption(fileCaption(ctx_.baseTitle, path));
            }
        })) {
        return;
    }
    trap.run([&] {
        if (ctx_.viewChart) {
            ctx_.viewChart();
        }
    });
}

}  // namespace tarvik
