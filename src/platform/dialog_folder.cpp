#include "platform/dialog_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace tarvik {

DialogFolder::DialogFolder(QString documents, QString home)
    : documents_(documents.isEmpty()
                     ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                     : std::move(documents)),
      home_(home.isEmpty() ? QDir::homePath() : std::move(home)) {}

QString DialogFolder::firstWritable(const QStringList& folders) {
    for (const QString& folder : folders) {
        const QFileInfo info(folder);
        if (!folder.isEmpty() && info.isDir() && info.isWritable()) {
            return info.absoluteFilePath();
        }
    }
    return QString();
}

QString DialogFolder::startFolder() const {
    return firstWritable({last_, documents_, home_, QDir::tempPath()});
}

void DialogFolder::remember(const QString& chosenFile) {
    if (!chosenFile.isEmpty()) {
        last_ = QFileInfo(chosenFile).absolutePath();
    }
}

QString withFilterExtension(const QString& path, const QString& selectedFilter) {
    if (path.isEmpty()) {
        return path;
    }
    // "Description (*.log)" -> "*.log"; a bare pattern list is taken as it is.
    static const QRegularExpression inParentheses(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch m = inParentheses.match(selectedFilter);
    const QStringList patterns =
        (m.hasMatch() ? m.captured(1) : selectedFilter)
            .split(QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts);
    static const QRegularExpression oneExtension(QStringLiteral("^\\*\\.([A-Za-z0-9_]+)$"));
    const QRegularExpressionMatch ext =
        patterns.size() == 1 ? oneExtension.match(patterns.first()) : QRegularExpressionMatch();
    if (!ext.hasMatch()) {
        return path;
    }
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || name.contains(u'.')) {
        return path;
    }
    return path + u'.' + ext.captured(1);
}

}  // namespace tarvik
