#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QHash>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "library/library_entry.h"
#include "library/library_filter.h"

namespace tarvik {

/// The library window's columns, in order.
enum class LibraryColumn {
    Picture,
    Date,
    Kind,
    Model,
    Firmware,
    Comment,
    Track,
    Tags,
    Notes,
    Launches,
    Ft60,
    EighthMile,
    QuarterMile,
    ZeroToSixty,
    PeakRpm,
    PeakMph,
    Copies,
    File,
};
inline constexpr int kLibraryColumns = 18;

/// Every entry of the library as a table: one row per log file, the rows that pass the filter
/// in the order chosen. Sorting and filtering work on the model itself (no proxy), so a
/// keystroke in the filter box or a click on a heading is one pass over the entries. Rows come
/// and go one by one while files are being entered, so an edit in progress and the selection
/// survive the indexing.
class LibraryModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Role {
        GoneRole = Qt::UserRole + 1,  ///< bool: the file cannot be read where it was
        PictureRole,                  ///< QByteArray: the stored picture points
        IdRole,                       ///< qint64: the entry's id
        PathRole,                     ///< QString: the file's path
    };
    /// Keeps a user's field in the library; false when it could not be kept (the model then
    /// leaves the field as it was). Not set: the fields cannot be edited.
    using UserFieldKeeper =
        std::function<bool(const LibraryEntry& entry, UserField field, const QString& text)>;

    explicit LibraryModel(QObject* parent = nullptr);
    ~LibraryModel() override;

    /// The headings as the window shows them ("Picture", "Date", "Kind", ... "File").
    static const QStringList& headings();

    void setUserFieldKeeper(UserFieldKeeper keeper) { keeper_ = std::move(keeper); }

    // What the library tells the model.
    /// All entries at once (the library was opened).
    void setEntries(std::vector<LibraryEntry> entries);
    /// A new or re-read entry (by id), placed where the order puts it.
    void putEntry(const LibraryEntry& entry);
    void removeEntry(qint64 id);
    /// Marks an entry's file as gone (with why) or back ("").
    void setGone(qint64 id, const QString& why);

    // What the user does.
    void setFilterText(const QString& text);
    const QString& filterText() const { return filterText_; }
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return order_; }

    // Reading it.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    /// The entry shown in a row (0-based), or null.
    const LibraryEntry* entryAt(int row) const;
    /// The entry with an id, or null.
    const LibraryEntry* entry(qint64 id) const;
    const LibraryEntry* entryForPath(const QString& path) const;
    /// Entries whose content has this hash.
    std::vector<const LibraryEntry*> entriesWithHash(const QByteArray& sha256) const;
    /// The row an entry is shown in, or -1 when the filter hides it.
    int rowOf(qint64 id) const;
    /// Every entry, shown or not.
    int entryCount() const;
    /// The ids of every entry, in the order entered.
    std::vector<qint64> ids() const;
    /// A cell's text as shown.
    QString text(int row, LibraryColumn column) const;

    /// The rows shown, in the order shown, as RFC 4180 CSV with the headings as on screen
    /// (the picture left out): UTF-8, CR LF line ends.
    QByteArray csv() const;

private:
    struct Row;
    Row makeRow(const LibraryEntry& entry) const;
    bool passes(const Row& row) const;
    /// Whether row a comes before row b in the order chosen.
    bool before(int a, int b) const;
    void refilter();
    void countCopies();
    void reindex();
    /// Where a row of rows_ goes among the rows shown.
    int insertionPoint(int index) const;
    int shownRowOf(int index) const;
    void show(int index);
    void hide(int shownRow);
    void reposition(int index);

    std::vector<Row> rows_;
    QHash<qint64, int> byId_;
    QHash<QString, int> byPath_;
    QHash<QByteArray, int> copies_;
    std::vector<int> shown_;
    QString filterText_;
    LibraryFilter filter_;
    int sortColumn_ = static_cast<int>(LibraryColumn::Date);
    Qt::SortOrder order_ = Qt::DescendingOrder;
    UserFieldKeeper keeper_;
};

}  // namespace tarvik
