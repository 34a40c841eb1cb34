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
/// date and time; the comment "Real-time recording").
///
/// A log holds 2700 rows, so a longer recording continues in further files named after the
/// first with " part 2", " part 3"... Each row goes to the operating system as soon as it is
/// appended, so a program killed mid-recording leaves every row before it on disk. A file only
/// gets its trailer when it is finished; the reader takes a file cut short after its last row
/// (it reports the missing end and loads the rows). A finished file is padded with empty lines up
/// to the 2700 rows, which the reader skips, so the trailer sits where the reader looks for it.
///
/// Every write is checked. A failure throws AppError with a plain description and leaves the
/// file ending at the last complete row.
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
    /// Opens a new file for writing; null with `error` set when it cannot. Tests replace it.
    using FileOpener = std::function<std::unique_ptr<QFile>(const QString& path, QString& error)>;

    static const QString kComment;

    RecordingFile(QString folder, Identity identity);
    ~RecordingFile();
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    void setFileOpener(FileOpener opener) { opener_ = std::move(opener); }

    /// Makes the folder if needed and starts the first file. Throws AppError when the folder
    /// cannot be made or the file cannot be created or written.
    void begin();
    /// One row: `elapsed` seconds in column 1, then columns 2 to 12 of `row` (column 1 of `row`
    /// is ignored); an empty value leaves its field empty. The 2701st row starts the next file.
    void appendRow(float elapsed, const Row& row);
    /// Pads the file to 2700 rows, writes the trailer and closes it. Throws AppError on a
    /// failed write (the rows stay).
    void finish();
    /// Closes the file as it stands, after a failure.
    void abandon();

    bool isOpen() const;
    /// Every file begun so far, in order.
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
    void finishPart();
    void write(const QByteArray& bytes, const QString& what);
    [[noreturn]] void fail(const QString& what, const QString& reason);

    QString folder_;
    Identity identity_;
    int copy_ = 1;
    FileOpener opener_;
    std::unique_ptr<QFile> file_;
    std::unique_ptr<DataBuffer> header_;
    QStringList files_;
    int part_ = 0;
    int rowsInFile_ = 0;
    qint64 rowsTotal_ = 0;
};

}  // namespace tarvik
