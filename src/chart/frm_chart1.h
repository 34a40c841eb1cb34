#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <functional>

#include "logdata/data_buffer.h"

class QButtonGroup;
class QFrame;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QVBoxLayout;

namespace tarvik {

class ChartAnalysis;
class ChartControl;
class ChartNavigation;
class ErrorTrap;
class SettingsStore;
class UserDialogs;
struct AxisMaximumPrompt;
struct Settings;
struct TraceOption;

/// What the chart window works on, all owned by the main window: the data set, the program's
/// settings (the chart maxima are changed in place so the change lasts), their store, and the
/// dialogs.
struct ChartServices {
    DataBuffer& data;
    Settings& settings;
    SettingsStore& store;
    UserDialogs& dialogs;
    /// The chart template; empty for "Tarvik_Chart.oc2" in the program's folder.
    QString templatePath;
    /// What the data set is called where the window names it (the legend of a comparison):
    /// the file's name, or empty when it has none.
    QString dataName = {};
};

/// The chart window: two traces of the data set over a movable time window, a click-to-read
/// marker, the trace and time-scale choices and the axis maximum prompts. Created for one
/// viewing and discarded after it; every handler except Exit and Reset has the error trap.
class FrmChart1 : public QDialog {
    Q_OBJECT

public:
    static const QString kCaption;
    static const QString kTemplateName;
    /// The load step's message for a template that is not there.
    static const QString kTemplateNotFound;
    /// The second line of its message for a template that is there but cannot be used.
    static const QString kBuiltInDesignUsed;

    explicit FrmChart1(ChartServices services, QWidget* parent = nullptr);
    ~FrmChart1() override;

    /// The load step: read-outs, template (the built-in design when it cannot be read), labels,
    /// traces RPM and VSS over the recorded rows, time axis, scroll bar, marker, the five-minute
    /// scale, and the stage options for the controller type. The window should be shown (laid
    /// out) first so the plot area has its size.
    void Form_Load();

    // Window state.
    const std::array<float, kDataRows>& trace1Data() const { return trace1Data_; }
    const std::array<float, kDataRows>& trace2Data() const { return trace2Data_; }
    const QString& trace1Format() const { return trace1Format_; }
    const QString& trace2Format() const { return trace2Format_; }
    float totalSpan() const { return totalSpan_; }
    /// Where a time window may begin: 0, or the first second of a recording that begins later.
    float spanStart() const { return spanStart_; }
    float windowWidth() const { return windowWidth_; }
    float markerTime() const { return markerTime_; }
    float timeZero() const { return timeZero_; }

    ChartControl& chart() { return *chart_; }
    /// Zoom, launch, the second cursor, the comparison and the exports.
    ChartAnalysis& analysis() { return *analysis_; }

    // Handlers.
    void optTrace_Click(const TraceOption& option);
    void scrChart2D1_Change();
    /// A mouse button on the chart: button code (1 left), shift state, position in twips.
    void Chart2D1_MouseDown(int button, int shift, double x, double y);
    void cmdExit_Click();
    void cmdReset_Click();
    void cmdPrint_Click();
    void mnuMaxRPM_Click();
    void mnuMaxVSS_Click();

    /// What "Print" does; printing installs it. Until then the button does nothing.
    void setPrintAction(std::function<void(FrmChart1&)> action) { print_ = std::move(action); }

    /// Twips per pixel of the screen, as the mouse positions are given.
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;

protected:
    /// Esc does nothing here: the window is left with "Exit" or its close box only.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The analysis tools work on the window's own read-out, scroll bar and time scales.
    friend class ChartAnalysis;
    friend class ChartNavigation;

    void buildWindow();
    void buildMenu(QVBoxLayout& root);
    QFrame* buildReadOut();
    void buildChartArea(QVBoxLayout& root);
    QGroupBox* buildTraceFrame(int trace);
    QGroupBox* buildTimeScaleFrame();
    QHBoxLayout* buildCommandButtons();
    QGroupBox* buildMiscFrame();
    void emptyReadOut();
    bool loadChartTemplate(ErrorTrap& trap);
    void placeLabelsHidden();
    void setTracesBatched(bool on);
    void chooseTrace(const char* control);
    void optTimeScale_Click(int index);
    void clearReadOut();
    void setWindowFromCentre(float centre);
    void placeChartLabels();
    void askAxisMaximum(const AxisMaximumPrompt& prompt, qint16& value);
    QRadioButton* traceButton(const char* control) const;

    ChartServices services_;
    std::array<float, kDataRows> trace1Data_{};
    std::array<float, kDataRows> trace2Data_{};
    QString trace1Format_ = QStringLiteral("###0");
    QString trace2Format_ = QStringLiteral("###0");
    float totalSpan_ = 0;
    float spanStart_ = 0;
    float windowWidth_ = 300;
    float markerTime_ = 0;
    float timeZero_ = 0;
    bool labelsPlaced_ = false;
    std::function<void(FrmChart1&)> print_;
    ChartAnalysis* analysis_ = nullptr;

    QMenuBar* menuBar_ = nullptr;
    ChartControl* chart_ = nullptr;
    QLabel* lblMarkerTrace1_ = nullptr;
    QLabel* lblMarkerTime_ = nullptr;
    QLabel* lblMarkerTrace2_ = nullptr;
    QScrollBar* scrChart2D1_ = nullptr;
    std::array<QRadioButton*, 3> optTimeScale_{};
    QLabel* lblStatus_ = nullptr;
    QLabel* lblLogIntervalData_ = nullptr;
};

}  // namespace tarvik
