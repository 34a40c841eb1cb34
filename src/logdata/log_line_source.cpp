#include "logdata/log_line_source.h"

#include <QIODevice>
#include <algorithm>
#include <cstring>

#include "core/app_error.h"

namespace tarvik {

LogLineSource::LogLineSource(QIODevice& device, qint64 maxBytes)
    : device_(device), maxBytes_(std::max<qint64>(maxBytes, 0)) {
    chunk_.reserve(kChunkBytes);
}

bool LogLineSource::fill() {
    if (pos_ < chunk_.size()) {
        return true;
    }
    if (eof_) {
        return false;
    }
    const qint64 room = maxBytes_ - total_;
    if (room <= 0) {
        // The bound: whatever follows is not read. One byte more tells whether there is any.
        char probe = 0;
        limitReached_ = device_.read(&probe, 1) == 1;
        chunk_.clear();
        pos_ = 0;
        eof_ = true;
        return false;
    }
    const qint64 want = std::min<qint64>(kChunkBytes, room);
    chunk_.resize(static_cast<qsizetype>(want));
    const qint64 n = device_.read(chunk_.data(), want);
    if (n < 0) {
        chunk_.clear();
        pos_ = 0;
        eof_ = true;
        throw AppError(AppError::kFileError, QStringLiteral("Open Log File"),
                       QStringLiteral("Cannot read the log file: %1").arg(device_.errorString()));
    }
    chunk_.resize(static_cast<qsizetype>(n));
    pos_ = 0;
    total_ += n;
    if (n == 0) {
        eof_ = true;
        return false;
    }
    if (hook_ && !hook_()) {
        stopped_ = true;
        chunk_.clear();
        eof_ = true;
        return false;
    }
    return true;
}

bool LogLineSource::atEnd() {
    return !fill();
}

qint64 LogLineSource::readLine(QByteArray& line) {
    line.clear();
    cut_ = false;
    qint64 commas = 0;
    while (fill()) {
        const char* begin = chunk_.constData() + pos_;
        const qsizetype available = chunk_.size() - pos_;
        // The first CR or LF ends the line; one pass counts the commas before it.
        const char* const stop = begin + available;
        const char* end = begin;
        for (; end != stop; ++end) {
            const char c = *end;
            if (c == ',') {
                ++commas;
            } else if (c == '\r' || c == '\n') {
                break;
            }
        }
        const qsizetype take = end - begin;
        const qsizetype room = kMaxKeptBytes - line.size();
        if (take > room) {
            cut_ = true;
        }
        line.append(begin, take < room ? take : room);
        pos_ += take;
        if (end != stop) {
            const bool wasCr = *end == '\r';
            ++pos_;  // the line end
            if (wasCr && fill() && chunk_.at(pos_) == '\n') {
                ++pos_;
            }
            return commas;
        }
    }
    return commas;
}

}  // namespace tarvik
