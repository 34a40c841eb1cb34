// libFuzzer entry for computed channels: any text as an expression (and as a name and unit)
// must be checked without crashing or hanging, every problem must say where it is within the
// text, and a sound channel must evaluate to finite values or empty samples.
#include <QByteArray>
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "analysis/computed_channels.h"

namespace {

// A small log that moves, so every variable and series function has something to work on.
const tarvik::DataBuffer& smallLog() {
    static const tarvik::DataBuffer data = [] {
        tarvik::DataBuffer d;
        d.rows = 40;
        for (int row = 1; row <= d.rows; ++row) {
            const auto v = static_cast<float>(row);
            d.at(tarvik::Column::ElapsedTime, row) = 0.25F * v;
            d.at(tarvik::Column::RPM, row) = 900 + 100 * v;
            d.at(tarvik::Column::VSS, row) = row % 7 == 0 ? NAN : 3 * v;
            d.at(tarvik::Column::Input1Volts, row) = 0.1F * v;
            d.at(tarvik::Column::OutputData, row) = static_cast<float>(row % 4);
        }
        return d;
    }();
    return data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvik;
    // The first line is the name, the second the unit, the rest the expression.
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype first = text.indexOf(u'\n');
    const qsizetype second = first < 0 ? -1 : text.indexOf(u'\n', first + 1);
    ComputedChannel def{QStringLiteral("Mine"), QString(), text};
    if (second >= 0) {
        def = {text.left(first), text.mid(first + 1, second - first - 1), text.mid(second + 1)};
    }
    const std::vector<ComputedChannel> list{{QStringLiteral("Above"), {}, QStringLiteral("rpm")},
                                            def,
                                            {QStringLiteral("Below"), {}, QStringLiteral("vss")}};
    const auto problem = checkChannel(list, 1, def);
    if (problem && (problem->message.isEmpty() || problem->channel != 1 || problem->position < -1 ||
                    problem->position > def.expression.size())) {
        std::abort();
    }
    const ComputedChannelSet set(list);
    if (set.problems().empty() != !problem) {
        std::abort();  // the set and the check must agree on this channel
    }
    for (const Series& s : set.evaluate(smallLog())) {
        if (s.size() != 40) {
            std::abort();
        }
        for (double v : s) {
            if (std::isinf(v)) {
                std::abort();  // not finite is empty, never infinite
            }
        }
    }
    return 0;
}
