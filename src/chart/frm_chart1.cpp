#include "chart/frm_chart1.h"

#include <QAction>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <cmath>

#include "chart/axis_prompt.h"
#include "chart/chart_analysis.h"
#include "chart/chart_control.h"
#include "chart/marker_status.h"
#include "chart/time_window.h"
#include "chart/trace_options.h"
#include "common/number_format.h"
#include "common/program_paths.h"
#include "common/rounding.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace tarvik {

const QString FrmChart1::kCaption =
    QStringLiteral("Nitrous Controller Data Logging Program - Chart Display");
const QString FrmChart1::kTemplateName = QStringLiteral("Tarvik_Chart.oc2");

namespace {

const QString kSec = QStringLiteral("Sec ");

// A pixel position from twips; the screen gives positions far inside the int range, but a
// synthetic event could give anything.
int toPixel(double twips, double twipsPerPixel) {
    const double r = roundHalfEven(twips / twipsPerPixel, 0);
    if (!(r >= -1e9 && r <= 1e9)) {
        throw AppError::overflow(QStringLiteral("frmChart1"));
    }
    return static_cast<int>(r);
}

QLabel* makeLabel(const char* name, const QString& text = QString()) {
    auto* l = new QLabel(text);
    l->setObjectName(QLatin1String(name));
    return l;
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

void FrmChart1::buildWindow() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 4, 8, 8);
    root->setSpacing(4);

    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("menuBar"));
    QMenu* edit = menuBar_->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    QAction* maxRPM = edit->addAction(QStringLiteral("Maximum RPM"));
    maxRPM->setObjectName(QStringLiteral("mnuMaxRPM"));
    connect(maxRPM, &QAction::triggered, this, &FrmChart1::mnuMaxRPM_Click);
    QAction* maxVSS = edit->addAction(QStringLiteral("Maximum VSS"));
    maxVSS->setObjectName(QStringLiteral("mnuMaxVSS"));
    connect(maxVSS, &QAction::triggered, this, &FrmChart1::mnuMaxVSS_Click);
    root->setMenuBar(menuBar_);

    chart_ = new ChartControl;
    chart_->setMinimumSize(560, 300);

    // The read-out: Trace 1 value left, time centre, Trace 2 value right, in the traces' colours.
    auto* readOut = new QFrame;
    readOut->setObjectName(QStringLiteral("fraReadOut"));
    readOut->setStyleSheet(QStringLiteral(
        "#fraReadOut { background: #f3f4f6; border: 1px solid #d5d8dd; border-radius: 3px; }"));
    auto* readRow = new QHBoxLayout(readOut);
    readRow->setContentsMargins(10, 3, 10, 3);
    lblMarkerTrace1_ = makeLabel("lblMarkerTrace1");
    lblMarkerTime_ = makeLabel("lblMarkerTime");
    lblMarkerTrace2_ = makeLabel("lblMarkerTrace2");
    lblMarkerTrace1_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblMarkerTime_->setAlignment(Qt::AlignCenter);
    lblMarkerTrace2_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont readFont = font();
    readFont.setPointSizeF(readFont.pointSizeF() * 1.35);
    readFont.setBold(true);
    const QColor colours[] = {chart_->groupColor(1), QColor(0x20, 0x20, 0x20),
                              chart_->groupColor(2)};
    QLabel* readLabels[] = {lblMarkerTrace1_, lblMarkerTime_, lblMarkerTrace2_};
    for (int i = 0; i < 3; ++i) {
        readLabels[i]->setFont(readFont);
        readLabels[i]->setStyleSheet(QStringLiteral("color: %1;").arg(colours[i].name()));
        readLabels[i]->setMinimumHeight(QFontMetrics(readFont).height() + 2);
        readRow->addWidget(readLabels[i], 1);
    }
    root->addWidget(readOut);

    // The chart stays out of sight until the load step has set it up, but keeps its place.
    QSizePolicy policy = chart_->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    policy.setVerticalStretch(1);
    chart_->setSizePolicy(policy);
    chart_->setVisible(false);
    root->addWidget(chart_, 1);
    connect(chart_, &ChartControl::mouseDown, this, &FrmChart1::Chart2D1_MouseDown);
    connect(chart_, &ChartControl::plotAreaResized, this, [this] {
        if (labelsPlaced_) {
            placeChartLabels();
        }
    });

    scrChart2D1_ = new QScrollBar(Qt::Horizontal);
    scrChart2D1_->setObjectName(QStringLiteral("scrChart2D1"));
    scrChart2D1_->setRange(0, 0);
    connect(scrChart2D1_, &QScrollBar::valueChanged, this, [this] { scrChart2D1_Change(); });
    root->addWidget(scrChart2D1_);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(8);
    bottom->addWidget(buildTraceFrame(1));
    bottom->addWidget(buildTraceFrame(2));

    auto* middle = new QVBoxLayout;
    auto* fraScaleOptions = new QGroupBox(QStringLiteral("Time Scale"));
    fraScaleOptions->setObjectName(QStringLiteral("fraScaleOptions"));
    auto* scaleRow = new QHBoxLayout(fraScaleOptions);
    auto* scaleGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        const TimeScale& s = timeScales()[static_cast<std::size_t>(i)];
        auto* b = new QRadioButton(QLatin1String(s.caption));
        b->setObjectName(QLatin1String(s.control));
        scaleGroup->addButton(b);
        scaleRow->addWidget(b);
        connect(b, &QRadioButton::clicked, this, [this, i] { optTimeScale_Click(i); });
        optTimeScale_[static_cast<std::size_t>(i)] = b;
    }
    middle->addWidget(fraScaleOptions);
    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, const char*> buttonNames[] = {
        {"cmdPrint", "Print"}, {"cmdExit", "Exit"}, {"cmdReset", "Reset Time Display"}};
    void (FrmChart1::*handlers[])() = {&FrmChart1::cmdPrint_Click, &FrmChart1::cmdExit_Click,
                                       &FrmChart1::cmdReset_Click};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(QLatin1String(buttonNames[i].second));
        b->setObjectName(QLatin1String(buttonNames[i].first));
        b->setAutoDefault(false);  // Enter must not print or close by accident
        connect(b, &QPushButton::clicked, this, handlers[i]);
        buttons->addWidget(b);
    }
    middle->addLayout(buttons);
    middle->addStretch(1);
    bottom->addLayout(middle);

    auto* fraMiscData = new QGroupBox;
    fraMiscData->setObjectName(QStringLiteral("fraMiscData"));
    auto* misc = new QVBoxLayout(fraMiscData);
    const QString boxed = QStringLiteral(
        "background: white; border: 1px solid #b8bcc4; border-radius: 2px; padding: 2px 6px;");
    misc->addWidget(makeLabel("lblStatusLegend", QStringLiteral("Controller Status")));
    lblStatus_ = makeLabel("lblStatus");
    lblStatus_->setStyleSheet(boxed + QStringLiteral("font-weight: bold;"));
    lblStatus_->setMinimumWidth(170);
    lblStatus_->setMinimumHeight(QFontMetrics(font()).height() + 8);
    misc->addWidget(lblStatus_);
    misc->addSpacing(6);
    misc->addWidget(makeLabel("lblLogIntervalLegend", QStringLiteral("Log Interval (sec)")));
    lblLogIntervalData_ = makeLabel("lblLogIntervalData");
    lblLogIntervalData_->setStyleSheet(boxed);
    lblLogIntervalData_->setMinimumHeight(QFontMetrics(font()).height() + 8);
    misc->addWidget(lblLogIntervalData_);
    misc->addStretch(1);
    bottom->addWidget(fraMiscData);
    bottom->addStretch(1);
    root->addLayout(bottom);

    analysis_ = new ChartAnalysis(*this, *root);
}

