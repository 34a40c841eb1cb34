#include "logdata/open_log_command.h"

#include <QFile>

#include "link/app_error.h"
#include "link/controller.h"
#include "link/error_trap.h"
#include "logdata/caption_rule.h"
#include "logdata/data_buffer.h"
#include "logdata/log_file_reader.h"
#include "platform/user_dialogs.h"

namespace tarvik {

const QString OpenLogCommand::kTitle = QStringLiteral("Open Log File");
const QString OpenLogCommand::kNoData =
    QStringLiteral("Error - reached premature end-of-file. No data found");
const QString OpenLogCommand::kDataMissing =
    QStringLiteral("Error - reached premature end-of-file. Some data may be missing or corrupted");
const QString OpenLogCommand::kInvalidFirmware = QStringLiteral(
    "Error - invalid firmware ID. Unable to identify controller version.\r\n"
    "Some data may be incorrectly scaled.");

void OpenLogCommand::mnuOpenFile_Click() {
    run(QString());
}

void OpenLogCommand::openPath(const QString& path) {
    run(path);
}

void OpenLogCommand::run(const QString& chosenPath) {
    DataBuffer& buffer = ctx_.buffer;
    ErrorTrap trap(ctx_.dialogs);
    auto warn = [&](const QString& text) {
        trap.run([&] { ctx_.dialogs.message(kTitle, text, MsgIcon::Exclamation, MsgButtons::Ok); });
    };

    // 1. A loaded data set is replaced only with the user's consent.
    if (!buffer.BufferEmpty) {
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
        buffer.ClearDataBuffer();
    }

    // 2.
    buffer.FirmwareID.clear();
    buffer.ControllerVersion.clear();

    // 3. Cancel in the not-found message arrives here as "Canceled File Open".
    QString path;
    FileDialogs files(ctx_.dialogs, ctx_.fileExists);
    if (!trap.run([&] {
            path =
                files.FileOpen(QStringLiteral("Open File"), kLogFileFilter, QString(), chosenPath);
        })) {
        return;
    }
    if (path.isEmpty()) {
        return;
    }

    // 4.
    QFile file(path);
    if (!trap.run([&] {
            if (!file.isOpen() && !file.open(QIODevice::ReadOnly)) {
                throw AppError(AppError::kFileError, kTitle,
                               QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
            }
        })) {
        return;
    }
    if (!file.isOpen()) {
        return;  // ignored: there is nothing to read
    }
    LogFileReader reader(file);

    // 5.
    bool complete = true;
    if (!trap.run([&] { complete = reader.readHeader(buffer); })) {
        return;
    }
    if (!complete) {
        warn(kNoData);
        return;
    }

    // 6.
    bool samplesComplete = true;
    if (!trap.run([&] { samplesComplete = reader.readSamples(buffer); })) {
        return;
    }
    if (!samplesComplete) {
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
        if (!trailerComplete) {
            warn(kDataMissing);
        }
    }

    // 9.
    if (!LogFileReader::firmwareRecognised(buffer.FirmwareID)) {
        warn(kInvalidFirmware);
    }

    // 10.-11.
    buffer.ControllerVersion = Controller::controllerVersionOf(buffer.FirmwareID);
    file.close();
    buffer.BufferEmpty = false;

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
