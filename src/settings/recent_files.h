#pragma once

#include <QString>
#include <QStringList>

namespace tarvik {

class SettingsBacking;

/// The last log files opened or saved, newest first, kept in the settings store under their
/// own section ("RecentFiles", keys "File1" to "File10"; an unused key holds ""), apart from the
/// program's ten settings.
class RecentFiles {
public:
    static constexpr int kMaxFiles = 10;
    static constexpr const char* kSection = "RecentFiles";

    explicit RecentFiles(SettingsBacking& backing) : backing_(backing) {}

    /// The remembered paths, newest first (empty and repeated entries left out). A path whose
    /// name is not valid UTF-8 comes back with its bytes (see local_path).
    QStringList paths() const;
    /// Puts `path` first (once), dropping the oldest past ten. Throws AppError when the store
    /// refuses the write.
    void remember(const QString& path);
    /// Drops `path` from the list (a file that has gone).
    void forget(const QString& path);

    /// How a menu shows entry `index` (0-based): "&1 " and the path, ampersands doubled, a long
    /// path shortened in its middle, a byte that is not valid UTF-8 as U+FFFD.
    static QString menuText(int index, const QString& path);

private:
    void store(const QStringList& paths);
    static bool samePath(const QString& a, const QString& b);

    SettingsBacking& backing_;
};

}  // namespace tarvik
