#include "logdata/recordings_folder.h"

#include <QDir>
#include <QStandardPaths>
#include <algorithm>

namespace tarvik {

QString recordingsFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("recordings"));
}

QFileInfoList newestLogFiles(const QString& folder, int limit) {
    QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*.log")}, QDir::Files | QDir::Readable);
    std::sort(files.begin(), files.end(), [](const QFileInfo& a, const QFileInfo& b) {
        const QDateTime ta = a.lastModified();
        const QDateTime tb = b.lastModified();
        if (ta != tb) {
            return ta > tb;
        }
        return a.fileName() > b.fileName();
    });
    if (limit >= 0 && files.size() > limit) {
        files.resize(limit);
    }
    return files;
}

}  // namespace tarvik
