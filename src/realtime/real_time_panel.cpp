#include "realtime/real_time_panel.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/number_format.h"
#include "common/rounding.h"
#include "core/app_error.h"
#include "realtime/bar_gauge.h"
#include "realtime/dial_gauge.h"
#include "realtime/gauge_style.h"
#include "realtime/lamp.h"
#include "settings/settings.h"

namespace tarvik {

namespace {

// Scale band colours: safe, caution, danger.
const QColor kBandGreen(0x2e, 0xc4, 0x4a);
const QColor kBandAmber(0xff, 0xb0, 0x20);
const QColor kBandRed(0xff, 0x3b, 0x30);

std::vector<double> steps(double from, double to, double step) {
    std::vector<double> out;
    // Counted, not accumulated, so 0.5 steps land exactly on 5.0.
    const int n = static_cast<int>(std::lround((to - from) / step));
    for (int i = 0; i <= n; ++i) {
        out.push_back(from + step * i);
    }
    return out;
}

BarGauge* makeBar(QWidget* parent, const char* name, const QString& face) {
    auto* g = new BarGauge(parent);
    g->setObjectName(QString::fromLatin1(name));
    g->setFaceText(face);
    g->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    return g;
}

void makeVoltsGauge(BarGauge* g) {
    g->setScale(-0.2, 5.2);
    g->setLabels(steps(0, 5, 0.5));
    g->setLabelPattern(QStringLiteral("0.0"));
    g->setReadoutPattern(QStringLiteral("0.00"));
}

void makeAfrGauge(BarGauge* g) {
    g->setScale(9.5, 20.5);
    g->setLabels(steps(10, 20, 1));
    g->setLabelPattern(QStringLiteral("#0"));
    g->setBands({{9.5, 12.5, kBandGreen}, {12.5, 15, kBandAmber}, {15, 20.5, kBandRed}});
    g->setReadoutPattern(QStringLiteral("#0.0"));
}

void makePwmGauge(BarGauge* g) {
    g->setScale(-0.5, 102);
    g->setLabels(steps(0, 100, 25));
    g->setLabelPattern(QStringLiteral("##0"));
    g->setReadoutPattern(QStringLiteral("##0"));
}

BarGauge* makeThrottlePercentGauge(QWidget* parent) {
    BarGauge* g = makeBar(parent, "gauTPSPercent", QStringLiteral("TPS%"));
    // The last tenth of the throttle travel gets a quarter of the bar, where part throttle and
    // wide open must be told apart.
    g->setSections({{-0.5, 90, 0.75}, {90, 102, 0.25}});
    std::vector<double> labels = steps(0, 90, 10);
    labels.push_back(95);
    labels.push_back(100);
    g->setLabels(labels);
    g->setLabelPattern(QStringLiteral("##0"));
    g->setReadoutPattern(QStringLiteral("##0"));
    return g;
}

BarGauge* makeBatteryGauge(QWidget* parent) {
    BarGauge* g = makeBar(parent, "gauBatVolts", QStringLiteral("BAT V"));
    g->setScale(-1, 19);
    g->setLabels(steps(0, 18, 2));
    g->setLabelPattern(QStringLiteral("#0"));
    g->setBands({{-1, 11, kBandRed}, {11, 16, kBandGreen}, {16, 19, kBandRed}});
    g->setReadoutPattern(QStringLiteral("#0.0"));
    return g;
}

DialGauge* makeDial(QWidget* parent, const char* name, const QString& quantity, const QString& unit,
                    double majorStep, int minorDivisions) {
    auto* dial = new DialGauge(parent);
    dial->setObjectName(QString::fromLatin1(name));
    dial->setFaceTexts(quantity, unit);
    dial->setMajorStep(majorStep, minorDivisions);
    dial->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return dial;
}

QLabel* makeStatusLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("lblStatus"));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setMinimumSize(230, 64);
    label->setMargin(8);
    label->setFrameShape(QFrame::Box);
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, QColor(0x05, 0x06, 0x07));
    pal.setColor(QPalette::WindowText, gauge_style::readoutText());
    label->setPalette(pal);
    QFont f = label->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.35);
    label->setFont(f);
    return label;
}

