#include "chart/frm_chart1.h"

#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <cmath>

#include "chart/axis_prompt.h"
#include "chart/chart_analysis.h"
#include "chart/chart_control.h"
#include "chart/cursor_readout.h"
#include "chart/marker_status.h"
#include "chart/recorded_span.h"
#include "chart/time_window.h"
#include "chart/trace_options.h"
#include "common/number_format.h"
#include "common/program_paths.h"
#include "common/rounding.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "link/controller_model.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace tarvik {

const QString FrmChart1::kCaption =
    QStringLiteral("Nitrous Controller Data Logging Program - Chart Display");
const QString FrmChart1::kTemplateName = QStringLiteral("Tarvik_Chart.oc2");
const QString FrmChart1::kTemplateNotFound =
    QStringLiteral("Chart template file Tarvik_Chart.oc2 not found.");
const QString FrmChart1::kBuiltInDesignUsed =
    QStringLiteral("The chart is drawn with the built-in design.");

namespace {

const QString kSec = QStringLiteral("Sec ");
// The marked sample's time once it is the zero, to the hundredth as every cursor time reads.
const QString kTimeZeroText = QStringLiteral("0.00 Sec ");

// A pixel position from twips; the screen gives positions far inside the int range, but a
// synthetic event could give anything.
int toPixel(double twips, double twipsPerPixel) {
    const double r = roundHalfEven(twips / twipsPerPixel, 0);
    if (!(r >= -1e9 && r <= 1e9)) {
        throw AppError::overflow(QStringLiteral("frmChart1"));
    }
    return static_cast<int>(r);
}

}  // namespace

FrmChart1::FrmChart1(ChartServices services, QWidget* parent)
    : QDialog(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("frmChart1"));
    setWindowTitle(kCaption);
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildWindow();
    resize(1000, 700);
}

FrmChart1::~FrmChart1() = default;

QRadioButton* FrmChart1::traceButton(const char* control) const {
    return findChild<QRadioButton*>(QLatin1String(control));
}

double FrmChart1::twipsPerPixelX() const {
    return chart_->twipsPerPixelX();
}

double FrmChart1::twipsPerPixelY() const {
    return chart_->twipsPerPixelY();
}

// ---- load ----------------------------------------------------------------------------------

void FrmChart1::Form_Load() {
    ErrorTrap trap(services_.dialogs);
    DataBuffer& data = services_.data;
    ChartControl& c = *chart_;
    trap.run([&] { lblLogIntervalData_->setText(logIntervalText(data.logInterval)); });
    trap.run([&] { emptyReadOut(); });
    if (!loadChartTemplate(trap)) {
        return;
    }
    const RecordedSpan span = recordedSpan(data);
    const std::function<void()> steps[] = {
        [&] { placeLabelsHidden(); },
        [&] { c.setVisible(true); },
        [&] {
            // The padding after a short recording's last reading is no part of the chart.
            for (int g = 1; g <= 2; ++g) {
                c.setSeriesCount(g, 1);
                c.setPointCount(g, 1, span.rows);
            }
        },
        [&] { setTracesBatched(true); },
        [&] {
            c.setAxisShown(ChartAxis::Y, true);
            c.setAxisShown(ChartAxis::Y2, true);
        },
        [&] {
            chooseTrace("optTrace1RPM");
            chooseTrace("optTrace2VSS");
        },
        [&] {
            const auto& times = data.column(Column::ElapsedTime);
            c.setXValues(1, 1, times);
            c.setXValues(2, 1, times);
        },
        [&] { setTracesBatched(false); },
        [&] {
            timeZero_ = 0;
            totalSpan_ = span.end;
            spanStart_ = span.start;
            windowWidth_ = 300;
            markerTime_ = totalSpan_;
        },
        // The scroll bar holds whole seconds in 16 bits: a longer log is an overflow.
        [&] {
            const qint16 minimum = toScrollPosition(spanStart_);
            const qint16 maximum = toScrollPosition(totalSpan_);
            const qint16 value = toScrollPosition(markerTime_);
            scrChart2D1_->setRange(minimum, maximum);
            scrChart2D1_->setValue(value);
        },
        [&] { c.setTimeMarker(markerTime_); },
        // Five minutes, on the end of the log.
        [&] {
            optTimeScale_[2]->setChecked(true);
            optTimeScale_Click(2);
        },
        // A QX-1 has no stage duty cycles to show.
        [&] {
            const bool qx1 = controllerModelNamed(data.controllerVersion) == ControllerModel::QX1;
            traceButton("optTrace2Stage1PWM")->setVisible(!qx1);
            traceButton("optTrace2Stage2PWM")->setVisible(!qx1);
        },
    };
    trap.runAll(steps);
}

