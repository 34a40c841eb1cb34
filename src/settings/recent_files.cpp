#include "settings/recent_files.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "platform/local_path.h"
#include "platform/settings_backing.h"

namespace tarvik {

namespace {

QString keyOf(int index) {
    return QStringLiteral("File") + QString::number(index + 1);
}

// A path as the list keeps it: absolute, with the system's separators.
QString normalised(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

constexpr int kMenuPathChars = 70;

}  // namespace

bool RecentFiles::samePath(const QString& a, const QString& b) {
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

QStringList RecentFiles::paths() const {
    QStringList out;
    const QString section = QLatin1String(kSection);
    for (int i = 0; i < kMaxFiles; ++i) {
        const QString p =
            local_path::fromStored(backing_.read(section, keyOf(i)).value_or(QString()).trimmed());
        if (p.isEmpty()) {
            continue;
        }
        const bool seen =
            std::any_of(out.cbegin(), out.cend(), [&](const QString& q) { return samePath(p, q); });
        if (!seen) {
            out.append(p);
        }
    }
    return out;
}

void RecentFiles::remember(const QString& path) {
    const QString p = normalised(path);
    QStringList list = paths();
    list.removeIf([&](const QString& q) { return samePath(p, q); });
    list.prepend(p);
    store(list);
}

void RecentFiles::forget(const QString& path) {
    QStringList list = paths();
    const QString p = normalised(path);
    const qsizetype before = list.size();
    list.removeIf([&](const QString& q) { return samePath(p, q) || samePath(path, q); });
    if (list.size() != before) {
        store(list);
    }
}

void RecentFiles::store(const QStringList& list) {
    const QString section = QLatin1String(kSection);
    for (int i = 0; i < kMaxFiles; ++i) {
        // A name that is not valid UTF-8 is kept by its bytes: the settings file is UTF-8 text.
        const QString value = i < list.size() ? local_path::toStored(list.at(i)) : QString();
        // Unchanged keys are not written again, so opening the newest file costs no write.
        if (backing_.read(section, keyOf(i)).value_or(QString()) != value) {
            backing_.write(section, keyOf(i), value);
        }
    }
}

QString RecentFiles::menuText(int index, const QString& path) {
    QString shown = local_path::shown(path);
    if (shown.size() > kMenuPathChars) {
        const int keep = (kMenuPathChars - 3) / 2;
        shown = shown.left(keep) + QStringLiteral("...") + shown.right(kMenuPathChars - 3 - keep);
    }
    shown.replace(u'&', QStringLiteral("&&"));
    // The access key is the number's last digit: 1 to 9, then 1&0 for the tenth.
    const QString number = index + 1 < 10 ? u'&' + QString::number(index + 1)
                                          : QString::number((index + 1) / 10) + u'&' +
                                                QString::number((index + 1) % 10);
    return number + u' ' + shown;
}

}  // namespace tarvik
