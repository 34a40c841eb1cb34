#pragma once

#include <QString>

#include "logdata/data_buffer.h"
#include "logdata/log_line_source.h"

class QIODevice;

namespace tarvik {

/// Reads a ".log" file into the data buffer, more tolerant than the writer: sample fields are
/// split at every comma, numbers are read leniently (blanks ignored, the
/// longest leading number, 0 when there is none), a sample line is taken only when it has
/// exactly twelve fields, "TPS%" is held to 0..100, and the elapsed times are repaired into a
/// rising series. The parts are separate calls so the open command can report a file that
/// ends early at the point where it ends; each part resumes where it stopped if called again
/// after a read error.
class LogFileReader {
public:
    /// What the header says the file holds. A log file is single-byte text and never holds a
    /// NUL byte; text in two-byte characters (UTF-16) or binary data is not a log file.
    enum class Content { Text, Utf16, Binary };

    explicit LogFileReader(QIODevice& device, qint64 maxBytes = LogLineSource::kMaxFileBytes)
        : lines_(device, maxBytes) {}

    /// The line source: its bound, its chunk hook and whether it stopped.
    LogLineSource& lines() { return lines_; }

    /// Lines 1 to 3; line 2 with exactly one field sets LogInterval. False when the file ends
    /// within them, or when a line is not single-byte text (content() says which): nothing
    /// else is read then.
    bool readHeader(DataBuffer& buffer);
    /// Line 1 carries the mark of a recording that was still being written: the program was
    /// killed, crashed or lost its disk before the recording ended (see RecordingFile).
    bool unfinishedRecording() const { return unfinishedRecording_; }
    Content content() const { return content_; }
    /// How a line that holds NUL bytes was written: UTF-16 (a byte order mark, or a NUL in
    /// every other byte) or something binary.
    static Content contentOf(const QByteArray& line);
    /// The 2700 sample lines. False when the file ends before the last one: the rows read so
    /// far hold the file's values, the rest keep theirs.
    ///
    /// Sets the data set's `rows`: the sample lines up to the last one that is not padding. A
    /// recording pads its file with empty lines after its last reading (and blank ones while it
    /// is being written): those are not rows. Any other line counts, a damaged one too (its row
    /// keeps what it held); a file that ends early holds the rows read.
    bool readSamples(DataBuffer& buffer);
    /// Lines 2704 to 2706: FirmwareID, DownloadDate, Comment. Each line is read as quoted
    /// comma-separated fields (see csv_fields::split); a line of exactly two fields gives its
    /// second field, the comment without its leading and trailing blanks. A line with any
    /// other number of fields leaves its field as it was. False when the file ends within
    /// them: the three fields become "".
    bool readTrailer(DataBuffer& buffer);

    /// Rows 2 to 2700: an elapsed time not above the previous row's becomes the previous plus
    /// LogInterval (single-precision sum), so a run of bad rows continues the series.
    static void repairElapsedTimes(DataBuffer& buffer);
    /// The firmware text names a known controller family ("QX", any letter case).
    static bool firmwareRecognised(const QString& firmwareId);
    /// The second field of a trailer line of exactly two fields, else a null QByteArray.
    static QByteArray trailerValue(const QByteArray& line);
    /// A line that only pads the sample lines: empty, or nothing but blanks.
    static bool isPadding(const QByteArray& line);

private:
    LogLineSource lines_;
    QByteArray line_;
    Content content_ = Content::Text;
    int headerDone_ = 0;
    int samplesDone_ = 0;
    int trailerDone_ = 0;
    int lastRow_ = 0;
    bool unfinishedRecording_ = false;
};

}  // namespace tarvik
