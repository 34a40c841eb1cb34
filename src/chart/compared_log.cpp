#include "chart/compared_log.h"

#include <QFile>

#include "core/app_error.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "logdata/log_file_reader.h"
#include "logdata/open_log_command.h"

namespace tarvik {

std::unique_ptr<DataBuffer> readComparedLog(const QString& path, UserDialogs& dialogs,
                                            const QString& title) {
    ErrorTrap trap(dialogs);
    auto warn = [&](const QString& text) {
        trap.run([&] { dialogs.message(title, text, MsgIcon::Exclamation, MsgButtons::Ok); });
    };
    auto data = std::make_unique<DataBuffer>();
    QFile file(path);
    bool opened = false;
    if (!trap.run([&] {
            if (!file.open(QIODevice::ReadOnly)) {
                throw AppError(AppError::kFileError, title,
                               QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
            }
            opened = true;
        }) ||
        !opened) {
        return nullptr;
    }
    LogFileReader reader(file);
    bool complete = false;
    if (!trap.run([&] { complete = reader.readHeader(*data); }) || !complete) {
        if (!trap.aborted()) {
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
