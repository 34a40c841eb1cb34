#include "logdata/file_writes.h"

#include <QFileDevice>

namespace tarvik::file_writes {

QString reasonOf(const QFileDevice& file) {
    const QString why = file.errorString();
    return why == QLatin1String("Unknown error") ? QString() : why;
}

QString writeWhole(QFileDevice& file, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            const QString why = reasonOf(file);
            return why.isEmpty() ? QStringLiteral("the disk took only part of the file") : why;
        }
        done += n;
    }
    return QString();
}

}  // namespace tarvik::file_writes
