#pragma once

// The main window over the simulator on a fake clock, with its poll timer stopped so that poll
// cycles run only when a test asks for them.
#include <QAction>
#include <memory>
#include <optional>

#include "app/frm_main.h"
#include "branding/branding.h"
#include "controller_model.h"
#include "fake_clock.h"
#include "memory_settings.h"
#include "realtime/real_time_monitor.h"
#include "scripted_dialogs.h"
#include "sim_serial_port.h"

namespace tarvik::test {

struct SimMainWindow {
    sim::ControllerModel model;
    sim::FakeClock clock;
    sim::SimSerialPort port{model, clock};
    ScriptedDialogs dialogs;
    MemorySettings store;
    std::unique_ptr<FrmMain> w;

    /// `live` fixes the car's readings; nullopt lets the simulator's car drive.
    explicit SimMainWindow(
        std::optional<sim::ControllerModel::Live> live = sim::ControllerModel::Live{}) {
        model.setFixedLive(live);
        w = std::make_unique<FrmMain>(
            MainWindowServices{&dialogs, &store, Branding::defaults(), &port, &clock});
        w->setExitAction([] {});
        w->Form_Load();
        monitor().tmrDataRead().stop();
    }
    RealTimeMonitor& monitor() { return w->realTimeMonitor(); }
    QAction* action(const char* name) { return w->findChild<QAction*>(QLatin1String(name)); }
    void trigger(const char* name) { action(name)->trigger(); }
};

}  // namespace tarvik::test
