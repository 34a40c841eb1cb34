#include "chart/chart_analysis.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "chart/chart_control.h"
#include "chart/chart_navigation.h"
#include "chart/compare_overlay.h"
#include "chart/compared_log.h"
#include "chart/cursor_readout.h"
#include "chart/frm_chart1.h"
#include "chart/pass_alignment.h"
#include "chart/trace_options.h"
#include "chart/window_csv.h"
#include "common/number_format.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "logdata/caption_rule.h"
#include "logdata/file_dialogs.h"
#include "logdata/log_data_host.h"

namespace tarvik {

const QString ChartAnalysis::kCompareTitle = QStringLiteral("Compare With");

namespace {

const QString kPictureFilter =
    QStringLiteral("PNG picture (*.png)|*.png|SVG drawing (*.svg)|*.svg");
const QString kCsvFilter = QStringLiteral("CSV files (*.csv)|*.csv");
const QColor kCursorBColor(0x8e, 0x44, 0xad);

}  // namespace

ChartAnalysis::ChartAnalysis(FrmChart1& window, QVBoxLayout& layout)
    : QObject(&window), window_(window) {
    ChartControl& c = window.chart();
    navigation_ = new ChartNavigation(window);
    overlay_ = new CompareOverlay(c);
    cursorA_ = new ChartCursor(c, QStringLiteral("A"), QColor(0x20, 0x20, 0x20));
    cursorA_->followMarker(true);
    cursorB_ = new ChartCursor(c, QStringLiteral("B"), kCursorBColor);
    cursorA_->keepLetterApartFrom(*cursorB_);
    layout.insertLayout(0, buildCommandBar());
    connectCommands();
    layout.insertWidget(2, buildCursorLine());
    layout.addWidget(buildNote());
    for (const TraceOption& o : traceOptions()) {
        if (auto* b = window.findChild<QRadioButton*>(QLatin1String(o.control))) {
            connect(b, &QRadioButton::clicked, this, &ChartAnalysis::tracesChanged);
        }
    }
    updateCommands();
}

// The commands, on a tool bar over the chart and in the Analysis menu, with the note beside
// the tool bar.
QHBoxLayout* ChartAnalysis::buildCommandBar() {
    auto* bar = new QToolBar;
    bar->setObjectName(QStringLiteral("tlbAnalysis"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QMenu* menu = window_.menuBar_->addMenu(QStringLiteral("&Analysis"));
    menu->setObjectName(QStringLiteral("mnuAnalysis"));
    auto add = [&](QAction* a) {
        bar->addAction(a);
        menu->addAction(a);
    };
    add(addCommand("cmdZoomIn", QStringLiteral("Zoom In"), nullptr,
                   {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)}));
    add(addCommand("cmdZoomOut", QStringLiteral("Zoom Out"), nullptr,
                   {QKeySequence(Qt::Key_Minus)}));
    add(addCommand("cmdWholeLog", QStringLiteral("Whole Log"), nullptr));
    back_ =
        addCommand("cmdBack", QStringLiteral("Back"), nullptr, {QKeySequence(Qt::Key_Backspace)});
    add(back_);
    add(addCommand("cmdGoToLaunch", QStringLiteral("Go to Launch"), &ChartAnalysis::goToLaunch,
                   {QKeySequence(Qt::Key_L)}));
    bar->addSeparator();
    menu->addSeparator();
    add(addCommand("cmdCompareWith", QStringLiteral("Compare With..."),
                   &ChartAnalysis::compareWith));
    QAction* remove = addCommand("cmdRemoveComparison", QStringLiteral("Remove Comparison"),
                                 &ChartAnalysis::removeComparison);
    add(remove);
    QAction* earlier = addCommand("cmdNudgeEarlier", QStringLiteral("Compared Pass Earlier"),
                                  nullptr, {QKeySequence(Qt::Key_BracketLeft)});
    QAction* later = addCommand("cmdNudgeLater", QStringLiteral("Compared Pass Later"), nullptr,
                                {QKeySequence(Qt::Key_BracketRight)});
    menu->addAction(earlier);
    menu->addAction(later);
    comparisonCommands_ = {remove, earlier, later};
    bar->addSeparator();
    menu->addSeparator();
    add(addCommand("cmdSavePicture", QStringLiteral("Save Picture..."),
                   &ChartAnalysis::savePicture));
    add(addCommand("cmdExportWindow", QStringLiteral("Export Window..."),
                   &ChartAnalysis::exportWindow));
    // The tool bar shows the zoom commands by their keys, to leave room for the rest.
    findAction("cmdZoomIn")->setIconText(QStringLiteral("+"));
    findAction("cmdZoomIn")->setToolTip(QStringLiteral("Zoom In (+, mouse wheel)"));
    findAction("cmdZoomOut")->setIconText(QStringLiteral("\u2212"));
    findAction("cmdZoomOut")->setToolTip(QStringLiteral("Zoom Out (-, mouse wheel)"));
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 6, 0);
    top->addWidget(bar);
    top->addStretch(1);
    return top;
}

// The note runs along the bottom of the window, as a status line: the whole width is its own,
// so a launch's or a file's note is read in full, and a longer one wraps onto a second line
// rather than being cut.
QLabel* ChartAnalysis::buildNote() {
    note_ = new QLabel;
    note_->setObjectName(QStringLiteral("lblAnalysisNote"));
    note_->setStyleSheet(QStringLiteral(
        "#lblAnalysisNote { color: #3d4248; border-top: 1px solid #d5d8dd; padding: 3px 2px 0 "
        "2px; }"));
    note_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    note_->setWordWrap(true);
    note_->setMinimumHeight(note_->fontMetrics().height() + 4);
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return note_;
}

// The commands that act on the navigation or nudge the compared pass (the others were given
// their handler when made).
void ChartAnalysis::connectCommands() {
    connect(findAction("cmdZoomIn"), &QAction::triggered, navigation_, &ChartNavigation::zoomIn);
    connect(findAction("cmdZoomOut"), &QAction::triggered, navigation_, &ChartNavigation::zoomOut);
    connect(findAction("cmdWholeLog"), &QAction::triggered, navigation_,
            &ChartNavigation::wholeLog);
    connect(back_, &QAction::triggered, navigation_, [this] { navigation_->back(); });
    connect(findAction("cmdNudgeEarlier"), &QAction::triggered, this, [this] { nudge(-1); });
    connect(findAction("cmdNudgeLater"), &QAction::triggered, this, [this] { nudge(1); });
    connect(navigation_, &ChartNavigation::historyChanged, this, &ChartAnalysis::updateCommands);
}

// The second read-out line: the compared pass at cursor A, then cursor B.
QFrame* ChartAnalysis::buildCursorLine() {
    auto* frame = new QFrame;
    frame->setObjectName(QStringLiteral("fraCursors"));
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(10, 0, 10, 0);
    lblCompareA_ = new QLabel;
    lblCompareA_->setObjectName(QStringLiteral("lblCompareA"));
    lblCursorB_ = new QLabel;
    lblCursorB_->setObjectName(QStringLiteral("lblCursorB"));
    QFont f = window_.font();
    f.setBold(true);
    lblCompareA_->setFont(f);
    lblCursorB_->setFont(f);
    lblCursorB_->setStyleSheet(QStringLiteral("color: %1;").arg(kCursorBColor.name()));
    lblCompareA_->setMinimumHeight(QFontMetrics(f).height() + 2);
    row->addWidget(lblCompareA_);
    row->addSpacing(18);
    row->addWidget(lblCursorB_, 1);
    return frame;
}

ChartAnalysis::~ChartAnalysis() = default;

QAction* ChartAnalysis::findAction(const char* name) const {
    return window_.findChild<QAction*>(QLatin1String(name));
}

QAction* ChartAnalysis::addCommand(const char* name, const QString& text,
                                   void (ChartAnalysis::*slot)(), const QList<QKeySequence>& keys) {
    auto* a = new QAction(text, &window_);
    a->setObjectName(QLatin1String(name));
    a->setShortcuts(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    window_.addAction(a);
    if (slot != nullptr) {
        connect(a, &QAction::triggered, this, slot);
    }
    return a;
}

void ChartAnalysis::updateCommands() {
    back_->setEnabled(navigation_->canGoBack());
    for (QAction* a : comparisonCommands_) {
        a->setEnabled(overlay_->shown());
    }
}

void ChartAnalysis::setNote(const QString& text) {
    note_->setText(text);
    note_->setToolTip(text);
}

QString ChartAnalysis::note() const {
    return note_->text();
}

// ---- launch --------------------------------------------------------------------------------

const Launches& ChartAnalysis::launches() {
    // The data set does not change while the window is open.
    if (!launches_) {
        launches_ = findLaunches(window_.services_.data);
    }
    return *launches_;
}

std::optional<double> ChartAnalysis::ownLaunchTime() {
    const Launches& l = launches();
    if (l.rows.empty()) {
        return std::nullopt;
    }
    const std::size_t i = launchIndex_ < 0 ? 0 : static_cast<std::size_t>(launchIndex_);
    return window_.services_.data.at(Column::ElapsedTime, l.rows[i]);
}

void ChartAnalysis::goToLaunch() {
    const Launches& l = launches();
    if (l.rows.empty()) {
        setNote(
            QStringLiteral("No launch in this log: Stage 1 Triggered never switches on and "
                           "the throttle never reaches 90 %."));
        return;
    }
    launchIndex_ = (launchIndex_ + 1) % static_cast<int>(l.rows.size());
    const double t = *ownLaunchTime();
    const LaunchSpan span = launchSpan(t);
    navigation_->show({span.low, span.high});
    setNote(QStringLiteral("Launch %1 of %2 at %3 Sec (%4)")
                .arg(launchIndex_ + 1)
                .arg(l.rows.size())
                .arg(formatPattern(t, kCursorTimePattern), launchSignalName(l.signal)));
    if (overlay_->shown()) {
        realign(overlay_->alignment().nudge);
    }
}

// ---- comparison ----------------------------------------------------------------------------

const TraceOption* ChartAnalysis::shownOption(int trace) const {
    for (const TraceOption& o : traceOptions()) {
        if (o.trace != trace) {
            continue;
        }
        auto* b = window_.findChild<QRadioButton*>(QLatin1String(o.control));
        if (b != nullptr && b->isChecked()) {
            return &o;
        }
    }
    return nullptr;
}

void ChartAnalysis::tracesChanged() {
    const TraceOption* t1 = shownOption(1);
    const TraceOption* t2 = shownOption(2);
    if (overlay_->shown() && t1 != nullptr && t2 != nullptr) {
        overlay_->setTraces(*t1, *t2);
    }
}

void ChartAnalysis::realign(int nudge) {
    const DataBuffer* compared = overlay_->data();
    if (compared == nullptr) {
        return;
    }
    const Launches theirs = findLaunches(*compared);
    std::optional<double> theirLaunch;
    if (!theirs.rows.empty()) {
        theirLaunch = compared->at(Column::ElapsedTime, theirs.rows.front());
    }
    overlay_->setAlignment(alignPasses(ownLaunchTime(), theirLaunch, compared->logInterval, nudge));
    updateCursorLines();
}

void ChartAnalysis::compareWith() {
    UserDialogs& dialogs = window_.services_.dialogs;
    ErrorTrap trap(dialogs);
    QString path;
    FileDialogs files(dialogs);
    if (!trap.run([&] { path = files.fileOpen(kCompareTitle, kLogFileFilter, QString()); }) ||
        path.isEmpty()) {
        return;
    }
    compareWithFile(path);
}

void ChartAnalysis::compareWithFile(const QString& path) {
    UserDialogs& dialogs = window_.services_.dialogs;
    ErrorTrap trap(dialogs);
    std::unique_ptr<DataBuffer> data = readComparedLog(path, dialogs, kCompareTitle);
    const QString name = captionFileName(path);
    if (!data) {
        setNote(QStringLiteral("Not compared: %1 could not be read in full.").arg(name));
        return;
    }
    const QString own = window_.services_.dataName.isEmpty() ? QStringLiteral("This log")
                                                             : window_.services_.dataName;
    trap.run([&] {
        overlay_->show(std::move(data), name, own);
        tracesChanged();
        realign(0);
        setNote(overlay_->alignment().atLaunch
                    ? QStringLiteral("Compared with %1, launches together.").arg(name)
                    : QStringLiteral("Compared with %1 from the start: a launch is missing.")
                          .arg(name));
    });
    updateCommands();
}

void ChartAnalysis::removeComparison() {
    if (!overlay_->shown()) {
        return;
    }
    overlay_->remove();
    setNote(QString());
    updateCursorLines();
    updateCommands();
}

void ChartAnalysis::nudge(int samples) {
    if (overlay_->shown()) {
        realign(overlay_->alignment().nudge + samples);
    }
}

// ---- cursors -------------------------------------------------------------------------------

void ChartAnalysis::readOutCleared() {
    rowA_ = 0;
    readOutB_ = false;
    cursorA_->place();
    updateCursorLines();
}

void ChartAnalysis::scaleChosen() {
    navigation_->scaleChosen();
}

bool ChartAnalysis::scrolledTo(int position) {
    return navigation_->scrolledTo(position);
}

void ChartAnalysis::placeCursorB(int px, int py) {
    ChartControl& c = window_.chart();
    const int n = c.nearestPoint(1, px, py, NearestPointMode::InTime).point;
    if (n >= 1 && n <= kDataRows) {
        rowB_ = n;
        readOutB_ = true;
        cursorB_->setTime(window_.services_.data.at(Column::ElapsedTime, n));
    } else {
        rowB_ = 0;
        readOutB_ = false;
        cursorB_->setTime(c.pixelToData(1, px, py).x());
    }
    updateCursorLines();
}

void ChartAnalysis::cursorAPlaced(int row) {
    rowA_ = row;
    cursorA_->place();
    updateCursorLines();
}

void ChartAnalysis::timeZeroChanged() {
    updateCursorLines();
}

void ChartAnalysis::updateCursorLines() {
    const DataBuffer& data = window_.services_.data;
    ChartControl& c = window_.chart();
    auto reading = [&](int row) {
        const auto k = static_cast<std::size_t>(row - 1);
        return CursorReading{data.at(Column::ElapsedTime, row), window_.trace1Data_[k],
                             window_.trace2Data_[k]};
    };
    auto compared = [&](double t) {
        return comparedValuesText(overlay_->valueAt(1, t), overlay_->valueAt(2, t),
                                  window_.trace1Format_, window_.trace2Format_);
    };
    lblCompareA_->setText(overlay_->shown() && rowA_ > 0
                              ? QStringLiteral("A  ") +
                                    compared(data.at(Column::ElapsedTime, rowA_))
                              : QString());
    if (!readOutB_ || rowB_ < 1) {
        lblCursorB_->clear();
        return;
    }
    CursorLineParts p;
    p.b = reading(rowB_);
    if (rowA_ > 0) {
        p.a = reading(rowA_);
    }
    p.timeZero = window_.timeZero_;
    p.title1 = c.seriesLabel(1);
    p.title2 = c.seriesLabel(2);
    p.pattern1 = window_.trace1Format_;
    p.pattern2 = window_.trace2Format_;
    QString line = cursorBLine(p);
    if (overlay_->shown()) {
        line += QStringLiteral("      ") + compared(p.b.time);
    }
    lblCursorB_->setText(line);
}

std::vector<ReadOutLine> ChartAnalysis::readOutLines() const {
    ChartControl& c = window_.chart();
    std::vector<ReadOutLine> lines;
    ReadOutLine first;
    first.left = window_.lblMarkerTrace1_->text();
    first.centre = window_.lblMarkerTime_->text();
    first.right = window_.lblMarkerTrace2_->text();
    first.leftColor = c.groupColor(1);
    first.centreColor = QColor(0x20, 0x20, 0x20);
    first.rightColor = c.groupColor(2);
    // A read-out without a reading ("Sec " alone, after a scroll) says nothing on paper.
    if (!first.left.isEmpty() || !first.right.isEmpty()) {
        lines.push_back(first);
    }
    if (!lblCompareA_->text().isEmpty() || !lblCursorB_->text().isEmpty()) {
        ReadOutLine second;
        second.left = lblCompareA_->text();
        second.right = lblCursorB_->text();
        second.leftColor = QColor(0x20, 0x20, 0x20);
        second.rightColor = kCursorBColor;
        lines.push_back(second);
    }
    return lines;
}

// ---- exports -------------------------------------------------------------------------------

QString ChartAnalysis::askSavePath(ErrorTrap& trap, const QString& title, const QString& filter) {
    QString path;
    FileDialogs files(window_.services_.dialogs);
    trap.run([&] { path = files.fileSave(title, filter, QString()); });
    return trap.aborted() ? QString() : path;
}

void ChartAnalysis::savePicture() {
    ErrorTrap trap(window_.services_.dialogs);
    QString path = askSavePath(trap, QStringLiteral("Save Picture"), kPictureFilter);
    if (path.isEmpty()) {
        return;
    }
    path = withSuffix(path, {QStringLiteral("png"), QStringLiteral("svg")}, QStringLiteral(".png"));
    if (trap.step([&] { writePicture(path, window_.chart(), readOutLines()); }) ==
        StepResult::Done) {
        setNote(QStringLiteral("Picture saved as %1.").arg(captionFileName(path)));
    }
}

void ChartAnalysis::exportWindow() {
    ErrorTrap trap(window_.services_.dialogs);
    QString path = askSavePath(trap, QStringLiteral("Export Window"), kCsvFilter);
    if (path.isEmpty()) {
        return;
    }
    path = withSuffix(path, {QStringLiteral("csv")}, QStringLiteral(".csv"));
    const ViewWindow w = navigation_->shown();
    if (trap.step([&] { writeWindowCsvFile(path, window_.services_.data, w.low, w.high); }) ==
        StepResult::Done) {
        setNote(QStringLiteral("%1 samples written to %2.")
                    .arg(windowRowCount(window_.services_.data, w.low, w.high))
                    .arg(captionFileName(path)));
    }
}

}  // namespace tarvik
