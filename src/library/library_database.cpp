#include "library/library_database.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUrl>
#include <QVariant>
#include <cmath>

#include "core/app_error.h"

namespace tarvik {

const QString LibraryDatabase::kFileName = QStringLiteral("library.sqlite");

namespace {

const QString kSource = QStringLiteral("Pass Library");
const QString kLockSuffix = QStringLiteral(".lock");
constexpr int kBusyTimeoutMs = 500;

// The columns of an entry read from the file, in the order of the statements below.
const QString kFileColumns = QStringLiteral(
    "path, size, modified, sha256, kind, logged, model, firmware, comment, launches, ft60, "
    "eighth, quarter, zero60, peak_rpm, peak_mph, picture, ended_early, shown");

QVariant optionalReal(const std::optional<double>& v) {
    // NaN has no place in SQLite (it would become NULL anyway).
    return v && std::isfinite(*v) ? QVariant(*v) : QVariant(QMetaType(QMetaType::Double));
}

std::optional<double> realOf(const QVariant& v) {
    if (v.isNull()) {
        return std::nullopt;
    }
    return v.toDouble();
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

}  // namespace

QString damagedLibraryName(const QDateTime& when) {
    return LibraryDatabase::kFileName + QStringLiteral(".damaged-") +
           when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

struct LibraryDatabase::Statements {
    explicit Statements(const QSqlDatabase& db)
        : insert(db), update(db), track(db), tags(db), notes(db), user(db), remove(db), folder(db) {
        for (QSqlQuery* q : {&insert, &update, &track, &tags, &notes, &user, &remove, &folder}) {
            q->setForwardOnly(true);
        }
    }
    QSqlQuery insert;
    QSqlQuery update;
    QSqlQuery track;
    QSqlQuery tags;
    QSqlQuery notes;
    QSqlQuery user;
    QSqlQuery remove;
    QSqlQuery folder;
    bool ready = false;
};

LibraryDatabase::LibraryDatabase(QString dataFolder) : folder_(std::move(dataFolder)) {
    static QAtomicInt serial;
    connection_ = QStringLiteral("tarvik-library-%1").arg(serial.fetchAndAddRelaxed(1));
}

LibraryDatabase::~LibraryDatabase() {
    disconnect();
}

QString LibraryDatabase::path() const {
    return QDir(folder_).filePath(kFileName);
}

QSqlDatabase LibraryDatabase::db() const {
    return QSqlDatabase::database(connection_, false);
}

bool LibraryDatabase::connect(const QString& target, bool readOnly, bool uri, QString& why) {
    disconnect();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        db.setDatabaseName(target);
        QStringList options{QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs)};
        if (readOnly) {
            options << QStringLiteral("QSQLITE_OPEN_READONLY");
        }
        if (uri) {
            options << QStringLiteral("QSQLITE_OPEN_URI");
        }
        db.setConnectOptions(options.join(u';'));
        if (db.open()) {
            statements_ = std::make_unique<Statements>(db);
            return true;
        }
        why = db.lastError().text();
    }
    QSqlDatabase::removeDatabase(connection_);
    return false;
}

void LibraryDatabase::disconnect() {
    statements_.reset();
    if (QSqlDatabase::contains(connection_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection_);
    }
}

LibraryOpening LibraryDatabase::open(const QDateTime& now) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        access_ = LibraryAccess::Refused;
        return {access_, false,
                QStringLiteral("The pass library cannot be opened: the SQLite driver of Qt SQL "
                               "is not installed (Debian package libqt6sql6-sqlite)."),
                true};
    }
    LibraryOpening opening = openFile(now);
    access_ = opening.access;
    return opening;
}

