#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

#include "logdata/log_data_context.h"

namespace tarvik {

class Controller;
class DataBuffer;
class FramBuffer;

/// What the download needs besides the data-set context: the monitor's stop, the progress
/// frame and the clock's date text.
struct DownloadHooks {
    /// Stops the real-time monitor (its Close button).
    std::function<void()> stopMonitor;
    /// The progress frame: shown with a caption and repainted at once, bar set 0..100, hidden.
    std::function<void(const QString& caption)> showProgress;
    std::function<void(int percent)> setProgress;
    std::function<void()> hideProgress;
    /// The download's date and time as text (default: downloadDateText() of its moment).
    std::function<QString()> dateTimeText;
    /// The moment of the download (default: the clock's now); it names the kept file.
    std::function<QDateTime()> now;
    /// Keeps the decoded data set as a file before the chart opens. Returns "" when kept, else
    /// what went wrong, which the download shows once, after the chart is closed.
    std::function<QString(const DataBuffer& buffer, const QDateTime& when)> keepDownload;
};

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

    DownloadCommand(const LogDataContext& context, Controller& controller, FramBuffer& fram,
                    DownloadHooks hooks);

    void run();
    /// Reads the 512 blocks of 64 bytes into the FRAM image; LinkOK tells whether all came.
    void readFramData();

private:
    const LogDataContext& ctx_;
    Controller& controller_;
    FramBuffer& fram_;
    DownloadHooks hooks_;
};

/// A date and time as the user's regional formats write them: the short date, a blank and the
/// long time (without a time zone name).
QString downloadDateText(const QDateTime& when);

}  // namespace tarvik
