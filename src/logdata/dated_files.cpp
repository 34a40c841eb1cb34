#include "logdata/dated_files.h"

#include <QDir>
#include <QRegularExpression>
#include <algorithm>

namespace tarvik {

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");
}

QString DatedFile::menuText() const {
    QString text =
        when.toString(QStringLiteral("yyyy-MM-dd  HH:mm:ss")) + QStringLiteral("  ") + model;
    if (copy > 1) {
        text += QStringLiteral(" (%1)").arg(copy);
    }
    return text;
}

namespace dated_files {

QString fileName(const QDateTime& when, const QString& model, int copy, const QString& extension) {
    QString safeModel = model.trimmed().isEmpty() ? QStringLiteral("Unknown") : model.trimmed();
    for (QChar& c : safeModel) {
        if (c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c)) {
            c = u'_';
        }
    }
    QString name = when.toString(kDateFormat) + u'_' + safeModel;
    if (copy > 1) {
        name += QStringLiteral(" (%1)").arg(copy);
    }
    return name + extension;
}

bool parse(const QString& fileName, const QString& extension, DatedFile& out) {
    static const QRegularExpression re(QStringLiteral(
        "^(\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2})_(.+?)(?: \\((\\d{1,6})\\))?$"));
    if (!fileName.endsWith(extension, Qt::CaseInsensitive)) {
        return false;
    }
    const QRegularExpressionMatch m = re.match(fileName.chopped(extension.size()));
    if (!m.hasMatch()) {
        return false;
    }
    const QDateTime when = QDateTime::fromString(m.captured(1), kDateFormat);
    if (!when.isValid()) {
        return false;
    }
    out.when = when;
    out.model = m.captured(2);
    out.copy = m.captured(3).isEmpty() ? 1 : m.captured(3).toInt();
    return true;
}

QList<DatedFile> list(const QString& folder, const QString& extension) {
    QList<DatedFile> files;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        return files;
    }
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files)) {
        DatedFile f;
        if (parse(info.fileName(), extension, f)) {
            f.path = info.absoluteFilePath();
            files.append(f);
        }
    }
    std::sort(files.begin(), files.end(), [](const DatedFile& a, const DatedFile& b) {
        if (a.when != b.when) {
            return a.when > b.when;
        }
        if (a.copy != b.copy) {
            return a.copy > b.copy;
        }
        return a.path < b.path;
    });
    return files;
}

}  // namespace dated_files

}  // namespace tarvik
