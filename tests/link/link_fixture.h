#pragma once

#include "controller_model.h"
#include "fake_clock.h"
#include "link/controller.h"
#include "link/serial_link.h"
#include "scripted_dialogs.h"
#include "sim_serial_port.h"

namespace tarvik::test {

/// A controller on the in-process simulator, on a fake clock, with scripted boxes.
struct LinkFixture {
    sim::ControllerModel model;
    sim::FakeClock clock;
    sim::SimSerialPort port{model, clock};
    ScriptedDialogs dialogs;
    SerialLink link{port, clock, dialogs};
    Controller controller{link};
    bool monitoring = false;
    int monitorAborts = 0;

    LinkFixture() {
        link.setRealTimeActiveQuery([this] { return monitoring; });
        link.setAbortMonitoringAction([this] { ++monitorAborts; });
    }

    std::vector<quint8> written() const { return port.writtenBytes(); }
    qint64 elapsedMsSince(qint64 startUs) const { return (clock.nowUs() - startUs) / 1000; }
};

}  // namespace tarvik::test
