#include "common/program_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef TARVIK_DATA_DIR_FROM_BIN
#define TARVIK_DATA_DIR_FROM_BIN "../share/tarvik"
#endif

namespace tarvik {

QString programFolder() {
    return QCoreApplication::applicationDirPath();
}

QStringList programDataFolders() {
    const QString own = programFolder();
    QStringList folders{own};
    const QString shared =
        QDir::cleanPath(QDir(own).filePath(QStringLiteral(TARVIK_DATA_DIR_FROM_BIN)));
    if (shared != QDir::cleanPath(own) && QFileInfo(shared).isDir()) {
        folders << shared;
    }
    return folders;
}

QString findProgramFile(const QString& name, const QStringList& folders) {
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo::exists(path)) {
            return path;
        }
    }
    return folders.isEmpty() ? name : QDir(folders.first()).filePath(name);
}

QString programFile(const QString& name) {
    return findProgramFile(name, programDataFolders());
}

}  // namespace tarvik
