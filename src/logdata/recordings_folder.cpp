#include "logdata/recordings_folder.h"

#include <QDir>
#include <QStandardPaths>

namespace tarvik {

QString recordingsFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("recordings"));
}

}  // namespace tarvik
