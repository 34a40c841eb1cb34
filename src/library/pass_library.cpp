#include "library/pass_library.h"

#include <QFileInfo>
#include <QTimer>

#include "core/app_error.h"
#include "core/user_dialogs.h"
#include "library/library_model.h"
#include "library/log_index.h"

namespace tarvik {

const QString PassLibrary::kTitle = QStringLiteral("Pass Library");

PassLibrary::PassLibrary(LibraryPlaces places, UserDialogs& dialogs, QObject* parent)
    : QObject(parent),
      places_(std::move(places)),
      dialogs_(dialogs),
      db_(places_.dataFolder),
      model_(std::make_unique<LibraryModel>()) {
    indexer_ = std::make_unique<LibraryIndexer>(
        db_, *model_, [this](const QString& path) { return kindOf(path); });
    indexer_->setWriteFailed([this](const QString& why) { writeFailed(why); });
    // A write failure is told once for the work under way; the next batch may tell again.
    connect(indexer_.get(), &LibraryIndexer::finished, this, [this] { writeFailureTold_ = false; });
}

PassLibrary::~PassLibrary() = default;

void PassLibrary::setMayWork(std::function<bool()> mayWork) {
    indexer_->setMayWork(std::move(mayWork));
}

void PassLibrary::open() {
    if (isOpen() || opening_) {
        return;
    }
    opening_ = true;
    const LibraryOpening opening = db_.open(now_());
    stateLine_ = QString();
    if (!opening.notice.isEmpty()) {
        const QString first = opening.notice.section(QStringLiteral("\r\n"), 0, 0);
        switch (opening.access) {
            case LibraryAccess::ReadOnly:
                stateLine_ = QStringLiteral("Read-only. ") + first;
                break;
            case LibraryAccess::Memory:
                stateLine_ = QStringLiteral("Not kept after this run. ") + first;
                break;
            case LibraryAccess::Refused:
                stateLine_ = first;
                break;
            default:
                break;
        }
        dialogs_.message(kTitle, opening.notice,
                         opening.warning ? MsgIcon::Exclamation : MsgIcon::Information,
                         MsgButtons::Ok);
    }
    loadEntries();
    if (db_.keepsUserFields()) {
        model_->setUserFieldKeeper(
            [this](const LibraryEntry& entry, UserField field, const QString& text) {
                return keepUserField(entry, field, text);
            });
    }
    opening_ = false;
    emit stateChanged();
    lookAgain(false);
}

QString PassLibrary::stateText() const {
    return stateLine_;
}

void PassLibrary::loadEntries() {
    try {
        model_->setEntries(db_.loadEntries());
    } catch (const AppError& e) {
        dialogs_.message(kTitle,
                         QStringLiteral("The pass library cannot be read.\r\n") + e.description(),
                         MsgIcon::Exclamation, MsgButtons::Ok);
    }
}

void PassLibrary::lookAgain(bool reread) {
    if (!isOpen() || access() == LibraryAccess::Refused) {
        return;
    }
    if (reread) {
        indexer_->rereadEntries();
    } else {
        indexer_->checkEntries();
    }
    if (!db_.canEnter()) {
        return;
    }
    // The program's own folders may not exist yet: nothing to look at, nothing to report.
    for (const QString& folder : {places_.downloads, places_.recordings}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            indexer_->enterFolder(folder);
        }
    }
    try {
        for (const QString& folder : db_.addedFolders()) {
            indexer_->enterFolder(folder);
        }
    } catch (const AppError& e) {
        writeFailed(e.description());
    }
}

void PassLibrary::refresh() {
    open();
    lookAgain(false);
}

void PassLibrary::rebuild() {
    open();
    lookAgain(true);
}

void PassLibrary::enterFile(const QString& path) {
    if (path.isEmpty() || access() == LibraryAccess::Refused) {
        return;
    }
    // From the event loop: a box about the library never comes up inside the caller's command.
    QTimer::singleShot(0, this, [this, path] {
        open();
        if (db_.canEnter()) {
            indexer_->enterFirst(path);
        }
    });
}

