#pragma once

#include <QString>
#include <QStringList>

namespace tarvik {

/// Where the Open and Save dialogs start: the folder the user last chose a file in during this
/// run, at first the user's documents folder. A folder that is gone or that the user cannot
/// write to is passed over (an installed program's own folder is not writable), falling back to
/// the documents folder, the home folder, then the temporary folder.
class DialogFolder {
public:
    /// `documents` and `home` default to the user's own folders.
    explicit DialogFolder(QString documents = QString(), QString home = QString());

    QString startFolder() const;
    /// Remembers the folder of a chosen file (an empty path changes nothing).
    void remember(const QString& chosenFile);

    /// The first of the folders that exists and can be written to ("" when none can).
    static QString firstWritable(const QStringList& folders);

private:
    QString last_;
    QString documents_;
    QString home_;
};

/// The save dialog's rule for a name typed without an extension: when the selected filter is a
/// single "*.ext" pattern ("Log files (*.log)") and the file name has no extension, ".ext" is
/// added. A name with an extension of its own, or a filter of several patterns or "*.*", is
/// left as it is.
QString withFilterExtension(const QString& path, const QString& selectedFilter);

}  // namespace tarvik