void FrmChart1::emptyReadOut() {
    lblMarkerTime_->clear();
    lblMarkerTrace1_->clear();
    lblMarkerTrace2_->clear();
    trace1Format_ = QStringLiteral("###0");
    trace2Format_ = QStringLiteral("###0");
    lblStatus_->clear();
}

bool FrmChart1::loadChartTemplate(ErrorTrap& trap) {
    bool loaded = false;
    QString why;
    trap.run([&] {
        const QString path =
            services_.templatePath.isEmpty() ? programFile(kTemplateName) : services_.templatePath;
        loaded = chart_->loadTemplate(path, &why);
    });
    if (trap.aborted()) {
        return false;
    }
    if (!loaded) {
        // The chart already wears the built-in design (the shipped template's), and a failed
        // load changes nothing: the window says why and draws the chart with it. A file that is
        // there but cannot be used is told apart from one that is missing.
        const QString text =
            why.isEmpty() ? kTemplateNotFound : why + QStringLiteral("\r\n") + kBuiltInDesignUsed;
        services_.dialogs.message(QStringLiteral("Form Load"), text, MsgIcon::Exclamation,
                                  MsgButtons::Ok);
    }
    return true;
}

// OFF and ON right of the plot, hidden until an on/off trace is chosen; the stand-in title
// near the plot's right edge, empty; no header.
void FrmChart1::placeLabelsHidden() {
    ChartControl& c = *chart_;
    placeChartLabels();
    c.setLabelShown(1, false);
    c.setLabelShown(2, false);
    c.setLabelShown(3, false);
    c.setLabelText(3, QString());
    c.setHeaderText(QString());
    labelsPlaced_ = true;
}

void FrmChart1::setTracesBatched(bool on) {
    chart_->setBatched(1, on);
    chart_->setBatched(2, on);
}

// A trace option chosen as if clicked.
void FrmChart1::chooseTrace(const char* control) {
    traceButton(control)->setChecked(true);
    optTrace_Click(*findTraceOption(QLatin1String(control)));
}

void FrmChart1::placeChartLabels() {
    ChartControl& c = *chart_;
    const QSize plot = c.plotAreaSize();
    const int w = plot.width();
    const int h = plot.height();
    c.setLabelPosition(1, w + 10, h - 35);
    c.setLabelPosition(2, w + 10, static_cast<int>(roundHalfEven(h / 2.0, 0)));
    c.setLabelX(3, w - 25);
}

// ---- traces --------------------------------------------------------------------------------

