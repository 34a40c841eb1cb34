#pragma once

#include <QByteArray>
#include <QString>

#include "logdata/data_buffer.h"

class QIODevice;

namespace tarvik {

/// Writes a data set as a ".log" file: CR LF line ends, comma-separated fields, texts in
/// double quotes (a quote inside doubled), numbers bare in plain decimal with a period and at most
/// seven significant digits whatever the locale. The parts are written separately so the save
/// command can yield between sample lines and ask for a comment before the last line.
///
/// Every write is checked: a device that takes fewer bytes than given throws AppError, so a
/// full disk is never mistaken for a saved file.
class LogFileWriter {
public:
    explicit LogFileWriter(QIODevice& device) : device_(device) {}

    /// Lines 1 to 3: the interval's label, LogInterval, the twelve column headings.
    void writeHeader(const DataBuffer& buffer);
    /// One sample line: row `row` (1..2700) as twelve numbers in column order. A row past the
    /// data set's `rows` is padding and is written as an empty line, so the file reads back
    /// with the same rows.
    void writeSample(const DataBuffer& buffer, int row);
    /// Lines 2704 and 2705: the firmware identification, then the brand, controller version
    /// and download date.
    void writeIdentity(const DataBuffer& buffer, const QString& brandName);
    /// Line 2706: the comment, a single blank for none.
    void writeComment(const DataBuffer& buffer);
    /// The whole file at once (no comment prompt, no yields).
    void writeAll(const DataBuffer& buffer, const QString& brandName);

    /// One sample line's text without its line end (for tests and the benchmark).
    static QByteArray sampleLine(const DataBuffer& buffer, int row);
    /// A value as the file writes it (same text as formatSingle()).
    static void appendNumber(QByteArray& out, float value);

private:
    void writeLine(const QByteArray& line);

    QIODevice& device_;
};

}  // namespace tarvik
