#include "logdata/log_line_source.h"

#include <QIODevice>
#include <algorithm>
#include <cstring>

#include "link/app_error.h"

namespace tarvik {

LogLineSource::LogLineSource(QIODevice& device) : device_(device) {
    chunk_.reserve(kChunkBytes);
}

bool LogLineSource::fill() {
    if (pos_ < chunk_.size()) {
        return true;
    }
    if (eof_) {
        return false;
    }
    chunk_.resize(kChunkBytes);
    const qint64 n = device_.read(chunk_.data(), kChunkBytes);
    if (n < 0) {
        chunk_.clear();
        pos_ = 0;
        eof_ = true;
        throw AppError(AppError::kFileError, QStringLiteral("Open Log File"),
                       QStringLiteral("Cannot read the log file: %1").arg(device_.errorString()));
    }
    chunk_.resize(n);
    pos_ = 0;
    if (n == 0) {
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
        const void* cr = std::memchr(begin, '\r', static_cast<std::size_t>(available));
        const qsizetype take = cr != nullptr ? static_cast<const char*>(cr) - begin : available;
        commas += std::count(begin, begin + take, ',');
        const qsizetype room = kMaxKeptBytes - line.size();
        if (take > room) {
            cut_ = true;
        }
        line.append(begin, take < room ? take : room);
        pos_ += take;
        if (cr != nullptr) {
            ++pos_;  // the carriage return
            if (fill() && chunk_.at(pos_) == '\n') {
                ++pos_;
            }
            return commas;
        }
    }
    return commas;
}

}  // namespace tarvik