LibraryOpening LibraryDatabase::openFile(const QDateTime& now) {
    QDir().mkpath(folder_);
    lock_ = std::make_unique<QLockFile>(path() + kLockSuffix);
    lock_->setStaleLockTime(0);  // stale only when the program that made it has gone
    const bool locked = lock_->tryLock(0);
    const bool held = !locked && lock_->error() == QLockFile::LockFailedError;
    // Another library object of this same program (a second main window, as tests make) shares
    // the file: SQLite keeps its connections apart, and it is one copy of the program.
    qint64 pid = 0;
    QString host;
    QString app;
    const bool sameProgram = held && lock_->getLockInfo(&pid, &host, &app) &&
                             pid == QCoreApplication::applicationPid() &&
                             host == QSysInfo::machineHostName();
    const bool own = locked || sameProgram;
    const bool inUse = held && !sameProgram;
    if (!locked) {
        lock_.reset();
    }
    const QString shownFolder = native(folder_);
    const QString cannotWrite =
        QStringLiteral("The pass library is read-only: the folder %1 cannot be written.")
            .arg(shownFolder);
    const QString notOwned =
        inUse ? QStringLiteral("The pass library is in use by another copy of Tarvik.")
              : cannotWrite;
    const QString readOnlyTail = QStringLiteral(
        "\r\nIt is shown as it is: Track, Tags and Notes cannot be changed here, "
        "and files used here are not entered.");
    const QString memoryTail = QStringLiteral(
        "\r\nThe downloads and recordings are listed for this run only: Track, "
        "Tags and Notes cannot be entered, and nothing is kept.");

    const QFileInfo info(path());
    if (info.isDir()) {
        return own ? setAside(now, QStringLiteral("it is a folder, not a database"))
                   : openInMemory(
                         notOwned +
                         QStringLiteral("\r\n%1 is a folder, not a database.").arg(native(path())) +
                         memoryTail);
    }
    const bool empty = !info.exists() || info.size() == 0;
    if (empty && !own) {
        return openInMemory(notOwned + memoryTail);
    }
    QString why;
    // A read-only folder cannot take SQLite's shared-memory file; nothing else writes there,
    // so the file is read as it stands.
    const bool immutable = !own && !inUse;
    QString target = path();
    if (immutable) {
        QUrl url = QUrl::fromLocalFile(path());
        url.setQuery(QStringLiteral("immutable=1"));
        target = url.toString(QUrl::FullyEncoded);
    }
    if (!connect(target, !own, immutable, why)) {
        return own ? setAside(now, why)
                   : openInMemory(notOwned + QStringLiteral("\r\nIt cannot be read: %1.").arg(why) +
                                  memoryTail);
    }
    bool blank = false;
    int version = 0;
    why = checkDamage(blank, version);
    if (!why.isEmpty()) {
        return own ? setAside(now, why)
                   : openInMemory(notOwned + QStringLiteral("\r\nIt cannot be read: %1.").arg(why) +
                                  memoryTail);
    }
    if (version > kSchemaVersion) {
        disconnect();
        lock_.reset();
        return {LibraryAccess::Refused, false,
                QStringLiteral("The pass library %1 was made by a later version of Tarvik "
                               "(library version %2; this version reads version %3).\r\nIt is "
                               "left as it is, and no pass library is kept while this version "
                               "runs.")
                    .arg(native(path()))
                    .arg(version)
                    .arg(kSchemaVersion),
                true};
    }
    if (!own) {
        if (blank) {
            return openInMemory(notOwned + memoryTail);
        }
        return {LibraryAccess::ReadOnly, false, notOwned + readOnlyTail, false};
    }
    try {
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        if (blank) {
            createSchema();
        }
    } catch (const AppError& e) {
        return openInMemory(
            QStringLiteral("The pass library cannot be written: %1.").arg(e.description()) +
            memoryTail);
    }
    return {LibraryAccess::Writable, blank, QString(), false};
}

QString LibraryDatabase::checkDamage(bool& empty, int& version) {
    QSqlQuery q(db());
    auto single = [&q](const QString& sql, QVariant& value) {
        if (!q.exec(sql) || !q.next()) {
            return false;
        }
        value = q.value(0);
        return true;
    };
    QVariant appId;
    QVariant userVersion;
    QVariant tables;
    if (!single(QStringLiteral("PRAGMA application_id"), appId) ||
        !single(QStringLiteral("PRAGMA user_version"), userVersion) ||
        !single(QStringLiteral("SELECT count(*) FROM sqlite_master"), tables)) {
        return q.lastError().databaseText();
    }
    version = userVersion.toInt();
    empty = appId.toInt() == 0 && version == 0 && tables.toInt() == 0;
    if (empty) {
        return QString();
    }
    if (appId.toInt() != kApplicationId) {
        return QStringLiteral("it is not a pass library of this program");
    }
    if (version > kSchemaVersion) {
        return QString();  // refused by the caller, never checked or altered
    }
    // The check's own report names pages and cells, which says nothing to a racer.
    QVariant check;
    if (!single(QStringLiteral("PRAGMA quick_check"), check) ||
        check.toString() != QLatin1String("ok")) {
        return QStringLiteral("its integrity check failed");
    }
    // Sound, and marked as this version's, but without the tables this version reads: as
    // unreadable as a damaged one.
    if (!q.exec(QStringLiteral("SELECT id, %1, track, tags, notes FROM files LIMIT 0")
                    .arg(kFileColumns)) ||
        !q.exec(QStringLiteral("SELECT path, added FROM folders LIMIT 0"))) {
        return QStringLiteral("its tables are not those of a pass library");
    }
    return QString();
}

