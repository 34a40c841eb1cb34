#include "library/library_model.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "library/log_index.h"
#include "logdata/csv_fields.h"

namespace tarvik {

namespace {

// Where the figures sit among the columns.
constexpr int kFirstFigureColumn = static_cast<int>(LibraryColumn::Ft60);
// A cell shows at most this much of a long text; the editor and the tool tip have more.
constexpr int kCellChars = 200;
constexpr int kToolTipChars = 2000;

std::optional<Figure> figureOf(LibraryColumn c) {
    const int i = static_cast<int>(c) - kFirstFigureColumn;
    if (i < 0 || i >= kFigureCount) {
        return std::nullopt;
    }
    return static_cast<Figure>(i);
}

std::optional<UserField> userFieldOf(LibraryColumn c) {
    switch (c) {
        case LibraryColumn::Track:
            return UserField::Track;
        case LibraryColumn::Tags:
            return UserField::Tags;
        case LibraryColumn::Notes:
            return UserField::Notes;
        default:
            return std::nullopt;
    }
}

bool isNumber(LibraryColumn c) {
    return figureOf(c) || c == LibraryColumn::Launches || c == LibraryColumn::Copies;
}

QString& userField(LibraryEntry& e, UserField f) {
    return f == UserField::Track ? e.track : f == UserField::Tags ? e.tags : e.notes;
}

template <class T>
int threeWay(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

QString oneLine(const QString& text, int chars) {
    QString shown = text.left(chars);
    shown.replace(u'\r', u' ').replace(u'\n', u' ');
    return text.size() > chars ? shown + QStringLiteral("...") : shown;
}

}  // namespace

struct LibraryModel::Row {
    LibraryEntry entry;
    qint64 whenMs = 0;
    QString dateText;
    QString fileName;
    QString haystack;
    // The numbers the figures' texts show, which the filter compares.
    std::array<std::optional<double>, kFigureCount> shownFigures;

    void makeFigures() {
        const bool noTexts = std::all_of(entry.figureTexts.begin(), entry.figureTexts.end(),
                                         [](const QString& t) { return t.isEmpty(); });
        const bool anyFigure = std::any_of(entry.figures.begin(), entry.figures.end(),
                                           [](const auto& f) { return f.has_value(); });
        if (noTexts && anyFigure) {
            entry.figureTexts = tarvik::figureTexts(entry);  // an entry made without them
        }
        for (std::size_t f = 0; f < shownFigures.size(); ++f) {
            bool ok = false;
            const double v = entry.figureTexts[f].toDouble(&ok);
            shownFigures[f] = ok ? std::optional<double>(v) : std::nullopt;
        }
    }
    void makeHaystack() {
        haystack = QStringList{dateText,      passKindName(entry.kind),
                               entry.model,   entry.firmware,
                               entry.comment, entry.track,
                               entry.tags,    entry.notes,
                               fileName}
                       .join(u'\n')
                       .toLower();
    }
};

LibraryModel::LibraryModel(QObject* parent) : QAbstractTableModel(parent) {}

LibraryModel::~LibraryModel() = default;

const QStringList& LibraryModel::headings() {
    static const QStringList h{
        QStringLiteral("Picture"),  QStringLiteral("Date"),     QStringLiteral("Kind"),
        QStringLiteral("Model"),    QStringLiteral("Firmware"), QStringLiteral("Comment"),
        QStringLiteral("Track"),    QStringLiteral("Tags"),     QStringLiteral("Notes"),
        QStringLiteral("Launches"), QStringLiteral("60 ft"),    QStringLiteral("1/8 mile"),
        QStringLiteral("1/4 mile"), QStringLiteral("0-60 mph"), QStringLiteral("Peak RPM"),
        QStringLiteral("Peak mph"), QStringLiteral("Copies"),   QStringLiteral("File")};
    return h;
}

LibraryModel::Row LibraryModel::makeRow(const LibraryEntry& entry) const {
    Row r;
    r.entry = entry;
    r.whenMs = entry.when.toMSecsSinceEpoch();
    r.dateText = entry.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    r.fileName = QFileInfo(entry.path).fileName();
    r.makeHaystack();
    r.makeFigures();
    return r;
}

void LibraryModel::setEntries(std::vector<LibraryEntry> entries) {
    beginResetModel();
    rows_.clear();
    rows_.reserve(entries.size());
    for (LibraryEntry& e : entries) {
        rows_.push_back(makeRow(e));
    }
    reindex();
    countCopies();
    refilter();
    endResetModel();
}

void LibraryModel::reindex() {
    byId_.clear();
    byPath_.clear();
    byId_.reserve(static_cast<qsizetype>(rows_.size()));
    byPath_.reserve(static_cast<qsizetype>(rows_.size()));
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        byId_.insert(rows_[static_cast<std::size_t>(i)].entry.id, i);
        byPath_.insert(rows_[static_cast<std::size_t>(i)].entry.path, i);
    }
}

void LibraryModel::countCopies() {
    copies_.clear();
    for (const Row& r : rows_) {
        ++copies_[r.entry.sha256];
    }
}

bool LibraryModel::passes(const Row& row) const {
    if (filter_.isEmpty()) {
        return true;
    }
    return filter_.accepts(
        {row.haystack, row.shownFigures, row.entry.launches, copies_.value(row.entry.sha256, 1)});
}

void LibraryModel::refilter() {
    shown_.clear();
    shown_.reserve(rows_.size());
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        if (passes(rows_[static_cast<std::size_t>(i)])) {
            shown_.push_back(i);
        }
    }
    std::stable_sort(shown_.begin(), shown_.end(), [this](int a, int b) { return before(a, b); });
}

