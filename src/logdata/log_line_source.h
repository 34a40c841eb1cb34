#pragma once

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

namespace tarvik {

/// Lines of a log file read from a device in fixed-size chunks. A line ends at a carriage
/// return, which may be followed by a line feed; a lone line feed is part of the line. Only the
/// first kMaxKeptBytes of a line are kept (a file without line ends cannot fill the memory),
/// while its commas are still counted to the end so the field count stays exact.
class LogLineSource {
public:
    static constexpr int kChunkBytes = 64 * 1024;
    static constexpr int kMaxKeptBytes = 64 * 1024;

    explicit LogLineSource(QIODevice& device);

    /// True when no byte is left (the file's end-of-file test).
    bool atEnd();
    /// Reads the next line into `line` (without its ending, cut to kMaxKeptBytes) and returns
    /// the number of commas in the whole line. Throws AppError when the device fails.
    qint64 readLine(QByteArray& line);
    /// True when the last line was longer than what was kept.
    bool lastLineCut() const { return cut_; }

private:
    bool fill();

    QIODevice& device_;
    QByteArray chunk_;
    qsizetype pos_ = 0;
    bool eof_ = false;
    bool cut_ = false;
};

}  // namespace tarvik
