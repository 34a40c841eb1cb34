#include <QApplication>

#include "../../tests/support/memory_settings.h"
#include "app/frm_main.h"
#include "car_profile.h"
#include "platform/qt_user_dialogs.h"
#include "realtime/bar_gauge.h"
#include "realtime/dial_gauge.h"
#include "realtime/lamp.h"
#include "realtime/live_cycle.h"
#include "realtime/real_time_monitor.h"
#include "realtime/real_time_panel.h"
#include "realtime/strip_chart.h"
#include "settings/settings.h"
#include "shots.h"

namespace tarvik::shots {

namespace {

// A car pulling hard in third: part of the way into the expanded top of the throttle scale.
void feedRun(RealTimePanel& panel, bool percent) {
    panel.showStatus(percent
                         ? RealTimePanel::statusText(4)
                         : RealTimePanel::statusText(4) + QStringLiteral("\r\nTPS Volts: 4.35"));
    panel.showThrottlePercent(96.5f);
    panel.showThrottleVolts(4.35);
    panel.showBatteryVolts(13.8);
    panel.showEngineSpeed(5840);
    panel.showRoadSpeed(100 * 0.621388 * 1.3);
    panel.showInputVolts(1, 2.45);
    panel.showInputVolts(2, 0.84);
    panel.showInputAfr(1, 2.45 * 2 + 10);
    panel.showInputAfr(2, 1.2 * 2 + 10);
    panel.showInputBits(0x01);
    panel.showOutputBits(0x01 | 0x02 | 0x08);
    panel.showDutyCycles(100, 62);
}

// The last minute of the simulator's car as the poll cycle hands it on: the drive up to the
// line and the start of a pass, stages coming in.
sim::CarSample feedStripChart(StripChart& chart) {
    sim::CarSample s;
    for (int i = 0; i < 120; ++i) {
        // The minute ends ten seconds into the second pass (each pass starts 14 s into the
        // simulator's 40 s round).
        const double t = 4.0 + i * 0.5;
        s = sim::liveCarAt(t, false);
        LiveCycle c;
        c.set(Column::RPM, s.rpm);
        c.roadSpeedMph = static_cast<float>(s.speed * 0.621388);
        c.set(Column::TPSPercent, (s.tps - 26.0F) * 100.0F / 204.0F);
        c.throttleVolts = s.tps * 5.0F / 255.0F;
        c.set(Column::Input1Volts, s.input1 * 5.0F / 255.0F);
        c.set(Column::Input2Volts, s.input2 * 5.0F / 255.0F);
        c.set(Column::Stage1PWM, s.stage1Pwm);
        c.set(Column::Stage2PWM, s.stage2Pwm);
        chart.addCycle(c);
    }
    return s;
}

// The panel showing the strip chart's newest cycle.
void showSample(RealTimePanel& panel, const sim::CarSample& s) {
    panel.showStatus(RealTimePanel::statusText(s.status));
    panel.showThrottlePercent((s.tps - 26.0F) * 100.0F / 204.0F);
    panel.showBatteryVolts(s.battery * 18.0 / 255.0);
    panel.showEngineSpeed(s.rpm);
    panel.showRoadSpeed(s.speed * 0.621388);
    panel.showInputVolts(1, s.input1 * 5.0 / 255.0);
    panel.showInputVolts(2, s.input2 * 5.0 / 255.0);
    panel.showInputAfr(1, s.input1 * 5.0 / 255.0 * 2 + 10);
    panel.showInputAfr(2, s.input2 * 5.0 / 255.0 * 2 + 10);
    panel.showInputBits(s.inputBits);
    panel.showOutputBits(s.outputBits);
    panel.showDutyCycles(s.stage1Pwm, s.stage2Pwm);
}

void shoot(RealTimePanel& panel, const QString& name, QSize size) {
    panel.resize(size);
    panel.show();
    QApplication::processEvents();
    save(panel, name);
}

}  // namespace

void realtimeShots() {
    {
        RealTimePanel panel;
        panel.setDialLimits(6.5f, 10.0f, 85, 140);
        panel.chooseGauges(true, true, true);
        panel.setStageGroupVisible(false);
        feedRun(panel, true);
        shoot(panel, QStringLiteral("realtime_percent"), panel.sizeHint());
    }
    {
        RealTimePanel panel;
        panel.setDialLimits(7.5f, 9.0f, 120, 160);
        panel.chooseGauges(false, false, false);
        panel.setStageGroupVisible(false);
        feedRun(panel, false);
        shoot(panel, QStringLiteral("realtime_analog_afr"), panel.sizeHint());
    }
    {
        RealTimePanel panel;
        panel.setDialLimits(6.5f, 10.0f, 85, 140);
        panel.chooseGauges(true, true, false);
        panel.setStageGroupVisible(true);
        feedRun(panel, true);
        shoot(panel, QStringLiteral("realtime_qx2_stages"), panel.sizeHint());
        shoot(panel, QStringLiteral("realtime_qx2_large"), QSize(1500, 900));
        // The smallest the panel's layout allows: everything must still read.
        shoot(panel, QStringLiteral("realtime_qx2_small"), panel.minimumSizeHint());
    }
    {
        // The panel in its place on the main window, at the window's opening size.
        QtUserDialogs dialogs;
        test::MemorySettings settings;
        FrmMain w({&dialogs, &settings, Branding::defaults()});
        w.Form_Load();
        w.realTimePanel().chooseGauges(true, false, false);
        w.realTimePanel().setStageGroupVisible(true);
        feedRun(w.realTimePanel(), true);
        w.realTimePanel().show();
        w.show();
        QApplication::processEvents();
        save(w, QStringLiteral("main_window_realtime"));
    }
    {
        // Recording, with the strip chart beside the gauges.
        QtUserDialogs dialogs;
        test::MemorySettings settings;
        // Input 1 as an air/fuel ratio, input 2 in volts, on the gauges and the chart alike.
        settings.set(QString::fromLatin1(settings_keys::kTpsPercentDisplay),
                     QStringLiteral("True"));
        settings.set(QString::fromLatin1(settings_keys::kInput1AnalogDisplay),
                     QStringLiteral("False"));
        settings.set(QString::fromLatin1(settings_keys::kInput2AnalogDisplay),
                     QStringLiteral("True"));
        FrmMain w({&dialogs, &settings, Branding::defaults()});
        w.Form_Load();
        w.realTimePanel().chooseGauges(true, false, true);
        w.realTimePanel().setStageGroupVisible(true);
        showSample(w.realTimePanel(), feedStripChart(w.stripChart()));
        w.realTimePanel().showRecording(true, QStringLiteral("0:03:27"));
        w.realTimePanel().show();
        w.stripChart().show();
        w.resize(1340, 680);
        w.show();
        QApplication::processEvents();
        save(w, QStringLiteral("main_window_strip_chart"));
    }
    {
        // The USB adapter came out during a recording and the user chose to go on: the panel
        // waits for it, the REC lamp says no readings come, the strip chart shows the gap.
        QtUserDialogs dialogs;
        test::MemorySettings settings;
        FrmMain w({&dialogs, &settings, Branding::defaults()});
        w.Form_Load();
        w.realTimePanel().chooseGauges(true, true, true);
        w.realTimePanel().setStageGroupVisible(true);
        feedStripChart(w.stripChart());
        for (int i = 1; i <= 16; ++i) {
            w.stripChart().addMissedCycle(i * RealTimeMonitor::kPollIntervalMs * 1000LL);
        }
        w.realTimePanel().reset();
        w.realTimePanel().showStatus(RealTimeMonitor::kAdapterGoneStatus);
        w.realTimePanel().showRecording(true, QStringLiteral("0:04:02"));
        w.realTimePanel().showReadingsInterrupted(true);
        w.realTimePanel().show();
        w.stripChart().show();
        w.resize(1340, 680);
        w.show();
        QApplication::processEvents();
        save(w, QStringLiteral("main_window_adapter_gone"));
    }
    {
        // The panel straight after a lost link: everything at rest.
        RealTimePanel panel;
        panel.setStageGroupVisible(true);
        panel.reset();
        shoot(panel, QStringLiteral("realtime_rest"), panel.sizeHint());
    }
}

}  // namespace tarvik::shots
