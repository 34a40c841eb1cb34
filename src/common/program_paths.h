#pragma once

#include <QString>
#include <QStringList>

namespace tarvik {

/// The folder of the running executable. Start-up makes it the current directory.
QString programFolder();

/// Where the program's own files (branding file, chart template, logo, user guide) are looked
/// for, in order: the program's own folder (the build folder, a dealer's copy), then the shared
/// data folder of an installed program (share/tarvik beside its bin folder). Only folders that
/// exist are listed, the program's own folder always.
QStringList programDataFolders();

/// A file of the program: the path in the first of programDataFolders() that holds it; when
/// none does, the path in the program's own folder, so a message names the usual place.
QString programFile(const QString& name);

/// The same lookup in the given folders (the first folder stands for "not found").
QString findProgramFile(const QString& name, const QStringList& folders);

}  // namespace tarvik