// The input gauge of input 1 or 2; any other input number is a subscript out of range.
BarGauge& inputGauge(int input, BarGauge* first, BarGauge* second) {
    if (input == 1) {
        return *first;
    }
    if (input == 2) {
        return *second;
    }
    throw AppError::subscriptOutOfRange(QStringLiteral("Real Time Data"));
}

QLabel* makeLabel(QWidget* parent, const QString& text, const char* name, bool heading) {
    auto* l = new QLabel(text, parent);
    if (name != nullptr) {
        l->setObjectName(QString::fromLatin1(name));
    }
    QFont f = l->font();
    f.setBold(heading);
    if (heading) {
        f.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    }
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText,
                 heading ? gauge_style::scaleText() : gauge_style::faceText());
    l->setPalette(pal);
    return l;
}

Lamp* makeLamp(QWidget* parent, const char* name, const QColor& initial) {
    auto* lamp = new Lamp(parent);
    lamp->setObjectName(QString::fromLatin1(name));
    lamp->setFillColor(initial);
    lamp->setFixedSize(lamp->sizeHint());
    return lamp;
}

QColor lampColor(bool lit) {
    return lit ? Lamp::litColor() : Lamp::darkColor();
}

}  // namespace

RealTimePanel::RealTimePanel(QWidget* parent)
    : QGroupBox(QStringLiteral("Real Time Data"), parent) {
    setObjectName(QStringLiteral("fraRealTimeData"));
    build();
}

RealTimePanel::~RealTimePanel() = default;

void RealTimePanel::build() {
    QFrame* dash = buildDashboard();
    auto* dashLayout = new QVBoxLayout(dash);
    dashLayout->setContentsMargins(10, 10, 10, 10);
    dashLayout->setSpacing(12);
    dashLayout->addLayout(buildTopRow(dash), 3);

    // Lower row: lamps, stage gauges, status.
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(22);
    const QColor green(0, 255, 0);
    const QColor red = Lamp::litColor();
    bottom->addLayout(buildLampGroup(dash, "lblInputs", QStringLiteral("INPUTS"),
                                     {{&shpLED_GPI_, "shpLED_GPI", "GPI", green},
                                      {&shpLED_PurgeIn_, "shpLED_PurgeIn", "PURGE INPUT", red},
                                      {&shpLED_ArmIn_, "shpLED_ArmIn", "ARM INPUT", red}}));
    bottom->addLayout(
        buildLampGroup(dash, "lblOutputs", QStringLiteral("OUTPUTS"),
                       {{&shpLED_Stage1Sol_, "shpLED_Stage1Sol", "STAGE 1", green},
                        {&shpLED_Stage2Sol_, "shpLED_Stage2Sol", "STAGE 2", green},
                        {&shpLED_GPO_, "shpLED_GPO", "GPO", red},
                        {&shpLED_PurgeSol_, "shpLED_PurgeSol", "PURGE SOLENOID", red},
                        {&shpLED_StatusLED_, "shpLED_StatusLED", "STATUS LED", red}}));
    bottom->addLayout(buildStageGauges(dash));
    bottom->addStretch(1);
    bottom->addLayout(buildStatusColumn(dash));
    dashLayout->addLayout(bottom, 2);

    connect(cmdCloseRealTimeData_, &QPushButton::clicked, this, &RealTimePanel::closeRequested);
    showInitialState();
}

