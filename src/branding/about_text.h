#pragma once

#include <QString>
#include <QStringList>

namespace tarvik {

inline const QString kAboutTitle = QStringLiteral("About");
/// The program's revision, as About and `tarvik --version` show it.
inline const QString kRevision = QStringLiteral("2.01");
/// What follows the brand name on the About box's first line.
inline const QString kRevisionText =
    QStringLiteral(" Nitrous Data Logging Program Revision ") + kRevision;

/// The About box text: the brand name and the revision, a blank line, then every further brand
/// line, each ending in CR LF. Without brand lines the revision stands alone (its leading space
/// dropped) instead of the box failing for want of a brand name.
QString aboutText(const QStringList& brandLines);

}  // namespace tarvik
