#include "chart/compared_log.h"

#include <QFile>
#include <algorithm>

#include "core/app_error.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "logdata/log_file_reader.h"
#include "logdata/open_log_command.h"
#include "platform/regular_file.h"

namespace tarvik {

namespace {

// The texts File > Open File shows for a file that is no log file, word for word.
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

std::unique_ptr<DataBuffer> readComparedLog(const QString& path, UserDialogs& dialogs,
                                            const QString& title) {
    ErrorTrap trap(dialogs);
    auto warn = [&](const QString& text) {
        trap.run([&] { dialogs.message(title, text, MsgIcon::Exclamation, MsgButtons::Ok); });
    };
    auto data = std::make_unique<DataBuffer>();
    // Only a regular file, as Open File opens it: a named pipe would never begin and a device
    // never end.
    QFile file;
    RegularFileResult opened;
    if (!trap.run([&] {
            opened = openRegularFile(file, path);
            if (opened.kind == FileKind::Missing || opened.kind == FileKind::Unreadable) {
                throw AppError(AppError::kFileError, title,
                               QStringLiteral("Cannot open %1: %2").arg(path, opened.error));
            }
        })) {
        return nullptr;
    }
    if (opened.kind == FileKind::Folder || opened.kind == FileKind::Special) {
        warn(notALogFile(path, opened));
        return nullptr;
    }
    if (!file.isOpen()) {
        return nullptr;  // an ignored failure leaves nothing to read
    }
    LogFileReader reader(file);
    auto reportBound = [&] {
        if (reader.lines().limitReached()) {
            warn(OpenLogCommand::tooLargeText(
                path, std::max<qint64>(file.size() - reader.lines().bytesRead(), 1)));
        }
    };
    bool complete = false;
    if (!trap.run([&] { complete = reader.readHeader(*data); }) || !complete) {
        if (trap.aborted()) {
            return nullptr;
        }
        if (reader.content() != LogFileReader::Content::Text) {
            warn(notText(path, reader.content()));
        } else {
            reportBound();
            warn(OpenLogCommand::kNoData);
        }
        return nullptr;
    }
    // A pass with rows missing would be compared against zeros: show none instead.
    if (!trap.run([&] { complete = reader.readSamples(*data); })) {
        return nullptr;
    }
    if (complete && !trap.run([&] { complete = reader.readTrailer(*data); })) {
        return nullptr;
    }
    if (!complete) {
        reportBound();
        warn(OpenLogCommand::kDataMissing);
        return nullptr;
    }
    LogFileReader::repairElapsedTimes(*data);
    if (!LogFileReader::firmwareRecognised(data->firmwareId)) {
        warn(OpenLogCommand::kInvalidFirmware);
    }
    data->bufferEmpty = false;
    return data;
}

}  // namespace tarvik
