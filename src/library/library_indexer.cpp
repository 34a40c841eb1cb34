#include "library/library_indexer.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

#include "core/app_error.h"
#include "library/library_database.h"
#include "library/library_model.h"
#include "library/log_index.h"

namespace tarvik {

namespace {
// Folder entries looked at per step of a scan, and known entries checked per step.
constexpr int kScanBatch = 100;
// A slice put off because a command holds the link is tried again after this long.
constexpr int kPutOffMs = 50;
const QString kNotFound = QStringLiteral("not found");
}  // namespace

QString libraryPath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

struct LibraryIndexer::Change {
    enum class Kind { Put, Gone } kind;
    LibraryEntry entry;
    qint64 id = 0;
    QString why;
};

struct LibraryIndexer::Scan {
    QString folder;
    std::unique_ptr<QDirIterator> files;
};

LibraryIndexer::LibraryIndexer(LibraryDatabase& database, LibraryModel& model,
                               std::function<PassKind(const QString&)> kindOf, QObject* parent)
    : QObject(parent), db_(database), model_(model), kindOf_(std::move(kindOf)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &LibraryIndexer::runSlice);
}

LibraryIndexer::~LibraryIndexer() = default;

void LibraryIndexer::queue(Task task, bool first) {
    ++total_;
    if (first) {
        queue_.push_front(std::move(task));
    } else {
        queue_.push_back(std::move(task));
    }
    schedule();
}

void LibraryIndexer::schedule(int delayMs) {
    if (!inSlice_ && !timer_.isActive()) {
        timer_.start(delayMs);
    }
}

void LibraryIndexer::enterFirst(const QString& path) {
    queue({Task::Kind::File, libraryPath(path)}, true);
}

void LibraryIndexer::enterFolder(const QString& folder) {
    queue({Task::Kind::Folder, libraryPath(folder)});
}

void LibraryIndexer::checkEntries() {
    for (const qint64 id : model_.ids()) {
        queue({Task::Kind::Check, QString(), id});
    }
}

void LibraryIndexer::rereadEntries() {
    for (const qint64 id : model_.ids()) {
        queue({Task::Kind::Reread, QString(), id});
    }
}

void LibraryIndexer::cancel() {
    queue_.clear();
    scan_.reset();
    timer_.stop();
    done_ = total_ = 0;
    emit progress(0, 0);
    emit finished();
}

void LibraryIndexer::runToEnd() {
    while (busy()) {
        timer_.stop();
        runSlice();
    }
    timer_.stop();
}

