#include "logdata/kept_downloads.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>

#include "core/app_error.h"
#include "logdata/data_buffer.h"
#include "logdata/dated_files.h"
#include "logdata/log_file_writer.h"

#if defined(Q_OS_UNIX)
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

namespace tarvik {

namespace {

// Copies of one second tried before giving up; far more than a controller can be read in.
constexpr int kMaxCopies = 999;

AppError keepError(const QString& where, const QString& why) {
    return AppError(AppError::kFileError, QStringLiteral("Download Data"),
                    QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(where), why));
}

}  // namespace

KeptDownloads::KeptDownloads(QString folder) : folder_(std::move(folder)) {
    if (folder_.isEmpty()) {
        folder_ = defaultFolder();
    }
}

QString KeptDownloads::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/downloads");
}

QString KeptDownloads::keep(const DataBuffer& buffer, const QString& brandName,
                            const QDateTime& when) const {
    const QFileInfo folderInfo(folder_);
    if (folderInfo.exists() && !folderInfo.isDir()) {
        throw keepError(folder_, QStringLiteral("a file of that name is in the way of the folder"));
    }
    if (!QDir().mkpath(folder_)) {
        throw keepError(folder_, QStringLiteral("the folder cannot be created"));
    }

    QByteArray text;
    text.reserve(128 * 1024);
    {
        QBuffer memory(&text);
        memory.open(QIODevice::WriteOnly);
        LogFileWriter(memory).writeAll(buffer, brandName);
    }

    QTemporaryFile temp(QDir(folder_).filePath(QStringLiteral(".download-XXXXXX.part")));
    if (!temp.open()) {
        throw keepError(folder_, temp.errorString());
    }
    if (temp.write(text) != text.size() || !temp.flush()) {
        const QString why = temp.errorString();
        throw keepError(temp.fileName(), why.isEmpty()
                                             ? QStringLiteral("the disk took only part of the file")
                                             : why);
    }
    // On the disk before it takes its name, so a power cut cannot leave a kept file half empty.
#if defined(Q_OS_UNIX)
    if (::fsync(static_cast<int>(temp.handle())) != 0) {
        throw keepError(temp.fileName(), QString::fromLocal8Bit(std::strerror(errno)));
    }
#elif defined(Q_OS_WIN)
    _commit(static_cast<int>(temp.handle()));
#endif

    for (int copy = 1; copy <= kMaxCopies; ++copy) {
        const QString path = QDir(folder_).filePath(dated_files::fileName(
            when, buffer.controllerVersion, copy, QString::fromLatin1(kExtension)));
        if (QFileInfo::exists(path)) {
            continue;
        }
        // Renaming never replaces a file that appeared meanwhile: it fails, and the next copy
        // number is tried.
        if (temp.rename(path)) {
            temp.setAutoRemove(false);
            return path;
        }
        if (!QFileInfo::exists(path)) {
            throw keepError(path, temp.errorString());
        }
    }
    throw keepError(folder_, QStringLiteral("too many downloads in the same second"));
}

QString KeptDownloads::keepOrSayWhy(const DataBuffer& buffer, const QString& brandName,
                                    const QDateTime& when, QString* keptPath) const {
    try {
        const QString path = keep(buffer, brandName, when);
        if (keptPath != nullptr) {
            *keptPath = path;
        }
        return QString();
    } catch (const AppError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return keepError(folder_, QString::fromLocal8Bit(e.what())).description();
    }
}

}  // namespace tarvik
