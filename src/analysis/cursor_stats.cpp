#include "analysis/cursor_stats.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/number_format.h"

namespace tarvik {

namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

// The sample at a 1-based row, or empty when the series holds no such row.
double valueAt(const Series& s, int row) {
    if (row < 1 || static_cast<std::size_t>(row) > s.size()) {
        return kEmpty;
    }
    return s[static_cast<std::size_t>(row) - 1];
}

// One field of the copied text: tabs and line breaks would shift the columns.
QString field(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c == u'\t' || c == u'\r' || c == u'\n') {
            c = u' ';
        }
    }
    return out;
}

}  // namespace

SeriesStats statsBetween(const Series& s, int rowA, int rowB) {
    SeriesStats stats{kEmpty, kEmpty, kEmpty, kEmpty};
    const double change = valueAt(s, rowB) - valueAt(s, rowA);
    stats.change = std::isfinite(change) ? change : kEmpty;
    const std::size_t from = static_cast<std::size_t>(std::max(std::min(rowA, rowB), 1));
    const std::size_t to =
        std::min(static_cast<std::size_t>(std::max(std::max(rowA, rowB), 0)), s.size());
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t row = from; row <= to; ++row) {
        const double v = s[row - 1];
        if (!std::isfinite(v)) {
            continue;
        }
        stats.min = count == 0 ? v : std::min(stats.min, v);
        stats.max = count == 0 ? v : std::max(stats.max, v);
        sum += v;
        ++count;
    }
    if (count == 0) {
        return stats;
    }
    const double n = static_cast<double>(count);
    stats.mean = sum / n;
    if (!std::isfinite(stats.mean)) {
        // Values near the largest double overflow their sum; their shares do not.
        double share = 0;
        for (std::size_t row = from; row <= to; ++row) {
            if (std::isfinite(s[row - 1])) {
                share += s[row - 1] / n;
            }
        }
        stats.mean = share;
    }
    return stats;
}

QString statsText(const QStringList& names, const QStringList& units,
                  const std::vector<SeriesStats>& stats) {
    const QChar tab = u'\t';
    QString text = QStringLiteral("Channel\tUnit\tMinimum\tMaximum\tMean\tChange B - A\n");
    const qsizetype lines =
        std::max({names.size(), units.size(), static_cast<qsizetype>(stats.size())});
    for (qsizetype i = 0; i < lines; ++i) {
        text += field(names.value(i)) + tab + field(units.value(i));
        const std::size_t k = static_cast<std::size_t>(i);
        const SeriesStats none{kEmpty, kEmpty, kEmpty, kEmpty};
        const SeriesStats& st = k < stats.size() ? stats[k] : none;
        for (double v : {st.min, st.max, st.mean, st.change}) {
            text += tab + formatSignificant(v);
        }
        text += u'\n';
    }
    return text;
}

}  // namespace tarvik