LibraryOpening LibraryDatabase::setAside(const QDateTime& now, const QString& why) {
    disconnect();
    const bool folder = QFileInfo(path()).isDir();
    QString name = damagedLibraryName(now);
    for (int n = 2; QFileInfo::exists(QDir(folder_).filePath(name)); ++n) {
        name = damagedLibraryName(now) + QStringLiteral("-%1").arg(n);
    }
    const QString aside = QDir(folder_).filePath(name);
    const QString memoryTail =
        QStringLiteral("\r\nThe downloads and recordings are listed for this run only.");
    if (!QDir().rename(path(), aside)) {
        return openInMemory(
            QStringLiteral("The pass library %1 could not be read (%2) and cannot be renamed.")
                .arg(native(path()), why) +
            memoryTail);
    }
    // The write-ahead log belongs to the renamed file: SQLite finds it by that name.
    QDir().rename(path() + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
    QFile::remove(path() + QStringLiteral("-shm"));
    QString notice = QStringLiteral(
                         "The pass library could not be read: %1.\r\nIt was renamed to %2 and a "
                         "new library was made from the downloads and recordings folders.")
                         .arg(why, name);
    if (!folder) {
        notice += QStringLiteral("\r\nThe Track, Tags and Notes entered before are in %1.")
                      .arg(native(aside));
    }
    QString error;
    try {
        if (!connect(path(), false, false, error)) {
            fail(error);
        }
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        createSchema();
    } catch (const AppError& e) {
        LibraryOpening memory = openInMemory(notice + QStringLiteral("\r\n") + e.description());
        return memory;
    }
    return {LibraryAccess::Writable, true, notice, true};
}

LibraryOpening LibraryDatabase::openInMemory(const QString& notice) {
    QString why;
    lock_.reset();
    if (!connect(QStringLiteral(":memory:"), false, false, why)) {
        return {LibraryAccess::Refused, false, notice + QStringLiteral("\r\n") + why, true};
    }
    try {
        createSchema();
    } catch (const AppError& e) {
        return {LibraryAccess::Refused, false, notice + QStringLiteral("\r\n") + e.description(),
                true};
    }
    return {LibraryAccess::Memory, true, notice, true};
}

void LibraryDatabase::createSchema() {
    beginTransaction();
    try {
        exec(QStringLiteral(
            "CREATE TABLE files ("
            " id INTEGER PRIMARY KEY,"
            " path TEXT NOT NULL UNIQUE,"
            " size INTEGER NOT NULL,"
            " modified INTEGER NOT NULL,"
            " sha256 TEXT NOT NULL,"
            " kind INTEGER NOT NULL,"
            " logged INTEGER NOT NULL,"
            " model TEXT NOT NULL,"
            " firmware TEXT NOT NULL,"
            " comment TEXT NOT NULL,"
            " track TEXT NOT NULL DEFAULT '',"
            " tags TEXT NOT NULL DEFAULT '',"
            " notes TEXT NOT NULL DEFAULT '',"
            " launches INTEGER NOT NULL,"
            " ft60 REAL, eighth REAL, quarter REAL, zero60 REAL, peak_rpm REAL, peak_mph REAL,"
            " picture BLOB,"
            " ended_early INTEGER NOT NULL DEFAULT 0,"
            " shown TEXT NOT NULL DEFAULT '')"));
        exec(QStringLiteral("CREATE INDEX files_sha256 ON files(sha256)"));
        exec(QStringLiteral("CREATE TABLE folders (path TEXT PRIMARY KEY, added INTEGER)"));
        exec(QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId));
        exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion));
        commit();
    } catch (const AppError&) {
        rollback();
        throw;
    }
}

