#include "chart/window_csv.h"

#include <cmath>

#include "chart/recorded_span.h"
#include "common/number_format.h"

namespace tarvik {

namespace {

bool inWindow(float t, double low, double high) {
    return std::isfinite(t) && t >= low && t <= high;
}

}  // namespace

QByteArray csvField(const QByteArray& text) {
    if (!text.contains(',') && !text.contains('"') && !text.contains('\r') &&
        !text.contains('\n')) {
        return text;
    }
    QByteArray quoted = text;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

QByteArray windowCsv(const DataBuffer& data, double low, double high) {
    QByteArray out;
    const auto& headings = columnHeadings();
    for (std::size_t c = 0; c < headings.size(); ++c) {
        if (c > 0) {
            out += ',';
        }
        // The headings are quoted as the log file writes them.
        QByteArray h = headings[c].toUtf8();
        h.replace('"', "\"\"");
        out += '"' + h + '"';
    }
    out += "\r\n";
    const int rows = recordedRows(data);
    for (int row = 1; row <= rows; ++row) {
        if (!inWindow(data.at(Column::ElapsedTime, row), low, high)) {
            continue;
        }
        for (int c = 0; c < kDataColumns; ++c) {
            if (c > 0) {
                out += ',';
            }
            out += csvField(formatSingle(data.at(static_cast<Column>(c), row)).toUtf8());
        }
        out += "\r\n";
    }
    return out;
}

int windowRowCount(const DataBuffer& data, double low, double high) {
    int n = 0;
    const int rows = recordedRows(data);
    for (int row = 1; row <= rows; ++row) {
        n += inWindow(data.at(Column::ElapsedTime, row), low, high) ? 1 : 0;
    }
    return n;
}

}  // namespace tarvik
