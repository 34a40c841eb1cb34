#include "logdata/download_command.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <memory>

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
// Status codes 0 "Power Off" and 1 "Power On - Not Armed" are the only safe ones to read in.
constexpr int kHighestUnarmedStatus = 1;
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

DownloadCommand::DownloadCommand(const LogDataContext& context, Controller& controller,
                                 FramBuffer& fram, DownloadHooks hooks)
    : ctx_(context), controller_(controller), fram_(fram), hooks_(std::move(hooks)) {
    if (!hooks_.now) {
        hooks_.now = [] { return QDateTime::currentDateTime(); };
    }
}

void DownloadCommand::readFramData() {
    SerialLink& link = controller_.link();
    ErrorTrap trap(ctx_.dialogs);
    auto hide = [&] {
        if (hooks_.hideProgress) {
            hooks_.hideProgress();
        }
    };
    // The exit path of an abort: the frame goes, the port closes, and the download sees a
    // failed read.
    auto abandon = [&] {
        hide();
        link.closePort();
        link.setLinkOK(false);
    };

    // 1.
    if (!trap.run([&] {
            if (hooks_.showProgress) {
                hooks_.showProgress(QStringLiteral("Reading FRAM"));
            }
            if (hooks_.setProgress) {
                hooks_.setProgress(0);
            }
        })) {
        return abandon();
    }
    // 2.-3.
    fram_.clearFramBuffer();
    if (!trap.run([&] { controller_.setAddress(0); })) {
        return abandon();
    }
    if (!controller_.linkOk()) {
        hide();
        link.closePort();
        return;
    }
    // 4.
    link.setLinkOK(false);
    // 5. The controller advances its address after each block, so the blocks come in order.
    for (int a = 0; a < FramBuffer::kSize; a += kBlockSize) {
        if (!trap.run([&] { controller_.readFramBlock(kBlockSize); })) {
            return abandon();
        }
        const bool blockOK = controller_.linkOk();
        if (!trap.run([&] {
                const auto& block = controller_.blockBuffer();
                for (int i = 0; i < kBlockSize; ++i) {
                    fram_.set(a + i, block[static_cast<std::size_t>(i)]);
                }
            })) {
            return abandon();
        }
        const int percent = std::clamp(
            static_cast<int>(roundHalfEven(static_cast<double>(a) / 32767.0 * 100.0, 0)), 0, 100);
        if (!trap.run([&] {
                if (hooks_.setProgress) {
                    hooks_.setProgress(percent);
                }
            })) {
            return abandon();
        }
        if (ctx_.yield) {
            ctx_.yield();
        } else {
            link.yieldToEvents();
        }
        if (ctx_.isAbortRequested() || !blockOK) {
            hide();
            ctx_.clearAbortRequest();
            link.closePort();
            link.setLinkOK(false);
            return;
        }
    }
    // 6.
    hide();
    link.setLinkOK(true);
    link.closePort();
}