void PassLibrary::addFolder(const QString& folder) {
    open();
    if (!db_.canEnter() || folder.isEmpty()) {
        return;
    }
    const QString path = libraryPath(folder);
    try {
        db_.addFolder(path);
    } catch (const AppError& e) {
        writeFailed(e.description());
    }
    indexer_->enterFolder(path);
}

PassKind PassLibrary::kindOf(const QString& path) const {
    const QString clean = libraryPath(path);
    auto under = [&clean](const QString& folder) {
        return !folder.isEmpty() && clean.startsWith(libraryPath(folder) + u'/');
    };
    if (under(places_.downloads)) {
        return PassKind::Download;
    }
    if (under(places_.recordings)) {
        return PassKind::Recording;
    }
    return PassKind::File;
}

bool PassLibrary::keepUserField(const LibraryEntry& entry, UserField field, const QString& text) {
    try {
        db_.setUserField(entry.id, field, text);
        return true;
    } catch (const AppError& e) {
        writeFailureTold_ = false;
        writeFailed(e.description());
        return false;
    }
}

void PassLibrary::writeFailed(const QString& why) {
    if (writeFailureTold_) {
        return;
    }
    writeFailureTold_ = true;
    dialogs_.message(kTitle,
                     QStringLiteral("The pass library could not be written: %1.\r\nIt is as it was "
                                    "before; the log files are not touched, and the library "
                                    "looks at them again the next time it is opened.")
                         .arg(why),
                     MsgIcon::Exclamation, MsgButtons::Ok);
}

bool PassLibrary::locate(qint64 id, const QString& chosen, QString& why) {
    const LibraryEntry* e = model_->entry(id);
    if (e == nullptr) {
        why = QStringLiteral("the row is no longer in the library");
        return false;
    }
    if (!db_.canEnter()) {
        why = QStringLiteral("the library is read-only");
        return false;
    }
    const QString path = libraryPath(chosen);
    const std::optional<QByteArray> sha = fileSha256(path);
    if (!sha) {
        why = QStringLiteral("the file cannot be read");
        return false;
    }
    if (*sha != e->sha256) {
        why = QStringLiteral(
            "its content is not that of this pass (another log, or the file was "
            "changed)");
        return false;
    }
    IndexedLog read = indexLogFile(path, kindOf(path));
    if (!read.entry) {
        why = read.skipped;
        return false;
    }
    LibraryEntry moved = *read.entry;
    moved.id = id;
    moved.track = e->track;
    moved.tags = e->tags;
    moved.notes = e->notes;
    // The file may already have a row of its own (a folder was looked through meanwhile): the
    // two become one, and what the user wrote on either is kept.
    const LibraryEntry* other = model_->entryForPath(path);
    const qint64 otherId = other != nullptr && other->id != id ? other->id : 0;
    if (otherId != 0) {
        for (UserField f : {UserField::Track, UserField::Tags, UserField::Notes}) {
            QString& mine = f == UserField::Track  ? moved.track
                            : f == UserField::Tags ? moved.tags
                                                   : moved.notes;
            const QString& theirs = f == UserField::Track  ? other->track
                                    : f == UserField::Tags ? other->tags
                                                           : other->notes;
            if (mine.isEmpty()) {
                mine = theirs;
            }
        }
    }
    try {
        db_.beginTransaction();
        if (otherId != 0) {
            db_.remove(otherId);
        }
        db_.updateFile(moved);
        db_.setUserFields(moved);
        db_.commit();
    } catch (const AppError& failure) {
        db_.rollback();
        why = failure.description();
        return false;
    }
    if (otherId != 0) {
        model_->removeEntry(otherId);
    }
    model_->putEntry(moved);
    return true;
}

bool PassLibrary::remove(qint64 id) {
    if (!db_.canEnter() || model_->entry(id) == nullptr) {
        return false;
    }
    try {
        db_.remove(id);
    } catch (const AppError& e) {
        writeFailureTold_ = false;
        writeFailed(e.description());
        return false;
    }
    model_->removeEntry(id);
    return true;
}

}  // namespace tarvik
