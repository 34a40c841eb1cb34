#include "realtime/live_recorder.h"

#include <QDir>
#include <QTimer>

#include "common/rounding.h"
#include "core/app_error.h"
#include "core/user_dialogs.h"
#include "logdata/recordings_folder.h"
#include "platform/clock.h"

namespace tarvik {

const QString LiveRecorder::kTitle = QStringLiteral("Record Real Time Data");

LiveRecorder::LiveRecorder(UserDialogs& dialogs, Clock& clock, QObject* parent)
    : QObject(parent), dialogs_(dialogs), clock_(clock) {
    setObjectName(QStringLiteral("liveRecorder"));
    ticker_ = new QTimer(this);
    ticker_->setInterval(250);
    connect(ticker_, &QTimer::timeout, this, [this] {
        const QString text = elapsedText(elapsedMs());
        if (text != shownElapsed_) {
            shownElapsed_ = text;
            emit elapsedChanged(text);
        }
    });
}

LiveRecorder::~LiveRecorder() {
    stopQuietly();
}

QString LiveRecorder::elapsedText(qint64 ms) {
    const qint64 s = ms < 0 ? 0 : ms / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

qint64 LiveRecorder::elapsedMs() const {
    return isRecording() ? (clock_.nowUs() - startUs_) / 1000 : 0;
}

bool LiveRecorder::start(const RecordingFile::Identity& identity) {
    if (isRecording()) {
        return true;
    }
    const QString folder = folder_.isEmpty() ? recordingsFolder() : folder_;
    auto file = std::make_unique<RecordingFile>(folder, identity);
    if (opener_) {
        file->setFileOpener(opener_);
    }
    try {
        file->begin();
    } catch (const AppError& e) {
        files_ = file->files();
        file->abandon();
        dialogs_.message(kTitle,
                         QStringLiteral("The recording cannot start.") + QStringLiteral("\r\n") +
                             e.description(),
                         MsgIcon::Exclamation, MsgButtons::Ok);
        return false;
    }
    files_ = file->files();
    file_ = std::move(file);
    startUs_ = clock_.nowUs();
    // Ticks a little faster than the seconds it shows, so none is skipped.
    ticker_->start();
    emit recordingChanged(true);
    shownElapsed_ = elapsedText(0);
    emit elapsedChanged(shownElapsed_);
    return true;
}

void LiveRecorder::addCycle(const LiveCycle& cycle) {
    if (!file_ || cycle.startedUs < startUs_) {
        return;
    }
    const double seconds = static_cast<double>(cycle.startedUs - startUs_) / 1e6;
    try {
        file_->appendRow(static_cast<float>(roundHalfEven(seconds, 3)), cycle.log);
        files_ = file_->files();
    } catch (const AppError& e) {
        files_ = file_->files();
        failed(e.description());
    }
    // The length shown on the panel is the ticker's job: relaying out the lamp's text here
    // would lengthen the stretch the cycle runs without processing events.
}

void LiveRecorder::failed(const QString& description) {
    file_->abandon();
    file_.reset();
    ticker_->stop();
    emit recordingChanged(false);
    QString text = QStringLiteral("Recording stopped. ") + description;
    if (!files_.isEmpty()) {
        text +=
            QStringLiteral("\r\nThe readings recorded so far are kept in ") +
            QDir::toNativeSeparators(files_.first()) +
            (files_.size() > 1 ? QStringLiteral(" and the files after it.") : QStringLiteral("."));
    }
    // The failure came up inside a poll cycle: the box waits until that cycle is over rather
    // than holding it up half done behind a modal box.
    QTimer::singleShot(0, this, [this, text] {
        dialogs_.message(kTitle, text, MsgIcon::Exclamation, MsgButtons::Ok);
    });
}

void LiveRecorder::end(bool report) {
    if (!file_) {
        return;
    }
    std::unique_ptr<RecordingFile> file = std::move(file_);
    ticker_->stop();
    try {
        file->finish();
    } catch (const AppError& e) {
        file->abandon();
        if (report) {
            // Stopping may come from inside a poll cycle (a lost link): as for a failed row,
            // the box waits for the cycle to end.
            const QString text = QStringLiteral("The recording could not be finished. ") +
                                 e.description() +
                                 QStringLiteral("\r\nThe readings recorded so far are kept.");
            QTimer::singleShot(0, this, [this, text] {
                dialogs_.message(kTitle, text, MsgIcon::Exclamation, MsgButtons::Ok);
            });
        }
    }
    files_ = file->files();
    emit recordingChanged(false);
}

void LiveRecorder::stop() {
    end(true);
}

void LiveRecorder::stopQuietly() {
    end(false);
}

}  // namespace tarvik