QFrame* RealTimePanel::buildDashboard() {
    // The instruments sit on a dark dashboard inside the frame; the frame and the Close button
    // keep the window's own look.
    auto* dash = new QFrame(this);
    dash->setObjectName(QStringLiteral("dashboard"));
    dash->setAutoFillBackground(true);
    QPalette dark = dash->palette();
    dark.setColor(QPalette::Window, QColor(0x16, 0x18, 0x1b));
    dark.setColor(QPalette::WindowText, gauge_style::faceText());
    dash->setPalette(dark);
    dash->setFrameShape(QFrame::StyledPanel);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->addWidget(dash);
    return dash;
}

QGridLayout* RealTimePanel::buildTopRow(QWidget* dash) {
    gauTPSPercent_ = makeThrottlePercentGauge(dash);
    gauTPSVolts_ = makeBar(dash, "gauTPSVolts", QStringLiteral("TPS V"));
    makeVoltsGauge(gauTPSVolts_);
    gauInput1Analog_ = makeBar(dash, "gauInput1Analog", QStringLiteral("INPUT1"));
    makeVoltsGauge(gauInput1Analog_);
    gauInput1AFR_ = makeBar(dash, "gauInput1AFR", QStringLiteral("AFR 1"));
    makeAfrGauge(gauInput1AFR_);
    gauInput2Analog_ = makeBar(dash, "gauInput2Analog", QStringLiteral("INPUT2"));
    makeVoltsGauge(gauInput2Analog_);
    gauInput2AFR_ = makeBar(dash, "gauInput2AFR", QStringLiteral("AFR 2"));
    makeAfrGauge(gauInput2AFR_);
    gauTach_ = makeDial(dash, "gauTach", QStringLiteral("RPM"), QStringLiteral("x 1000"), 1, 5);
    gauSpeedometer_ =
        makeDial(dash, "gauSpeedometer", QStringLiteral("SPEED"), QStringLiteral("MPH"), 10, 2);
    gauBatVolts_ = makeBatteryGauge(dash);

    // Each pair of alternative gauges shares one cell: only one of them is ever shown.
    auto* top = new QGridLayout;
    top->setHorizontalSpacing(10);
    top->addWidget(gauTPSPercent_, 0, 0);
    top->addWidget(gauTPSVolts_, 0, 0);
    top->addWidget(gauInput1Analog_, 0, 1);
    top->addWidget(gauInput1AFR_, 0, 1);
    top->addWidget(gauInput2Analog_, 0, 2);
    top->addWidget(gauInput2AFR_, 0, 2);
    top->addWidget(gauTach_, 0, 3);
    top->addWidget(gauSpeedometer_, 0, 4);
    top->addWidget(gauBatVolts_, 0, 5);
    for (int column : {0, 1, 2, 5}) {
        top->setColumnStretch(column, 1);
    }
    top->setColumnStretch(3, 3);
    top->setColumnStretch(4, 3);
    return top;
}

QGridLayout* RealTimePanel::buildLampGroup(QWidget* dash, const char* headingName,
                                           const QString& heading,
                                           std::initializer_list<LampRow> rows) {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->addWidget(makeLabel(dash, heading, headingName, true), 0, 0, 1, 2);
    int r = 1;
    for (const LampRow& row : rows) {
        auto* caption = makeLabel(dash, QString::fromLatin1(row.caption), nullptr, false);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        *row.lamp = makeLamp(dash, row.name, row.initial);
        grid->addWidget(caption, r, 0);
        grid->addWidget(*row.lamp, r, 1);
        ++r;
    }
    grid->setRowStretch(r, 1);
    return grid;
}

