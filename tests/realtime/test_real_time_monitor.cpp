// The real-time monitor over the simulated controller on a fake clock: starting (and each way
// it can fail), one full poll cycle feeding every gauge and lamp, the order of its commands,
// the lost-link reset, Esc, analog throttle mode, Close and Abort mid-cycle, and the link never
// being shared: ticks during a cycle, menu commands and the options dialog chosen mid-cycle.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "app/frm_main.h"
#include "controller_model.h"
#include "core/app_error.h"
#include "fake_clock.h"
#include "link/controller.h"
#include "link/controller_protocol.h"
#include "link/serial_link.h"
#include "memory_settings.h"
#include "realtime/bar_gauge.h"
#include "realtime/dial_gauge.h"
#include "realtime/frm_display_options.h"
#include "realtime/lamp.h"
#include "realtime/real_time_monitor.h"
#include "realtime/real_time_panel.h"
#include "scripted_dialogs.h"
#include "settings/settings.h"
#include "sim_main_window.h"
#include "sim_serial_port.h"

using namespace tarvik;
using test::ScriptedDialogs;
namespace p = tarvik::protocol;

namespace {

const QString kTitle = QStringLiteral("View Real Time Data");
const QString kTimeout = QStringLiteral("RS-232 timeout. Check cable and click Abort.");

// The commands of one full cycle, in order.
const std::vector<quint8> kQx1Cycle = {
    p::kCmdReadStatus, p::kCmdReadTps,  p::kCmdReadBat,       p::kCmdReadRpm,       p::kCmdReadVss,
    p::kCmdReadVin1,   p::kCmdReadVin2, p::kCmdReadInputData, p::kCmdReadOutputData};
std::vector<quint8> qx2Cycle() {
    std::vector<quint8> c = kQx1Cycle;
    c.push_back(p::kCmdReadPwm);
    return c;
}

// The monitor on its own, over the simulator, with a panel and in-memory display choices.
struct Monitor : MonitorHost {
    sim::ControllerModel model;
    sim::FakeClock clock;
    sim::SimSerialPort port{model, clock};
    ScriptedDialogs dialogs;
    SerialLink link{port, clock, dialogs};
    Controller controller{link};
    Settings settings;
    RealTimePanel panel;
    bool abort = false;
    int framClears = 0;
    std::unique_ptr<RealTimeMonitor> monitor;

    Monitor() {
        settings.tpsPercentDisplay = true;
        settings.input1AnalogDisplay = true;
        settings.input2AnalogDisplay = true;
        settings.tachRedline = 6500;
        settings.tachMax = 10000;
        settings.speedoRedline = 85;
        settings.speedoMax = 140;
        panel.applyDialSettings(settings);
        panel.hide();
        monitor = std::make_unique<RealTimeMonitor>(
            RealTimeMonitorServices{controller, panel, settings, dialogs, *this});
        // Ticks come from the test, one at a time.
        monitor->tmrDataRead().stop();
        model.setFixedLive(sim::ControllerModel::Live{});
    }
    void clearFramBuffer() override { ++framClears; }
    bool abortRequested() const override { return abort; }
    void clearAbortRequest() override { abort = false; }
    void setLive(const sim::ControllerModel::Live& live) { model.setFixedLive(live); }
    void start() {
        monitor->start();
        port.clearWritten();
    }
    void cycle() { monitor->pollCycle(); }
    // The command bytes written since the last clear: every byte, as the live reads have no
    // parameters.
    std::vector<quint8> commands() const { return port.writtenBytes(); }
    bool ok() { return dialogs.ok(); }
};

QString lampState(RealTimePanel& panel, const char* name) {
    const QColor c = panel.findChild<Lamp*>(QLatin1String(name))->fillColor();
    return c == QColor(255, 0, 0) ? QStringLiteral("lit")
           : c == QColor(0, 0, 0) ? QStringLiteral("dark")
                                  : c.name();
}
QString lampStates(RealTimePanel& panel, std::initializer_list<const char*> names) {
    QStringList out;
    for (const char* n : names) {
        out << lampState(panel, n);
    }
    return out.join(u' ');
}

// The main window over the simulator: menus, the options dialog, the other link commands.
using Window = test::SimMainWindow;

}  // namespace

class TestRealTimeMonitor : public QObject {
    Q_OBJECT

private slots:
    // Start
    void startShowsThePanel();
    void startWithSilentController();
    void startEndsOnAbortAtPortError();
    void startWithUnreadableFirmware();
    void startWithUnreadableScaleFactors();
    void startChoosesGauges_data();
    void startChoosesGauges();
    void startAgainWhileMonitoring();

    // The cycle
    void tickWhileIdleDoesNothing();
    void fullCycleOrderQx2();
    void qx1NeverReadsPwm();
    void unknownControllerNeverReadsPwm();
    void fullCycleDrivesEveryGauge();
    void throttlePercent_data();
    void throttlePercent();
    void engineSpeedDoubled();
    void roadSpeedInKmhMode();
    void roadSpeedInMphMode();
    void afrMode();
    void statusTexts_data();
    void statusTexts();
    void lamps_data();
    void lamps();
    void analogThrottleFirstCycleShowsZeroVolts();
    void statusCaptionRounding_data();
    void statusCaptionRounding();
    void displayChoiceChangedMidCycleTakesEffectAtNextStep();
    void errorInTheCycleItself_data();
    void errorInTheCycleItself();

    // Stopping
    void lostLinkResetAfterSilence_data();
    void lostLinkResetAfterSilence();
    void readIgnoredMidCycleShowsZero();
    void abortInAReadStopsMonitoring();
    void escFreezesGaugesButStatusUpdates();
    void escBeforeTheStartDoesNotHoldTheGauges_data();
    void escBeforeTheStartDoesNotHoldTheGauges();
    void closeDuringCycleEndsItAfterTheExchange();
    void closeButtonStops();

