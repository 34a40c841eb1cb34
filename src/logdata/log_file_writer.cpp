#include "logdata/log_file_writer.h"

#include <QIODevice>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/app_error.h"
#include "logdata/csv_fields.h"
#include "logdata/log_file_format.h"

namespace tarvik {

namespace {

// A text field in quotes, each quote inside doubled so spreadsheets and csv readers keep the
// text whole. A line break inside would split the line for every reader, so it becomes a blank.
void appendText(QByteArray& out, const QString& text) {
    QByteArray bytes = text.toLocal8Bit();
    for (char& c : bytes) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    csv_fields::appendQuoted(out, bytes);
}

}  // namespace

void LogFileWriter::appendNumber(QByteArray& out, float value) {
    if (!std::isfinite(value)) {
        out.append(std::isnan(value) ? "NaN" : (value < 0 ? "-Infinity" : "Infinity"));
        return;
    }
    if (value == 0.0f) {
        out.append('0');
        return;
    }
    // Whole values of up to seven digits (engine speed, bits, status, duty cycles) are their
    // own seven-significant-digit text; this saves a printf for most of a file's numbers.
    if (std::fabs(value) < 1e7f && value == std::trunc(value)) {
        char buf[16];
        char* end = buf + sizeof buf;
        char* p = end;
        long n = std::lround(std::fabs(value));
        do {
            *--p = static_cast<char>('0' + n % 10);
            n /= 10;
        } while (n != 0);
        if (value < 0) {
            *--p = '-';
        }
        out.append(p, end - p);
        return;
    }
    // Seven significant digits as printf rounds them, laid out without an exponent. printf
    // writes the locale's decimal separator, so the digits are picked out by position.
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%.6e", static_cast<double>(value));
    const char* s = buf;
    const char* end = buf + n;
    const bool negative = *s == '-';
    if (negative) {
        ++s;
    }
    char digits[8];
    int count = 0;
    digits[count++] = s[0];
    const char* p = s + 1;
    while (p < end && (*p < '0' || *p > '9')) {
        ++p;  // the decimal separator, whatever it is
    }
    while (p < end && *p >= '0' && *p <= '9' && count < 7) {
        digits[count++] = *p++;
    }
    while (p < end && *p != 'e' && *p != 'E') {
        ++p;
    }
    const int exponent = p < end ? std::atoi(p + 1) : 0;
    while (count > 1 && digits[count - 1] == '0') {
        --count;
    }
    if (negative) {
        out.append('-');
    }
    const int pointPos = exponent + 1;  // digits before the decimal point
    if (pointPos <= 0) {
        out.append("0.");
        out.append(-pointPos, '0');
        out.append(digits, count);
    } else if (pointPos >= count) {
        out.append(digits, count);
        out.append(pointPos - count, '0');
    } else {
        out.append(digits, pointPos);
        out.append('.');
        out.append(digits + pointPos, count - pointPos);
    }
}

void LogFileWriter::writeLine(const QByteArray& line) {
    QByteArray withEnd = line;
    withEnd.append("\r\n", 2);
    const qint64 written = device_.write(withEnd);
    if (written != withEnd.size()) {
        throw AppError(AppError::kFileError, QStringLiteral("Save Log File"),
                       QStringLiteral("Cannot write the log file: %1")
                           .arg(device_.errorString().isEmpty()
                                    ? QStringLiteral("the disk took only part of the data")
                                    : device_.errorString()));
    }
}

void LogFileWriter::writeHeader(const DataBuffer& buffer) {
    QByteArray line;
    appendText(line, log_format::kFirstLine);
    writeLine(line);
    line.clear();
    appendNumber(line, buffer.logInterval);
    writeLine(line);
    line.clear();
    bool first = true;
    for (const QString& heading : columnHeadings()) {
        if (!first) {
            line.append(',');
        }
        first = false;
        appendText(line, heading);
    }
    writeLine(line);
}

QByteArray LogFileWriter::sampleLine(const DataBuffer& buffer, int row) {
    QByteArray line;
    line.reserve(96);
    for (int c = 0; c < kDataColumns; ++c) {
        if (c > 0) {
            line.append(',');
        }
        appendNumber(line, buffer.at(static_cast<Column>(c), row));
    }
    return line;
}

void LogFileWriter::writeSample(const DataBuffer& buffer, int row) {
    writeLine(row > buffer.rows ? QByteArray() : sampleLine(buffer, row));
}

void LogFileWriter::writeIdentity(const DataBuffer& buffer, const QString& brandName) {
    QByteArray line;
    appendText(line, log_format::kFirmwareLabel);
    line.append(',');
    appendText(line, buffer.firmwareId);
    writeLine(line);
    line.clear();
    appendText(line, brandName + u' ' + buffer.controllerVersion + log_format::kDownloadedSuffix);
    line.append(',');
    appendText(line, buffer.downloadDate);
    writeLine(line);
}

void LogFileWriter::writeComment(const DataBuffer& buffer) {
    QByteArray line;
    appendText(line, log_format::kCommentLabel);
    line.append(',');
    appendText(line, buffer.comment.isEmpty() ? QStringLiteral(" ") : buffer.comment);
    writeLine(line);
}

void LogFileWriter::writeAll(const DataBuffer& buffer, const QString& brandName) {
    writeHeader(buffer);
    for (int row = 1; row <= kDataRows; ++row) {
        writeSample(buffer, row);
    }
    writeIdentity(buffer, brandName);
    writeComment(buffer);
}

}  // namespace tarvik
