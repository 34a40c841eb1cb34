#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "library/library_database.h"
#include "library/library_entry.h"
#include "library/library_indexer.h"

namespace tarvik {

class LibraryModel;
class UserDialogs;

/// The folders the library lives by: the per-user data folder that holds library.sqlite, and
/// the kept downloads and recordings in it (or wherever the program keeps them).
struct LibraryPlaces {
    QString dataFolder;
    QString downloads;
    QString recordings;
};

/// The pass library: every log file the program has seen, with the figures of its best launch
/// and the user's Track, Tags and Notes. It opens its database on first use, tells the user once
/// about anything unusual (damaged and rebuilt, in use elsewhere, read-only, made by a later
/// version), lists what it holds at once and then looks at the files again in the background:
/// the downloads and recordings folders and the folders the user added, for new and changed
/// files, and every known file, for one that has gone. The files stay the truth; the library
/// never changes them.
class PassLibrary : public QObject {
    Q_OBJECT

public:
    /// The title of the library window and of every box about the library.
    static const QString kTitle;

    PassLibrary(LibraryPlaces places, UserDialogs& dialogs, QObject* parent = nullptr);
    ~PassLibrary() override;

    /// Opens the library if it is not open yet (at most once), then looks at the files again.
    void open();
    bool isOpen() const { return db_.access() != LibraryAccess::Closed; }
    LibraryAccess access() const { return db_.access(); }
    /// One line on the library's state for the window ("" when it is kept as usual).
    QString stateText() const;
    const LibraryPlaces& places() const { return places_; }
    LibraryModel& model() { return *model_; }
    LibraryIndexer& indexer() { return *indexer_; }
    LibraryDatabase& database() { return db_; }

    /// A log file the program has just written or used: entered before anything else waiting,
    /// from the event loop (never inside the caller's command). Opens the library if needed.
    void enterFile(const QString& path);
    /// "Add Folder...": the folder is kept in the library and its logs entered.
    void addFolder(const QString& folder);
    /// Looks at every folder and file again (new, changed, gone).
    void refresh();
    /// Reads every file again; the user's fields stay.
    void rebuild();
    /// Esc or Cancel: the indexing waiting is dropped.
    void cancel() { indexer_->cancel(); }

    /// "Locate...": points the entry `id` at `path`, which must hold the same content (by its
    /// SHA-256). False with `why` set when it does not, cannot be read, or cannot be written.
    bool locate(qint64 id, const QString& path, QString& why);
    /// "Remove from Library": the entry goes (the file, if any, is never touched).
    bool remove(qint64 id);

    /// The kind a file has by the folder it lies in.
    PassKind kindOf(const QString& path) const;

    /// Asked before each slice of indexing (the main window: no command holds the link).
    void setMayWork(std::function<bool()> mayWork);
    /// The clock that stamps a damaged library's new name (tests fix it).
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }

signals:
    /// The library was opened or its access changed.
    void stateChanged();

private:
    void loadEntries();
    bool keepUserField(const LibraryEntry& entry, UserField field, const QString& text);
    /// Tells the user once that a write failed, until a later write succeeds.
    void writeFailed(const QString& why);
    void lookAgain(bool reread);

    LibraryPlaces places_;
    UserDialogs& dialogs_;
    LibraryDatabase db_;
    std::unique_ptr<LibraryModel> model_;
    std::unique_ptr<LibraryIndexer> indexer_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
    QString stateLine_;
    bool writeFailureTold_ = false;
    bool opening_ = false;
};

}  // namespace tarvik
