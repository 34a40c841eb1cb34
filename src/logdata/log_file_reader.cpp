#include "logdata/log_file_reader.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "common/number_parse.h"
#include "logdata/csv_fields.h"
#include "logdata/log_file_format.h"

namespace tarvik {

namespace {

// A number read from the file as a single. Values beyond the single range become infinities
// explicitly (the plain conversion is undefined behaviour in C++); the threshold is where
// round-to-nearest would go to infinity.
float toSingle(double v) {
    constexpr double kOverflow = static_cast<double>(FLT_MAX) + 0x1p103;
    if (v >= kOverflow) {
        return std::numeric_limits<float>::infinity();
    }
    if (v <= -kOverflow) {
        return -std::numeric_limits<float>::infinity();
    }
    if (v > static_cast<double>(FLT_MAX)) {
        return FLT_MAX;
    }
    if (v < -static_cast<double>(FLT_MAX)) {
        return -FLT_MAX;
    }
    return static_cast<float>(v);
}

float fieldNumber(QStringView field) {
    return toSingle(leadingNumber(field));
}

}  // namespace

LogFileReader::Content LogFileReader::contentOf(const QByteArray& line) {
    if (line.startsWith("\xFF\xFE") || line.startsWith("\xFE\xFF")) {
        return Content::Utf16;
    }
    const qsizetype nuls = line.count('\0');
    if (nuls == 0) {
        return Content::Text;
    }
    // Latin text in UTF-16 has a NUL in every other byte, all at even or all at odd offsets.
    qsizetype even = 0;
    for (qsizetype i = 0; i < line.size(); i += 2) {
        even += line.at(i) == '\0' ? 1 : 0;
    }
    const qsizetype odd = nuls - even;
    const qsizetype half = line.size() / 2;
    const bool alternating =
        half > 0 && ((even >= half * 3 / 4 && odd == 0) || (odd >= half * 3 / 4 && even == 0));
    return alternating ? Content::Utf16 : Content::Binary;
}

bool LogFileReader::readHeader(DataBuffer& buffer) {
    if (content_ != Content::Text) {
        return false;
    }
    while (headerDone_ < log_format::kHeaderLines) {
        if (lines_.atEnd()) {
            return false;
        }
        const qint64 commas = lines_.readLine(line_);
        ++headerDone_;
        content_ = contentOf(line_);
        if (content_ != Content::Text) {
            return false;
        }
        if (headerDone_ == 1) {
            const QList<QByteArray> fields = csv_fields::split(line_);
            unfinishedRecording_ = fields.size() == 2 &&
                                   QString::fromLatin1(fields.at(1)) == log_format::kUnfinishedMark;
        }
        if (headerDone_ == 2 && commas == 0) {
            buffer.logInterval = fieldNumber(QString::fromLatin1(line_));
        }
    }
    return true;
}

bool LogFileReader::isPadding(const QByteArray& line) {
    return std::all_of(line.cbegin(), line.cend(), [](char c) { return c == ' ' || c == '\t'; });
}

bool LogFileReader::readSamples(DataBuffer& buffer) {
    QString text;
    while (samplesDone_ < kDataRows) {
        buffer.rows = lastRow_;
        if (lines_.atEnd()) {
            return false;
        }
        const qint64 commas = lines_.readLine(line_);
        const int row = ++samplesDone_;
        if (commas != 0 || !isPadding(line_)) {
            lastRow_ = row;
        }
        if (commas != kDataColumns - 1) {
            continue;  // not a sample line: the row keeps what it held
        }
        // Numbers are ASCII, so Latin-1 keeps every byte's position and costs least.
        text = QString::fromLatin1(line_);
        const QStringView view(text);
        qsizetype start = 0;
        for (int c = 0; c < kDataColumns; ++c) {
            qsizetype end = view.indexOf(u',', start);
            if (end < 0) {
                end = view.size();  // a line cut at its kept length lacks its last fields
            }
            const QStringView field =
                start <= view.size() ? view.mid(start, end - start) : QStringView();
            buffer.column(static_cast<Column>(c))[static_cast<std::size_t>(row - 1)] =
                fieldNumber(field);
            start = end + 1;
        }
        float& tps = buffer.column(Column::TPSPercent)[static_cast<std::size_t>(row - 1)];
        if (tps < 0.0f) {
            tps = 0.0f;
        } else if (tps > 100.0f) {
            tps = 100.0f;
        }
    }
    buffer.rows = lastRow_;
    return true;
}

QByteArray LogFileReader::trailerValue(const QByteArray& line) {
    // The line's quoted fields: a label or brand name with a comma inside its quotes stays one
    // field, and so does a comment with commas. Only a line of exactly two fields has a value.
    const QList<QByteArray> fields = csv_fields::split(line);
    if (fields.size() != 2) {
        return QByteArray();
    }
    QByteArray value = fields.at(1);
    if (value.isNull()) {
        value = QByteArray("");  // present but empty
    }
    return value;
}

bool LogFileReader::readTrailer(DataBuffer& buffer) {
    QString* const fields[] = {&buffer.firmwareId, &buffer.downloadDate, &buffer.comment};
    while (trailerDone_ < log_format::kTrailerLines) {
        if (lines_.atEnd()) {
            buffer.firmwareId.clear();
            buffer.downloadDate.clear();
            buffer.comment.clear();
            return false;
        }
        lines_.readLine(line_);
        const int index = trailerDone_++;
        const QByteArray value = trailerValue(line_);
        if (value.isNull()) {
            continue;  // not two fields: the field keeps what it held
        }
        QString text = QString::fromLocal8Bit(value);
        if (index == 2) {
            qsizetype first = 0;
            qsizetype last = text.size();
            while (first < last && text.at(first) == u' ') {
                ++first;
            }
            while (last > first && text.at(last - 1) == u' ') {
                --last;
            }
            text = text.mid(first, last - first);
        }
        *fields[index] = text;
    }
    return true;
}

void LogFileReader::repairElapsedTimes(DataBuffer& buffer) {
    auto& t = buffer.column(Column::ElapsedTime);
    const float interval = buffer.logInterval;
    for (std::size_t k = 1; k < t.size(); ++k) {
        if (!(t[k] > t[k - 1])) {
            t[k] = t[k - 1] + interval;
        }
    }
}

bool LogFileReader::firmwareRecognised(const QString& firmwareId) {
    return !firmwareId.isEmpty() && firmwareId.contains(QLatin1String("QX"), Qt::CaseInsensitive);
}

}  // namespace tarvik
