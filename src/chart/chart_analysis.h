#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <vector>

#include "chart/chart_export.h"
#include "chart/launch_finder.h"
#include "chart/zoom_window.h"

class QAction;
class QFrame;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;

namespace tarvik {

class ChartCursor;
class ErrorTrap;
class ChartNavigation;
class CompareOverlay;
class FrmChart1;
struct TraceOption;

/// The chart window's tools for analysing a pass, on a tool bar above the read-out and in the
/// "Analysis" menu: zoom and pan (ChartNavigation), "Go to Launch", cursor B (a right click)
/// with its read-out line and the differences to the marker (cursor A), a second log compared
/// over this one, and the picture and window exports. Messages that are no errors go to a
/// note along the bottom of the window, not into boxes.
class ChartAnalysis : public QObject {
    Q_OBJECT

public:
    /// The title of the comparison's messages and file dialog.
    static const QString kCompareTitle;

    /// Adds the tool bar, the menu and the second read-out line to the window's layout.
    ChartAnalysis(FrmChart1& window, QVBoxLayout& layout);
    ~ChartAnalysis() override;

    ChartNavigation& navigation() { return *navigation_; }
    CompareOverlay& comparison() { return *overlay_; }
    ChartCursor& cursorB() { return *cursorB_; }

    // Commands.
    void goToLaunch();
    void compareWith();
    /// Compare With... on a file already chosen (the pass library's Compare With Loaded).
    void compareWithFile(const QString& path);
    void removeComparison();
    /// Moves the compared pass by one of its samples (negative: earlier).
    void nudge(int samples);
    void savePicture();
    void exportWindow();

    // What the window tells the tools.
    void readOutCleared();
    void scaleChosen();
    bool scrolledTo(int position);
    void placeCursorB(int px, int py);
    /// The marker read a sample (row n), or found none (0).
    void cursorAPlaced(int row);
    void timeZeroChanged();

    /// The read-out lines as the window shows them, for a picture or a page: the marker's line
    /// when it holds a reading, then the cursor line when it holds anything.
    std::vector<ReadOutLine> readOutLines() const;
    QString note() const;

private:
    QAction* addCommand(const char* name, const QString& text, void (ChartAnalysis::*slot)(),
                        const QList<QKeySequence>& keys = {});
    QAction* findAction(const char* name) const;
    QHBoxLayout* buildCommandBar();
    QLabel* buildNote();
    void connectCommands();
    QFrame* buildCursorLine();
    /// Asks where to save; empty when the user cancelled or the dialog's step was aborted.
    QString askSavePath(ErrorTrap& trap, const QString& title, const QString& filter);
    void tracesChanged();
    void updateCursorLines();
    void updateCommands();
    void setNote(const QString& text);
    void realign(int nudge);
    std::optional<double> ownLaunchTime();
    const Launches& launches();
    const TraceOption* shownOption(int trace) const;

    FrmChart1& window_;
    ChartNavigation* navigation_ = nullptr;
    CompareOverlay* overlay_ = nullptr;
    ChartCursor* cursorA_ = nullptr;
    ChartCursor* cursorB_ = nullptr;
    QLabel* note_ = nullptr;
    QLabel* lblCompareA_ = nullptr;
    QLabel* lblCursorB_ = nullptr;
    QList<QAction*> comparisonCommands_;
    QAction* back_ = nullptr;
    std::optional<Launches> launches_;
    int launchIndex_ = -1;
    int rowA_ = 0;
    int rowB_ = 0;
    bool readOutB_ = false;
};

}  // namespace tarvik
