#pragma once

#include <QString>

namespace tarvik {

/// The file's name as the caption shows it: the part of the path after its last "\" or "/"
/// (the whole path when it has neither).
QString captionFileName(const QString& path);

/// The main window's caption for a data set read from or saved to `path`: BaseTitle, " - " and
/// the file's name; a name longer than 60 characters shows as " - ..." and its last 60.
QString fileCaption(const QString& baseTitle, const QString& path);

}  // namespace tarvik