QGridLayout* RealTimePanel::buildStageGauges(QWidget* dash) {
    auto* stages = new QGridLayout;
    stages->setHorizontalSpacing(10);
    lblStage1_ = makeLabel(dash, QStringLiteral("STAGE 1"), "lblStage1", true);
    lblStage2_ = makeLabel(dash, QStringLiteral("STAGE 2"), "lblStage2", true);
    lblStage1_->setAlignment(Qt::AlignCenter);
    lblStage2_->setAlignment(Qt::AlignCenter);
    gauStage1PWM_ = makeBar(dash, "gauStage1PWM", QStringLiteral("PWM%"));
    makePwmGauge(gauStage1PWM_);
    gauStage2PWM_ = makeBar(dash, "gauStage2PWM", QStringLiteral("PWM%"));
    makePwmGauge(gauStage2PWM_);
    for (BarGauge* g : {gauStage1PWM_, gauStage2PWM_}) {
        g->setMinimumSize(72, 170);
    }
    stages->addWidget(lblStage1_, 0, 0);
    stages->addWidget(lblStage2_, 0, 1);
    stages->addWidget(gauStage1PWM_, 1, 0);
    stages->addWidget(gauStage2PWM_, 1, 1);
    return stages;
}

QVBoxLayout* RealTimePanel::buildStatusColumn(QWidget* dash) {
    auto* statusColumn = new QVBoxLayout;
    statusColumn->setSpacing(6);
    statusColumn->addWidget(makeLabel(dash, QStringLiteral("STATUS"), "lblStatusLegend", true));
    lblStatus_ = makeStatusLabel(dash);
    statusColumn->addWidget(lblStatus_);
    lblRecording_ = new QLabel(dash);
    lblRecording_->setObjectName(QStringLiteral("lblRecording"));
    lblRecording_->setTextFormat(Qt::RichText);
    lblRecording_->hide();
    statusColumn->addWidget(lblRecording_);
    statusColumn->addStretch(1);
    cmdCloseRealTimeData_ = new QPushButton(QStringLiteral("Close"), dash);
    cmdCloseRealTimeData_->setObjectName(QStringLiteral("cmdCloseRealTimeData"));
    cmdCloseRealTimeData_->setPalette(QGroupBox::palette());
    cmdCloseRealTimeData_->setMinimumWidth(100);
    statusColumn->addWidget(cmdCloseRealTimeData_, 0, Qt::AlignRight);
    return statusColumn;
}

void RealTimePanel::showInitialState() {
    // What the panel shows before the first reading: every gauge at rest, lamps in their
    // initial colours, the dials at the settings' defaults.
    for (BarGauge* g : {gauTPSPercent_, gauTPSVolts_, gauInput1Analog_, gauInput2Analog_,
                        gauBatVolts_, gauStage1PWM_, gauStage2PWM_}) {
        g->setPointerValue(0);
    }
    gauInput1AFR_->setPointerValue(15);
    gauInput2AFR_->setPointerValue(15);
    gauTach_->setCaption(formatPattern(0, QStringLiteral("###0")));
    gauSpeedometer_->setCaption(formatPattern(0, QStringLiteral("##0")));
    setDialLimits(tachDialValue(settings_defaults::kTachRedline),
                  tachDialValue(settings_defaults::kTachMax),
                  speedoDialValue(settings_defaults::kSpeedoRedline),
                  speedoDialValue(settings_defaults::kSpeedoMax));
    chooseGauges(settings_defaults::kTpsPercentDisplay, settings_defaults::kInput1AnalogDisplay,
                 settings_defaults::kInput2AnalogDisplay);
    setStageGroupVisible(false);
}

QString RealTimePanel::statusText(int code) {
    switch (code) {
        case 0:
            return QStringLiteral("Power Off");
        case 1:
            return QStringLiteral("Power On - Not Armed");
        case 2:
            return QStringLiteral("Auto Purge");
        case 3:
        case 4:
            return QStringLiteral("Ready");
        case 5:
            return QStringLiteral("Timeout");
        case 6:
            return QStringLiteral("Power Ground Fault");
        default:
            return QStringLiteral("Invalid");
    }
}

