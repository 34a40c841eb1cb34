#pragma once

#include <QString>

namespace tarvik {

/// The folder of the running executable: the program's own files (branding file, chart
/// template, help file, logo) live there, whatever the current directory was at start.
QString programFolder();

/// A file in the program's own folder.
QString programFile(const QString& name);

}  // namespace tarvik