QGroupBox* FrmChart1::buildTraceFrame(int trace) {
    auto* frame = new QGroupBox(trace == 1 ? QStringLiteral("Trace 1") : QStringLiteral("Trace 2"));
    frame->setObjectName(trace == 1 ? QStringLiteral("fraTrace1") : QStringLiteral("fraTrace2"));
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(1);
    grid->setHorizontalSpacing(14);
    auto* group = new QButtonGroup(this);
    int row = 0;
    for (const TraceOption& o : traceOptions()) {
        if (o.trace != trace) {
            continue;
        }
        auto* b = new QRadioButton(QLatin1String(o.caption));
        b->setObjectName(QLatin1String(o.control));
        group->addButton(b);
        // Trace 2 stands in two columns: eight options, then the last four on the right.
        const int column = row / 8;
        grid->addWidget(b, row % 8, column);
        ++row;
        connect(b, &QRadioButton::clicked, this, [this, &o] { optTrace_Click(o); });
    }
    grid->setRowStretch(8, 1);
    // As designed, RPM on the left axis and VSS on the right.
    for (QAbstractButton* b : group->buttons()) {
        if (b->objectName() == QLatin1String(trace == 1 ? "optTrace1RPM" : "optTrace2VSS")) {
            b->setChecked(true);
        }
    }
    return frame;
}

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
    // 1. The interval to the nearest 0.05 s.
    if (!trap.run([&] { lblLogIntervalData_->setText(logIntervalText(data.logInterval)); })) {
        return;
    }
    // 2. Empty read-out.
    if (!trap.run([&] {
            lblMarkerTime_->clear();
            lblMarkerTrace1_->clear();
            lblMarkerTrace2_->clear();
            trace1Format_ = QStringLiteral("###0");
            trace2Format_ = QStringLiteral("###0");
            lblStatus_->clear();
        })) {
        return;
    }
    // 3. The template. Without it the window stays open, blank, having said why.
    bool loaded = false;
    QString why;
    if (!trap.run([&] {
            const QString path = services_.templatePath.isEmpty() ? programFile(kTemplateName)
                                                                  : services_.templatePath;
            loaded = c.loadTemplate(path, &why);
        })) {
        return;
    }
    if (!loaded) {
        // A file that is there but damaged gets its reason on a second line.
        QString text = QStringLiteral("Chart template file Tarvik_Chart.oc2 not found.");
        if (!why.isEmpty()) {
            text += QStringLiteral("\r\n") + why;
        }
        services_.dialogs.message(QStringLiteral("Form Load"), text, MsgIcon::Exclamation,
                                  MsgButtons::Ok);
        return;
    }
    // 4. OFF and ON right of the plot; the stand-in title near its right edge; no header.
    if (!trap.run([&] {
            placeChartLabels();
            c.setLabelShown(1, false);
            c.setLabelShown(2, false);
            c.setLabelShown(3, false);
            c.setLabelText(3, QString());
            c.setHeaderText(QString());
            labelsPlaced_ = true;
        })) {
        return;
    }
    // 5.
    if (!trap.run([&] { c.setVisible(true); })) {
        return;
    }
    // 6.
    if (!trap.run([&] {
            for (int g = 1; g <= 2; ++g) {
                c.setSeriesCount(g, 1);
                c.setPointCount(g, 1, kDataRows);
            }
        })) {
        return;
    }
    // 7.
    if (!trap.run([&] {
            c.setBatched(1, true);
            c.setBatched(2, true);
        })) {
        return;
    }
    // 8.
    if (!trap.run([&] {
            c.setAxisShown(ChartAxis::Y, true);
            c.setAxisShown(ChartAxis::Y2, true);
        })) {
        return;
    }
    // 9. RPM and VSS, as if clicked.
    if (!trap.run([&] {
            traceButton("optTrace1RPM")->setChecked(true);
            optTrace_Click(*findTraceOption(QStringLiteral("optTrace1RPM")));
            traceButton("optTrace2VSS")->setChecked(true);
            optTrace_Click(*findTraceOption(QStringLiteral("optTrace2VSS")));
        })) {
        return;
    }
    // 10.
    if (!trap.run([&] {
            const auto& times = data.column(Column::ElapsedTime);
            c.setXValues(1, 1, times);
            c.setXValues(2, 1, times);
        })) {
        return;
    }
    // 11.
    if (!trap.run([&] {
            c.setBatched(1, false);
            c.setBatched(2, false);
        })) {
        return;
    }
    // 12.
    if (!trap.run([&] {
            timeZero_ = 0;
            totalSpan_ = totalSpanOf(data.logInterval);
            windowWidth_ = 300;
            markerTime_ = totalSpan_;
        })) {
        return;
    }
    // 13. The scroll bar holds whole seconds in 16 bits: a longer log is an overflow.
    if (!trap.run([&] {
            const qint16 maximum = toScrollPosition(totalSpan_);
            const qint16 value = toScrollPosition(markerTime_);
            scrChart2D1_->setRange(0, maximum);
            scrChart2D1_->setValue(value);
        })) {
        return;
    }
    // 14.
    if (!trap.run([&] { c.setTimeMarker(markerTime_); })) {
        return;
    }
    // 15. Five minutes, on the end of the log.
    if (!trap.run([&] {
            optTimeScale_[2]->setChecked(true);
            optTimeScale_Click(2);
        })) {
        return;
    }
    // 16. A QX-1 has no stage duty cycles to show.
    trap.run([&] {
        const bool qx1 = data.controllerVersion == QLatin1String("QX-1");
        traceButton("optTrace2Stage1PWM")->setVisible(!qx1);
        traceButton("optTrace2Stage2PWM")->setVisible(!qx1);
    });
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
    const TimeRange r = windowFromCentre(centre, windowWidth_, totalSpan_);
    chart_->setAxisRange(ChartAxis::X, r.low, r.high);
}