void FrmChart1::optTrace_Click(const TraceOption& o) {
    ErrorTrap trap(services_.dialogs);
    ChartControl& c = *chart_;
    const Settings& s = services_.settings;
    const AxisSpan range = traceAxisRange(o, s.maxRPMDisplay, s.maxVSSDisplay);
    const QString title = QLatin1String(o.title);
    if (o.shape == TraceShape::Trace1Value) {
        const ChartAxis y = ChartAxis::Y;
        const std::function<void()> steps[] = {
            [&] { trace1Format_ = QLatin1String(o.pattern); },
            [&] { c.setBatched(1, true); },
            [&] { c.setAxisRange(y, range.low, range.high); },
            [&] { c.setAxisTitle(y, title); },
            [&] { c.setAxisShown(y, true); },
            [&] { c.setSeriesLabel(1, title); },
            [&] { buildTrace(o, services_.data, trace1Data_); },
            [&] { c.setYValues(1, 1, trace1Data_); },
            [&] { c.setBatched(1, false); },
        };
        trap.runAll(steps);
        return;
    }
    const ChartAxis y2 = ChartAxis::Y2;
    if (o.shape == TraceShape::Trace2Value) {
        const std::function<void()> steps[] = {
            [&] { trace2Format_ = QLatin1String(o.pattern); },
            [&] { c.setBatched(2, true); },
            [&] {
                c.setLabelShown(1, false);
                c.setLabelShown(2, false);
                c.setLabelShown(3, false);
                c.setLabelText(3, QString());
            },
            [&] { c.setAxisRange(y2, range.low, range.high); },
            [&] { c.setAxisTitle(y2, title); },
            [&] { c.setAxisShown(y2, true); },
            [&] { c.setSeriesLabel(2, title); },
            [&] { buildTrace(o, services_.data, trace2Data_); },
            [&] { c.setYValues(2, 1, trace2Data_); },
            [&] { c.setBatched(2, false); },
        };
        trap.runAll(steps);
        return;
    }
    // On/off: the right axis runs 0 to 2 without a scale; OFF and ON mark the two levels and
    // label 3 names the signal in place of the axis title.
    const std::function<void()> steps[] = {
        [&] { trace2Format_ = QStringLiteral("#0"); },
        [&] { c.setBatched(2, true); },
        [&] { c.setAxisRange(y2, 0, 2); },
        [&] { c.setAxisTitle(y2, QString()); },
        [&] { c.setAxisShown(y2, false); },
        [&] { c.setSeriesLabel(2, title); },
        [&] {
            c.setLabelShown(1, true);
            c.setLabelShown(2, true);
            c.setLabelText(3, title);
            c.setLabelShown(3, true);
        },
        [&] { buildTrace(o, services_.data, trace2Data_); },
        [&] { c.setYValues(2, 1, trace2Data_); },
        [&] { c.setBatched(2, false); },
    };
    trap.runAll(steps);
}

// ---- time window ---------------------------------------------------------------------------

void FrmChart1::clearReadOut() {
    lblMarkerTrace1_->clear();
    lblMarkerTrace2_->clear();
    lblMarkerTime_->setText(kSec);
    lblStatus_->clear();
    analysis_->readOutCleared();
}

void FrmChart1::setWindowFromCentre(float centre) {
    const TimeRange r = windowFromCentre(centre, windowWidth_, totalSpan_, spanStart_);
    chart_->setAxisRange(ChartAxis::X, r.low, r.high);
}

void FrmChart1::optTimeScale_Click(int index) {
    const TimeScale& s = timeScales()[static_cast<std::size_t>(index)];
    ErrorTrap trap(services_.dialogs);
    const std::function<void()> steps[] = {
        [&] { clearReadOut(); },
        // Also gives the scroll bar the log's range back after a zoom.
        [&] { analysis_->scaleChosen(); },
        [&] { windowWidth_ = s.windowWidth; },
        [&] { setWindowFromCentre(markerTime_); },
        // Moving the scroll bar runs its handler, which sets the window again from the
        // rounded position.
        [&] { scrChart2D1_->setValue(toScrollPosition(markerTime_)); },
        [&] {
            scrChart2D1_->setPageStep(s.largeStep);
            scrChart2D1_->setSingleStep(s.smallStep);
        },
    };
    trap.runAll(steps);
}

void FrmChart1::scrChart2D1_Change() {
    ErrorTrap trap(services_.dialogs);
    trap.run([&] { clearReadOut(); });
    trap.run([&] {
        // A zoomed window keeps its width and is moved to the position instead.
        if (!analysis_->scrolledTo(scrChart2D1_->value())) {
            setWindowFromCentre(static_cast<float>(scrChart2D1_->value()));
        }
    });
}

// ---- marker --------------------------------------------------------------------------------

