#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTreeWidget;
class QGroupBox;

namespace tarvik {

class PassLibrary;
class PassPictureDelegate;
class UserDialogs;
struct LibraryEntry;

/// What the library window is given: the library, the dialogs, and what the main window does
/// for it.
struct LibraryWindowServices {
    PassLibrary& library;
    UserDialogs& dialogs;
    /// Opens a file exactly as File > Open File does.
    std::function<void(const QString& path)> openFile;
    /// Opens the chart of the loaded data set with this file as its comparison.
    std::function<void(const QString& path)> compareWithLoaded;
    /// A data set is loaded (Compare With Loaded needs one).
    std::function<bool()> dataLoaded;
};

/// The Pass Library window (File > Pass Library...): every pass the library knows, one row per
/// log file, sorted on any column and narrowed by the filter box as the user types. Track, Tags
/// and Notes are edited in place. Double-click or Enter opens the file; "Compare With Loaded"
/// charts the loaded data set with the file as its comparison; "Export List..." writes the rows
/// shown as CSV. A row whose file has gone is grey, with "Locate..." and "Remove from Library".
/// While files are read, a progress bar with "Cancel" (or Esc) shows it, and the list fills as
/// they come; files that are not logs are listed under "Skipped" with the reason.
class FrmLibrary : public QWidget {
    Q_OBJECT

public:
    explicit FrmLibrary(LibraryWindowServices services, QWidget* parent = nullptr);
    ~FrmLibrary() override;

    // Handlers.
    void txtFilter_Change();
    void cmdAddFolder_Click();
    void cmdExport_Click();
    void cmdOpen_Click();
    void cmdCompare_Click();
    void cmdLocate_Click();
    void cmdRemove_Click();
    void cmdRebuild_Click();
    void cmdCancel_Click();

    /// The entry of the current row, or null.
    const LibraryEntry* currentEntry() const;
    /// Makes the row of an entry the current one (when the filter shows it).
    void selectEntry(qint64 id);
    QTableView& table() { return *grdPasses_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildLayout();
    QWidget* buildCommandRow();
    void wire();
    void updateCommands();
    void updateCount();
    void updateProgress(int done, int total);
    void updateSkipped();
    void updateState();
    void activated(const QModelIndex& index);

    LibraryWindowServices services_;
    QLineEdit* txtFilter_ = nullptr;
    QTableView* grdPasses_ = nullptr;
    PassPictureDelegate* delegate_ = nullptr;
    QLabel* lblCount_ = nullptr;
    QLabel* lblState_ = nullptr;
    QWidget* fraIndexing_ = nullptr;
    QProgressBar* prgIndexing_ = nullptr;
    QLabel* lblIndexing_ = nullptr;
    QGroupBox* fraSkipped_ = nullptr;
    QTreeWidget* lstSkipped_ = nullptr;
    QPushButton* cmdAddFolder_ = nullptr;
    QPushButton* cmdExport_ = nullptr;
    QPushButton* cmdOpen_ = nullptr;
    QPushButton* cmdCompare_ = nullptr;
    QPushButton* cmdLocate_ = nullptr;
    QPushButton* cmdRemove_ = nullptr;
    QPushButton* cmdRebuild_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace tarvik
