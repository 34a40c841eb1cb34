// The chart window's controls and their layout.

#include <QAction>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "chart/chart_analysis.h"
#include "chart/chart_control.h"
#include "chart/frm_chart1.h"
#include "chart/time_window.h"
#include "chart/trace_options.h"

namespace tarvik {

namespace {

QLabel* makeLabel(const char* name, const QString& text = QString()) {
    auto* l = new QLabel(text);
    l->setObjectName(QLatin1String(name));
    return l;
}

}  // namespace

void FrmChart1::buildWindow() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 4, 8, 8);
    root->setSpacing(4);
    buildMenu(*root);
    chart_ = new ChartControl;
    chart_->setMinimumSize(560, 300);
    root->addWidget(buildReadOut());
    buildChartArea(*root);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(8);
    bottom->addWidget(buildTraceFrame(1));
    bottom->addWidget(buildTraceFrame(2));
    auto* middle = new QVBoxLayout;
    middle->addWidget(buildTimeScaleFrame());
    middle->addLayout(buildCommandButtons());
    middle->addStretch(1);
    bottom->addLayout(middle);
    bottom->addWidget(buildMiscFrame());
    bottom->addStretch(1);
    root->addLayout(bottom);

    analysis_ = new ChartAnalysis(*this, *root);
}

void FrmChart1::buildMenu(QVBoxLayout& root) {
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
    root.setMenuBar(menuBar_);
}

// The read-out: Trace 1 value left, time centre, Trace 2 value right, in the traces' colours.
QFrame* FrmChart1::buildReadOut() {
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
    return readOut;
}

void FrmChart1::buildChartArea(QVBoxLayout& root) {
    // The chart stays out of sight until the load step has set it up, but keeps its place.
    QSizePolicy policy = chart_->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    policy.setVerticalStretch(1);
    chart_->setSizePolicy(policy);
    chart_->setVisible(false);
    root.addWidget(chart_, 1);
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
    root.addWidget(scrChart2D1_);
}

QGroupBox* FrmChart1::buildTimeScaleFrame() {
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
    return fraScaleOptions;
}

QHBoxLayout* FrmChart1::buildCommandButtons() {
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
    return buttons;
}

QGroupBox* FrmChart1::buildMiscFrame() {
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
    return fraMiscData;
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

}  // namespace tarvik