void DownloadCommand::mnuDownload_Click() {
    SerialLink& link = controller_.link();
    ErrorTrap trap(ctx_.dialogs);
    auto say = [&](const QString& text, MsgIcon icon) {
        trap.run([&] { ctx_.dialogs.message(kTitle, text, icon, MsgButtons::Ok); });
    };
    QDateTime moment;

    // An Esc pressed while nothing was running must not stop this download.
    ctx_.clearAbortRequest();

    // 1.
    if (!trap.run([&] {
            if (hooks_.stopMonitor) {
                hooks_.stopMonitor();
            }
        })) {
        return;
    }

    // 2. The log is decoded into a fresh data set that replaces the loaded one only when the
    // whole download has succeeded: a download that fails in any way (a silent or armed
    // controller, a pulled cable, Esc) must not cost the user a data set, saved or not.
    fram_.clearFramBuffer();
    auto fresh = std::make_unique<DataBuffer>(ctx_.buffer);
    DataBuffer& buffer = *fresh;
    buffer.clearDataBuffer();
    if (ctx_.buffer.bufferEmpty && !trap.run([&] {
            if (ctx_.setCaption) {
                ctx_.setCaption(ctx_.baseTitle + QStringLiteral(" - Data Buffer Empty"));
            }
        })) {
        return;
    }

    {
        // The whole exchange with the controller holds the link, so nothing queued for it
        // (a clear, another download) runs in between.
        SerialLink::LinkUse use(link);
        if (!use.acquired()) {
            return;
        }

        // Esc, seen while a check waits for its answer, ends the checks early.
        auto openAborted = [&] { return link.openAborted(); };
        if (!controller_.establishLink(kTitle, [&] { return ctx_.isAbortRequested(); })) {
            ctx_.clearAbortRequest();
            return;
        }

        // 4.
        int status = 0;
        if (!trap.run(
                [&] { status = static_cast<int>(roundHalfEven(controller_.readStatus(), 0)); })) {
            return;
        }
        if (!controller_.linkOk() || openAborted()) {
            return;  // the read's own error box has already been shown
        }
        if (status > kHighestUnarmedStatus) {
            say(QStringLiteral("Cannot download while controller is armed."), MsgIcon::Exclamation);
            link.closePort();
            return;
        }

        // 5.
        if (!trap.run([&] { controller_.readFirmwareId(); })) {
            return;
        }
        buffer.firmwareId = controller_.firmwareId();
        buffer.controllerVersion = controller_.controllerVersion();
        if (openAborted()) {
            return;
        }
        if (!controller_.linkOk()) {
            say(QStringLiteral("Firmware ID read failed - cannot download."), MsgIcon::Exclamation);
            return;
        }
        if (buffer.firmwareId.isEmpty()) {
            say(QStringLiteral("Invalid firmware ID - cannot download."), MsgIcon::Exclamation);
            return;
        }
        say(QStringLiteral("Firmware ID: ") + buffer.firmwareId, MsgIcon::Exclamation);
        if (trap.aborted()) {
            return;
        }

        // 6.
        if (!trap.run([&] { controller_.readGenModeFlag(); }) ||
            !trap.run([&] { controller_.readTpsScaleFactors(); }) || openAborted()) {
            return;
        }
        if (!controller_.linkOk()) {
            say(QStringLiteral("Error - unable to read TPS scale factors.\r\n"
                               "TPS percent data may be incorrectly scaled."),
                MsgIcon::Exclamation);
            controller_.setTpsScaleFactors(kDefaultTpsZeroPoint, kDefaultTpsFullPoint);
        }

        // 7. TPSRange is taken from these factors by the decoding.
        FramDecodeSettings settings;
        settings.tpsScaleFactors = controller_.tpsScaleFactors();
        settings.rpmDouble = controller_.rpmDouble();
        settings.vssInMph = controller_.vssInMph();

        // 8.
        if (!trap.run([&] { readFramData(); }) || openAborted()) {
            return;
        }
        if (!controller_.linkOk()) {
            say(QStringLiteral("FRAM download failed."), MsgIcon::Information);
            return;
        }

        // 9.
        if (!trap.run([&] {
                moment = hooks_.now();
                buffer.downloadDate =
                    hooks_.dateTimeText ? hooks_.dateTimeText() : downloadDateText(moment);
            })) {
            return;
        }

        // 10. A corrupt ring start is reported here, before any byte outside the image is read.
        if (!trap.run([&] { decodeFram(fram_, settings, buffer); })) {
            return;
        }

        // 11. The interval is taken as it comes: a failed read has shown its own error box.
        if (!trap.run([&] { buffer.logInterval = controller_.readDataLogInterval(); })) {
            return;
        }

        // 12.
        link.closePort();
    }

    // 13.-14.
    fillElapsedTimes(buffer);
    buffer.bufferEmpty = false;
    ctx_.buffer = buffer;
    // The pass is kept on disk before anything else can happen to it. A failure to keep it
    // must not cost the user the chart: it is told once the chart is closed.
    QString notKept;
    if (hooks_.keepDownload) {
        notKept = hooks_.keepDownload(buffer, moment);
    }
    auto reportNotKept = [&] {
        if (notKept.isEmpty()) {
            return;
        }
        ErrorTrap own(ctx_.dialogs);
        own.run([&] {
            ctx_.dialogs.message(kTitle,
                                 kNotKept + QStringLiteral("\r\n") + notKept +
                                     QStringLiteral("\r\n\r\nThe data is still loaded: use "
                                                    "File > Save File to keep it."),
                                 MsgIcon::Exclamation, MsgButtons::Ok);
        });
    };
    if (!trap.run([&] {
            if (ctx_.setCaption) {
                ctx_.setCaption(ctx_.baseTitle + QStringLiteral(" - Downloaded Data"));
            }
        })) {
        return reportNotKept();
    }

    // 15.
    trap.run([&] {
        if (ctx_.viewChart) {
            ctx_.viewChart();
        }
    });
    reportNotKept();
}

}  // namespace tarvik
