#include "platform/regular_file.h"

#include <QFile>
#include <QFileInfo>

#include "platform/local_path.h"

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#endif

namespace tarvik {

RegularFileResult openRegularFile(QFile& file, const QString& path) {
    RegularFileResult result;
    if (path.isEmpty()) {
        return result;
    }
#if defined(Q_OS_UNIX)
    // By its bytes: a name that is not valid UTF-8 still opens (see local_path).
    const QByteArray native = local_path::toBytes(path);
    // O_NONBLOCK: opening a pipe nobody writes to returns at once instead of waiting for a
    // writer. O_NOCTTY: a terminal device must not become the program's controlling terminal.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        result.kind = e == ENOENT || e == ENOTDIR ? FileKind::Missing : FileKind::Unreadable;
        result.error = QString::fromLocal8Bit(std::strerror(e));
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result.kind = FileKind::Unreadable;
        result.error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.kind = S_ISDIR(st.st_mode) ? FileKind::Folder : FileKind::Special;
        ::close(fd);
        return result;
    }
    // A regular file never blocks; reads go back to the usual blocking mode.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        result.kind = FileKind::Unreadable;
        result.error = file.errorString();
        ::close(fd);
        return result;
    }
    result.kind = FileKind::Regular;
    return result;
#else
    // Windows has no pipes or devices under ordinary paths; the file's type is enough.
    const QFileInfo info(path);
    if (!info.exists()) {
        result.kind = FileKind::Missing;
        return result;
    }
    if (info.isDir()) {
        result.kind = FileKind::Folder;
        return result;
    }
    if (!info.isFile()) {
        result.kind = FileKind::Special;
        return result;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.kind = FileKind::Unreadable;
        result.error = file.errorString();
        return result;
    }
    result.kind = FileKind::Regular;
    return result;
#endif
}

QString fileKindText(const RegularFileResult& result) {
    switch (result.kind) {
        case FileKind::Regular:
            return QStringLiteral("a file");
        case FileKind::Missing:
            return QStringLiteral("not found");
        case FileKind::Folder:
            return QStringLiteral("a folder");
        case FileKind::Special:
            return QStringLiteral("a device, pipe or socket");
        case FileKind::Unreadable:
            break;
    }
    return result.error;
}

}  // namespace tarvik
