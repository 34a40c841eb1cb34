#pragma once

#include <QString>

class QFile;

namespace tarvik {

/// What a path names, as far as reading it as a file goes.
enum class FileKind {
    Regular,  ///< a plain file: it has a size and an end
    Missing,  ///< nothing there
    Folder,
    Special,     ///< a device, named pipe or socket: no end, or a reader that would block
    Unreadable,  ///< there, but it cannot be opened (permissions and the like)
};

/// The result of openRegularFile(): the kind found and, when it could not be opened, why.
struct RegularFileResult {
    FileKind kind = FileKind::Missing;
    QString error;  ///< the system's reason when kind is Unreadable or Missing
    bool ok() const { return kind == FileKind::Regular; }
};

/// Opens `path` for reading only when it is a regular file. A named pipe without a writer would
/// block open() for good and a device never ends, so the kind is checked on the opened handle
/// (opened without blocking) before any byte is read; nothing else is opened. On success `file`
/// is open, read-only, and owns the handle.
RegularFileResult openRegularFile(QFile& file, const QString& path);

/// Words for a kind that cannot be read as a file, for messages: "a folder", "a device, pipe or
/// socket", "not found", or the system's reason.
QString fileKindText(const RegularFileResult& result);

}  // namespace tarvik
