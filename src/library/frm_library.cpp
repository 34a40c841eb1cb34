#include "library/frm_library.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/app_error.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "library/library_model.h"
#include "library/pass_library.h"
#include "library/pass_picture_delegate.h"
#include "logdata/file_dialogs.h"
#include "logdata/log_data_host.h"

namespace tarvik {

namespace {

const QString kExportTitle = QStringLiteral("Export List");
const QString kCsvFilter = QStringLiteral("CSV files (*.csv)|*.csv");
const QString kLocateTitle = QStringLiteral("Locate");
const QString kRemoveTitle = QStringLiteral("Remove from Library");
const QString kCompareTitle = QStringLiteral("Compare With Loaded");
const QString kAddFolderTitle = QStringLiteral("Add Folder");
constexpr int kRowHeight = 30;

// Column widths that show a typical row without scrolling on a laptop screen.
constexpr int kColumnWidths[kLibraryColumns] = {104, 150, 74, 52, 86, 150, 100, 100, 170,
                                                62,  58,  64, 64, 64, 66,  62,  52,  210};

void writeCsv(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    auto fail = [&path](const QString& why) {
        return AppError(
            AppError::kFileError, kExportTitle,
            QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), why));
    };
    if (!file.open(QIODevice::WriteOnly)) {
        throw fail(file.errorString());
    }
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw fail(why);
    }
    if (!file.commit()) {
        throw fail(file.errorString());
    }
}

QPushButton* button(const char* name, const QString& text) {
    auto* b = new QPushButton(text);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

FrmLibrary::FrmLibrary(LibraryWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)) {
    setObjectName(QStringLiteral("frmLibrary"));
    setWindowTitle(PassLibrary::kTitle);
    buildLayout();
    wire();
    updateState();
    updateCount();
    updateSkipped();
    updateProgress(services_.library.indexer().done(), services_.library.indexer().total());
    updateCommands();
    resize(1280, 640);
}

FrmLibrary::~FrmLibrary() = default;

void FrmLibrary::buildLayout() {
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto* lblFilter = new QLabel(QStringLiteral("&Filter"));
    lblFilter->setObjectName(QStringLiteral("lblFilter"));
    txtFilter_ = new QLineEdit;
    txtFilter_->setObjectName(QStringLiteral("txtFilter"));
    txtFilter_->setClearButtonEnabled(true);
    txtFilter_->setPlaceholderText(
        QStringLiteral("words or \"a phrase\" in any column; numbers: 60ft<2.1  1/4<=11.5  "
                       "rpm>7000  mph>150  0-60<4  launches>1  copies>1"));
    lblFilter->setBuddy(txtFilter_);
    cmdAddFolder_ = button("cmdAddFolder", QStringLiteral("Add Folder..."));
    cmdExport_ = button("cmdExport", QStringLiteral("Export List..."));
    top->addWidget(lblFilter);
    top->addWidget(txtFilter_, 1);
    top->addWidget(cmdAddFolder_);
    top->addWidget(cmdExport_);
    layout->addLayout(top);

    lblState_ = new QLabel;
    lblState_->setObjectName(QStringLiteral("lblState"));
    lblState_->setWordWrap(true);
    layout->addWidget(lblState_);

    LibraryModel& model = services_.library.model();
    grdPasses_ = new QTableView;
    grdPasses_->setObjectName(QStringLiteral("grdPasses"));
    grdPasses_->setModel(&model);
    delegate_ = new PassPictureDelegate(static_cast<int>(LibraryColumn::Picture), grdPasses_);
    grdPasses_->setItemDelegate(delegate_);
    grdPasses_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdPasses_->setSelectionMode(QAbstractItemView::SingleSelection);
    grdPasses_->setEditTriggers(QAbstractItemView::DoubleClicked |
                                QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::SelectedClicked);
    grdPasses_->setWordWrap(false);
    grdPasses_->setAlternatingRowColors(true);
    grdPasses_->verticalHeader()->hide();
    // Every row the same height: 5,000 rows are laid out without measuring one.
    grdPasses_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdPasses_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    QHeaderView* header = grdPasses_->horizontalHeader();
    header->setSectionsMovable(true);
    header->setHighlightSections(false);
    for (int c = 0; c < kLibraryColumns; ++c) {
        header->resizeSection(c, kColumnWidths[c]);
    }
    header->setSortIndicator(model.sortColumn(), model.sortOrder());
    grdPasses_->setSortingEnabled(true);

    fraSkipped_ = new QGroupBox(QStringLiteral("Skipped"));
    fraSkipped_->setObjectName(QStringLiteral("fraSkipped"));
    lstSkipped_ = new QTreeWidget;
    lstSkipped_->setObjectName(QStringLiteral("lstSkipped"));
    lstSkipped_->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Reason")});
    lstSkipped_->setRootIsDecorated(false);
    lstSkipped_->header()->resizeSection(0, 520);
    auto* skippedLayout = new QVBoxLayout(fraSkipped_);
    skippedLayout->addWidget(lstSkipped_);

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(grdPasses_);
    split->addWidget(fraSkipped_);
    split->setStretchFactor(0, 6);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    fraIndexing_ = new QWidget;
    fraIndexing_->setObjectName(QStringLiteral("fraIndexing"));
    auto* indexing = new QHBoxLayout(fraIndexing_);
    indexing->setContentsMargins(0, 0, 0, 0);
    lblIndexing_ = new QLabel;
    lblIndexing_->setObjectName(QStringLiteral("lblIndexing"));
    prgIndexing_ = new QProgressBar;
    prgIndexing_->setObjectName(QStringLiteral("prgIndexing"));
    cmdCancel_ = button("cmdCancel", QStringLiteral("Cancel"));
    indexing->addWidget(lblIndexing_);
    indexing->addWidget(prgIndexing_, 1);
    indexing->addWidget(cmdCancel_);
    layout->addWidget(fraIndexing_);

    layout->addWidget(buildCommandRow());
}

