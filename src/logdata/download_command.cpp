#include "logdata/download_command.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <memory>
#include <optional>

#include "common/rounding.h"
#include "core/app_error.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "link/controller.h"
#include "link/serial_link.h"
#include "logdata/data_buffer.h"
#include "logdata/fram_decoder.h"

namespace tarvik {

const QString DownloadCommand::kTitle = QStringLiteral("Download Data");
const QString DownloadCommand::kNotKept =
    QStringLiteral("The downloaded data could not be kept in the downloads folder.");

namespace {
constexpr int kBlockSize = Controller::kBlockBufferSize;
}  // namespace

QString downloadDateText(const QDateTime& now) {
    const QLocale locale = QLocale::system();
    // The long time format may name the time zone ("t"); the date text is for people and
    // reads better without it.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    QString cleaned;
    bool quoted = false;
    for (const QChar c : timeFormat) {
        if (c == u'\'') {
            quoted = !quoted;
        }
        if (!quoted && c == u't') {
            continue;
        }
        cleaned += c;
    }
    return locale.toString(now.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(now.time(), cleaned.trimmed());
}

QString LogDataHost::dateText(const QDateTime& when) const {
    return downloadDateText(when);
}

DownloadCommand::DownloadCommand(LogDataHost& host, Controller& controller, FramBuffer& fram)
    : host_(host), controller_(controller), fram_(fram) {}

void DownloadCommand::abandonFramRead() {
    host_.hideProgress();
    SerialLink& link = controller_.link();
    link.closePort();
    link.setLinkOk(false);
}

void DownloadCommand::readFramData() {
    ErrorTrap trap(host_.dialogs());
    trap.run([&] {
        host_.showProgress(QStringLiteral("Reading FRAM"));
        host_.setProgress(0);
    });
    if (trap.aborted()) {
        return abandonFramRead();
    }
    fram_.clearFramBuffer();
    trap.run([&] { controller_.setAddress(0); });
    if (trap.aborted()) {
        return abandonFramRead();
    }
    SerialLink& link = controller_.link();
    if (!controller_.linkOk()) {
        host_.hideProgress();
        link.closePort();
        return;
    }
    link.setLinkOk(false);
    // The controller advances its address after each block, so the blocks come in order.
    for (int a = 0; a < FramBuffer::kSize; a += kBlockSize) {
        if (!readFramBlockAt(trap, a)) {
            return;
        }
    }
    host_.hideProgress();
    link.setLinkOk(true);
    link.closePort();
}

bool DownloadCommand::readFramBlockAt(ErrorTrap& trap, int address) {
    trap.run([&] { controller_.readFramBlock(kBlockSize); });
    const bool blockOk = controller_.linkOk();
    trap.run([&] {
        const auto& block = controller_.blockBuffer();
        for (int i = 0; i < kBlockSize; ++i) {
            fram_.set(address + i, block[static_cast<std::size_t>(i)]);
        }
    });
    if (trap.aborted()) {
        abandonFramRead();
        return false;
    }
    host_.yield();
    if (host_.abortRequested() || !blockOk) {
        host_.hideProgress();
        host_.clearAbortRequest();
        controller_.link().closePort();
        controller_.link().setLinkOk(false);
        return false;
    }
    // The bar moves on after the yield: the window paints it inside the next block's first
    // pause instead of adding the paint to every few blocks.
    const int percent = std::clamp(
        static_cast<int>(roundHalfEven(static_cast<double>(address) / 32767.0 * 100.0, 0)), 0, 100);
    trap.run([&] { host_.setProgress(percent); });
    if (trap.aborted()) {
        abandonFramRead();
        return false;
    }
    return true;
}

void DownloadCommand::say(ErrorTrap& trap, const QString& text, MsgIcon icon) {
    trap.run([&] { host_.dialogs().message(kTitle, text, icon, MsgButtons::Ok); });
}

void DownloadCommand::run() {
    ErrorTrap trap(host_.dialogs());
    // An Esc pressed while nothing was running must not stop this download.
    host_.clearAbortRequest();
    trap.run([&] { host_.stopMonitor(); });
    if (trap.aborted()) {
        return;
    }
    // The log is decoded into a fresh data set that replaces the loaded one only when the
    // whole download has succeeded: a download that fails in any way (a silent or armed
    // controller, a pulled cable, Esc) must not cost the user a data set, saved or not.
    fram_.clearFramBuffer();
    auto fresh = std::make_unique<DataBuffer>(host_.dataBuffer());
    fresh->clearDataBuffer();
    if (host_.dataBuffer().bufferEmpty) {
        setCaption(trap, QStringLiteral(" - Data Buffer Empty"));
    }
    QDateTime moment;
    if (trap.aborted() || !readFromController(trap, *fresh, moment)) {
        return;
    }
    install(trap, *fresh, moment);
}

bool DownloadCommand::readFromController(ErrorTrap& trap, DataBuffer& buffer, QDateTime& moment) {
    // The whole exchange with the controller holds the link, so nothing queued for it (a
    // clear, another download) runs in between.
    SerialLink::LinkUse use(controller_.link());
    if (!use.acquired()) {
        return false;
    }
    // Esc, seen while a check waits for its answer, ends the checks early.
    if (!controller_.establishLink(kTitle, [&] { return host_.abortRequested(); })) {
        host_.clearAbortRequest();
        return false;
    }
    if (!controllerUnarmed(trap) || !readIdentity(trap, buffer)) {
        return false;
    }
    const std::optional<FramDecodeSettings> settings = readCalibration(trap);
    return settings && readLog(trap, *settings, buffer, moment);
}

bool DownloadCommand::controllerUnarmed(ErrorTrap& trap) {
    int status = 0;
    if (!trap.run([&] { status = static_cast<int>(roundHalfEven(controller_.readStatus(), 0)); })) {
        return false;
    }
    if (!controller_.linkOk() || controller_.link().openAborted()) {
        return false;  // the read's own error box has already been shown
    }
    if (isArmedStatus(status)) {
        say(trap, QStringLiteral("Cannot download while controller is armed."),
            MsgIcon::Exclamation);
        controller_.link().closePort();
        return false;
    }
    return true;
}

bool DownloadCommand::readIdentity(ErrorTrap& trap, DataBuffer& buffer) {
    if (!trap.run([&] { controller_.readFirmwareId(); })) {
        return false;
    }
    buffer.firmwareId = controller_.firmwareId();
    buffer.controllerVersion = controller_.controllerVersion();
    if (controller_.link().openAborted()) {
        return false;
    }
    if (!controller_.linkOk()) {
        say(trap, QStringLiteral("Firmware ID read failed - cannot download."),
            MsgIcon::Exclamation);
        return false;
    }
    if (buffer.firmwareId.isEmpty()) {
        say(trap, QStringLiteral("Invalid firmware ID - cannot download."), MsgIcon::Exclamation);
        return false;
    }
    say(trap, QStringLiteral("Firmware ID: ") + buffer.firmwareId, MsgIcon::Exclamation);
    return !trap.aborted();
}

std::optional<FramDecodeSettings> DownloadCommand::readCalibration(ErrorTrap& trap) {
    if (!trap.run([&] { controller_.readGenModeFlag(); }) ||
        !trap.run([&] { controller_.readTpsScaleFactors(); }) || controller_.link().openAborted()) {
        return std::nullopt;
    }
    if (!controller_.linkOk()) {
        say(trap,
            QStringLiteral("Error - unable to read TPS scale factors.\r\n"
                           "TPS percent data may be incorrectly scaled."),
            MsgIcon::Exclamation);
        controller_.setTpsScaleFactors(kDefaultTpsZeroPoint, kDefaultTpsFullPoint);
    }
    // TPSRange is taken from these factors by the decoding.
    FramDecodeSettings settings;
    settings.tpsScaleFactors = controller_.tpsScaleFactors();
    settings.rpmDouble = controller_.rpmDouble();
    settings.vssInMph = controller_.vssInMph();
    return settings;
}

bool DownloadCommand::readLog(ErrorTrap& trap, const FramDecodeSettings& settings,
                              DataBuffer& buffer, QDateTime& moment) {
    if (!trap.run([&] { readFramData(); }) || controller_.link().openAborted()) {
        return false;
    }
    if (!controller_.linkOk()) {
        say(trap, QStringLiteral("FRAM download failed."), MsgIcon::Information);
        return false;
    }
    trap.run([&] {
        moment = host_.now();
        buffer.downloadDate = host_.dateText(moment);
    });
    // A corrupt ring start is reported here, before any byte outside the image is read.
    trap.run([&] { decodeFram(fram_, settings, buffer); });
    // The interval is taken as it comes: a failed read has shown its own error box.
    trap.run([&] { buffer.logInterval = controller_.readDataLogInterval(); });
    if (trap.aborted()) {
        return false;
    }
    controller_.link().closePort();
    return true;
}

void DownloadCommand::install(ErrorTrap& trap, DataBuffer& buffer, const QDateTime& moment) {
    fillElapsedTimes(buffer);
    buffer.bufferEmpty = false;
    host_.dataBuffer() = buffer;
    // The pass is kept on disk before anything else can happen to it. A failure to keep it
    // must not cost the user the chart: it is told once the chart is closed.
    const QString notKept = host_.keepDownload(buffer, moment);
    setCaption(trap, QStringLiteral(" - Downloaded Data"));
    trap.run([&] { host_.viewChart(); });
    reportNotKept(notKept);
}

void DownloadCommand::setCaption(ErrorTrap& trap, const QString& suffix) {
    trap.run([&] { host_.setCaption(host_.baseTitle() + suffix); });
}

void DownloadCommand::reportNotKept(const QString& why) {
    if (why.isEmpty()) {
        return;
    }
    ErrorTrap own(host_.dialogs());
    own.run([&] {
        host_.dialogs().message(kTitle,
                                kNotKept + QStringLiteral("\r\n") + why +
                                    QStringLiteral("\r\n\r\nThe data is still loaded: use "
                                                   "File > Save File to keep it."),
                                MsgIcon::Exclamation, MsgButtons::Ok);
    });
}

}  // namespace tarvik
