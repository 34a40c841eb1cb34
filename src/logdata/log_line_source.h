#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <functional>

class QIODevice;

namespace tarvik {

/// Lines of a log file read from a device in fixed-size chunks. A line ends at a carriage
/// return, at a carriage return followed by a line feed, or at a line feed alone (a file that
/// went through a Unix tool). Only the first kMaxKeptBytes of a line are kept (a file without
/// line ends cannot fill the memory), while its commas are still counted to the end so the
/// field count stays exact.
///
/// At most `maxBytes` of the device are read (kMaxFileBytes unless told otherwise): a log file
/// is 2706 short lines, so anything past that bound is not part of one, and a file of
/// gigabytes without a line end is not scanned to its end. A hook called after each chunk lets
/// the caller keep its window alive and stop the reading.
class LogLineSource {
public:
    static constexpr int kChunkBytes = 64 * 1024;
    static constexpr int kMaxKeptBytes = 64 * 1024;
    /// A saved log is under 300 KB; this leaves room for very long comments and hand edits.
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

    /// Called after each chunk is read; returning false stops the reading (as if the file had
    /// ended there, with stopped() true).
    using ChunkHook = std::function<bool()>;

    explicit LogLineSource(QIODevice& device, qint64 maxBytes = kMaxFileBytes);

    void setChunkHook(ChunkHook hook) { hook_ = std::move(hook); }

    /// True when no byte is left (the file's end-of-file test), or reading stopped at the bound
    /// or by the hook.
    bool atEnd();
    /// Reads the next line into `line` (without its ending, cut to kMaxKeptBytes) and returns
    /// the number of commas in the whole line. Throws AppError when the device fails.
    qint64 readLine(QByteArray& line);
    /// True when the last line was longer than what was kept.
    bool lastLineCut() const { return cut_; }

    /// Bytes taken from the device so far.
    qint64 bytesRead() const { return total_; }
    /// Reading ended at the bound while the device still had bytes.
    bool limitReached() const { return limitReached_; }
    /// The chunk hook stopped the reading.
    bool stopped() const { return stopped_; }

private:
    bool fill();

    QIODevice& device_;
    qint64 maxBytes_;
    ChunkHook hook_;
    QByteArray chunk_;
    qsizetype pos_ = 0;
    qint64 total_ = 0;
    bool eof_ = false;
    bool cut_ = false;
    bool limitReached_ = false;
    bool stopped_ = false;
};

}  // namespace tarvik
