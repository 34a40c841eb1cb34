#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "library/library_entry.h"

class QDirIterator;

namespace tarvik {

class LibraryDatabase;
class LibraryModel;

/// A file the library did not enter, and why.
struct SkippedFile {
    QString path;
    QString reason;
};

/// Enters log files into the library in slices of the event loop, so the window answers all
/// the while: each slice reads files for at most kSliceMs (one file may run past it), writes
/// them in one transaction, and only then shows them in the model. A slice never yields inside,
/// so nothing else touches the library in the middle of one.
///
/// Work is queued as folders to look through (their "*.log" files, subfolders included), files
/// to read, and known entries to check. A file already known with the same size and time is
/// not read again; a new file whose content is that of a known entry whose file has gone takes
/// that entry over (it was moved or renamed), keeping the user's fields.
class LibraryIndexer : public QObject {
    Q_OBJECT

public:
    /// Longest stretch of one slice, in ms.
    static constexpr int kSliceMs = 25;

    /// `kindOf` tells a path's kind (by the folder it lies in).
    LibraryIndexer(LibraryDatabase& database, LibraryModel& model,
                   std::function<PassKind(const QString&)> kindOf, QObject* parent = nullptr);
    ~LibraryIndexer() override;

    /// Asked before each slice: false puts the slice off (a command holds the link).
    void setMayWork(std::function<bool()> mayWork) { mayWork_ = std::move(mayWork); }
    /// Told when a slice's writes fail (the transaction is rolled back, nothing shown).
    void setWriteFailed(std::function<void(const QString&)> failed) {
        writeFailed_ = std::move(failed);
    }

    /// A file the program just wrote or used: read before anything else queued.
    void enterFirst(const QString& path);
    void enterFolder(const QString& folder);
    /// Checks every known entry's file: gone, changed (read again) or as it was.
    void checkEntries();
    /// Reads every known entry's file again, whatever its size and time.
    void rereadEntries();
    /// Drops everything queued (Esc, Cancel).
    void cancel();

    bool busy() const { return !queue_.empty() || scan_ != nullptr; }
    int done() const { return done_; }
    int total() const { return total_; }
    const std::vector<SkippedFile>& skipped() const { return skipped_; }

    /// Runs slices until the queue is empty (tests, and the benchmark's reference figure).
    void runToEnd();

signals:
    void progress(int done, int total);
    /// The queue ran empty.
    void finished();
    void skippedChanged();

private:
    struct Task {
        enum class Kind { Folder, File, Check, Reread } kind;
        QString path;
        qint64 id = 0;
    };
    struct Change;
    struct Scan;

    void queue(Task task, bool first = false);
    void schedule(int delayMs = 0);
    void runSlice();
    /// One step of the queue; the changes it makes go to `changes`.
    void step(std::vector<Change>& changes);
    void scanStep();
    void readFile(const QString& path, bool force, std::vector<Change>& changes);
    void check(qint64 id, std::vector<Change>& changes);
    void skip(const QString& path, const QString& reason);
    void unskip(const QString& path);
    void apply(const std::vector<Change>& changes);

    LibraryDatabase& db_;
    LibraryModel& model_;
    std::function<PassKind(const QString&)> kindOf_;
    std::function<bool()> mayWork_;
    std::function<void(const QString&)> writeFailed_;
    std::deque<Task> queue_;
    std::unique_ptr<Scan> scan_;
    std::vector<SkippedFile> skipped_;
    QTimer timer_;
    bool inSlice_ = false;
    int done_ = 0;
    int total_ = 0;
};

/// A path as the library keeps it: absolute and clean.
QString libraryPath(const QString& path);

}  // namespace tarvik
