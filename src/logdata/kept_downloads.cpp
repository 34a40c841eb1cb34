#include "logdata/kept_downloads.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

#include "core/app_error.h"
#include "logdata/data_buffer.h"
#include "logdata/dated_files.h"
#include "logdata/file_writes.h"
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

    // The file is written under a hidden name of its own and takes its real name only when it
    // is complete, so the list never shows half a download. Messages name the file the user
    // will look for, never the hidden one.
    const QDir dir(folder_);
    auto nameFor = [&](int copy) {
        return dir.filePath(dated_files::fileName(when, buffer.controllerVersion, copy,
                                                  QString::fromLatin1(kExtension)));
    };
    int copy = 1;
    while (copy < kMaxCopies && QFileInfo::exists(nameFor(copy))) {
        ++copy;
    }
    const QString intended = nameFor(copy);

    // A plain new file (not a QTemporaryFile, whose files are private to their owner): it gets
    // the permissions every saved log gets, the system's default for new files (the umask).
    QFile temp;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp.setFileName(dir.filePath(
            QStringLiteral(".download-%1.part")
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))));
        if (temp.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered) ||
            !QFileInfo::exists(temp.fileName())) {
            break;  // open, or refused for a reason other than the name being taken
        }
    }
    if (!temp.isOpen()) {
        const QString why = file_writes::reasonOf(temp);
        throw keepError(intended,
                        why.isEmpty() ? QStringLiteral("the file cannot be created") : why);
    }
    struct RemoveUnlessKept {
        QFile& file;
        bool kept = false;
        ~RemoveUnlessKept() {
            if (!kept) {
                file.close();
                file.remove();
            }
        }
    } guard{temp};

    const QString why = file_writes::writeWhole(temp, text);
    if (!why.isEmpty()) {
        throw keepError(intended, why);
    }
    // On the disk before it takes its name, so a power cut cannot leave a kept file half empty.
#if defined(Q_OS_UNIX)
    if (::fsync(static_cast<int>(temp.handle())) != 0) {
        throw keepError(intended, QString::fromLocal8Bit(std::strerror(errno)));
    }
#elif defined(Q_OS_WIN)
    _commit(static_cast<int>(temp.handle()));
#endif
    temp.close();

    for (; copy <= kMaxCopies; ++copy) {
        const QString path = nameFor(copy);
        if (QFileInfo::exists(path)) {
            continue;
        }
        // Renaming never replaces a file that appeared meanwhile: it fails, and the next copy
        // number is tried.
        if (QFile::rename(temp.fileName(), path)) {
            guard.kept = true;
            return path;
        }
        if (!QFileInfo::exists(path)) {
            throw keepError(path, QStringLiteral("the file cannot be given its name"));
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
