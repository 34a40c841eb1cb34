#include "logdata/open_log_command.h"

#include <QFile>
#include <algorithm>
#include <functional>
#include <memory>

#include "core/app_error.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "link/controller.h"
#include "logdata/caption_rule.h"
#include "logdata/data_buffer.h"
#include "logdata/file_dialogs.h"
#include "logdata/log_file_reader.h"
#include "platform/local_path.h"
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

QString OpenLogCommand::endedEarlyText(int readings) {
    return QStringLiteral("This recording ended early: %1 readings kept").arg(readings);
}

QString OpenLogCommand::noReadingsText(const QString& path) {
    return local_path::shown(path) + QStringLiteral("\r\nThis log holds no readings.");
}

QString OpenLogCommand::goneText(const QString& path, const QString& listName, bool askToRemove) {
    QString text = local_path::shown(path) +
                   QStringLiteral(
                       "\r\nThis file is no longer there: it has been moved, renamed "
                       "or deleted.");
    text += askToRemove ? QStringLiteral("\r\n\r\nRemove it from the %1 list?").arg(listName)
                        : QStringLiteral("\r\nIt is no longer listed in %1.").arg(listName);
    return text;
}

namespace {

QString notALogFile(const QString& path, const RegularFileResult& kind) {
    return local_path::shown(path) +
           QStringLiteral("\r\nThis is %1, not a log file.").arg(fileKindText(kind));
}

QString notText(const QString& path, LogFileReader::Content content) {
    return local_path::shown(path) +
           (content == LogFileReader::Content::Utf16
                ? QStringLiteral("\r\nThis is not a log file: its text is written in UTF-16 "
                                 "(two bytes per character). A log file is plain text.")
                : QStringLiteral("\r\nThis is not a log file: it holds binary data."));
}

}  // namespace

QString OpenLogCommand::tooLargeText(const QString& path, qint64 ignoredBytes) {
    return local_path::shown(path) +
           QStringLiteral(
               "\r\nThis file is larger than any log file. Only its first %1 MB were "
               "read; the remaining %L2 bytes were ignored.")
               .arg(LogLineSource::kMaxFileBytes / (1024 * 1024))
               .arg(ignoredBytes);
}

void OpenLogCommand::run() {
    openChosen(QString());
}

void OpenLogCommand::openPath(const QString& path) {
    openChosen(path);
}

bool OpenLogCommand::openListed(const QString& path, const QString& listName, bool askToRemove) {
    if (local_path::exists(path)) {
        openChosen(path);
        return false;
    }
    ErrorTrap trap(host_.dialogs());
    MsgResult answer = MsgResult::No;
    trap.run([&] {
        answer = host_.dialogs().message(kTitle, goneText(path, listName, askToRemove),
                                         MsgIcon::Exclamation,
                                         askToRemove ? MsgButtons::YesNo : MsgButtons::Ok);
    });
    return !askToRemove || answer == MsgResult::Yes;
}

void OpenLogCommand::warn(ErrorTrap& trap, const QString& text) {
    trap.run([&] { host_.dialogs().message(kTitle, text, MsgIcon::Exclamation, MsgButtons::Ok); });
}

void OpenLogCommand::openChosen(const QString& chosenPath) {
    ErrorTrap trap(host_.dialogs());
    const std::unique_ptr<DataBuffer> fresh = startDataSet(trap);
    if (!fresh) {
        return;
    }
    const QString path = choosePath(trap, chosenPath);
    QFile file;
    if (path.isEmpty() || !openFile(trap, path, file) || !readFile(trap, path, file, *fresh) ||
        host_.closing()) {
        return;
    }
    // The file gave data: it replaces the loaded data set now.
    fresh->controllerVersion = controllerModelName(controllerModelOf(fresh->firmwareId));
    file.close();
    fresh->bufferEmpty = false;
    host_.dataBuffer() = *fresh;
    host_.fileUsed(path);
    trap.run([&] { host_.setCaption(fileCaption(host_.baseTitle(), local_path::shown(path))); });
    trap.run([&] { host_.viewChart(); });
}