    // One user of the link at a time
    void tickDuringCycleIsSkipped();
    void tickDuringAnotherCommandIsSkipped();
    void clearChosenMidCycleRunsAfterIt();
    void startChosenMidCycleRunsAfterIt();
    void downloadChosenMidCycleStopsMonitoringAfterIt();
    void optionsDialogChosenMidCycle();
    void viewRealTimeMenuStartsMonitoring();
    void mainWindowReportsRealTimeActive();
};

// --- Start -------------------------------------------------------------------------------------

void TestRealTimeMonitor::startShowsThePanel() {
    Monitor m;
    m.link.setSerialErrorCount(2);
    m.start();
    QVERIFY2(m.ok(), qPrintable(m.dialogs.report()));
    QVERIFY(m.monitor->realTimeActive());
    QVERIFY(!m.panel.isHidden());
    QCOMPARE(m.framClears, 1);
    QCOMPARE(m.link.serialErrorCount(), 0);
    QCOMPARE(m.monitor->controllerVersion(), QStringLiteral("QX-2"));
    QCOMPARE(m.controller.tpsScaleFactors()[0], 26.0F);
    QCOMPARE(m.controller.tpsScaleFactors()[1], 230.0F);
    QVERIFY(!m.panel.gauStage1PWM().isHidden());
    QVERIFY(!m.panel.findChild<QLabel*>(QStringLiteral("lblStage2"))->isHidden());
}

