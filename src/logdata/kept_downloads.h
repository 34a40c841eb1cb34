#pragma once

#include <QDateTime>
#include <QString>

namespace tarvik {

class DataBuffer;

/// Every download is kept as a log file in the per-user data folder, so a pass is never lost to
/// a closed program or the next download. The file is the one File > Save File would write for
/// the same data set, named by the download's moment and controller model
/// (see dated_files::fileName).
class KeptDownloads {
public:
    static constexpr const char* kExtension = ".log";

    /// `folder` is where the files go; empty means defaultFolder().
    explicit KeptDownloads(QString folder = QString());

    /// "downloads" in the per-user data folder (QStandardPaths::AppDataLocation).
    static QString defaultFolder();
    const QString& folder() const { return folder_; }

    /// Writes the data set at once and completely, or not at all: the text goes to a temporary
    /// file in the folder, which is then renamed to its name without replacing anything (a name
    /// taken by another download of the same second gets the next " (n)"). The file gets the
    /// permissions a saved log gets (the system's default for new files). Returns the path.
    /// Throws AppError naming the folder or the file being kept (never the hidden temporary
    /// one) and the system's reason ("No space left on device").
    QString keep(const DataBuffer& buffer, const QString& brandName, const QDateTime& when) const;
    /// keep() for the download: "" when kept, else what went wrong (never throws). The kept
    /// file's path goes to `keptPath` when one is given.
    QString keepOrSayWhy(const DataBuffer& buffer, const QString& brandName, const QDateTime& when,
                         QString* keptPath = nullptr) const;

private:
    QString folder_;
};

}  // namespace tarvik