QWidget* FrmLibrary::buildCommandRow() {
    auto* row = new QWidget;
    auto* commands = new QHBoxLayout(row);
    commands->setContentsMargins(0, 0, 0, 0);
    cmdOpen_ = button("cmdOpen", QStringLiteral("&Open"));
    cmdCompare_ = button("cmdCompare", QStringLiteral("&Compare With Loaded"));
    cmdLocate_ = button("cmdLocate", QStringLiteral("&Locate..."));
    cmdRemove_ = button("cmdRemove", QStringLiteral("&Remove from Library"));
    cmdRebuild_ = button("cmdRebuild", QStringLiteral("Read All &Again"));
    cmdRebuild_->setToolTip(QStringLiteral(
        "Reads every file of the library again; Track, Tags and Notes stay as they are."));
    lblCount_ = new QLabel;
    lblCount_->setObjectName(QStringLiteral("lblCount"));
    for (QPushButton* b : {cmdOpen_, cmdCompare_, cmdLocate_, cmdRemove_}) {
        commands->addWidget(b);
    }
    commands->addStretch(1);
    commands->addWidget(lblCount_);
    commands->addWidget(cmdRebuild_);
    return row;
}

void FrmLibrary::wire() {
    LibraryModel& model = services_.library.model();
    LibraryIndexer& indexer = services_.library.indexer();
    connect(txtFilter_, &QLineEdit::textChanged, this, &FrmLibrary::txtFilter_Change);
    connect(cmdAddFolder_, &QPushButton::clicked, this, &FrmLibrary::cmdAddFolder_Click);
    connect(cmdExport_, &QPushButton::clicked, this, &FrmLibrary::cmdExport_Click);
    connect(cmdOpen_, &QPushButton::clicked, this, &FrmLibrary::cmdOpen_Click);
    connect(cmdCompare_, &QPushButton::clicked, this, &FrmLibrary::cmdCompare_Click);
    connect(cmdLocate_, &QPushButton::clicked, this, &FrmLibrary::cmdLocate_Click);
    connect(cmdRemove_, &QPushButton::clicked, this, &FrmLibrary::cmdRemove_Click);
    connect(cmdRebuild_, &QPushButton::clicked, this, &FrmLibrary::cmdRebuild_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &FrmLibrary::cmdCancel_Click);
    connect(grdPasses_, &QAbstractItemView::activated, this, &FrmLibrary::activated);
    connect(grdPasses_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { updateCommands(); });
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(&model, signal, this, [this] { updateCount(); });
    }
    connect(&model, &QAbstractItemModel::modelReset, this, [this] {
        updateCount();
        updateCommands();
    });
    connect(&model, &QAbstractItemModel::dataChanged, this, [this] { updateCommands(); });
    connect(&indexer, &LibraryIndexer::progress, this, &FrmLibrary::updateProgress);
    connect(&indexer, &LibraryIndexer::skippedChanged, this, &FrmLibrary::updateSkipped);
    connect(&services_.library, &PassLibrary::stateChanged, this, [this] {
        updateState();
        updateCommands();
    });
}

const LibraryEntry* FrmLibrary::currentEntry() const {
    const QModelIndex current = grdPasses_->currentIndex();
    return current.isValid() ? services_.library.model().entryAt(current.row()) : nullptr;
}

void FrmLibrary::selectEntry(qint64 id) {
    const int row = services_.library.model().rowOf(id);
    if (row >= 0) {
        grdPasses_->selectRow(row);
        grdPasses_->setCurrentIndex(services_.library.model().index(row, 1));
        grdPasses_->scrollTo(grdPasses_->currentIndex());
    }
    updateCommands();
}

void FrmLibrary::updateCommands() {
    const LibraryEntry* e = currentEntry();
    const bool enters = services_.library.database().canEnter();
    const bool there = e != nullptr && !e->isGone();
    const bool gone = e != nullptr && e->isGone();
    cmdOpen_->setEnabled(there);
    // Enabled with any file there; without a data set loaded it says what to do first.
    cmdCompare_->setEnabled(there);
    cmdLocate_->setEnabled(gone && enters);
    cmdRemove_->setEnabled(gone && enters);
    cmdAddFolder_->setEnabled(enters);
    cmdRebuild_->setEnabled(enters);
}