void TestRealTimeMonitor::startWithSilentController() {
    Monitor m;
    m.model.faults().silent = true;
    m.dialogs.expectMessage(kTitle,
                            QStringLiteral("Cannot establish RS-232 link. Check cable and "
                                           "controller power."),
                            MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    m.monitor->start();
    QVERIFY2(m.ok(), qPrintable(m.dialogs.report()));
    // Five tries, then the port is closed and nothing opens.
    QCOMPARE(m.commands(), std::vector<quint8>(5, p::kCmdReSync));
    QVERIFY(!m.port.isOpen());
    QVERIFY(!m.monitor->realTimeActive());
    QVERIFY(m.panel.isHidden());
}

void TestRealTimeMonitor::startEndsOnAbortAtPortError() {
    // The user lacks the right to open the port: one box says so; Abort ends the start.
    Monitor m;
    m.port.failOpens(QStringLiteral("Permission denied"), PortOpenFailure::PermissionDenied);
    m.dialogs.expectErrorBox(
        QStringLiteral("Cannot open Com1 (/dev/ttyS0): permission denied.\r\nSerial devices "
                       "belong to the dialout group. Add your user to it in a terminal:\r\nsudo "
                       "usermod -aG dialout $USER\r\nthen log out and log in again."),
        MsgResult::Abort);
    m.monitor->start();
    QVERIFY2(m.ok(), qPrintable(m.dialogs.report()));
    QVERIFY(m.commands().empty());
    QVERIFY(!m.monitor->realTimeActive());
    QVERIFY(m.panel.isHidden());
}

void TestRealTimeMonitor::startWithUnreadableFirmware() {
    Monitor m;
    m.model.faults().firmwareWithoutCr = true;
    // The command's own time-out box first (Ignore), then the monitor's warning.
    m.dialogs.expectErrorBox(kTimeout, MsgResult::Ignore)
        .expectMessage(kTitle,
                       QStringLiteral("Error - invalid firmware ID. Unable to identify controller "
                                      "version.\r\nSome data may be incorrectly scaled."),
                       MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    m.monitor->start();
    QVERIFY2(m.ok(), qPrintable(m.dialogs.report()));
    QVERIFY(m.monitor->realTimeActive());
    QCOMPARE(m.monitor->controllerVersion(), QStringLiteral("Unknown"));
    QVERIFY(m.panel.gauStage1PWM().isHidden());
    m.model.faults().firmwareWithoutCr = false;
    m.port.clearWritten();
    m.cycle();
    QCOMPARE(m.commands(), kQx1Cycle);
}

void TestRealTimeMonitor::startWithUnreadableScaleFactors() {
    Monitor m;
    m.model.setTpsScale(40, 200);
    // The controller refuses the address of the throttle calibration.
    m.model.setTrace([&](const QString& line) {
        if (line == QLatin1String("SetAddress 23")) {
            m.model.faults().negativeAck = true;
        }
    });
    m.dialogs.expectMessage(kTitle,
                            QStringLiteral("Error - unable to read TPS scale factors.\r\nTPS "
                                           "percent data may be incorrectly scaled."),
                            MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    m.monitor->start();
    QVERIFY2(m.ok(), qPrintable(m.dialogs.report()));
    QVERIFY(m.monitor->realTimeActive());
    QCOMPARE(m.controller.tpsScaleFactors()[0], 26.0F);
    QCOMPARE(m.controller.tpsScaleFactors()[1], 230.0F);
    // And the cycle uses them: raw 128 is (128 - 26) x 100 / 204 = 50 %.
    m.model.setTrace({});
    m.model.faults().negativeAck = false;
    m.setLive({.tps = 128});
    m.cycle();
    QCOMPARE(m.panel.gauTPSPercent().pointerValue(), 50.0);
}

void TestRealTimeMonitor::startChoosesGauges_data() {
    QTest::addColumn<bool>("tps");
    QTest::addColumn<bool>("in1");
    QTest::addColumn<bool>("in2");
    QTest::newRow("percent, analog, analog") << true << true << true;
    QTest::newRow("volts, AFR, AFR") << false << false << false;
    QTest::newRow("volts, analog, AFR") << false << true << false;
}

void TestRealTimeMonitor::startChoosesGauges() {
    QFETCH(bool, tps);
    QFETCH(bool, in1);
    QFETCH(bool, in2);
    Monitor m;
    m.settings.tpsPercentDisplay = tps;
    m.settings.input1AnalogDisplay = in1;
    m.settings.input2AnalogDisplay = in2;
    m.start();
    QCOMPARE(m.panel.gauTPSPercent().isHidden(), !tps);
    QCOMPARE(m.panel.gauTPSVolts().isHidden(), tps);
    QCOMPARE(m.panel.gauInput1Analog().isHidden(), !in1);
    QCOMPARE(m.panel.gauInput1AFR().isHidden(), in1);
    QCOMPARE(m.panel.gauInput2Analog().isHidden(), !in2);
    QCOMPARE(m.panel.gauInput2AFR().isHidden(), in2);
}

void TestRealTimeMonitor::startAgainWhileMonitoring() {
    Monitor m;
    m.start();
    m.model.setQx1(true);
    m.monitor->start();
    QVERIFY(m.monitor->realTimeActive());
    QCOMPARE(m.monitor->controllerVersion(), QStringLiteral("QX-1"));
    QVERIFY(m.panel.gauStage1PWM().isHidden());
    QCOMPARE(m.framClears, 2);
}

// --- The cycle -----------------------------------------------------------------------------------

void TestRealTimeMonitor::tickWhileIdleDoesNothing() {
    Monitor m;
    m.cycle();
    QVERIFY(m.commands().empty());
    QCOMPARE(m.monitor->cyclesStarted(), 0);
    QVERIFY(!m.port.isOpen());
}

void TestRealTimeMonitor::fullCycleOrderQx2() {
    Monitor m;
    m.start();
    m.cycle();
    QCOMPARE(m.commands(), qx2Cycle());
    m.port.clearWritten();
    m.cycle();
    QCOMPARE(m.commands(), qx2Cycle());
    QVERIFY2(m.ok(), qPrintable(m.dialogs.report()));
    QCOMPARE(m.monitor->skippedTicks(), 0);
}

void TestRealTimeMonitor::qx1NeverReadsPwm() {
    Monitor m;
    m.model.setQx1(true);
    m.start();
    QVERIFY(m.panel.gauStage1PWM().isHidden());
    QVERIFY(m.panel.gauStage2PWM().isHidden());
    QVERIFY(m.panel.findChild<QLabel*>(QStringLiteral("lblStage1"))->isHidden());
    for (int i = 0; i < 3; ++i) {
        m.cycle();
    }
    std::vector<quint8> expected;
    for (int i = 0; i < 3; ++i) {
        expected.insert(expected.end(), kQx1Cycle.begin(), kQx1Cycle.end());
    }
    QCOMPARE(m.commands(), expected);
}

void TestRealTimeMonitor::unknownControllerNeverReadsPwm() {
    Monitor m;
    m.model.setFirmwareText("NX-9 something else");
    m.start();
    QCOMPARE(m.monitor->controllerVersion(), QStringLiteral("Unknown"));
    m.cycle();
    QCOMPARE(m.commands(), kQx1Cycle);
}

void TestRealTimeMonitor::fullCycleDrivesEveryGauge() {
    Monitor m;
    m.model.setTpsScale(10, 110);
    m.model.setGenModeFlags(p::kGenModeVssInMph);
    m.setLive({.rpm = 12345,
               .bat = 204,
               .vss = 100,
               .tps = 100,
               .vin1 = 51,
               .vin2 = 204,
               .inputs = 7,
               .outputs = 0x1F,
               .pwm1 = 80,
               .pwm2 = 35});
    m.model.setStatus(4);
    m.start();
    m.cycle();
    QVERIFY2(m.ok(), qPrintable(m.dialogs.report()));
    RealTimePanel& panel = m.panel;
    QCOMPARE(panel.status(), QStringLiteral("Ready"));
    QCOMPARE(panel.gauTPSPercent().section(), 0);
    QCOMPARE(panel.gauTPSPercent().pointerValue(), 90.0);
    QCOMPARE(panel.gauBatVolts().pointerValue(),
             static_cast<double>(static_cast<float>(204 * 18.0 / 255.0)));
    QCOMPARE(static_cast<float>(panel.gauTach().value()), 12.345F);
    QCOMPARE(panel.gauTach().caption(), QStringLiteral("12345"));
    QCOMPARE(panel.gauTach().refresh(), 3);
    QCOMPARE(panel.gauSpeedometer().value(), 100.0);
    QCOMPARE(panel.gauSpeedometer().caption(), QStringLiteral("100"));
    QCOMPARE(panel.gauInput1Analog().pointerValue(), static_cast<double>(1.0F));
    QCOMPARE(panel.gauInput2Analog().pointerValue(), static_cast<double>(4.0F));
    QCOMPARE(lampStates(panel, {"shpLED_GPI", "shpLED_PurgeIn", "shpLED_ArmIn"}),
             QStringLiteral("dark lit lit"));
    QCOMPARE(lampStates(panel, {"shpLED_Stage1Sol", "shpLED_Stage2Sol", "shpLED_GPO",
                                "shpLED_PurgeSol", "shpLED_StatusLED"}),
             QStringLiteral("lit lit lit lit lit"));
    QCOMPARE(panel.gauStage1PWM().pointerValue(), 80.0);
    QCOMPARE(panel.gauStage2PWM().pointerValue(), 35.0);
}

void TestRealTimeMonitor::throttlePercent_data() {
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("section");
    QTest::addColumn<double>("pointer");
    QTest::newRow("90") << 10 << 110 << 100 << 0 << 90.0;
    QTest::newRow("90.5") << 0 << 200 << 181 << 1 << 90.5;
    QTest::newRow("130") << 10 << 110 << 140 << 1 << 100.0;
    QTest::newRow("-3") << 10 << 110 << 7 << 0 << 0.0;
    QTest::newRow("span 0, raw above") << 100 << 100 << 101 << 1 << 100.0;
    QTest::newRow("span 0, raw equal") << 100 << 100 << 100 << 0 << 0.0;
    QTest::newRow("single precision 26/230 raw 128") << 26 << 230 << 128 << 0 << 50.0;
    QTest::newRow("26/230 raw 100")
        << 26 << 230 << 100 << 0 << static_cast<double>((100.0F - 26.0F) * 100.0F / 204.0F);
}

void TestRealTimeMonitor::throttlePercent() {
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(int, raw);
    QFETCH(int, section);
    QFETCH(double, pointer);
    Monitor m;
    m.model.setTpsScale(static_cast<quint8>(low), static_cast<quint8>(high));
    m.setLive({.tps = static_cast<quint8>(raw)});
    m.start();
    m.cycle();
    QCOMPARE(m.panel.gauTPSPercent().section(), section);
    QCOMPARE(m.panel.gauTPSPercent().pointerValue(), pointer);
}

void TestRealTimeMonitor::engineSpeedDoubled() {
    Monitor m;
    m.model.setGenModeFlags(p::kGenModeRpmDouble);
    m.setLive({.rpm = 5000});
    m.start();
    QVERIFY(m.controller.rpmDouble());
    m.cycle();
    QCOMPARE(m.panel.gauTach().caption(), QStringLiteral("10000"));
    QCOMPARE(m.panel.gauTach().value(), 10.0);
    // 0 rpm shows 0.
    m.setLive({.rpm = 0});
    m.cycle();
    QCOMPARE(m.panel.gauTach().caption(), QStringLiteral("0"));
}

void TestRealTimeMonitor::roadSpeedInKmhMode() {
    Monitor m;
    m.model.setGenModeFlags(0);
    m.setLive({.vss = 100});
    m.start();
    QVERIFY(!m.controller.vssInMph());
    m.cycle();
    QCOMPARE(m.panel.gauSpeedometer().value(), 100 * 0.621388);
    QCOMPARE(m.panel.gauSpeedometer().caption(), QStringLiteral("62"));
}

void TestRealTimeMonitor::roadSpeedInMphMode() {
    Monitor m;
    m.model.setGenModeFlags(p::kGenModeVssInMph);
    m.setLive({.vss = 255});
    m.start();
    m.cycle();
    QCOMPARE(m.panel.gauSpeedometer().value(), 255.0);
    QCOMPARE(m.panel.gauSpeedometer().caption(), QStringLiteral("255"));
}

void TestRealTimeMonitor::afrMode() {
    Monitor m;
    m.settings.input1AnalogDisplay = false;
    m.settings.input2AnalogDisplay = false;
    // 2.5 V is not a byte value; 127.5 is between. Byte 128 gives 2.50980 V: AFR 15.0196.
    m.setLive({.vin1 = 128, .vin2 = 0});
    m.start();
    m.cycle();
    const float volts = static_cast<float>(128 * 5.0 / 255.0);
    QCOMPARE(m.panel.gauInput1AFR().pointerValue(), static_cast<double>(volts) * 2 + 10);
    QCOMPARE(m.panel.gauInput2AFR().pointerValue(), 10.0);
    QCOMPARE(m.panel.gauInput1Analog().pointerValue(), 0.0);
}

void TestRealTimeMonitor::statusTexts_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "Power Off";
    QTest::newRow("1") << 1 << "Power On - Not Armed";
    QTest::newRow("2") << 2 << "Auto Purge";
    QTest::newRow("3") << 3 << "Ready";
    QTest::newRow("4") << 4 << "Ready";
    QTest::newRow("5") << 5 << "Timeout";
    QTest::newRow("6") << 6 << "Power Ground Fault";
    QTest::newRow("7") << 7 << "Invalid";
    QTest::newRow("255") << 255 << "Invalid";
}

void TestRealTimeMonitor::statusTexts() {
    QFETCH(int, code);
    QFETCH(QString, text);
    Monitor m;
    m.model.setStatus(static_cast<quint8>(code));
    m.start();
    m.cycle();
    QCOMPARE(m.panel.status(), text);
}

void TestRealTimeMonitor::lamps_data() {
    QTest::addColumn<int>("inputs");
    QTest::addColumn<int>("outputs");
    QTest::addColumn<QString>("inputLamps");
    QTest::addColumn<QString>("outputLamps");
    QTest::newRow("0 / 0") << 0 << 0 << "lit dark dark"
                           << "dark dark dark dark dark";
    QTest::newRow("7 / 0x1F") << 7 << 0x1F << "dark lit lit"
                              << "lit lit lit lit lit";
    QTest::newRow("4 / 0x20") << 4 << 0x20 << "dark dark dark"
                              << "dark dark dark dark dark";
    QTest::newRow("0xFB / 0x08") << 0xFB << 0x08 << "lit lit lit"
                                 << "dark dark dark dark lit";
    QTest::newRow("1 / 0x10") << 1 << 0x10 << "lit dark lit"
                              << "dark dark dark lit dark";
}

void TestRealTimeMonitor::lamps() {
    QFETCH(int, inputs);
    QFETCH(int, outputs);
    QFETCH(QString, inputLamps);
    QFETCH(QString, outputLamps);
    Monitor m;
    m.setLive({.inputs = static_cast<quint8>(inputs), .outputs = static_cast<quint8>(outputs)});
    m.start();
    m.cycle();
    QCOMPARE(lampStates(m.panel, {"shpLED_GPI", "shpLED_PurgeIn", "shpLED_ArmIn"}), inputLamps);
    QCOMPARE(lampStates(m.panel, {"shpLED_Stage1Sol", "shpLED_Stage2Sol", "shpLED_GPO",
                                  "shpLED_PurgeSol", "shpLED_StatusLED"}),
             outputLamps);
}

void TestRealTimeMonitor::analogThrottleFirstCycleShowsZeroVolts() {
    Monitor m;
    m.settings.tpsPercentDisplay = false;
    m.model.setStatus(3);
    m.setLive({.tps = 64});
    m.start();
    QVERIFY(!m.panel.gauTPSVolts().isHidden());
    m.cycle();
    // The status shows the previous cycle's voltage: none yet.
    QCOMPARE(m.panel.status(), QStringLiteral("Ready\r\nTPS Volts: 0.00"));
    const float volts = 64 * 5.0F / 255.0F;
    QCOMPARE(m.monitor->lastTpsVolts(), volts);
    QCOMPARE(m.panel.gauTPSVolts().pointerValue(), static_cast<double>(volts));
    m.cycle();
    // 1.2549 V to the nearest 0.05.
    QCOMPARE(m.panel.status(), QStringLiteral("Ready\r\nTPS Volts: 1.25"));
}

void TestRealTimeMonitor::statusCaptionRounding_data() {
    QTest::addColumn<float>("volts");
    QTest::addColumn<QString>("line");
    QTest::newRow("0") << 0.0F << "0.00";
    QTest::newRow("1.2549") << 64 * 5.0F / 255.0F << "1.25";
    QTest::newRow("0.024 down") << 0.024F << "0.00";
    QTest::newRow("0.026 up") << 0.026F << "0.05";
    QTest::newRow("0.125 tie to even (2)") << 0.125F << "0.10";
    QTest::newRow("0.175 tie to even (4)") << 0.175F << "0.20";
    QTest::newRow("5") << 5.0F << "5.00";
    QTest::newRow("byte 255") << 255 * 5.0F / 255.0F << "5.00";
}

void TestRealTimeMonitor::statusCaptionRounding() {
    QFETCH(float, volts);
    QFETCH(QString, line);
    QCOMPARE(RealTimeMonitor::statusCaption(1, false, volts),
             QStringLiteral("Power On - Not Armed\r\nTPS Volts: ") + line);
    QCOMPARE(RealTimeMonitor::statusCaption(1, true, volts),
             QStringLiteral("Power On - Not Armed"));
}

void TestRealTimeMonitor::displayChoiceChangedMidCycleTakesEffectAtNextStep() {
    Monitor m;
    m.setLive({.tps = 255, .vin1 = 255});
    m.start();
    // After the status step the user switches throttle and input 1 to their other gauges.
    int yields = 0;
    m.clock.setOnPause([&](int ms) {
        if (ms == 0 && ++yields == 1) {
            m.settings.tpsPercentDisplay = false;
            m.settings.input1AnalogDisplay = false;
        }
    });
    m.cycle();
    m.clock.setOnPause({});
    QCOMPARE(m.panel.status(), QStringLiteral("Power On - Not Armed"));
    QCOMPARE(m.panel.gauTPSVolts().pointerValue(), 5.0);
    QCOMPARE(m.panel.gauTPSPercent().pointerValue(), 0.0);
    QCOMPARE(m.panel.gauInput1AFR().pointerValue(), 20.0);
    m.cycle();
    QCOMPARE(m.panel.status(), QStringLiteral("Power On - Not Armed\r\nTPS Volts: 5.00"));
}

void TestRealTimeMonitor::errorInTheCycleItself_data() {
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<std::vector<quint8>>("commands");
    const std::vector<quint8> upToThrottle = {p::kCmdReadStatus, p::kCmdReadTps};
    const std::vector<quint8> full = qx2Cycle();
    std::vector<quint8> retried = upToThrottle;
    retried.insert(retried.end(), full.begin() + 1, full.end());
    QTest::newRow("Abort ends the cycle") << MsgResult::Abort << upToThrottle;
    QTest::newRow("Retry repeats the step") << MsgResult::Retry << retried;
    QTest::newRow("Ignore goes on") << MsgResult::Ignore << qx2Cycle();
}

void TestRealTimeMonitor::errorInTheCycleItself() {
    QFETCH(MsgResult, answer);
    QFETCH(std::vector<quint8>, commands);
    Monitor m;
    m.start();
    // The throttle step fails in the cycle's own code (here: while it yields), once.
    int yields = 0;
    m.clock.setOnPause([&](int ms) {
        if (ms == 0 && ++yields == 2) {
            throw AppError(AppError::kOverflow, QStringLiteral("Tarvik"),
                           QStringLiteral("Overflow"));
        }
    });
    m.dialogs.expectErrorBox(QStringLiteral("Overflow"), answer);
    m.cycle();
    m.clock.setOnPause({});
    QVERIFY2(m.ok(), qPrintable(m.dialogs.report()));
    QCOMPARE(m.commands(), commands);
    // Only the cycle ended: monitoring goes on.
    QVERIFY(m.monitor->realTimeActive());
    QVERIFY(!m.monitor->cycleInProgress());
}

// --- Stopping ------------------------------------------------------------------------------------

void TestRealTimeMonitor::lostLinkResetAfterSilence_data() {
    QTest::addColumn<MsgResult>("answer");
    QTest::newRow("Ignore") << MsgResult::Ignore;
    QTest::newRow("Abort") << MsgResult::Abort;
}

void TestRealTimeMonitor::lostLinkResetAfterSilence() {
    QFETCH(MsgResult, answer);
    Monitor m;
    m.setLive({.rpm = 4000,
               .bat = 200,
               .vss = 80,
               .tps = 150,
               .vin1 = 100,
               .vin2 = 100,
               .inputs = 7,
               .outputs = 0x1F,
               .pwm1 = 50,
               .pwm2 = 50});
    m.start();
    m.cycle();
    QVERIFY(m.panel.gauTach().value() > 0);
    m.model.faults().silent = true;
    m.port.clearWritten();
    m.dialogs.expectErrorBox(kTimeout, answer);
    m.cycle();
    QVERIFY2(m.ok(), qPrintable(m.dialogs.report()));
    // Only the status read went out; then the rest states and the stop.
    QCOMPARE(m.commands(), std::vector<quint8>{p::kCmdReadStatus});
    QCOMPARE(m.panel.status(), QString());
    QCOMPARE(m.panel.gauTach().value(), 0.0);
    QCOMPARE(m.panel.gauTach().caption(), QStringLiteral("0"));
    QCOMPARE(m.panel.gauSpeedometer().value(), 0.0);
    QCOMPARE(m.panel.gauTPSPercent().pointerValue(), 0.0);
    QCOMPARE(m.panel.gauInput1AFR().pointerValue(), 15.0);
    QCOMPARE(m.panel.gauStage1PWM().pointerValue(), 0.0);
    QCOMPARE(lampStates(m.panel,
                        {"shpLED_GPI", "shpLED_PurgeIn", "shpLED_ArmIn", "shpLED_Stage1Sol",
                         "shpLED_Stage2Sol", "shpLED_GPO", "shpLED_PurgeSol", "shpLED_StatusLED"}),
             QStringLiteral("lit dark dark dark dark dark dark dark"));
    QVERIFY(!m.monitor->realTimeActive());
    QVERIFY(m.panel.isHidden());
    QVERIFY(!m.port.isOpen());
    // Later ticks do nothing.
    m.port.clearWritten();
    m.cycle();
    QVERIFY(m.commands().empty());
}

void TestRealTimeMonitor::readIgnoredMidCycleShowsZero() {
    Monitor m;
    m.setLive({.rpm = 4000, .bat = 200, .vss = 80});
    m.start();
    // The controller stops answering right after the battery read.
    m.model.setTrace([&](const QString& line) {
        if (line == QLatin1String("ReadBAT")) {
            m.model.faults().silent = true;
        }
    });
    // The battery read and every later read time out; each is ignored and shows 0.
    m.dialogs.expectErrorBox(kTimeout, MsgResult::Ignore);  // BAT
    for (int i = 0; i < 7; ++i) {                           // RPM .. PWM
        m.dialogs.expectErrorBox(kTimeout, MsgResult::Ignore);
    }
    m.cycle();
    QVERIFY2(m.ok(), qPrintable(m.dialogs.report()));
    QCOMPARE(m.panel.gauBatVolts().pointerValue(), 0.0);
    QCOMPARE(m.panel.gauTach().caption(), QStringLiteral("0"));
    QCOMPARE(m.commands(), qx2Cycle());
    // Monitoring goes on; the next cycle's status read finds the link lost.
    QVERIFY(m.monitor->realTimeActive());
    m.dialogs.expectErrorBox(kTimeout, MsgResult::Ignore);
    m.cycle();
    QVERIFY(!m.monitor->realTimeActive());
    QVERIFY2(m.ok(), qPrintable(m.dialogs.report()));
}

void TestRealTimeMonitor::abortInAReadStopsMonitoring() {
    Monitor m;
    m.setLive({.rpm = 4000});
    m.start();
    m.model.setTrace([&](const QString& line) {
        if (line == QLatin1String("ReadRPM")) {
            m.model.faults().silent = true;
        }
    });
    m.dialogs.expectErrorBox(kTimeout, MsgResult::Abort);
    m.cycle();
    QVERIFY2(m.ok(), qPrintable(m.dialogs.report()));
    // The cycle ended at its next test: nothing after the engine speed was read.
    QCOMPARE(m.commands(), (std::vector<quint8>{p::kCmdReadStatus, p::kCmdReadTps, p::kCmdReadBat,
                                                p::kCmdReadRpm}));
    QVERIFY(!m.monitor->realTimeActive());
    QVERIFY(m.panel.isHidden());
    QVERIFY(!m.port.isOpen());
}

void TestRealTimeMonitor::escFreezesGaugesButStatusUpdates() {
    Monitor m;
    m.setLive({.rpm = 3000, .inputs = 7});
    m.start();
    m.cycle();
    QCOMPARE(m.panel.gauTach().caption(), QStringLiteral("3000"));
    m.abort = true;
    m.setLive({.rpm = 6000, .inputs = 0});
    m.model.setStatus(3);
    m.port.clearWritten();
    m.cycle();
    m.cycle();
    QCOMPARE(m.commands(), (std::vector<quint8>{p::kCmdReadStatus, p::kCmdReadStatus}));
    QCOMPARE(m.panel.status(), QStringLiteral("Ready"));
    QCOMPARE(m.panel.gauTach().caption(), QStringLiteral("3000"));
    QCOMPARE(lampState(m.panel, "shpLED_ArmIn"), QStringLiteral("lit"));
    QVERIFY(m.monitor->realTimeActive());
    // Once another command clears Esc, full cycles resume.
    m.abort = false;
    m.cycle();
    QCOMPARE(m.panel.gauTach().caption(), QStringLiteral("6000"));
}

void TestRealTimeMonitor::escBeforeTheStartDoesNotHoldTheGauges_data() {
    QTest::addColumn<bool>("reopen");  // Esc while running, then Close and View again
    QTest::newRow("Esc while idle") << false;
    QTest::newRow("Esc while running, panel opened again") << true;
}

void TestRealTimeMonitor::escBeforeTheStartDoesNotHoldTheGauges() {
    // Esc on the main window while nothing runs (closing a menu is enough), then View Real Time
    // Data: the gauges follow the car from the first cycle.
    QFETCH(bool, reopen);
    Window win;
    win.model.setFixedLive(sim::ControllerModel::Live{.rpm = 3000});
    QWidget* cbo = win.w->findChild<QWidget*>(QStringLiteral("cboPort"));
    if (reopen) {
        win.trigger("mnuViewRealTime");
        win.monitor().pollCycle();
        QCOMPARE(win.w->realTimePanel().gauTach().caption(), QStringLiteral("3000"));
        QTest::keyClick(cbo, Qt::Key_Escape);  // the gauges hold while this panel runs
        win.model.setFixedLive(sim::ControllerModel::Live{.rpm = 4500});
        win.monitor().pollCycle();
        QCOMPARE(win.w->realTimePanel().gauTach().caption(), QStringLiteral("3000"));
        win.w->realTimePanel().cmdCloseRealTimeData().click();
    } else {
        QTest::keyClick(cbo, Qt::Key_Escape);
    }
    QVERIFY(win.w->abortRequested());
    win.model.setFixedLive(sim::ControllerModel::Live{.rpm = 6200});
    win.trigger("mnuViewRealTime");
    QVERIFY(!win.w->abortRequested());
    win.monitor().pollCycle();
    QCOMPARE(win.w->realTimePanel().gauTach().caption(), QStringLiteral("6200"));
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
}

void TestRealTimeMonitor::closeDuringCycleEndsItAfterTheExchange() {
    Monitor m;
    m.setLive({.rpm = 3000, .bat = 100});
    m.start();
    int yields = 0;
    m.clock.setOnPause([&](int ms) {
        if (ms == 0 && ++yields == 2) {  // after the throttle step
            m.panel.cmdCloseRealTimeData().click();
        }
    });
    m.cycle();
    m.clock.setOnPause({});
    QCOMPARE(m.commands(), (std::vector<quint8>{p::kCmdReadStatus, p::kCmdReadTps}));
    QVERIFY(!m.monitor->realTimeActive());
    QVERIFY(!m.port.isOpen());
    QVERIFY(m.panel.isHidden());
    QCOMPARE(m.panel.gauBatVolts().pointerValue(), 0.0);
}

void TestRealTimeMonitor::closeButtonStops() {
    Monitor m;
    m.setLive({.rpm = 3000});
    m.start();
    m.cycle();
    QVERIFY(m.port.isOpen());
    m.panel.cmdCloseRealTimeData().click();
    QVERIFY(!m.monitor->realTimeActive());
    QVERIFY(m.panel.isHidden());
    QVERIFY(!m.port.isOpen());
    // The gauges keep their readings.
    QCOMPARE(m.panel.gauTach().caption(), QStringLiteral("3000"));
}

// --- One user of the link at a time --------------------------------------------------------------

void TestRealTimeMonitor::tickDuringCycleIsSkipped() {
    Monitor m;
    m.start();
    // A tick falling due in every pause and yield of the cycle.
    m.clock.setOnPause([&](int) { m.cycle(); });
    m.cycle();
    m.clock.setOnPause({});
    QCOMPARE(m.commands(), qx2Cycle());
    QCOMPARE(m.monitor->cyclesStarted(), 1);
    QVERIFY(m.monitor->skippedTicks() >= 10);
    // Ticks of the real timer are dispatched from the event loop, so they land in the cycle's
    // yields and pauses: every one of them is skipped.
    m.port.clearWritten();
    const int skipped = m.monitor->skippedTicks();
    int queued = 0;
    m.clock.setOnPause([&](int ms) {
        if (ms == 0) {
            ++queued;
            QMetaObject::invokeMethod(
                m.monitor.get(), [&] { m.cycle(); }, Qt::QueuedConnection);
        }
    });
    m.cycle();
    m.clock.setOnPause({});
    QCoreApplication::processEvents();
    QCOMPARE(m.commands(), qx2Cycle());
    QCOMPARE(m.monitor->cyclesStarted(), 2);
    QCOMPARE(m.monitor->skippedTicks() - skipped, queued);
    // The next tick after the cycle runs a whole one.
    m.cycle();
    QCOMPARE(m.monitor->cyclesStarted(), 3);
}

void TestRealTimeMonitor::tickDuringAnotherCommandIsSkipped() {
    Monitor m;
    m.start();
    // A tick in every pause of another command (here a download's address and block read).
    m.clock.setOnPause([&](int) { m.cycle(); });
    m.controller.setAddress(0);
    m.controller.readFramBlock(64);
    m.clock.setOnPause({});
    QCOMPARE(m.monitor->cyclesStarted(), 0);
    QVERIFY(m.monitor->skippedTicks() >= 3);
    const std::vector<quint8> w = m.commands();
    QCOMPARE(w, (std::vector<quint8>{p::kCmdSetAddress, 0, 0, p::kCmdReadFramBlock, 64}));
}

void TestRealTimeMonitor::clearChosenMidCycleRunsAfterIt() {
    Window win;
    win.trigger("mnuViewRealTime");
    QVERIFY(win.monitor().realTimeActive());
    win.port.clearWritten();
    win.dialogs
        .expectMessage(QStringLiteral("Clear Controller Data Buffer"),
                       QStringLiteral("All data logged by controller will be lost. Proceed?"),
                       MsgIcon::Exclamation, MsgButtons::OkCancel, MsgResult::Ok)
        .expectMessage(QStringLiteral("Clear Controller Data Buffer"),
                       QStringLiteral("Controller data buffer cleared."), MsgIcon::Information,
                       MsgButtons::Ok, MsgResult::Ok);
    int yields = 0;
    win.clock.setOnPause([&](int ms) {
        if (ms == 0 && ++yields == 3) {
            win.trigger("mnuClearControllerBuffer");
            QCOMPARE(win.dialogs.shownCount(), 0);  // waits: the cycle holds the link
        }
    });
    win.monitor().pollCycle();
    win.clock.setOnPause({});
    QCOMPARE(win.port.writtenBytes(), qx2Cycle());
    QCOMPARE(win.model.eraseCount(), 0);
    QCoreApplication::processEvents();
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
    QCOMPARE(win.model.eraseCount(), 1);
    // The cycle's bytes, then the whole of the clear command's own: link check, status, erase.
    std::vector<quint8> expected = qx2Cycle();
    expected.insert(expected.end(), {p::kCmdReSync, p::kCmdReadStatus, p::kCmdClearBuffer});
    expected.insert(expected.end(), p::kEraseConfirmation.begin(), p::kEraseConfirmation.end());
    QCOMPARE(win.port.writtenBytes(), expected);
    // Monitoring goes on afterwards.
    QVERIFY(win.monitor().realTimeActive());
    win.port.clearWritten();
    win.monitor().pollCycle();
    QCOMPARE(win.port.writtenBytes(), qx2Cycle());
}

void TestRealTimeMonitor::startChosenMidCycleRunsAfterIt() {
    Window win;
    win.trigger("mnuViewRealTime");
    win.port.clearWritten();
    int yields = 0;
    win.clock.setOnPause([&](int ms) {
        if (ms == 0 && ++yields == 5) {
            win.trigger("mnuViewRealTime");
        }
    });
    win.monitor().pollCycle();
    win.clock.setOnPause({});
    QCOMPARE(win.port.writtenBytes(), qx2Cycle());
    QCoreApplication::processEvents();
    const std::vector<quint8> w = win.port.writtenBytes();
    QVERIFY(w.size() > qx2Cycle().size());
    QCOMPARE(w[qx2Cycle().size()], p::kCmdReSync);
    QVERIFY(win.monitor().realTimeActive());
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
}

void TestRealTimeMonitor::downloadChosenMidCycleStopsMonitoringAfterIt() {
    Window win;
    win.trigger("mnuViewRealTime");
    QVERIFY(win.monitor().realTimeActive());
    win.port.clearWritten();
    // The chart the download opens at its end is closed as soon as it shows.
    QTimer closer;
    int chartsClosed = 0;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++chartsClosed;
            modal->close();
        }
    });
    closer.start(5);
    win.dialogs.expectMessage(
        QStringLiteral("Download Data"),
        QStringLiteral("Firmware ID: ") + QString::fromLatin1(win.model.firmwareText()),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    int yields = 0;
    win.clock.setOnPause([&](int ms) {
        if (ms == 0 && ++yields == 4) {
            win.trigger("mnuDownload");
        }
    });
    win.monitor().pollCycle();
    // The cycle finished untouched; the download waits for it.
    QCOMPARE(win.port.writtenBytes(), qx2Cycle());
    QVERIFY(win.monitor().realTimeActive());
    QCOMPARE(win.model.framBlocksServed(), 0);
    // Ticks falling due during the download find monitoring stopped.
    win.clock.setOnPause([&](int) { win.monitor().pollCycle(); });
    QCoreApplication::processEvents();
    QTRY_COMPARE_WITH_TIMEOUT(chartsClosed, 1, 5000);
    win.clock.setOnPause({});
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
    QCOMPARE(win.model.framBlocksServed(), 512);
    QVERIFY(!win.monitor().realTimeActive());
    QVERIFY(win.w->realTimePanel().isHidden());
    QCOMPARE(win.monitor().cyclesStarted(), 1);
    const std::vector<quint8> w = win.port.writtenBytes();
    const std::vector<quint8> cycle = qx2Cycle();
    QVERIFY(w.size() > cycle.size());
    QCOMPARE(std::vector<quint8>(w.begin(), w.begin() + cycle.size()), cycle);
    QCOMPARE(w[cycle.size()], p::kCmdReSync);
}

