#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "logdata/data_buffer.h"

class QFile;

namespace tarvik {

/// Writes a recording of live readings as ".log" files that the program opens like a downloaded
/// log: the three header lines (the log interval is the poll period), one sample line per poll
/// cycle, and the three trailer lines (firmware id; brand, controller and the recording's start
/// date and time; the comment "Real-time recording"). A log holds 2700 rows, so a longer
/// recording continues in further files named after the first with " part 2", " part 3"...
///
/// A recording must read whatever moment it stops at, a kill or a full disk included. So each
/// file is whole from the moment it appears:
///
/// - It is first written complete under a hidden name: the header with line 1 marked
///   `"Data Logging Interval","Recording not finished"`, 2700 place-holder lines of blanks, each
///   kSlotBytes long, and the trailer with the recording's identity. Only then does it take its
///   name, so a recording that cannot start leaves nothing, and the disk space the file needs
///   is taken at the start rather than half-way through.
/// - Each reading is written over the next place-holder, padded with blanks to the same length,
///   as soon as it is appended: a file abandoned at any point is a 2706-line log holding every
///   reading appended before, with its identity. The reader takes the trailing place-holders as
///   padding and the mark as "the recording ended early" (see LogFileReader).
/// - When the file is finished, line 1 loses its mark (in place, same length) and the file is
///   replaced in one step by its compact form: the readings, then empty lines up to 2700 rows,
///   then the trailer, the same 2706-line log the program has always written. Should that
///   replacement fail (a full disk), the unmarked file stays: a complete log as well.
///
/// Every write is checked; a failure throws AppError naming the recording's file (never the
/// hidden one) and the system's reason. Files are made with the permissions of a saved log.
class RecordingFile {
public:
    /// What the trailer says about the recording.
    struct Identity {
        QString firmwareId;
        QString controllerVersion;
        QString brandName;
        /// The start date and time as the trailer writes it.
        QString startText;
        /// Names the files.
        QDateTime start;
        /// Seconds between cycles: the file's log interval.
        float interval = 0.5F;
    };
    using Row = std::array<std::optional<float>, kDataColumns>;
    /// Creates the new file at `path` for writing; null with `error` set when it cannot. Tests
    /// replace it.
    using FileOpener = std::function<std::unique_ptr<QFile>(const QString& path, QString& error)>;

    static const QString kComment;
    /// Bytes of one sample line's place while the file is being written, line end included: room
    /// for twelve readings of up to twelve characters each (the widest a controller's reading
    /// gives is nine).
    static constexpr int kSlotBytes = 160;

    RecordingFile(QString folder, Identity identity);
    ~RecordingFile();
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    void setFileOpener(FileOpener opener) { opener_ = std::move(opener); }

    /// Makes the folder if needed and starts the first file. Throws AppError when the folder
    /// cannot be made or the file cannot be created or written; nothing is left behind then.
    void begin();
    /// One row: `elapsed` seconds in column 1, then columns 2 to 12 of `row` (column 1 of `row`
    /// is ignored); an empty value leaves its field empty. The 2701st row starts the next file.
    /// Rows need not follow at even times: a later elapsed time marks a gap.
    void appendRow(float elapsed, const Row& row);
    /// Finishes the file: unmarked and made compact (see above). A recording without a single
    /// reading leaves no file.
    void finish();
    /// Closes the file as it stands, after a failure: it reads as a recording that ended early
    /// (without a reading, it is removed).
    void abandon();

    bool isOpen() const;
    /// Every file made so far, in order.
    const QStringList& files() const { return files_; }
    int rowsInFile() const { return rowsInFile_; }
    qint64 rowsTotal() const { return rowsTotal_; }

    /// The name of part `part` of a recording begun at `start` on a `model` controller, the
    /// `copy`th begun within that second, in the program's dated naming:
    /// "2026-05-14_20-31-07_QX-2.log", "2026-05-14_20-31-07_QX-2 part 2.log", and with " (2)"
    /// before the extension for a second recording of the same second.
    static QString fileName(const QDateTime& start, const QString& model, int copy, int part);
    /// A sample line without its line end.
    static QByteArray rowLine(float elapsed, const Row& row);

private:
    void openPart(int part);
    /// Part `part` written whole under a hidden name, then given its name and opened for the
    /// readings (path_, file_).
    void createWhole(int part);
    void finishPart();
    void closePart(bool removeIfEmpty);
    [[noreturn]] void fail(const QString& what, const QString& reason) const;

    QString folder_;
    Identity identity_;
    int copy_ = 1;
    FileOpener opener_;
    std::unique_ptr<QFile> file_;
    QString path_;
    QByteArray header_;      ///< lines 1 to 3 as a finished file has them
    QByteArray trailer_;     ///< lines 2704 to 2706
    QByteArray markedLine_;  ///< line 1 while the file is being written, line end included
    QByteArray rows_;        ///< the file's sample lines so far, compact, for finishing
    QStringList files_;
    int part_ = 0;
    int rowsInFile_ = 0;
    qint64 rowsTotal_ = 0;
};

}  // namespace tarvik