void FrmLibrary::updateCount() {
    const LibraryModel& model = services_.library.model();
    const int shown = model.rowCount();
    const int all = model.entryCount();
    lblCount_->setText(shown == all ? QStringLiteral("%1 passes").arg(all)
                                    : QStringLiteral("%1 of %2 passes").arg(shown).arg(all));
}

void FrmLibrary::updateProgress(int done, int total) {
    fraIndexing_->setVisible(total > 0);
    if (total > 0) {
        prgIndexing_->setRange(0, total);
        prgIndexing_->setValue(done);
        lblIndexing_->setText(QStringLiteral("Reading logs: %1 of %2").arg(done).arg(total));
    }
}

void FrmLibrary::updateSkipped() {
    const std::vector<SkippedFile>& skipped = services_.library.indexer().skipped();
    lstSkipped_->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(skipped.size()));
    for (const SkippedFile& s : skipped) {
        items << new QTreeWidgetItem(QStringList{QDir::toNativeSeparators(s.path), s.reason});
    }
    lstSkipped_->addTopLevelItems(items);
    fraSkipped_->setTitle(QStringLiteral("Skipped (%1)").arg(skipped.size()));
    fraSkipped_->setVisible(!skipped.empty());
}

void FrmLibrary::updateState() {
    const QString state = services_.library.stateText();
    lblState_->setText(state);
    lblState_->setVisible(!state.isEmpty());
}

void FrmLibrary::txtFilter_Change() {
    services_.library.model().setFilterText(txtFilter_->text());
}

void FrmLibrary::activated(const QModelIndex& index) {
    if (index.isValid()) {
        cmdOpen_Click();
    }
}

void FrmLibrary::cmdOpen_Click() {
    const LibraryEntry* e = currentEntry();
    if (e != nullptr && services_.openFile) {
        services_.openFile(e->path);
    }
}

void FrmLibrary::cmdCompare_Click() {
    const LibraryEntry* e = currentEntry();
    if (e == nullptr || !services_.compareWithLoaded) {
        return;
    }
    if (!services_.dataLoaded || !services_.dataLoaded()) {
        services_.dialogs.message(kCompareTitle,
                                  QStringLiteral("No data set is loaded.\r\nOpen a log file or "
                                                 "download the controller's log first."),
                                  MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    services_.compareWithLoaded(e->path);
}

void FrmLibrary::cmdAddFolder_Click() {
    const QString folder = services_.dialogs.folderName(kAddFolderTitle);
    if (!folder.isEmpty()) {
        services_.library.addFolder(folder);
    }
}

void FrmLibrary::cmdExport_Click() {
    ErrorTrap trap(services_.dialogs);
    QString path;
    FileDialogs files(services_.dialogs);
    trap.run([&] { path = files.fileSave(kExportTitle, kCsvFilter, QString()); });
    if (trap.aborted() || path.isEmpty()) {
        return;
    }
    const QByteArray csv = services_.library.model().csv();
    trap.run([&] { writeCsv(path, csv); });
}

void FrmLibrary::cmdLocate_Click() {
    const LibraryEntry* e = currentEntry();
    if (e == nullptr || !e->isGone()) {
        return;
    }
    const qint64 id = e->id;
    const QString name = QFileInfo(e->path).fileName();
    const QString path = services_.dialogs.openFileName(kLocateTitle + u' ' + name, kLogFileFilter);
    if (path.isEmpty()) {
        return;
    }
    QString why;
    if (!services_.library.locate(id, path, why)) {
        services_.dialogs.message(kLocateTitle,
                                  QStringLiteral("%1\r\nThis file cannot take the place of %2: "
                                                 "%3.")
                                      .arg(QDir::toNativeSeparators(path), name, why),
                                  MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    selectEntry(id);
}

void FrmLibrary::cmdRemove_Click() {
    const LibraryEntry* e = currentEntry();
    if (e == nullptr || !e->isGone()) {
        return;
    }
    const qint64 id = e->id;
    const MsgResult answer = services_.dialogs.message(
        kRemoveTitle,
        QStringLiteral("Remove %1 from the library?\r\nIts Track, Tags and Notes go with it; no "
                       "file is touched.")
            .arg(QDir::toNativeSeparators(e->path)),
        MsgIcon::Question, MsgButtons::OkCancel);
    if (answer == MsgResult::Ok) {
        services_.library.remove(id);
    }
}

void FrmLibrary::cmdRebuild_Click() {
    services_.library.rebuild();
}

void FrmLibrary::cmdCancel_Click() {
    services_.library.cancel();
}

void FrmLibrary::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && services_.library.indexer().busy()) {
        cmdCancel_Click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FrmLibrary::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        updateCommands();  // a data set may have been loaded meanwhile
    }
    QWidget::changeEvent(event);
}

}  // namespace tarvik
