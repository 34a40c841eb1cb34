#include "realtime/real_time_panel.h"

#include <QLabel>
#include <QPushButton>

#include "realtime/bar_gauge.h"
#include "realtime/dial_gauge.h"
#include "realtime/lamp.h"

namespace tarvik {

RealTimePanel::RealTimePanel(QWidget* parent) : QGroupBox(QStringLiteral("Real Time Data"), parent) {
    setObjectName(QStringLiteral("fraRealTimeData"));
    build();
}

RealTimePanel::~RealTimePanel() = default;

void RealTimePanel::build() {
    gauTPSPercent_ = new BarGauge(this);
    gauTPSVolts_ = new BarGauge(this);
    gauInput1Analog_ = new BarGauge(this);
    gauInput1AFR_ = new BarGauge(this);
    gauInput2Analog_ = new BarGauge(this);
    gauInput2AFR_ = new BarGauge(this);
    gauBatVolts_ = new BarGauge(this);
    gauStage1PWM_ = new BarGauge(this);
    gauStage2PWM_ = new BarGauge(this);
    gauTach_ = new DialGauge(this);
    gauSpeedometer_ = new DialGauge(this);
    lblStage1_ = new QLabel(this);
    lblStage2_ = new QLabel(this);
    shpLED_GPI_ = new Lamp(this);
    shpLED_PurgeIn_ = new Lamp(this);
    shpLED_ArmIn_ = new Lamp(this);
    shpLED_Stage1Sol_ = new Lamp(this);
    shpLED_Stage2Sol_ = new Lamp(this);
    shpLED_GPO_ = new Lamp(this);
    shpLED_PurgeSol_ = new Lamp(this);
    shpLED_StatusLED_ = new Lamp(this);
    lblStatus_ = new QLabel(this);
    cmdCloseRealTimeData_ = new QPushButton(QStringLiteral("Close"), this);
    connect(cmdCloseRealTimeData_, &QPushButton::clicked, this, &RealTimePanel::closeRequested);
}

QString RealTimePanel::statusText(int) { return {}; }
void RealTimePanel::showThrottlePercent(float) {}
void RealTimePanel::showThrottleVolts(double) {}
void RealTimePanel::showBatteryVolts(double) {}
void RealTimePanel::showEngineSpeed(double) {}
void RealTimePanel::showRoadSpeed(double) {}
void RealTimePanel::showInputVolts(int, double) {}
void RealTimePanel::showInputAfr(int, double) {}
void RealTimePanel::showInputBits(int) {}
void RealTimePanel::showOutputBits(int) {}
void RealTimePanel::showDutyCycles(double, double) {}
void RealTimePanel::showStatus(const QString&) {}
QString RealTimePanel::status() const { return {}; }
void RealTimePanel::chooseGauges(bool, bool, bool) {}
void RealTimePanel::setStageGroupVisible(bool) {}
void RealTimePanel::setDialLimits(float, float, float, float) {}
void RealTimePanel::setTachRedline(float) {}
void RealTimePanel::setTachMax(float) {}
void RealTimePanel::setSpeedoRedline(float) {}
void RealTimePanel::setSpeedoMax(float) {}
float RealTimePanel::tachDialValue(float) { return 0; }
float RealTimePanel::speedoDialValue(float) { return 0; }
void RealTimePanel::applyDialSettings(const Settings&) {}
void RealTimePanel::reset() {}

}  // namespace tarvik
