#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "logdata/recording_file.h"
#include "realtime/live_cycle.h"

class QTimer;

namespace tarvik {

class Clock;
class UserDialogs;

/// Records the poll cycles' readings to ".log" files while the real-time panel runs (View >
/// "Record Real Time Data"). It takes the readings the cycle hands on and never touches the
/// controller link, so recording cannot slow the cycle down beyond appending one line.
///
/// The recording's length goes to the panel from a timer, once per second shown, never from
/// inside a cycle. Each row's elapsed time is the cycle's start on the link's clock less the
/// recording's start, in seconds to the millisecond. A cycle begun before the recording started is
/// not recorded. A failed write ends the recording with one message (shown after the cycle in hand
/// has finished, never in its middle); the rows written before it stay readable.
class LiveRecorder : public QObject {
    Q_OBJECT

public:
    static const QString kTitle;

    LiveRecorder(UserDialogs& dialogs, Clock& clock, QObject* parent = nullptr);
    ~LiveRecorder() override;

    /// The folder the recordings go to (default: recordingsFolder(), read at each start).
    void setFolder(const QString& folder) { folder_ = folder; }
    /// For tests: how the files are opened.
    void setFileOpener(RecordingFile::FileOpener opener) { opener_ = std::move(opener); }

    /// Starts a recording; on failure shows why and returns false.
    bool start(const RecordingFile::Identity& identity);
    /// Ends the recording: the file gets its trailer. A failure is reported.
    void stop();
    /// Ends the recording without any box (the program is closing).
    void stopQuietly();
    /// Appends one cycle's readings.
    void addCycle(const LiveCycle& cycle);

    bool isRecording() const { return file_ != nullptr; }
    /// Time since the recording began, on the link's clock.
    qint64 elapsedMs() const;
    /// The files of the current recording, or of the last one.
    const QStringList& files() const { return files_; }
    /// "h:mm:ss", as the panel shows the recording's length.
    static QString elapsedText(qint64 ms);

signals:
    void recordingChanged(bool on);
    void elapsedChanged(const QString& text);

private:
    void end(bool report);
    void failed(const QString& description);

    UserDialogs& dialogs_;
    Clock& clock_;
    QString folder_;
    RecordingFile::FileOpener opener_;
    std::unique_ptr<RecordingFile> file_;
    QStringList files_;
    qint64 startUs_ = 0;
    QTimer* ticker_ = nullptr;
    QString shownElapsed_;
};

}  // namespace tarvik
