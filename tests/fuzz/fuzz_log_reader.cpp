// libFuzzer entry for the log file reader: any bytes must read without crashing, hanging or
// keeping more of a line than the reader promises, and what it loads must keep its rules.
#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "logdata/data_buffer.h"
#include "logdata/log_file_reader.h"
#include "logdata/log_line_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvik;
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);

    static DataBuffer buffer;  // 130 KB: kept between runs like the program's own
    buffer.clearDataBuffer();
    LogFileReader reader(device);
    if (!reader.readHeader(buffer)) {
        return 0;
    }
    const bool samples = reader.readSamples(buffer);
    LogFileReader::repairElapsedTimes(buffer);
    if (samples) {
        reader.readTrailer(buffer);
    }
    for (int row = 1; row <= kDataRows; ++row) {
        const float tps = buffer.at(Column::TPSPercent, row);
        if (!(tps >= 0.0f && tps <= 100.0f) && tps == tps) {
            std::abort();  // the throttle clamp was skipped
        }
    }
    if (buffer.comment.startsWith(u' ') || buffer.comment.endsWith(u' ') ||
        buffer.firmwareId.contains(u'"') || buffer.downloadDate.contains(u'"') ||
        buffer.comment.contains(u'"')) {
        std::abort();
    }

    // The line source on its own, with a small look at its memory promise.
    QBuffer again(&bytes);
    again.open(QIODevice::ReadOnly);
    LogLineSource lines(again);
    QByteArray line;
    while (!lines.atEnd()) {
        lines.readLine(line);
        if (line.size() > LogLineSource::kMaxKeptBytes || line.contains('\r')) {
            std::abort();
        }
    }
    return 0;
}