void TestRealTimeMonitor::optionsDialogChosenMidCycle() {
    Window win;
    win.model.setFixedLive(sim::ControllerModel::Live{.rpm = 2000, .tps = 51});
    win.trigger("mnuViewRealTime");
    QVERIFY(win.monitor().realTimeActive());
    int yields = 0;
    win.clock.setOnPause([&](int ms) {
        if (ms == 0 && ++yields == 2) {
            win.trigger("mnuRealTimeDisplayOptions");
        }
    });
    bool sawDialog = false;
    bool cycleWasOver = false;
    int cyclesInDialog = 0;
    // While the dialog is up: a tick runs a whole cycle behind it, then the user switches the
    // throttle to volts, lowers the tachometer maximum and presses OK.
    auto actInDialog = [&] {
        auto* dlg = qobject_cast<FrmDisplayOptions*>(QApplication::activeModalWidget());
        if (dlg == nullptr) {
            return;
        }
        sawDialog = true;
        cycleWasOver = !win.monitor().cycleInProgress();
        const int before = win.monitor().cyclesStarted();
        win.monitor().pollCycle();
        cyclesInDialog = win.monitor().cyclesStarted() - before;
        dlg->findChild<QRadioButton*>(QStringLiteral("optTPSAnalogDisplay"))->setChecked(true);
        dlg->findChild<QLineEdit*>(QStringLiteral("txtTachMax"))->setText(QStringLiteral("8000"));
        QVERIFY(dlg->txtTachMax_Validate());
        dlg->cmdOK_Click();
    };
    win.monitor().pollCycle();
    win.clock.setOnPause({});
    QVERIFY(!sawDialog);  // not opened inside the cycle
    QTimer::singleShot(0, actInDialog);
    QCoreApplication::processEvents();
    QVERIFY(sawDialog);
    QVERIFY(cycleWasOver);
    QCOMPARE(cyclesInDialog, 1);
    QCOMPARE(win.store.get(QStringLiteral("TPS_Percent_Display")), QStringLiteral("False"));
    QCOMPARE(win.store.get(QStringLiteral("Tach_Max")), QStringLiteral("8000"));
    QCOMPARE(win.w->realTimePanel().gauTach().maximum(), 8.0);
    QVERIFY(!win.w->realTimePanel().gauTPSVolts().isHidden());
    // The next cycle reads in volts; the one after shows the status line for it.
    win.monitor().pollCycle();
    QCOMPARE(win.monitor().lastTpsVolts(), 1.0F);
    win.monitor().pollCycle();
    QCOMPARE(win.w->realTimePanel().status(),
             QStringLiteral("Power On - Not Armed\r\nTPS Volts: 1.00"));
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
}

void TestRealTimeMonitor::viewRealTimeMenuStartsMonitoring() {
    Window win;
    QVERIFY(win.w->realTimePanel().isHidden());
    win.trigger("mnuViewRealTime");
    QVERIFY(win.w->realTimeActive());
    QVERIFY(!win.w->realTimePanel().isHidden());
    QCOMPARE(win.monitor().tmrDataRead().interval(), 500);
    win.w->realTimePanel().cmdCloseRealTimeData().click();
    QVERIFY(!win.w->realTimeActive());
    QVERIFY(win.w->realTimePanel().isHidden());
    QVERIFY(!win.port.isOpen());
}

void TestRealTimeMonitor::mainWindowReportsRealTimeActive() {
    Window win;
    QVERIFY(!win.w->realTimeActive());
    QVERIFY(!win.w->serialLink().realTimeActive());
    win.trigger("mnuViewRealTime");
    QVERIFY(win.w->serialLink().realTimeActive());
    // The timer runs for the whole life of the window.
    Window fresh;
    QVERIFY(fresh.monitor().tmrDataRead().interval() == 500);
}

QTEST_MAIN(TestRealTimeMonitor)
#include "test_real_time_monitor.moc"
