#pragma once

#include <QDateTime>
#include <QString>

namespace tarvik {

class DataBuffer;
class UserDialogs;

/// What the data-set commands (open, save, download) ask of the window they serve. Only the
/// data set, the dialogs and the caption texts must be given; everything else does nothing
/// unless the window has something to do.
class LogDataHost {
public:
    virtual ~LogDataHost() = default;

    virtual DataBuffer& dataBuffer() = 0;
    virtual UserDialogs& dialogs() = 0;
    /// The window's designed caption; every caption these commands set begins with it.
    virtual QString baseTitle() const = 0;
    /// Line 1 of the brand lines, written into the log file.
    virtual QString brandName() const = 0;

    /// Esc was pressed (AbortRequested), and clearing it.
    virtual bool abortRequested() const { return false; }
    virtual void clearAbortRequest() {}
    /// The window has closed and the program is ending: work under way is dropped (a file being
    /// read is not loaded, a file being saved does not replace the old one).
    virtual bool closing() const { return false; }
    /// One pass of the event loop, so the window repaints and Esc is seen.
    virtual void yield() {}
    virtual void setCaption(const QString& /*caption*/) {}
    /// The View Chart command.
    virtual void viewChart() {}
    /// A log file was read or saved (the Recent Files list remembers it).
    virtual void fileUsed(const QString& /*path*/) {}

    // What a download asks besides.
    /// Stops the real-time monitor (its Close button).
    virtual void stopMonitor() {}
    /// The progress frame: shown with a caption and repainted at once, bar set 0..100, hidden.
    virtual void showProgress(const QString& /*caption*/) {}
    virtual void setProgress(int /*percent*/) {}
    virtual void hideProgress() {}
    /// The moment of the download; it names the kept file.
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
    /// The download's date and time as text (downloadDateText() of its moment).
    virtual QString dateText(const QDateTime& when) const;
    /// Keeps the decoded data set as a file before the chart opens. Returns "" when kept (or
    /// when downloads are not kept), else what went wrong, which the download shows once,
    /// after the chart is closed.
    virtual QString keepDownload(const DataBuffer& /*buffer*/, const QDateTime& /*when*/) {
        return QString();
    }
};

/// The filter of the log-file dialogs.
inline const QString kLogFileFilter = QStringLiteral("Nitrous Controller log files (*.log)|*.log");

}  // namespace tarvik
