#include "realtime/real_time_monitor.h"

#include <QTimer>

#include "common/number_format.h"
#include "common/rounding.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "link/controller.h"
#include "link/serial_link.h"
#include "realtime/real_time_panel.h"
#include "settings/settings.h"

namespace tarvik {

namespace {
const QString kTitle = QStringLiteral("View Real Time Data");
const QString kCrLf = QStringLiteral("\r\n");
}  // namespace

const QString RealTimeMonitor::kAdapterGoneStatus =
    QStringLiteral("Serial adapter gone\r\nPlug it back in");

RealTimeMonitor::RealTimeMonitor(RealTimeMonitorServices services, QObject* parent)
    : QObject(parent), services_(std::move(services)), link_(services_.controller.link()) {
    setObjectName(QStringLiteral("realTimeMonitor"));
    tmrDataRead_ = new QTimer(this);
    tmrDataRead_->setObjectName(QStringLiteral("tmrDataRead"));
    tmrDataRead_->setInterval(kPollIntervalMs);
    connect(tmrDataRead_, &QTimer::timeout, this, &RealTimeMonitor::pollCycle);
    tmrDataRead_->start();

    // The line-error handler needs to know whether monitoring runs, and Abort in the error box
    // of one of the cycle's reads stops monitoring.
    link_.setRealTimeActiveQuery([this] { return realTimeActive_; });
    link_.setAbortMonitoringAction([this] { stop(); });
    connect(&services_.panel, &RealTimePanel::closeRequested, this, &RealTimeMonitor::stop);
}

RealTimeMonitor::~RealTimeMonitor() {
    link_.setRealTimeActiveQuery({});
    link_.setAbortMonitoringAction({});
}

QString RealTimeMonitor::statusCaption(int statusCode, bool tpsPercentDisplay, float lastTpsVolts) {
    QString text = RealTimePanel::statusText(statusCode);
    if (!tpsPercentDisplay) {
        // Nearest 0.05 V: the product is formed in single precision, as the reading is kept.
        const auto twentieths = static_cast<float>(lastTpsVolts * 20.0F);
        const double volts = roundHalfEven(static_cast<double>(twentieths)) / 20.0;
        text +=
            kCrLf + QStringLiteral("TPS Volts: ") + formatPattern(volts, QStringLiteral("0.00"));
    }
    return text;
}

void RealTimeMonitor::message(const QString& text) {
    services_.dialogs.message(kTitle, text, MsgIcon::Exclamation, MsgButtons::Ok);
}

void RealTimeMonitor::start() {
    // The whole start is one user of the link: a tick arriving during its pauses or boxes is
    // skipped rather than sending its bytes between the start's.
    SerialLink::LinkUse use(link_);
    if (!use.acquired()) {
        return;
    }
    services_.host.clearFramBuffer();
    if (!services_.controller.establishLink(kTitle)) {
        return;
    }
    identifyController();
    services_.controller.readGenModeFlag();
    readThrottleCalibration();
    const Settings& s = services_.settings;
    services_.panel.chooseGauges(s.tpsPercentDisplay, s.input1AnalogDisplay, s.input2AnalogDisplay);
    services_.panel.setStageGroupVisible(model_ == ControllerModel::QX2);
    services_.panel.show();
    realTimeActive_ = true;
    endWaiting();
    link_.setSerialErrorCount(0);
}

void RealTimeMonitor::identifyController() {
    Controller& c = services_.controller;
    c.readFirmwareId();
    if (c.firmwareId().isEmpty() || !c.linkOk()) {
        message(QStringLiteral("Error - invalid firmware ID. Unable to identify controller "
                               "version.") +
                kCrLf + QStringLiteral("Some data may be incorrectly scaled."));
        model_ = ControllerModel::Unknown;
    } else {
        model_ = c.model();
    }
}

void RealTimeMonitor::readThrottleCalibration() {
    Controller& c = services_.controller;
    c.readTpsScaleFactors();
    if (!c.linkOk()) {
        message(QStringLiteral("Error - unable to read TPS scale factors.") + kCrLf +
                QStringLiteral("TPS percent data may be incorrectly scaled."));
        c.setTpsScaleFactors(kDefaultTpsZeroPoint, kDefaultTpsFullPoint);
    }
}

bool RealTimeMonitor::continueOnlyIfRunning() const {
    return !services_.host.abortRequested() && realTimeActive_;
}

void RealTimeMonitor::yield() {
    link_.yieldToEvents();
}

bool RealTimeMonitor::adapterGone() {
    // Only once a read has failed over it: its box has told the user, who chose to go on. A
    // loss during a yield is told by the next read.
    if (!realTimeActive_ || services_.controller.linkOk() || !link_.adapterLost()) {
        return false;
    }
    waitForAdapter();
    return true;
}

void RealTimeMonitor::waitForAdapter() {
    waitingForAdapter_ = true;
    // No reading may stand on the panel as if it were live.
    services_.panel.reset();
    services_.panel.showStatus(kAdapterGoneStatus);
    emit readingsInterrupted(true);
}

bool RealTimeMonitor::adapterBack() {
    // Quietly: the user has seen the box once and chose to go on without the adapter.
    if (!link_.reopenQuietly()) {
        return false;
    }
    endWaiting();
    return true;
}

void RealTimeMonitor::endWaiting() {
    if (waitingForAdapter_) {
        waitingForAdapter_ = false;
        emit readingsInterrupted(false);
    }
}

void RealTimeMonitor::lostLinkReset() {
    services_.panel.showStatus(QString());
    services_.panel.reset();
    link_.closePort();
    stop();
}

void RealTimeMonitor::pollCycle() {
    if (!realTimeActive_) {
        return;
    }
    // A tick inside a yield of this or any other user of the link would interleave bytes.
    if (inCycle_ || link_.busy()) {
        ++skippedTicks_;
        return;
    }
    SerialLink::LinkUse use(link_);
    if (!use.acquired()) {
        ++skippedTicks_;
        return;
    }
    ++cyclesStarted_;
    inCycle_ = true;
    cycle_ = LiveCycle{};
    cycle_.startedUs = link_.clock().nowUs();
    cycleReported_ = false;
    struct CycleEnd {
        RealTimeMonitor& monitor;
        ~CycleEnd() {
            monitor.reportCycle();
            monitor.inCycle_ = false;
        }
    } cycleEnd{*this};
    if (waitingForAdapter_ && !adapterBack()) {
        emit cycleMissed(cycle_.startedUs);
        return;
    }
    runCycleSteps();
}

void RealTimeMonitor::runCycleSteps() {
    ErrorTrap trap(services_.dialogs);
    int status = 0;
    bool linkLost = false;
    trap.run([&] { linkLost = !readStatus(status); });
    if (trap.aborted() || adapterGone()) {
        return;
    }
    if (linkLost) {
        lostLinkReset();
        return;
    }
    // Each step is one call to the trap: Abort ends the cycle, Retry repeats the step, Ignore
    // goes on with the next. After every step the cycle yields and goes on only if running.
    const std::function<void()> steps[] = {
        [&] { showCycleStatus(status); }, [this] { readThrottle(); },  [this] { readBattery(); },
        [this] { readEngineSpeed(); },    [this] { readRoadSpeed(); }, [this] { readInput(1); },
        [this] { readInput(2); },         [this] { readInputBits(); }, [this] { readOutputBits(); },
    };
    for (const auto& body : steps) {
        trap.run([&] {
            body();
            yield();
        });
        if (trap.aborted() || !continueOnlyIfRunning() || adapterGone()) {
            return;
        }
    }
    // Only the two-stage controller has duty cycles.
    if (model_ == ControllerModel::QX2) {
        trap.run([this] { readDutyCycles(); });
        adapterGone();
    }
}

bool RealTimeMonitor::readStatus(int& status) {
    Controller& c = services_.controller;
    status = static_cast<int>(c.readStatus());
    if (!c.linkOk()) {
        return false;
    }
    cycle_.set(Column::Status, static_cast<float>(status));
    return true;
}

void RealTimeMonitor::showCycleStatus(int status) {
    services_.panel.showStatus(
        statusCaption(status, services_.settings.tpsPercentDisplay, lastTpsVolts_));
}

// A reading goes into the cycle's record only when its read succeeded: one given up with
// Ignore shows as 0 but is not a reading.
void RealTimeMonitor::recordIfRead(Column column, float value) {
    if (services_.controller.linkOk()) {
        cycle_.set(column, value);
    }
}

void RealTimeMonitor::readThrottle() {
    Controller& c = services_.controller;
    const std::array<float, 2>& f = c.tpsScaleFactors();
    float span = f[1] - f[0];
    if (span == 0.0F) {
        span = 0.1F;
    }
    const float raw = c.readTps();
    const float percent = (raw - f[0]) * 100.0F / span;
    const float volts = raw * 5.0F / 255.0F;
    recordIfRead(Column::TPSPercent, percent);
    if (c.linkOk()) {
        cycle_.throttleVolts = volts;
    }
    if (services_.settings.tpsPercentDisplay) {
        services_.panel.showThrottlePercent(percent);
    } else {
        lastTpsVolts_ = volts;
        services_.panel.showThrottleVolts(lastTpsVolts_);
    }
}

void RealTimeMonitor::readBattery() {
    const float volts = services_.controller.readBat();
    recordIfRead(Column::BatVolts, volts);
    services_.panel.showBatteryVolts(volts);
}

void RealTimeMonitor::readEngineSpeed() {
    Controller& c = services_.controller;
    float rpm = c.readRpm();
    if (c.rpmDouble()) {
        rpm *= 2.0F;
    }
    recordIfRead(Column::RPM, rpm);
    services_.panel.showEngineSpeed(rpm);
}

void RealTimeMonitor::readRoadSpeed() {
    Controller& c = services_.controller;
    const float vss = c.readVss();
    const double mph =
        c.vssInMph() ? static_cast<double>(vss) : static_cast<double>(vss) * kMphPerKmh;
    recordIfRead(Column::VSS, c.vssInMph() ? static_cast<float>(vss * kKmPerMile) : vss);
    if (c.linkOk()) {
        cycle_.roadSpeedMph = static_cast<float>(mph);
    }
    services_.panel.showRoadSpeed(mph);
}

void RealTimeMonitor::readInput(int input) {
    Controller& c = services_.controller;
    const Settings& s = services_.settings;
    const float volts = input == 1 ? c.readVin1() : c.readVin2();
    const bool analog = input == 1 ? s.input1AnalogDisplay : s.input2AnalogDisplay;
    recordIfRead(input == 1 ? Column::Input1Volts : Column::Input2Volts, volts);
    if (analog) {
        services_.panel.showInputVolts(input, volts);
    } else {
        services_.panel.showInputAfr(input, static_cast<double>(volts) * 2.0 + 10.0);
    }
}

void RealTimeMonitor::readInputBits() {
    const float bits = services_.controller.readInputData();
    recordIfRead(Column::InputData, bits);
    services_.panel.showInputBits(static_cast<int>(bits));
}

void RealTimeMonitor::readOutputBits() {
    const float bits = services_.controller.readOutputData();
    recordIfRead(Column::OutputData, bits);
    services_.panel.showOutputBits(static_cast<int>(bits));
}

void RealTimeMonitor::readDutyCycles() {
    Controller& c = services_.controller;
    c.readPwm();
    recordIfRead(Column::Stage1PWM, c.stage1Pwm());
    recordIfRead(Column::Stage2PWM, c.stage2Pwm());
    services_.panel.showDutyCycles(c.stage1Pwm(), c.stage2Pwm());
}

void RealTimeMonitor::reportCycle() {
    if (cycleReported_) {
        return;
    }
    cycleReported_ = true;
    if (!cycle_.empty()) {
        emit cycleRead(cycle_);
    }
}

void RealTimeMonitor::stop() {
    // Stopped in the middle of a cycle: what it read so far still counts.
    if (inCycle_) {
        reportCycle();
    }
    services_.panel.hide();
    link_.closePort();
    endWaiting();
    const bool wasActive = realTimeActive_;
    realTimeActive_ = false;
    if (wasActive) {
        emit stopped();
    }
}

}  // namespace tarvik