std::unique_ptr<DataBuffer> OpenLogCommand::startDataSet(ErrorTrap& trap) {
    // A loaded data set is replaced only with the user's consent, and only by a file that gives
    // data: the file is read into a fresh data set, and the loaded one (possibly never saved)
    // stays as it is when the file turns out empty, unreadable or not a log at all.
    const bool replacing = !host_.dataBuffer().bufferEmpty;
    if (replacing) {
        MsgResult answer = MsgResult::Cancel;
        trap.run([&] {
            answer = host_.dialogs().message(
                kTitle, QStringLiteral("Data buffer not empty. OK to overwrite?"), MsgIcon::None,
                MsgButtons::OkCancel);
        });
        if (answer != MsgResult::Ok) {
            return nullptr;
        }
    }
    auto fresh = std::make_unique<DataBuffer>(host_.dataBuffer());
    if (replacing) {
        fresh->clearDataBuffer();
    }
    fresh->firmwareId.clear();
    fresh->controllerVersion.clear();
    return fresh;
}

QString OpenLogCommand::choosePath(ErrorTrap& trap, const QString& chosenPath) {
    // Cancel in the not-found message arrives here as "Canceled File Open".
    QString path;
    FileDialogs files(host_.dialogs());
    trap.run([&] {
        path = files.fileOpen(QStringLiteral("Open File"), kLogFileFilter, QString(), chosenPath);
    });
    return path;
}

bool OpenLogCommand::openFile(ErrorTrap& trap, const QString& path, QFile& file) {
    // Only a regular file: a folder cannot be read, and a device or a pipe would never end (or
    // never begin).
    RegularFileResult opened;
    trap.run([&] {
        if (file.isOpen()) {
            return;
        }
        opened = openRegularFile(file, path);
        if (opened.kind == FileKind::Missing || opened.kind == FileKind::Unreadable) {
            throw AppError(
                AppError::kFileError, kTitle,
                QStringLiteral("Cannot open %1: %2").arg(local_path::shown(path), opened.error));
        }
    });
    if (trap.aborted()) {
        return false;
    }
    if (opened.kind == FileKind::Folder || opened.kind == FileKind::Special) {
        warn(trap, notALogFile(path, opened));
        return false;
    }
    return file.isOpen();  // an ignored failure leaves nothing to read
}

bool OpenLogCommand::readFile(ErrorTrap& trap, const QString& path, QFile& file,
                              DataBuffer& buffer) {
    LogFileReader reader(file);
    // The window stays alive while a large file is read, and Esc stops the reading (the loaded
    // data set then stays). An Esc pressed before the reading began does not count.
    host_.clearAbortRequest();
    reader.lines().setChunkHook([this] {
        host_.yield();
        return !host_.abortRequested() && !host_.closing();
    });
    // Says so when the file went on past what a log file can hold.
    auto reportBound = [&] {
        if (reader.lines().limitReached()) {
            warn(trap,
                 tooLargeText(path, std::max<qint64>(file.size() - reader.lines().bytesRead(), 1)));
        }
    };
    auto stoppedByEsc = [&] {
        if (reader.lines().stopped()) {
            host_.clearAbortRequest();
            return true;
        }
        return false;
    };

    bool complete = true;
    trap.run([&] { complete = reader.readHeader(buffer); });
    if (trap.aborted() || (!complete && stoppedByEsc())) {
        return false;
    }
    if (!complete) {
        if (reader.content() != LogFileReader::Content::Text) {
            warn(trap, notText(path, reader.content()));
            return false;
        }
        reportBound();
        warn(trap, kNoData);
        return false;
    }

    // A part that ends early has its data kept, with a warning; false when the reading is over.
    auto readPart = [&](const std::function<bool()>& part, bool& partComplete) {
        trap.run([&] { partComplete = part(); });
        if (trap.aborted() || stoppedByEsc()) {
            return false;
        }
        if (!partComplete) {
            reportBound();
            warn(trap, kDataMissing);
        }
        return true;
    };
    bool samplesComplete = true;
    if (!readPart([&] { return reader.readSamples(buffer); }, samplesComplete)) {
        return false;
    }
    LogFileReader::repairElapsedTimes(buffer);
    bool trailerComplete = true;
    if (samplesComplete && !readPart([&] { return reader.readTrailer(buffer); }, trailerComplete)) {
        return false;
    }
    if (buffer.rows == 0) {
        warn(trap, noReadingsText(path));  // only padding: nothing to chart
        return false;
    }
    if (!LogFileReader::firmwareRecognised(buffer.firmwareId)) {
        warn(trap, kInvalidFirmware);
    }
    if (reader.unfinishedRecording() && samplesComplete && trailerComplete) {
        // The file is whole, as a recording's file always is: only its end is missing.
        trap.run([&] {
            host_.dialogs().message(kTitle, endedEarlyText(buffer.rows), MsgIcon::Information,
                                    MsgButtons::Ok);
        });
    }
    return true;
}

}  // namespace tarvik