void FrmChart1::optTimeScale_Click(int index) {
    const TimeScale& s = timeScales()[static_cast<std::size_t>(index)];
    ErrorTrap trap(services_.dialogs);
    const std::function<void()> steps[] = {
        [&] { clearReadOut(); },
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
    if (!trap.run([&] { clearReadOut(); })) {
        return;
    }
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
    if (!trap.run([&] {
            px = toPixel(x, twipsPerPixelX());
            py = toPixel(y, twipsPerPixelY());
        })) {
        return;
    }
    const ChartMouseButton pressed = mouseButtonFromCode(button);
    if (pressed == ChartMouseButton::Right) {
        trap.run([&] { analysis_->placeCursorB(px, py); });
        return;
    }
    if (pressed != ChartMouseButton::Left) {
        return;
    }
    if (!trap.run([&] { c.setTimeMarker(c.pixelToData(1, px, py).x()); })) {
        return;
    }
    int n = 0;
    if (!trap.run([&] { n = c.nearestPoint(1, px, py, NearestPointMode::InTime).point; })) {
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
        [&] {
            lblMarkerTime_->setText(
                formatPattern(markerTime_ - timeZero_, QStringLiteral("##0.0")) +
                QStringLiteral(" Sec "));
        },
        [&] { lblMarkerTrace1_->setText(formatPattern(trace1Data_[k], trace1Format_)); },
        [&] { lblMarkerTrace2_->setText(formatPattern(trace2Data_[k], trace2Format_)); },
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
    lblMarkerTime_->setText(QStringLiteral("0.000 Sec "));
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