void LibraryIndexer::runSlice() {
    if (inSlice_) {
        return;
    }
    if (!busy()) {
        return;
    }
    if (mayWork_ && !mayWork_()) {
        schedule(kPutOffMs);
        return;
    }
    inSlice_ = true;
    QElapsedTimer clock;
    clock.start();
    std::vector<Change> changes;
    QString failure;
    const bool writing = db_.canEnter();
    try {
        if (writing) {
            db_.beginTransaction();
        }
        do {
            step(changes);
        } while (busy() && clock.elapsed() < kSliceMs);
        if (writing) {
            db_.commit();
        }
        apply(changes);
    } catch (const AppError& e) {
        failure = e.description();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    if (!failure.isEmpty()) {
        if (writing) {
            db_.rollback();
        }
        // Nothing of this slice landed; the files are still there for the next look.
        queue_.clear();
        scan_.reset();
    }
    inSlice_ = false;
    if (busy()) {
        emit progress(done_, total_);
        schedule();
    } else {
        done_ = total_ = 0;
        emit progress(0, 0);
        emit finished();
    }
    if (!failure.isEmpty() && writeFailed_) {
        writeFailed_(failure);
    }
}

void LibraryIndexer::step(std::vector<Change>& changes) {
    if (scan_) {
        scanStep();
        return;
    }
    const Task task = queue_.front();
    queue_.pop_front();
    ++done_;
    switch (task.kind) {
        case Task::Kind::Folder: {
            const QFileInfo info(task.path);
            if (!info.isDir()) {
                skip(task.path, info.exists() ? QStringLiteral("not a folder") : kNotFound);
            } else if (!info.isReadable() || !QDir(task.path).isReadable()) {
                skip(task.path, QStringLiteral("the folder cannot be read"));
            } else {
                // Every folder is looked into (AllDirs) and only "*.log" names are taken; a
                // link to a folder is not followed, so a loop of links cannot hold the scan.
                scan_ = std::make_unique<Scan>();
                scan_->folder = task.path;
                scan_->files =
                    std::make_unique<QDirIterator>(task.path, QStringList{QStringLiteral("*.log")},
                                                   QDir::Files | QDir::AllDirs | QDir::System |
                                                       QDir::Hidden | QDir::NoDotAndDotDot,
                                                   QDirIterator::Subdirectories);
            }
            break;
        }
        case Task::Kind::File:
            readFile(task.path, false, changes);
            break;
        case Task::Kind::Check:
            check(task.id, changes);
            break;
        case Task::Kind::Reread:
            if (const LibraryEntry* e = model_.entry(task.id)) {
                readFile(e->path, true, changes);
            }
            break;
    }
}

void LibraryIndexer::scanStep() {
    for (int n = 0; n < kScanBatch; ++n) {
        if (!scan_->files->hasNext()) {
            scan_.reset();
            return;
        }
        const QString path = scan_->files->next();
        const QFileInfo info = scan_->files->fileInfo();
        if (info.isDir() && !path.endsWith(QStringLiteral(".log"), Qt::CaseInsensitive)) {
            continue;  // looked into, not a candidate
        }
        queue_.push_back({Task::Kind::File, libraryPath(path)});
        ++total_;
    }
}

void LibraryIndexer::readFile(const QString& path, bool force, std::vector<Change>& changes) {
    // An entry written earlier in this slice is not in the model yet.
    const LibraryEntry* known = nullptr;
    for (auto it = changes.rbegin(); it != changes.rend() && known == nullptr; ++it) {
        if (it->kind == Change::Kind::Put && it->entry.path == path) {
            known = &it->entry;
        }
    }
    if (known == nullptr) {
        known = model_.entryForPath(path);
    }
    const FileStamp stamp = FileStamp::of(path);
    if (known != nullptr && !force && stamp.sameAs(*known) && !known->isGone()) {
        return;
    }
    if (!db_.canEnter()) {
        return;  // a read-only library shows what it holds
    }
    IndexedLog read =
        stamp.exists ? indexLogFile(path, kindOf_(path)) : IndexedLog{std::nullopt, kNotFound};
    if (!read.entry) {
        skip(path, read.skipped);
        if (known != nullptr) {
            changes.push_back({Change::Kind::Gone, {}, known->id, read.skipped});
        }
        return;
    }
    LibraryEntry& entry = *read.entry;
    const LibraryEntry* owner = known;
    if (owner == nullptr) {
        // A file moved or renamed: its content is that of an entry whose file has gone.
        auto takenInThisSlice = [&changes](qint64 id) {
            return std::any_of(changes.begin(), changes.end(), [id](const Change& c) {
                return c.kind == Change::Kind::Put && c.id == id;
            });
        };
        for (const LibraryEntry* e : model_.entriesWithHash(entry.sha256)) {
            if (!QFileInfo::exists(e->path) && !takenInThisSlice(e->id)) {
                owner = e;
                break;
            }
        }
    }
    if (owner != nullptr) {
        entry.id = owner->id;
        entry.track = owner->track;
        entry.tags = owner->tags;
        entry.notes = owner->notes;
        db_.updateFile(entry);
    } else {
        db_.insert(entry);
    }
    changes.push_back({Change::Kind::Put, entry, entry.id, QString()});
    unskip(path);
}

void LibraryIndexer::check(qint64 id, std::vector<Change>& changes) {
    const LibraryEntry* e = model_.entry(id);
    if (e == nullptr) {
        return;
    }
    const FileStamp stamp = FileStamp::of(e->path);
    QString why;
    if (!stamp.exists) {
        why = kNotFound;
    } else if (!stamp.regular) {
        why = QStringLiteral("not a regular file");
    } else if (!stamp.sameAs(*e) && db_.canEnter()) {
        readFile(e->path, true, changes);
        return;
    }
    if (why != e->gone) {
        changes.push_back({Change::Kind::Gone, {}, id, why});
    }
}

void LibraryIndexer::apply(const std::vector<Change>& changes) {
    for (const Change& c : changes) {
        if (c.kind == Change::Kind::Put) {
            model_.putEntry(c.entry);
        } else {
            model_.setGone(c.id, c.why);
        }
    }
}

void LibraryIndexer::skip(const QString& path, const QString& reason) {
    for (SkippedFile& s : skipped_) {
        if (s.path == path) {
            s.reason = reason;
            emit skippedChanged();
            return;
        }
    }
    skipped_.push_back({path, reason});
    emit skippedChanged();
}

void LibraryIndexer::unskip(const QString& path) {
    const auto it = std::find_if(skipped_.begin(), skipped_.end(),
                                 [&path](const SkippedFile& s) { return s.path == path; });
    if (it != skipped_.end()) {
        skipped_.erase(it);
        emit skippedChanged();
    }
}

}  // namespace tarvik
