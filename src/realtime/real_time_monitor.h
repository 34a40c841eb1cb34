#pragma once

#include <QObject>
#include <QString>

#include "link/controller_model.h"
#include "realtime/live_cycle.h"
#include "realtime/monitor_host.h"

class QTimer;

namespace tarvik {

class Controller;
class RealTimePanel;
class SerialLink;
class UserDialogs;
struct Settings;

/// What the monitor works with: the controller's command set (and through it the link), the
/// panel it feeds, the in-memory display choices (read afresh at every step, so a change made
/// in the options dialog shows at once), the boxes, and the window it runs in.
struct RealTimeMonitorServices {
    Controller& controller;
    RealTimePanel& panel;
    const Settings& settings;
    UserDialogs& dialogs;
    MonitorHost& host;
};

/// The real-time monitor: starting it (View Real Time Data), the poll cycle run by the 500 ms
/// timer tmrDataRead, and stopping it (the panel's Close, a lost link, or Abort in the error
/// box of one of the cycle's reads). It owns RealTimeActive.
///
/// Everything runs on the UI thread. A cycle yields to the event loop after each step, and
/// holds the controller link from its first exchange to its end: a tick that falls due while
/// a cycle or any other command is using the link is skipped, and a command queued with
/// SerialLink::runWhenIdle() meanwhile runs once the cycle is over. So cycles never overlap
/// each other or another command's exchanges.
///
/// When the serial adapter goes away, the read that finds out shows its box once. Retry there
/// opens the port again and the cycle carries on; Abort stops monitoring; Ignore leaves the
/// panel waiting for the adapter: the gauges rest, the status says so, and each tick tries to
/// open the port again without a box until readings resume. Nothing is invented meanwhile: the
/// listeners learn of the gap (readingsInterrupted, cycleMissed) and get no readings.
class RealTimeMonitor : public QObject {
    Q_OBJECT

public:
    /// The interval of tmrDataRead.
    static constexpr int kPollIntervalMs = 500;

    explicit RealTimeMonitor(RealTimeMonitorServices services, QObject* parent = nullptr);
    ~RealTimeMonitor() override;

    /// Starts monitoring: resynchronises with the controller, reads its identity, modes and
    /// throttle calibration, chooses the gauges and shows the panel. Messages are titled
    /// "View Real Time Data". Callers go through SerialLink::runWhenIdle().
    void start();
    /// One poll cycle (a tick of tmrDataRead). Does nothing unless monitoring runs; skipped
    /// while a cycle or another command is using the link.
    void pollCycle();
    /// Stops monitoring: hides the panel, closes the port, RealTimeActive false. The gauges
    /// keep their readings.
    void stop();

    /// Monitoring runs.
    bool realTimeActive() const { return realTimeActive_; }
    /// Monitoring runs without readings, waiting for its serial adapter to come back.
    bool waitingForAdapter() const { return waitingForAdapter_; }
    /// The status text while the panel waits for its adapter.
    static const QString kAdapterGoneStatus;
    /// The main window's load clears it before anything can run.
    void setRealTimeActive(bool on) { realTimeActive_ = on; }
    /// The throttle voltage of the last cycle that ran in analog mode (0 until then).
    float lastTpsVolts() const { return lastTpsVolts_; }
    /// The controller model the monitor works with: "QX-1", "QX-2" or "Unknown" ("Unknown"
    /// when the identity could not be read at start).
    QString controllerVersion() const { return controllerModelName(model_); }

    /// The poll timer (enabled for the whole run; a tick does nothing while idle).
    QTimer& tmrDataRead() { return *tmrDataRead_; }
    /// A cycle is under way (suspended in one of its yields, or in an exchange).
    bool cycleInProgress() const { return inCycle_; }
    /// Ticks skipped because the link was in use, and cycles run to their end or cut short.
    int skippedTicks() const { return skippedTicks_; }
    int cyclesStarted() const { return cyclesStarted_; }

    /// The status text of a cycle: the status code's text, and in analog throttle mode a second
    /// line "TPS Volts: " with the volts rounded to the nearest 0.05 (ties to even) as "0.00".
    static QString statusCaption(int statusCode, bool tpsPercentDisplay, float lastTpsVolts);

signals:
    /// The readings of one cycle, once per cycle that got at least one: at its end, or when
    /// monitoring stops in its middle (then with what it read so far). Listeners only take the
    /// values; they must not use the link.
    void cycleRead(const tarvik::LiveCycle& cycle);
    /// Monitoring stopped (Close, a lost link, Abort in a read's error box, a download).
    void stopped();
    /// The panel began (true) or stopped (false) waiting for its serial adapter.
    void readingsInterrupted(bool interrupted);
    /// A tick while the adapter is away: no readings at `atUs` (the link's clock).
    void cycleMissed(qint64 atUs);

private:
    void identifyController();
    void readThrottleCalibration();

    // The poll cycle's steps, in the order they run.
    void runCycleSteps();
    /// Reads the status code; false when the link is lost.
    bool readStatus(int& status);
    void showCycleStatus(int status);
    void readThrottle();
    void readBattery();
    void readEngineSpeed();
    void readRoadSpeed();
    void readInput(int input);
    void readInputBits();
    void readOutputBits();
    void readDutyCycles();
    void recordIfRead(Column column, float value);
    void reportCycle();

    bool continueOnlyIfRunning() const;
    /// A read failed because the adapter went away, and the user chose to go on: the panel
    /// waits for it.
    bool adapterGone();
    void waitForAdapter();
    /// Opens the port again if the adapter is back; true when readings can resume.
    bool adapterBack();
    void endWaiting();
    void yield();
    void lostLinkReset();
    void message(const QString& text);

    RealTimeMonitorServices services_;
    SerialLink& link_;
    QTimer* tmrDataRead_ = nullptr;
    bool realTimeActive_ = false;
    bool waitingForAdapter_ = false;
    bool inCycle_ = false;
    float lastTpsVolts_ = 0;
    ControllerModel model_ = ControllerModel::Unknown;
    int skippedTicks_ = 0;
    int cyclesStarted_ = 0;
    LiveCycle cycle_;
    bool cycleReported_ = true;
};

}  // namespace tarvik
