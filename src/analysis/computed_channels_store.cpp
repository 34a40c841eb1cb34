#include "analysis/computed_channels_store.h"

#include <map>

namespace tarvik {

namespace {

const QString kSize = QStringLiteral("size");
const QString kName = QStringLiteral("name");
const QString kUnit = QStringLiteral("unit");
const QString kExpression = QStringLiteral("expression");
const QString kCrLf = QStringLiteral("\r\n");
// A hand-edited array can hold any number of faults; the message lists this many.
constexpr int kListedFaults = 20;

QString section() {
    return QLatin1String(kMathChannelsSection);
}

QString quoted(const QString& s) {
    return u'"' + s + u'"';
}

// "3" for an entry index as QSettings writes it; leading zeros or signs are not ours.
std::optional<int> entryIndex(const QString& text) {
    bool ok = false;
    const int index = text.toInt(&ok);
    if (!ok || index < 1 || QString::number(index) != text) {
        return std::nullopt;
    }
    return index;
}

QString missingEntries(int from, int to) {
    return from == to ? QStringLiteral("Entry %1 is missing.").arg(from)
                      : QStringLiteral("Entries %1 to %2 are missing.").arg(from).arg(to);
}

// The array's entries by index, with the keys each holds, and the keys that fit no entry.
struct Layout {
    std::map<int, QStringList> entries;
    QStringList strayKeys;
};

Layout layoutOf(const QStringList& keys) {
    Layout layout;
    for (const QString& key : keys) {
        if (key == kSize) {
            continue;
        }
        const QStringList parts = key.split(u'/');
        const std::optional<int> index = parts.size() == 2 ? entryIndex(parts[0]) : std::nullopt;
        if (index) {
            layout.entries[*index] << parts[1];
        } else {
            layout.strayKeys << key;
        }
    }
    layout.strayKeys.sort();
    return layout;
}

// The faults of the array as a whole: its size, the holes, the stray keys.
QStringList shapeFaults(const SettingsBacking& backing, const Layout& layout) {
    QStringList faults;
    const int last = layout.entries.empty() ? 0 : layout.entries.rbegin()->first;
    const std::optional<QString> sizeText = backing.read(section(), kSize);
    int size = 0;
    if (!sizeText) {
        if (last > 0) {
            faults << QStringLiteral("The entry count (size) is missing.");
        }
    } else if (const auto n = entryIndex(sizeText->trimmed()); n || sizeText->trimmed() == u"0") {
        size = n.value_or(0);
        if (size < last) {
            faults << QStringLiteral(
                          "The entry count (size) is %1, but there are entries up to %2.")
                          .arg(size)
                          .arg(last);
        }
    } else {
        faults << QStringLiteral("The entry count (size) %1 is not a whole number.")
                      .arg(quoted(*sizeText));
    }
    int expected = 1;
    for (const auto& [index, fields] : layout.entries) {
        if (index > expected) {
            faults << missingEntries(expected, index - 1);
        }
        expected = index + 1;
    }
    if (size >= expected) {
        faults << missingEntries(expected, size);
    }
    if (!layout.strayKeys.isEmpty()) {
        faults << QStringLiteral("Keys that belong to no entry: %1.")
                      .arg(layout.strayKeys.join(QStringLiteral(", ")));
    }
    return faults;
}

QString faultText(const SettingsBacking& backing, const QStringList& faults) {
    if (faults.isEmpty()) {
        return QString();
    }
    const QString where =
        backing.location().isEmpty() ? QString() : QStringLiteral(" (%1)").arg(backing.location());
    QStringList lines{QStringLiteral("Some of the computed channels kept in the settings%1 could "
                                     "not be used and were left out:")
                          .arg(where)};
    for (int i = 0; i < faults.size() && i < kListedFaults; ++i) {
        lines << QStringLiteral("- ") + faults[i];
    }
    if (faults.size() > kListedFaults) {
        lines << QStringLiteral("... and %1 more.").arg(faults.size() - kListedFaults);
    }
    return lines.join(kCrLf);
}

}  // namespace

LoadedChannels loadComputedChannels(SettingsBacking& backing) {
    LoadedChannels loaded;
    const Layout layout = layoutOf(backing.keys(section()));
    QStringList faults = shapeFaults(backing, layout);
    for (const auto& [index, fields] : layout.entries) {
        const QString prefix = QString::number(index) + u'/';
        const std::optional<QString> name = backing.read(section(), prefix + kName);
        const std::optional<QString> expression = backing.read(section(), prefix + kExpression);
        if (!name) {
            faults << QStringLiteral("Entry %1 has no name.").arg(index);
            continue;
        }
        if (!expression) {
            faults << QStringLiteral("Entry %1 (%2) has no expression.")
                          .arg(index)
                          .arg(quoted(name->left(kMaxChannelNameLength)));
            continue;
        }
        const ComputedChannel def{
            *name, backing.read(section(), prefix + kUnit).value_or(QString()), *expression};
        const int at = static_cast<int>(loaded.channels.size());
        if (const auto problem = checkChannel(loaded.channels, at, def)) {
            faults << QStringLiteral("Entry %1 (%2): %3")
                          .arg(index)
                          .arg(quoted(def.name.left(kMaxChannelNameLength)), problem->message);
            continue;
        }
        loaded.channels.push_back(def);
    }
    loaded.problems = faultText(backing, faults);
    return loaded;
}

void saveComputedChannels(SettingsBacking& backing, const std::vector<ComputedChannel>& channels) {
    QList<QPair<QString, QString>> entries;
    entries.reserve(static_cast<qsizetype>(channels.size() * 3 + 1));
    entries.append({kSize, QString::number(channels.size())});
    int index = 0;
    for (const ComputedChannel& c : channels) {
        const QString prefix = QString::number(++index) + u'/';
        entries.append({prefix + kName, c.name});
        entries.append({prefix + kUnit, c.unit});
        entries.append({prefix + kExpression, c.expression});
    }
    backing.replaceSection(section(), entries);
}

}  // namespace tarvik
