#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "library/library_entry.h"

namespace tarvik {

/// What a file is on disk now, as far as the library compares it with what it read.
struct FileStamp {
    bool exists = false;
    bool regular = false;
    qint64 size = -1;
    qint64 modifiedMs = 0;

    static FileStamp of(const QString& path);
    bool sameAs(const LibraryEntry& entry) const {
        return regular && size == entry.size && modifiedMs == entry.modifiedMs;
    }
};

/// The outcome of reading one file for the library: an entry, or why the file was skipped.
struct IndexedLog {
    std::optional<LibraryEntry> entry;
    QString skipped;
};

/// Reads the log file at `path` for the library without any box and without blocking (the box-
/// free loader that `tarvik --report` uses refuses folders, devices, pipes, large, empty and
/// non-text files), and makes its entry: the file's size, time and SHA-256, what the log says,
/// the number of launches and the figures of the best one exactly as the pass report computes
/// them, and the picture points over it (the whole log when it has no best launch). A file that
/// changes or goes while it is read is skipped with that reason. The user's fields are empty.
IndexedLog indexLogFile(const QString& path, PassKind kind);

/// The SHA-256 of a regular file's content in lower-case hex; nothing when it cannot be read
/// as a regular file.
std::optional<QByteArray> fileSha256(const QString& path);

/// The pass report's texts of the figures ("2.138", "9700", "" where there is none), indexed by
/// Figure, made by the report's own formatting so that the library shows what `tarvik
/// --report` prints.
std::array<QString, kFigureCount> figureTexts(const LibraryEntry& entry);

}  // namespace tarvik
