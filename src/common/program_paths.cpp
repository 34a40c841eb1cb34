#include "common/program_paths.h"

#include <QCoreApplication>
#include <QDir>

namespace tarvik {

QString programFolder() {
    return QCoreApplication::applicationDirPath();
}

QString programFile(const QString& name) {
    return QDir(programFolder()).filePath(name);
}

}  // namespace tarvik