bool LibraryModel::before(int ia, int ib) const {
    const Row& a = rows_[static_cast<std::size_t>(ia)];
    const Row& b = rows_[static_cast<std::size_t>(ib)];
    const auto column = static_cast<LibraryColumn>(sortColumn_);
    int cmp = 0;
    bool aEmpty = false;
    bool bEmpty = false;
    auto texts = [&](const QString& x, const QString& y) {
        aEmpty = x.isEmpty();
        bEmpty = y.isEmpty();
        cmp = QString::compare(x, y, Qt::CaseInsensitive);
    };
    if (const std::optional<Figure> f = figureOf(column)) {
        const std::optional<double> x = a.entry.figure(*f);
        const std::optional<double> y = b.entry.figure(*f);
        aEmpty = !x;
        bEmpty = !y;
        cmp = x && y ? threeWay(*x, *y) : 0;
    } else {
        switch (column) {
            case LibraryColumn::Kind:
                cmp = threeWay(static_cast<int>(a.entry.kind), static_cast<int>(b.entry.kind));
                break;
            case LibraryColumn::Model:
                texts(a.entry.model, b.entry.model);
                break;
            case LibraryColumn::Firmware:
                texts(a.entry.firmware, b.entry.firmware);
                break;
            case LibraryColumn::Comment:
                texts(a.entry.comment, b.entry.comment);
                break;
            case LibraryColumn::Track:
                texts(a.entry.track, b.entry.track);
                break;
            case LibraryColumn::Tags:
                texts(a.entry.tags, b.entry.tags);
                break;
            case LibraryColumn::Notes:
                texts(a.entry.notes, b.entry.notes);
                break;
            case LibraryColumn::Launches:
                cmp = threeWay(a.entry.launches, b.entry.launches);
                break;
            case LibraryColumn::Copies:
                cmp = threeWay(copies_.value(a.entry.sha256), copies_.value(b.entry.sha256));
                break;
            case LibraryColumn::File:
                texts(a.fileName, b.fileName);
                break;
            default:
                cmp = threeWay(a.whenMs, b.whenMs);
                break;
        }
    }
    // Empty cells stay at the bottom in either order.
    if (aEmpty != bEmpty) {
        return bEmpty;
    }
    if (cmp == 0) {
        // Ties keep one order whichever way the column is sorted: newest first, then as entered.
        if (a.whenMs != b.whenMs) {
            return a.whenMs > b.whenMs;
        }
        return a.entry.id < b.entry.id;
    }
    return order_ == Qt::AscendingOrder ? cmp < 0 : cmp > 0;
}

void LibraryModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kLibraryColumns) {
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> entryOf;
    entryOf.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& i : before) {
        entryOf.push_back(shown_[static_cast<std::size_t>(i.row())]);
    }
    sortColumn_ = column;
    order_ = order;
    std::stable_sort(shown_.begin(), shown_.end(),
                     [this](int a, int b) { return this->before(a, b); });
    std::vector<int> rowOfEntry(rows_.size(), -1);
    for (int r = 0; r < static_cast<int>(shown_.size()); ++r) {
        rowOfEntry[static_cast<std::size_t>(shown_[static_cast<std::size_t>(r)])] = r;
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k) {
        after << index(rowOfEntry[static_cast<std::size_t>(entryOf[static_cast<std::size_t>(k)])],
                       before[k].column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void LibraryModel::setFilterText(const QString& text) {
    if (text == filterText_) {
        return;
    }
    filterText_ = text;
    filter_ = LibraryFilter(text);
    beginResetModel();
    refilter();
    endResetModel();
}

int LibraryModel::insertionPoint(int index) const {
    const auto it = std::lower_bound(shown_.begin(), shown_.end(), index,
                                     [this](int shown, int i) { return before(shown, i); });
    return static_cast<int>(it - shown_.begin());
}

int LibraryModel::shownRowOf(int index) const {
    const auto it = std::find(shown_.begin(), shown_.end(), index);
    return it == shown_.end() ? -1 : static_cast<int>(it - shown_.begin());
}

void LibraryModel::show(int index) {
    const int at = insertionPoint(index);
    beginInsertRows(QModelIndex(), at, at);
    shown_.insert(shown_.begin() + at, index);
    endInsertRows();
}

void LibraryModel::hide(int shownRow) {
    beginRemoveRows(QModelIndex(), shownRow, shownRow);
    shown_.erase(shown_.begin() + shownRow);
    endRemoveRows();
}

void LibraryModel::reposition(int index) {
    const int from = shownRowOf(index);
    if (from < 0) {
        return;
    }
    shown_.erase(shown_.begin() + from);
    const int to = insertionPoint(index);
    shown_.insert(shown_.begin() + from, index);
    const int destination = to >= from ? to + 1 : to;
    if (destination != from && destination != from + 1 &&
        beginMoveRows(QModelIndex(), from, from, QModelIndex(), destination)) {
        shown_.erase(shown_.begin() + from);
        shown_.insert(shown_.begin() + to, index);
        endMoveRows();
    }
    const int row = shownRowOf(index);
    emit dataChanged(this->index(row, 0), this->index(row, kLibraryColumns - 1));
}

void LibraryModel::putEntry(const LibraryEntry& entry) {
    const auto known = byId_.constFind(entry.id);
    if (known == byId_.constEnd()) {
        rows_.push_back(makeRow(entry));
        const int index = static_cast<int>(rows_.size()) - 1;
        byId_.insert(entry.id, index);
        byPath_.insert(entry.path, index);
        const int copies = ++copies_[entry.sha256];
        if (passes(rows_.back())) {
            show(index);
        }
        if (copies > 1) {
            emit dataChanged(this->index(0, static_cast<int>(LibraryColumn::Copies)),
                             this->index(rowCount() - 1, static_cast<int>(LibraryColumn::Copies)));
        }
        return;
    }
    const int index = *known;
    Row& row = rows_[static_cast<std::size_t>(index)];
    if (row.entry.sha256 != entry.sha256) {
        --copies_[row.entry.sha256];
        ++copies_[entry.sha256];
    }
    byPath_.remove(row.entry.path);
    byPath_.insert(entry.path, index);
    row = makeRow(entry);
    const int shownRow = shownRowOf(index);
    const bool nowPasses = passes(row);
    if (shownRow >= 0 && !nowPasses) {
        hide(shownRow);
    } else if (shownRow < 0 && nowPasses) {
        show(index);
    } else if (shownRow >= 0) {
        reposition(index);
    }
}

void LibraryModel::removeEntry(qint64 id) {
    const auto known = byId_.constFind(id);
    if (known == byId_.constEnd()) {
        return;
    }
    const int index = *known;
    const int shownRow = shownRowOf(index);
    if (shownRow >= 0) {
        hide(shownRow);
    }
    --copies_[rows_[static_cast<std::size_t>(index)].entry.sha256];
    rows_.erase(rows_.begin() + index);
    for (int& i : shown_) {
        if (i > index) {
            --i;
        }
    }
    reindex();
    if (rowCount() > 0) {
        emit dataChanged(this->index(0, static_cast<int>(LibraryColumn::Copies)),
                         this->index(rowCount() - 1, static_cast<int>(LibraryColumn::Copies)));
    }
}

void LibraryModel::setGone(qint64 id, const QString& why) {
    const auto known = byId_.constFind(id);
    if (known == byId_.constEnd() || rows_[static_cast<std::size_t>(*known)].entry.gone == why) {
        return;
    }
    rows_[static_cast<std::size_t>(*known)].entry.gone = why;
    const int row = shownRowOf(*known);
    if (row >= 0) {
        emit dataChanged(index(row, 0), index(row, kLibraryColumns - 1));
    }
}

int LibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int LibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kLibraryColumns;
}

const LibraryEntry* LibraryModel::entryAt(int row) const {
    if (row < 0 || row >= static_cast<int>(shown_.size())) {
        return nullptr;
    }
    return &rows_[static_cast<std::size_t>(shown_[static_cast<std::size_t>(row)])].entry;
}

const LibraryEntry* LibraryModel::entry(qint64 id) const {
    const auto it = byId_.constFind(id);
    return it == byId_.constEnd() ? nullptr : &rows_[static_cast<std::size_t>(*it)].entry;
}

const LibraryEntry* LibraryModel::entryForPath(const QString& path) const {
    const auto it = byPath_.constFind(path);
    return it == byPath_.constEnd() ? nullptr : &rows_[static_cast<std::size_t>(*it)].entry;
}

std::vector<const LibraryEntry*> LibraryModel::entriesWithHash(const QByteArray& sha256) const {
    std::vector<const LibraryEntry*> found;
    if (copies_.value(sha256) == 0) {
        return found;
    }
    for (const Row& r : rows_) {
        if (r.entry.sha256 == sha256) {
            found.push_back(&r.entry);
        }
    }
    return found;
}

int LibraryModel::rowOf(qint64 id) const {
    const auto it = byId_.constFind(id);
    return it == byId_.constEnd() ? -1 : shownRowOf(*it);
}

int LibraryModel::entryCount() const {
    return static_cast<int>(rows_.size());
}

std::vector<qint64> LibraryModel::ids() const {
    std::vector<qint64> all;
    all.reserve(rows_.size());
    for (const Row& r : rows_) {
        all.push_back(r.entry.id);
    }
    return all;
}

QString LibraryModel::text(int shownRow, LibraryColumn column) const {
    if (shownRow < 0 || shownRow >= static_cast<int>(shown_.size())) {
        return QString();
    }
    const Row& r = rows_[static_cast<std::size_t>(shown_[static_cast<std::size_t>(shownRow)])];
    const LibraryEntry& e = r.entry;
    if (const std::optional<Figure> f = figureOf(column)) {
        return e.figureTexts[static_cast<std::size_t>(*f)];
    }
    switch (column) {
        case LibraryColumn::Date:
            return r.dateText;
        case LibraryColumn::Kind:
            return passKindName(e.kind);
        case LibraryColumn::Model:
            return e.model;
        case LibraryColumn::Firmware:
            return e.firmware;
        case LibraryColumn::Comment:
            return e.comment;
        case LibraryColumn::Track:
            return e.track;
        case LibraryColumn::Tags:
            return e.tags;
        case LibraryColumn::Notes:
            return e.notes;
        case LibraryColumn::Launches:
            return QString::number(e.launches);
        case LibraryColumn::Copies: {
            const int copies = copies_.value(e.sha256, 1);
            return copies > 1 ? QString::number(copies) : QString();
        }
        case LibraryColumn::File:
            return r.fileName;
        default:
            return QString();
    }
}

QVariant LibraryModel::data(const QModelIndex& index, int role) const {
    const LibraryEntry* e = index.isValid() ? entryAt(index.row()) : nullptr;
    if (e == nullptr) {
        return {};
    }
    const auto column = static_cast<LibraryColumn>(index.column());
    switch (role) {
        case Qt::DisplayRole: {
            const QString t = text(index.row(), column);
            return userFieldOf(column) ? oneLine(t, kCellChars) : t;
        }
        case Qt::EditRole:
            return text(index.row(), column);
        case Qt::ToolTipRole: {
            QString tip = QDir::toNativeSeparators(e->path);
            if (e->isGone()) {
                tip = QStringLiteral("The file cannot be read here: %1\n").arg(e->gone) + tip;
            } else if (userFieldOf(column) && !text(index.row(), column).isEmpty()) {
                tip = text(index.row(), column).left(kToolTipChars);
            }
            return tip;
        }
        case Qt::TextAlignmentRole:
            return isNumber(column) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                    : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        case GoneRole:
            return e->isGone();
        case PictureRole:
            return e->picture;
        case IdRole:
            return e->id;
        case PathRole:
            return e->path;
        default:
            return {};
    }
}

QVariant LibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kLibraryColumns) {
        return {};
    }
    return headings().at(section);
}

