#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

#include "core/user_dialogs.h"
#include "logdata/fram_decoder.h"
#include "logdata/log_data_host.h"

namespace tarvik {

class Controller;
class DataBuffer;
class ErrorTrap;
class FramBuffer;

/// "&Download Data": checks the link and the controller's state, reads its identity and
/// calibration, reads the whole FRAM with a progress bar (Esc stops it), decodes the log ring
/// into a fresh data set oldest first, puts it in the data buffer and opens the chart. Every
/// failure ends with its own message and the port closed; the data buffer, the caption and the
/// comment then keep the data set they held.
class DownloadCommand {
public:
    static const QString kTitle;
    /// The first line of the box that reports a download that could not be kept.
    static const QString kNotKept;

    DownloadCommand(LogDataHost& host, Controller& controller, FramBuffer& fram);

    void run();
    /// Reads the 512 blocks of 64 bytes into the FRAM image; LinkOK tells whether all came.
    void readFramData();

private:
    bool readFromController(ErrorTrap& trap, DataBuffer& buffer, QDateTime& moment);
    /// Reads the status; an armed controller is refused with its box.
    bool controllerUnarmed(ErrorTrap& trap);
    bool readIdentity(ErrorTrap& trap, DataBuffer& buffer);
    /// What the decoding needs of the controller's set-up; the default throttle calibration
    /// (with a warning) when it cannot be read.
    std::optional<FramDecodeSettings> readCalibration(ErrorTrap& trap);
    bool readLog(ErrorTrap& trap, const FramDecodeSettings& settings, DataBuffer& buffer,
                 QDateTime& moment);
    /// Puts the decoded data set in the data buffer, keeps it on disk and opens the chart.
    void install(ErrorTrap& trap, DataBuffer& buffer, const QDateTime& moment);
    void reportNotKept(const QString& why);
    void setCaption(ErrorTrap& trap, const QString& suffix);
    void say(ErrorTrap& trap, const QString& text, MsgIcon icon);

    /// One block into the image and the bar moved on; false when the reading ended here.
    bool readFramBlockAt(ErrorTrap& trap, int address);
    /// The exit path of an abort: the frame goes, the port closes, and the download sees a
    /// failed read.
    void abandonFramRead();

    LogDataHost& host_;
    Controller& controller_;
    FramBuffer& fram_;
};

/// A date and time as the user's regional formats write them: the short date, a blank and the
/// long time (without a time zone name).
QString downloadDateText(const QDateTime& when);

/// Reads a date text back: as downloadDateText() writes it under the user's regional formats,
/// or in the forms other computers' files commonly hold ("12/08/2026 14:03:22",
/// "2026-12-08 14:03:22", with or without AM/PM). A two-digit year is taken in 1970-2069. An
/// invalid date and time when the text is none of these.
QDateTime parseDownloadDateText(const QString& text);

}  // namespace tarvik