void LibraryDatabase::exec(const QString& sql) {
    QSqlQuery q(db());
    if (!q.exec(sql)) {
        fail(q.lastError().databaseText());
    }
}

void LibraryDatabase::fail(const QString& why) const {
    // SQLite's own words ("database or disk is full") are what the user can act on.
    throw AppError(AppError::kFileError, kSource,
                   why.isEmpty() ? QStringLiteral("unknown error") : why);
}

void LibraryDatabase::beginTransaction() {
    if (!db().transaction()) {
        fail(db().lastError().databaseText());
    }
}

void LibraryDatabase::commit() {
    if (!db().commit()) {
        const QString why = db().lastError().databaseText();
        db().rollback();
        fail(why);
    }
}

void LibraryDatabase::rollback() {
    db().rollback();
}

std::vector<LibraryEntry> LibraryDatabase::loadEntries() {
    std::vector<LibraryEntry> entries;
    if (!statements_) {
        return entries;
    }
    QSqlQuery q(db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT id, ") + kFileColumns +
                QStringLiteral(", track, tags, notes FROM files ORDER BY id"))) {
        fail(q.lastError().databaseText());
    }
    while (q.next()) {
        LibraryEntry e;
        e.id = q.value(0).toLongLong();
        e.path = q.value(1).toString();
        e.size = q.value(2).toLongLong();
        e.modifiedMs = q.value(3).toLongLong();
        e.sha256 = q.value(4).toString().toLatin1();
        const int kind = q.value(5).toInt();
        e.kind = kind >= 0 && kind <= 2 ? static_cast<PassKind>(kind) : PassKind::File;
        e.when = QDateTime::fromMSecsSinceEpoch(q.value(6).toLongLong());
        e.model = q.value(7).toString();
        e.firmware = q.value(8).toString();
        e.comment = q.value(9).toString();
        e.launches = q.value(10).toInt();
        for (int f = 0; f < kFigureCount; ++f) {
            e.figures[static_cast<std::size_t>(f)] = realOf(q.value(11 + f));
        }
        e.picture = q.value(17).toByteArray();
        e.endedEarly = q.value(18).toBool();
        const QStringList shown = q.value(19).toString().split(u',');
        if (shown.size() == kFigureCount) {
            std::copy(shown.begin(), shown.end(), e.figureTexts.begin());
        }
        e.track = q.value(20).toString();
        e.tags = q.value(21).toString();
        e.notes = q.value(22).toString();
        entries.push_back(std::move(e));
    }
    if (q.lastError().isValid()) {
        fail(q.lastError().databaseText());
    }
    return entries;
}

QStringList LibraryDatabase::addedFolders() {
    QStringList folders;
    if (!statements_) {
        return folders;
    }
    QSqlQuery q(db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT path FROM folders ORDER BY added, path"))) {
        fail(q.lastError().databaseText());
    }
    while (q.next()) {
        folders << q.value(0).toString();
    }
    return folders;
}

QSqlQuery& LibraryDatabase::prepared(QSqlQuery& query) {
    if (!statements_) {
        fail(QStringLiteral("the library is not open"));
    }
    Statements& s = *statements_;
    if (!s.ready) {
        const QString values = QStringLiteral("?, ").repeated(19).chopped(2);
        QSqlQuery* failed = nullptr;
        auto prepare = [&failed](QSqlQuery& q, const QString& sql) {
            if (failed == nullptr && !q.prepare(sql)) {
                failed = &q;
            }
        };
        prepare(s.insert,
                QStringLiteral("INSERT INTO files (%1) VALUES (%2)").arg(kFileColumns, values));
        prepare(s.update,
                QStringLiteral(
                    "UPDATE files SET path = ?, size = ?, modified = ?, sha256 = ?, kind = ?, "
                    "logged = ?, model = ?, firmware = ?, comment = ?, launches = ?, ft60 = ?, "
                    "eighth = ?, quarter = ?, zero60 = ?, peak_rpm = ?, peak_mph = ?, picture = ?, "
                    "ended_early = ?, shown = ? WHERE id = ?"));
        prepare(s.track, QStringLiteral("UPDATE files SET track = ? WHERE id = ?"));
        prepare(s.tags, QStringLiteral("UPDATE files SET tags = ? WHERE id = ?"));
        prepare(s.notes, QStringLiteral("UPDATE files SET notes = ? WHERE id = ?"));
        prepare(s.user,
                QStringLiteral("UPDATE files SET track = ?, tags = ?, notes = ? WHERE id = ?"));
        prepare(s.remove, QStringLiteral("DELETE FROM files WHERE id = ?"));
        prepare(s.folder,
                QStringLiteral("INSERT OR IGNORE INTO folders (path, added) VALUES (?, ?)"));
        if (failed != nullptr) {
            fail(failed->lastError().databaseText());
        }
        s.ready = true;
    }
    return query;
}