Qt::ItemFlags LibraryModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && keeper_ && userFieldOf(static_cast<LibraryColumn>(index.column()))) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

bool LibraryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const std::optional<UserField> field =
        index.isValid() ? userFieldOf(static_cast<LibraryColumn>(index.column())) : std::nullopt;
    if (role != Qt::EditRole || !field || !keeper_ || entryAt(index.row()) == nullptr) {
        return false;
    }
    const QString text = value.toString();
    if (text.size() > kMaxUserText) {
        return false;
    }
    Row& row = rows_[static_cast<std::size_t>(shown_[static_cast<std::size_t>(index.row())])];
    if (userField(row.entry, *field) == text) {
        return true;
    }
    if (!keeper_(row.entry, *field, text)) {
        return false;
    }
    userField(row.entry, *field) = text;
    row.makeHaystack();
    // The row stays where it is until the order or the filter is chosen again, so it does not
    // jump away from the user's hands.
    emit dataChanged(index, index);
    return true;
}

QByteArray LibraryModel::csv() const {
    QByteArray out;
    const QStringList& h = headings();
    for (int c = 1; c < kLibraryColumns; ++c) {
        if (c > 1) {
            out += ',';
        }
        csv_fields::appendQuoted(out, h.at(c).toUtf8());
    }
    out += "\r\n";
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 1; c < kLibraryColumns; ++c) {
            if (c > 1) {
                out += ',';
            }
            const auto column = static_cast<LibraryColumn>(c);
            const QByteArray t = text(r, column).toUtf8();
            if (isNumber(column)) {
                out += t;  // digits, a sign and a period: nothing to quote
            } else {
                csv_fields::appendQuoted(out, t);
            }
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace tarvik
