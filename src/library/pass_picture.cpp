#include "library/pass_picture.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

#include "analysis/launch_events.h"
#include "logdata/data_buffer.h"

namespace tarvik {

std::vector<PicturePoint> picturePoints(const DataBuffer& data, int firstRow, int lastRow) {
    const int first = std::max(1, firstRow);
    const int last = std::min(usedRows(data), lastRow);
    std::vector<PicturePoint> points;
    if (last < first) {
        return points;
    }
    const auto& time = data.column(Column::ElapsedTime);
    const auto& rpm = data.column(Column::RPM);
    const auto& vss = data.column(Column::VSS);
    auto at = [](const auto& column, int row) { return column[static_cast<std::size_t>(row - 1)]; };
    const int count = std::min(kPicturePoints, last - first + 1);
    const double t0 = at(time, first);
    const double t1 = at(time, last);
    int row = first;
    for (int i = 0; i < count; ++i) {
        const double t = count == 1 ? t0 : t0 + (t1 - t0) * i / (count - 1);
        // Elapsed times rise (the reader repairs them), so the walk only goes forward.
        while (row < last && static_cast<double>(at(time, row + 1)) <= t) {
            ++row;
        }
        points.push_back({at(rpm, row), at(vss, row)});
    }
    return points;
}

QByteArray encodePicture(const std::vector<PicturePoint>& points) {
    QByteArray bytes(static_cast<qsizetype>(points.size() * 8), Qt::Uninitialized);
    char* out = bytes.data();
    for (const PicturePoint& p : points) {
        qToLittleEndian(p.rpm, out);
        qToLittleEndian(p.kmh, out + 4);
        out += 8;
    }
    return bytes;
}

std::vector<PicturePoint> decodePicture(const QByteArray& bytes) {
    std::vector<PicturePoint> points;
    const qsizetype n = bytes.size() / 8;
    points.reserve(static_cast<std::size_t>(n));
    const char* in = bytes.constData();
    for (qsizetype i = 0; i < n; ++i, in += 8) {
        points.push_back({qFromLittleEndian<float>(in), qFromLittleEndian<float>(in + 4)});
    }
    return points;
}

}  // namespace tarvik