void FrmChart1::Chart2D1_MouseDown(int button, int /*shift*/, double x, double y) {
    ErrorTrap trap(services_.dialogs);
    ChartControl& c = *chart_;
    int px = 0;
    int py = 0;
    trap.run([&] {
        px = toPixel(x, twipsPerPixelX());
        py = toPixel(y, twipsPerPixelY());
    });
    const ChartMouseButton pressed = mouseButtonFromCode(button);
    if (pressed == ChartMouseButton::Right) {
        trap.run([&] { analysis_->placeCursorB(px, py); });
        return;
    }
    if (pressed != ChartMouseButton::Left) {
        return;
    }
    int n = 0;
    trap.run([&] { c.setTimeMarker(c.pixelToData(1, px, py).x()); });
    trap.run([&] { n = c.nearestPoint(1, px, py, NearestPointMode::InTime).point; });
    if (trap.aborted()) {
        return;
    }
    if (n < 1 || n > kDataRows) {
        trap.run([&] {
            lblMarkerTime_->setText(kSec);
            lblMarkerTrace1_->clear();
            lblMarkerTrace2_->clear();
            lblStatus_->clear();
            analysis_->cursorAPlaced(0);
        });
        return;
    }
    const auto k = static_cast<std::size_t>(n - 1);
    const std::function<void()> steps[] = {
        [&] { markerTime_ = services_.data.at(Column::ElapsedTime, n); },
        // To the hundredth, as cursor B and the differences read, with each value named as
        // cursor B names it.
        [&] {
            lblMarkerTime_->setText(formatPattern(markerTime_ - timeZero_, kCursorTimePattern) +
                                    QStringLiteral(" Sec "));
        },
        [&] {
            lblMarkerTrace1_->setText(namedValue(c.seriesLabel(1), trace1Data_[k], trace1Format_));
        },
        [&] {
            lblMarkerTrace2_->setText(namedValue(c.seriesLabel(2), trace2Data_[k], trace2Format_));
        },
        [&] { lblStatus_->setText(markerStatusText(services_.data.at(Column::Status, n))); },
        [&] { analysis_->cursorAPlaced(n); },
    };
    trap.runAll(steps);
}

// ---- buttons and menu ----------------------------------------------------------------------

void FrmChart1::cmdExit_Click() {
    done(QDialog::Accepted);
}

void FrmChart1::keyPressEvent(QKeyEvent* event) {
    // A dialog would take Esc as Cancel and close; this window is not a question to dismiss.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FrmChart1::cmdReset_Click() {
    timeZero_ = markerTime_;
    lblMarkerTime_->setText(kTimeZeroText);
    analysis_->timeZeroChanged();
}

void FrmChart1::cmdPrint_Click() {
    if (print_) {
        ErrorTrap trap(services_.dialogs);
        trap.run([&] { print_(*this); });
    }
}

void FrmChart1::mnuMaxRPM_Click() {
    askAxisMaximum(AxisMaximumPrompt::maxRPM(), services_.settings.maxRPMDisplay);
}

void FrmChart1::mnuMaxVSS_Click() {
    askAxisMaximum(AxisMaximumPrompt::maxVSS(), services_.settings.maxVSSDisplay);
}

void FrmChart1::askAxisMaximum(const AxisMaximumPrompt& p, qint16& value) {
    ErrorTrap trap(services_.dialogs);
    ChartControl& c = *chart_;
    const std::function<void()> steps[] = {
        [&] { value = tarvik::askAxisMaximum(services_.dialogs, p, value); },
        [&] {
            if (c.axisTitle(ChartAxis::Y) == p.axisTitle) {
                c.setAxisRange(ChartAxis::Y, 0, value);
            }
        },
        [&] {
            if (c.axisTitle(ChartAxis::Y2) == p.axisTitle) {
                c.setAxisRange(ChartAxis::Y2, 0, value);
            }
        },
        [&] { services_.store.writeWhole(p.settingsKey, value); },
    };
    trap.runAll(steps);
}

}  // namespace tarvik
