#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace tarvik {

/// A file that the program named by the moment it was made and the controller model,
/// "2026-12-08_14-03-22_QX-2.log", with " (2)", " (3)"... before the extension when another was
/// made in the same second.
struct DatedFile {
    QString path;
    QDateTime when;
    QString model;
    int copy = 1;  ///< 1 for the first file of its second, 2 for " (2)", ...

    /// How a menu lists it: "2026-12-08  14:03:22  QX-2", with " (2)" for a later copy.
    QString menuText() const;
};

namespace dated_files {

/// The name for a file made at `when` from a `model` controller, for copy `copy` (1 = no
/// suffix). Characters a file name cannot hold on any system become "_".
QString fileName(const QDateTime& when, const QString& model, int copy, const QString& extension);

/// Reads a name made by fileName(); false for any other name.
bool parse(const QString& fileName, const QString& extension, DatedFile& out);

/// The files in `folder` named by fileName() with `extension`, newest first (a later copy of
/// the same second before an earlier one). Other files are not listed; a missing folder lists
/// nothing.
QList<DatedFile> list(const QString& folder, const QString& extension);

}  // namespace dated_files

}  // namespace tarvik