void RealTimePanel::showThrottlePercent(float percent) {
    // The gauge's lower section covers 0..90 and its upper section 90..100; a reading outside
    // the throttle's travel is shown at the nearer end. NaN (a broken calibration) shows 0.
    if (!(percent > 0)) {
        gauTPSPercent_->setSection(0);
        gauTPSPercent_->setPointerValue(0);
    } else if (percent <= 90) {
        gauTPSPercent_->setSection(0);
        gauTPSPercent_->setPointerValue(percent);
    } else if (percent <= 100) {
        gauTPSPercent_->setSection(1);
        gauTPSPercent_->setPointerValue(percent);
    } else {
        gauTPSPercent_->setSection(1);
        gauTPSPercent_->setPointerValue(100);
    }
}

void RealTimePanel::showThrottleVolts(double volts) {
    gauTPSVolts_->setPointerValue(volts);
}

void RealTimePanel::showBatteryVolts(double volts) {
    gauBatVolts_->setPointerValue(volts);
}

void RealTimePanel::showEngineSpeed(double rpm) {
    gauTach_->setValue(static_cast<float>(rpm / 1000.0));
    gauTach_->setCaption(formatPattern(rpm, QStringLiteral("####0")));
    gauTach_->setRefresh(3);
}

void RealTimePanel::showRoadSpeed(double mph) {
    gauSpeedometer_->setValue(mph);
    gauSpeedometer_->setCaption(formatPattern(mph, QStringLiteral("##0")));
    gauSpeedometer_->setRefresh(3);
}

void RealTimePanel::showInputVolts(int input, double volts) {
    inputGauge(input, gauInput1Analog_, gauInput2Analog_).setPointerValue(volts);
}

void RealTimePanel::showInputAfr(int input, double afr) {
    inputGauge(input, gauInput1AFR_, gauInput2AFR_).setPointerValue(afr);
}

void RealTimePanel::showInputBits(int bits) {
    // GPI is wired active-low: its lamp lights when the bit is clear.
    shpLED_GPI_->setFillColor(lampColor((bits & 0x04) == 0));
    shpLED_PurgeIn_->setFillColor(lampColor((bits & 0x02) != 0));
    shpLED_ArmIn_->setFillColor(lampColor((bits & 0x01) != 0));
}

void RealTimePanel::showOutputBits(int bits) {
    shpLED_Stage1Sol_->setFillColor(lampColor((bits & 0x01) != 0));
    shpLED_Stage2Sol_->setFillColor(lampColor((bits & 0x02) != 0));
    shpLED_GPO_->setFillColor(lampColor((bits & 0x04) != 0));
    shpLED_PurgeSol_->setFillColor(lampColor((bits & 0x10) != 0));
    shpLED_StatusLED_->setFillColor(lampColor((bits & 0x08) != 0));
}

void RealTimePanel::showDutyCycles(double stage1, double stage2) {
    gauStage1PWM_->setPointerValue(stage1);
    gauStage2PWM_->setPointerValue(stage2);
}

void RealTimePanel::showStatus(const QString& text) {
    lblStatus_->setText(text);
}

QString RealTimePanel::status() const {
    return lblStatus_->text();
}

void RealTimePanel::showRecording(bool on, const QString& elapsed) {
    lblRecording_->setVisible(on);
    recordingElapsed_ = elapsed;
    if (!on) {
        return;
    }
    if (readingsInterrupted_) {
        // The recording goes on, but nothing is being written: a hollow amber mark and the words.
        lblRecording_->setText(
            QStringLiteral("<span style=\"color:#ffb000; font-size:large\">&#9675;</span> "
                           "<b style=\"color:#ffb000\">REC</b> "
                           "<span style=\"color:#e8e8e8\">%1</span> "
                           "<span style=\"color:#ffb000\">no readings</span>")
                .arg(elapsed.toHtmlEscaped()));
        return;
    }
    lblRecording_->setText(
        QStringLiteral("<span style=\"color:#ff2020; font-size:large\">&#9679;</span> "
                       "<b style=\"color:#ff2020\">REC</b> "
                       "<span style=\"color:#e8e8e8\">%1</span>")
            .arg(elapsed.toHtmlEscaped()));
}

