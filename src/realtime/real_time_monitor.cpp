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
    Controller& c = services_.controller;
    // The whole start is one user of the link: a tick arriving during its pauses or boxes is
    // skipped rather than sending its bytes between the start's.
    SerialLink::LinkUse use(link_);
    if (!use.acquired()) {
        return;
    }
    if (services_.clearFramBuffer) {  // 1.
        services_.clearFramBuffer();
    }
    if (!c.establishLink(kTitle)) {
        return;
    }
    c.readFirmwareId();  // 4.
    if (c.firmwareId().isEmpty() || !c.linkOk()) {
        message(QStringLiteral("Error - invalid firmware ID. Unable to identify controller "
                               "version.") +
                kCrLf + QStringLiteral("Some data may be incorrectly scaled."));
        model_ = ControllerModel::Unknown;
    } else {
        model_ = c.model();
    }
    c.readGenModeFlag();      // 5.
    c.readTpsScaleFactors();  // 6.
    if (!c.linkOk()) {
        message(QStringLiteral("Error - unable to read TPS scale factors.") + kCrLf +
                QStringLiteral("TPS percent data may be incorrectly scaled."));
        c.setTpsScaleFactors(kDefaultTpsZeroPoint, kDefaultTpsFullPoint);
    }
    const Settings& s = services_.settings;  // 7.
    services_.panel.chooseGauges(s.tpsPercentDisplay, s.input1AnalogDisplay, s.input2AnalogDisplay);
    services_.panel.setStageGroupVisible(model_ == ControllerModel::QX2);  // 8.
    services_.panel.show();                                                // 9.
    realTimeActive_ = true;
    link_.setSerialErrorCount(0);
}

bool RealTimeMonitor::continueOnlyIfRunning() const {
    const bool abortRequested = services_.abortRequested && services_.abortRequested();
    return !abortRequested && realTimeActive_;
}

void RealTimeMonitor::yield() {
    link_.yieldToEvents();
}

void RealTimeMonitor::lostLinkReset() {
    services_.panel.showStatus(QString());
    services_.panel.reset();
    link_.closePort();
    stop();
}

void RealTimeMonitor::pollCycle() {
    if (!realTimeActive_) {  // 1.
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

    Controller& c = services_.controller;
    RealTimePanel& panel = services_.panel;
    const Settings& s = services_.settings;
    ErrorTrap trap(services_.dialogs);
    // Each step is one call to the trap: Abort ends the cycle, Retry repeats the step, Ignore
    // goes on with the next. After every step the cycle yields and goes on only if running.
    auto step = [&](const std::function<void()>& body) {
        if (!trap.run([&] {
                body();
                yield();
            })) {
            return false;
        }
        return continueOnlyIfRunning();
    };

    int status = 0;
    bool linkLost = false;
    if (!trap.run([&] {  // 2-3.
            status = static_cast<int>(c.readStatus());
            linkLost = !c.linkOk();
            if (!linkLost) {
                cycle_.set(Column::Status, static_cast<float>(status));
            }
        })) {
        return;
    }
    if (linkLost) {
        lostLinkReset();
        return;
    }
    if (!step([&] {  // 4.
            panel.showStatus(statusCaption(status, s.tpsPercentDisplay, lastTpsVolts_));
        })) {
        return;
    }
    // A reading goes into the cycle's record only when its read succeeded: one given up with
    // Ignore shows as 0 but is not a reading.
    auto record = [&](Column column, float value) {
        if (c.linkOk()) {
            cycle_.set(column, value);
        }
    };
    if (!step([&] {  // 5.
            const std::array<float, 2>& f = c.tpsScaleFactors();
            float span = f[1] - f[0];
            if (span == 0.0F) {
                span = 0.1F;
            }
            const float raw = c.readTps();
            const float percent = (raw - f[0]) * 100.0F / span;
            const float volts = raw * 5.0F / 255.0F;
            record(Column::TPSPercent, percent);
            if (c.linkOk()) {
                cycle_.throttleVolts = volts;
            }
            if (s.tpsPercentDisplay) {
                panel.showThrottlePercent(percent);
            } else {
                lastTpsVolts_ = volts;
                panel.showThrottleVolts(lastTpsVolts_);
            }
        })) {
        return;
    }
    if (!step([&] {  // 6.
            const float volts = c.readBat();
            record(Column::BatVolts, volts);
            panel.showBatteryVolts(volts);
        })) {
        return;
    }
    if (!step([&] {  // 7.
            float rpm = c.readRpm();
            if (c.rpmDouble()) {
                rpm *= 2.0F;
            }
            record(Column::RPM, rpm);
            panel.showEngineSpeed(rpm);
        })) {
        return;
    }
    if (!step([&] {  // 8.
            const float vss = c.readVss();
            const double mph =
                c.vssInMph() ? static_cast<double>(vss) : static_cast<double>(vss) * kMphPerKmh;
            record(Column::VSS, c.vssInMph() ? static_cast<float>(vss * kKmPerMile) : vss);
            if (c.linkOk()) {
                cycle_.roadSpeedMph = static_cast<float>(mph);
            }
            panel.showRoadSpeed(mph);
        })) {
        return;
    }
    auto input = [&](int n, float volts, bool analog) {
        record(n == 1 ? Column::Input1Volts : Column::Input2Volts, volts);
        if (analog) {
            panel.showInputVolts(n, volts);
        } else {
            panel.showInputAfr(n, static_cast<double>(volts) * 2.0 + 10.0);
        }
    };
    if (!step([&] { input(1, c.readVin1(), s.input1AnalogDisplay); })) {  // 9.
        return;
    }
    if (!step([&] { input(2, c.readVin2(), s.input2AnalogDisplay); })) {  // 10.
        return;
    }
    if (!step([&] {  // 11.
            const float bits = c.readInputData();
            record(Column::InputData, bits);
            panel.showInputBits(static_cast<int>(bits));
        })) {
        return;
    }
    if (!step([&] {  // 12.
            const float bits = c.readOutputData();
            record(Column::OutputData, bits);
            panel.showOutputBits(static_cast<int>(bits));
        })) {
        return;
    }
    if (model_ != ControllerModel::QX2) {
        return;
    }
    trap.run([&] {  // 13.
        c.readPwm();
        record(Column::Stage1PWM, c.stage1Pwm());
        record(Column::Stage2PWM, c.stage2Pwm());
        panel.showDutyCycles(c.stage1Pwm(), c.stage2Pwm());
    });
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
    const bool wasActive = realTimeActive_;
    realTimeActive_ = false;
    if (wasActive) {
        emit stopped();
    }
}

}  // namespace tarvik