namespace {

// A text column never holds NULL: a null QString binds as NULL, so it goes in as "".
QString notNull(const QString& s) {
    return s.isNull() ? QStringLiteral("") : s;
}

void bindFile(QSqlQuery& q, const LibraryEntry& e) {
    int i = 0;
    q.bindValue(i++, notNull(e.path));
    q.bindValue(i++, e.size);
    q.bindValue(i++, e.modifiedMs);
    q.bindValue(i++, QString::fromLatin1(e.sha256));
    q.bindValue(i++, static_cast<int>(e.kind));
    q.bindValue(i++, e.when.toMSecsSinceEpoch());
    q.bindValue(i++, notNull(e.model));
    q.bindValue(i++, notNull(e.firmware));
    q.bindValue(i++, notNull(e.comment));
    q.bindValue(i++, e.launches);
    for (const std::optional<double>& f : e.figures) {
        q.bindValue(i++, optionalReal(f));
    }
    q.bindValue(i++, e.picture.isNull() ? QByteArray("") : e.picture);
    q.bindValue(i++, e.endedEarly ? 1 : 0);
    // The report's texts never hold a comma.
    q.bindValue(i++, QStringList(e.figureTexts.begin(), e.figureTexts.end()).join(u','));
}

}  // namespace

void LibraryDatabase::insert(LibraryEntry& entry) {
    QSqlQuery& q = prepared(statements_->insert);
    bindFile(q, entry);
    if (!q.exec()) {
        fail(q.lastError().databaseText());
    }
    entry.id = q.lastInsertId().toLongLong();
    q.finish();
}

void LibraryDatabase::updateFile(const LibraryEntry& entry) {
    QSqlQuery& q = prepared(statements_->update);
    bindFile(q, entry);
    q.bindValue(19, entry.id);
    if (!q.exec()) {
        fail(q.lastError().databaseText());
    }
    q.finish();
}

void LibraryDatabase::setUserField(qint64 id, UserField field, const QString& text) {
    QSqlQuery& q = prepared(field == UserField::Track  ? statements_->track
                            : field == UserField::Tags ? statements_->tags
                                                       : statements_->notes);
    q.bindValue(0, notNull(text));
    q.bindValue(1, id);
    if (!q.exec()) {
        fail(q.lastError().databaseText());
    }
    q.finish();
}

void LibraryDatabase::setUserFields(const LibraryEntry& entry) {
    QSqlQuery& q = prepared(statements_->user);
    q.bindValue(0, notNull(entry.track));
    q.bindValue(1, notNull(entry.tags));
    q.bindValue(2, notNull(entry.notes));
    q.bindValue(3, entry.id);
    if (!q.exec()) {
        fail(q.lastError().databaseText());
    }
    q.finish();
}

void LibraryDatabase::remove(qint64 id) {
    QSqlQuery& q = prepared(statements_->remove);
    q.bindValue(0, id);
    if (!q.exec()) {
        fail(q.lastError().databaseText());
    }
    q.finish();
}

void LibraryDatabase::addFolder(const QString& folder) {
    QSqlQuery& q = prepared(statements_->folder);
    q.bindValue(0, folder);
    q.bindValue(1, QDateTime::currentMSecsSinceEpoch());
    if (!q.exec()) {
        fail(q.lastError().databaseText());
    }
    q.finish();
}

void LibraryDatabase::limitToCurrentSize() {
    QSqlQuery q(db());
    if (q.exec(QStringLiteral("PRAGMA page_count")) && q.next()) {
        const qint64 pages = q.value(0).toLongLong();
        q.finish();
        exec(QStringLiteral("PRAGMA max_page_count=%1").arg(pages));
    }
}

}  // namespace tarvik