void RealTimePanel::showReadingsInterrupted(bool interrupted) {
    readingsInterrupted_ = interrupted;
    showRecording(!lblRecording_->isHidden(), recordingElapsed_);
}

void RealTimePanel::chooseGauges(bool tpsPercent, bool input1Analog, bool input2Analog) {
    // Hide before show, so the shared cell never holds two visible gauges.
    (tpsPercent ? gauTPSVolts_ : gauTPSPercent_)->setVisible(false);
    (tpsPercent ? gauTPSPercent_ : gauTPSVolts_)->setVisible(true);
    (input1Analog ? gauInput1AFR_ : gauInput1Analog_)->setVisible(false);
    (input1Analog ? gauInput1Analog_ : gauInput1AFR_)->setVisible(true);
    (input2Analog ? gauInput2AFR_ : gauInput2Analog_)->setVisible(false);
    (input2Analog ? gauInput2Analog_ : gauInput2AFR_)->setVisible(true);
}

void RealTimePanel::setStageGroupVisible(bool visible) {
    gauStage1PWM_->setVisible(visible);
    gauStage2PWM_->setVisible(visible);
    lblStage1_->setVisible(visible);
    lblStage2_->setVisible(visible);
}

void RealTimePanel::setDialLimits(float tachRedline, float tachMax, float speedoRedline,
                                  float speedoMax) {
    setTachRedline(tachRedline);
    setTachMax(tachMax);
    setSpeedoRedline(speedoRedline);
    setSpeedoMax(speedoMax);
}

void RealTimePanel::setTachRedline(float thousands) {
    gauTach_->setRedline(thousands);
}

void RealTimePanel::setTachMax(float thousands) {
    gauTach_->setMaximum(thousands);
}

void RealTimePanel::setSpeedoRedline(float mph) {
    gauSpeedometer_->setRedline(mph);
}

void RealTimePanel::setSpeedoMax(float mph) {
    gauSpeedometer_->setMaximum(mph);
}

float RealTimePanel::tachDialValue(float rpmSetting) {
    return static_cast<float>(roundHalfEven(static_cast<double>(rpmSetting) / 1000.0, 1));
}

float RealTimePanel::speedoDialValue(float setting) {
    return static_cast<float>(wholePart(setting));
}

void RealTimePanel::applyDialSettings(const Settings& settings) {
    setDialLimits(tachDialValue(settings.tachRedline), tachDialValue(settings.tachMax),
                  speedoDialValue(settings.speedoRedline), speedoDialValue(settings.speedoMax));
}

void RealTimePanel::reset() {
    showStatus(QString());
    gauTPSPercent_->setSection(0);
    gauTPSPercent_->setPointerValue(0);
    gauTPSVolts_->setSection(0);
    gauTPSVolts_->setPointerValue(0);
    gauInput1Analog_->setPointerValue(0);
    gauInput1AFR_->setSecondSelector(0);
    gauInput1AFR_->setPointerValue(15);
    gauInput2Analog_->setPointerValue(0);
    gauInput2AFR_->setSecondSelector(0);
    gauInput2AFR_->setPointerValue(15);
    gauTach_->setValue(0);
    gauTach_->setRefresh(3);
    gauTach_->setCaption(formatPattern(0, QStringLiteral("###0")));
    gauSpeedometer_->setValue(0);
    gauSpeedometer_->setRefresh(3);
    gauSpeedometer_->setCaption(formatPattern(0, QStringLiteral("##0")));
    gauBatVolts_->setPointerValue(0);
    showInputBits(0);   // GPI lit (its bit clear), the others dark
    showOutputBits(0);  // all five dark
    gauStage1PWM_->setPointerValue(0);
    gauStage2PWM_->setPointerValue(0);
}

}  // namespace tarvik
