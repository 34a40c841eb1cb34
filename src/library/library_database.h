#pragma once

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "library/library_entry.h"

class QSqlDatabase;
class QSqlQuery;

namespace tarvik {

/// How far the library can be used this time.
enum class LibraryAccess {
    Closed,    ///< not opened yet
    Writable,  ///< library.sqlite, kept across runs
    ReadOnly,  ///< library.sqlite as it is: shown, never changed (in use elsewhere, read-only)
    Memory,    ///< no file can hold it: files are entered for this run only, nothing is kept
    Refused,   ///< made by a later version: left alone, no library this run
};

/// What opening the library found.
struct LibraryOpening {
    LibraryAccess access = LibraryAccess::Closed;
    /// The library starts empty (missing, empty, or set aside as damaged): the caller enters
    /// the downloads and recordings folders.
    bool fresh = false;
    /// What the user is told about it, once ("" when there is nothing to say).
    QString notice;
    /// The notice reports a fault (exclamation icon) rather than a state (information).
    bool warning = false;
};

/// The pass library's database: "library.sqlite" in the per-user data folder, through Qt SQL's
/// SQLite driver. Every statement is prepared and takes its values bound.
///
/// A library in use by another copy of the program (it holds "library.sqlite.lock") or in a
/// folder that cannot be written is opened read-only. A file that is not a database, is not
/// this program's library, or fails SQLite's integrity check is renamed
/// "library.sqlite.damaged-YYYYMMDD-HHMMSS" and a fresh library made in its place; one made by
/// a later version (a higher schema version) is refused and left untouched. The write-ahead
/// log keeps each transaction whole through a crash or a full disk.
class LibraryDatabase {
public:
    static constexpr int kSchemaVersion = 1;
    /// Marks a SQLite file as this program's library ("TRVL").
    static constexpr int kApplicationId = 0x5452564C;
    static const QString kFileName;

    /// `dataFolder` holds the library (and downloads/, recordings/).
    explicit LibraryDatabase(QString dataFolder);
    ~LibraryDatabase();
    LibraryDatabase(const LibraryDatabase&) = delete;
    LibraryDatabase& operator=(const LibraryDatabase&) = delete;

    /// Opens the library; `now` stamps the name a damaged file is given.
    LibraryOpening open(const QDateTime& now = QDateTime::currentDateTime());
    LibraryAccess access() const { return access_; }
    /// Entries can be written (into the file or, for this run, into memory).
    bool canEnter() const {
        return access_ == LibraryAccess::Writable || access_ == LibraryAccess::Memory;
    }
    /// The user's fields are kept across runs.
    bool keepsUserFields() const { return access_ == LibraryAccess::Writable; }
    QString path() const;
    const QString& dataFolder() const { return folder_; }

    /// Every entry, in the order stored. Throws AppError when the library cannot be read.
    std::vector<LibraryEntry> loadEntries();
    /// The folders the user added, in the order added.
    QStringList addedFolders();

    // Writes: each throws AppError with SQLite's reason; within a transaction nothing of it
    // lands unless commit() succeeds.
    void beginTransaction();
    void commit();
    void rollback();
    /// Stores a new entry and sets its id.
    void insert(LibraryEntry& entry);
    /// Stores what was read from the entry's file (path, size, time, hash, log fields, figures,
    /// picture); the user's fields are left as they are.
    void updateFile(const LibraryEntry& entry);
    void setUserField(qint64 id, UserField field, const QString& text);
    /// Track, Tags and Notes at once (merging two rows of one file).
    void setUserFields(const LibraryEntry& entry);
    void remove(qint64 id);
    void addFolder(const QString& folder);

    /// For tests: limits the file to its present pages, so the next write that needs another
    /// page fails as on a full disk.
    void limitToCurrentSize();

private:
    struct Statements;
    QSqlDatabase db() const;
    LibraryOpening openFile(const QDateTime& now);
    /// Opens the connection; false with `why` set when SQLite cannot open it.
    bool connect(const QString& target, bool readOnly, bool uri, QString& why);
    void disconnect();
    /// "" when the file is this program's library (or empty), else why it is not.
    QString checkDamage(bool& empty, int& version);
    LibraryOpening setAside(const QDateTime& now, const QString& why);
    LibraryOpening openInMemory(const QString& notice);
    void createSchema();
    void exec(const QString& sql);
    QSqlQuery& prepared(QSqlQuery& query);
    [[noreturn]] void fail(const QString& why) const;

    QString folder_;
    QString connection_;
    LibraryAccess access_ = LibraryAccess::Closed;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<Statements> statements_;
};

/// The name a damaged library is given: "library.sqlite.damaged-20261208-140322".
QString damagedLibraryName(const QDateTime& when);

}  // namespace tarvik
