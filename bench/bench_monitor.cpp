// Speed of the real-time poll cycle against tarvik-sim over a pseudo-terminal, with the panel on
// screen (offscreen platform):
//  (a) the duration of a full QX-2 cycle (10 exchanges) and its ratio to the pacing floor of one
//      2 ms pause per exchange (goal: ratio <= 1.5);
//  (b) the longest stretch the UI thread goes without processing events during monitoring,
//      reply waits excepted (goal: < 5 ms);
//  (c) the longest stretch without processing events while the monitor's link check waits on a
//      silent controller (two 1 s checks; goal: < 100 ms), seen by a 5 ms timer;
//  (d) (a) and (b) again with a recording running and the strip chart on (goal: within 10 % of
//      (a) and (b)), and the cost of appending one row to a recording (goal: < 0.5 ms).
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/user_dialogs.h"
#include "failing_dialogs.h"
#include "link/controller.h"
#include "link/serial_link.h"
#include "logdata/recording_file.h"
#include "platform/qt_serial_port.h"
#include "platform/steady_clock.h"
#include "realtime/live_recorder.h"
#include "realtime/real_time_monitor.h"
#include "realtime/real_time_panel.h"
#include "realtime/strip_chart.h"
#include "settings/settings.h"

using namespace tarvik;

namespace {

using bench::FailingDialogs;

QElapsedTimer g_time;
qint64 nowUs() {
    return g_time.nsecsElapsed() / 1000;
}

// The real port, timing the reply waits.
class TimedPort final : public SerialPort {
public:
    explicit TimedPort(SerialPort& inner) : inner_(inner) {}
    qint64 waitedUs = 0;

    void open(const QString& name) override { inner_.open(name); }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    QString deviceName() const override { return inner_.deviceName(); }
    void discardInput() override { inner_.discardInput(); }
    int bytesWaiting() override { return inner_.bytesWaiting(); }
    quint8 readByte() override { return inner_.readByte(); }
    void writeByte(quint8 b) override { inner_.writeByte(b); }
    bool waitForMoreBytes(int msecs) override {
        const qint64 start = nowUs();
        const bool more = inner_.waitForMoreBytes(msecs);
        waitedUs += nowUs() - start;
        return more;
    }
    void setLineEventHandler(LineEventHandler h) override {
        inner_.setLineEventHandler(std::move(h));
    }
    QString errorString() const override { return inner_.errorString(); }

private:
    SerialPort& inner_;
};

// The real clock. Its pause processes events last thing before it returns, so the time between
// leaving one pause and entering the next, less the reply waits in between, is a stretch
// without event processing.
class TimedClock final : public Clock {
public:
    TimedClock(Clock& inner, TimedPort& port) : inner_(inner), port_(port) {}
    qint64 longestGapUs = 0;
    qint64 pausedUs = 0;

    qint64 nowUs() const override { return inner_.nowUs(); }
    void pauseProcessingEvents(int ms) override {
        noteGap();
        const qint64 start = ::nowUs();
        inner_.pauseProcessingEvents(ms);
        pausedUs += ::nowUs() - start;
        markProcessed();
    }
    // Events were processed just now (the tick that starts a cycle comes from the event loop).
    void markProcessed() {
        lastProcessedUs_ = ::nowUs();
        waitedAtLast_ = port_.waitedUs;
    }
    void noteGap() {
        const qint64 gap = ::nowUs() - lastProcessedUs_ - (port_.waitedUs - waitedAtLast_);
        longestGapUs = std::max(longestGapUs, gap);
    }

private:
    Clock& inner_;
    TimedPort& port_;
    qint64 lastProcessedUs_ = 0;
    qint64 waitedAtLast_ = 0;
};

double percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    g_time.start();
    const QString simPath = QStringLiteral(TARVIK_SIM_PATH);
    QProcess sim;
    sim.start(simPath, {});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(simPath));
        return 1;
    }
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();

    QtSerialPort realPort;
    TimedPort port(realPort);
    SteadyClock realClock;
    TimedClock clock(realClock, port);
    FailingDialogs dialogs;
    SerialLink link(port, clock, dialogs, [device](int) { return device; });
    Controller controller(link);
    Settings settings;
    settings.tpsPercentDisplay = true;
    settings.input1AnalogDisplay = false;
    settings.input2AnalogDisplay = true;
    settings.tachRedline = 6500;
    settings.tachMax = 10000;
    settings.speedoRedline = 85;
    settings.speedoMax = 140;
    RealTimePanel panel;
    panel.applyDialSettings(settings);
    panel.resize(panel.sizeHint());
    // "--panel-hidden" measures the cycle without any painting, to tell the two costs apart.
    const bool hidden = app.arguments().contains(QStringLiteral("--panel-hidden"));
    if (!hidden) {
        panel.show();
    }
    // Nothing to clear here, and Esc is never pressed.
    struct : MonitorHost {
        void clearFramBuffer() override {}
        bool abortRequested() const override { return false; }
        void clearAbortRequest() override {}
    } host;
    RealTimeMonitor monitor(RealTimeMonitorServices{controller, panel, settings, dialogs, host});
    monitor.tmrDataRead().stop();  // cycles back to back, timed one by one

    monitor.start();
    if (hidden) {
        panel.hide();
    }
    if (!monitor.realTimeActive() || monitor.controllerVersion() != QLatin1String("QX-2")) {
        std::fprintf(stderr, "monitoring did not start\n");
        return 1;
    }
    QApplication::processEvents();
    for (int i = 0; i < 5; ++i) {  // warm-up: the port opens, the panel lays out and paints
        monitor.pollCycle();
        QApplication::processEvents();
    }

    constexpr int kCycles = 200;
    constexpr double kFloorMs = 10 * 2.0;
    struct Figures {
        std::vector<double> ms, gaps, waits, pauses;
    };
    auto measure = [&](Figures& f, int cycles) {
        for (int i = 0; i < cycles && monitor.realTimeActive(); ++i) {
            QApplication::processEvents();
            clock.longestGapUs = 0;
            clock.pausedUs = 0;
            const qint64 waited = port.waitedUs;
            clock.markProcessed();
            const qint64 start = nowUs();
            monitor.pollCycle();
            const qint64 end = nowUs();
            clock.noteGap();  // the stretch from the cycle's last pause to its end
            f.ms.push_back(static_cast<double>(end - start) / 1000.0);
            f.gaps.push_back(static_cast<double>(clock.longestGapUs) / 1000.0);
            f.waits.push_back(static_cast<double>(port.waitedUs - waited) / 1000.0);
            f.pauses.push_back(static_cast<double>(clock.pausedUs) / 1000.0);
        }
    };
    // Blocks of cycles without and with a recording running and the strip chart on screen,
    // taken in turn, so that the machine's other work weighs on both alike.
    QTemporaryDir folder;
    LiveRecorder recorder(dialogs, clock);
    recorder.setFolder(folder.path());
    StripChart chart(settings);
    chart.resize(chart.sizeHint());
    bool liveOn = false;
    QObject::connect(&monitor, &RealTimeMonitor::cycleRead, [&](const LiveCycle& cycle) {
        if (liveOn) {
            recorder.addCycle(cycle);
            chart.addCycle(cycle);
        }
    });
    {
        RecordingFile::Identity id;
        id.firmwareId = monitor.controllerVersion();
        id.controllerVersion = monitor.controllerVersion();
        id.start = QDateTime::currentDateTime();
        if (!recorder.start(id)) {
            std::fprintf(stderr, "the recording did not start\n");
            return 1;
        }
    }
    Figures plain;
    Figures on;
    constexpr int kBlocks = 8;
    for (int block = 0; block < kBlocks; ++block) {
        liveOn = block % 2 == 1;
        chart.setVisible(liveOn && !hidden);
        QApplication::processEvents();
        measure(liveOn ? on : plain, kCycles / (kBlocks / 2));
    }
    recorder.stop();
    const std::vector<double>& ms = plain.ms;
    const std::vector<double>& gaps = plain.gaps;
    const std::vector<double>& waits = plain.waits;
    const std::vector<double>& pauses = plain.pauses;
    bool ok =
        monitor.realTimeActive() && static_cast<int>(ms.size()) == kCycles && dialogs.boxes == 0;
    if (ms.empty()) {
        std::fprintf(stderr, "no cycle ran\n");
        return 1;
    }
    const double median = percentile(ms, 0.5);
    std::printf(
        "QX-2 poll cycle (10 exchanges, panel %s) over %zu cycles: median %.2f ms, p90 %.2f ms, "
        "max %.2f ms;"
        " pacing floor %.0f ms; ratio %.3f (goal <= 1.5)%s\n",
        hidden ? "hidden" : "on screen", ms.size(), median, percentile(ms, 0.9),
        percentile(ms, 1.0), kFloorMs, median / kFloorMs, ok ? "" : "  [FAILED]");
    std::printf(
        "  of which, medians: reply waits %.2f ms, pauses and yields %.2f ms, the rest "
        "(commands, panel updates) %.2f ms\n",
        percentile(waits, 0.5), percentile(pauses, 0.5),
        median - percentile(waits, 0.5) - percentile(pauses, 0.5));
    std::printf(
        "Longest stretch without processing events, reply waits excepted: median of cycles "
        "%.2f ms, p90 %.2f ms, max %.2f ms (goal < 5 ms)\n",
        percentile(gaps, 0.5), percentile(gaps, 0.9), percentile(gaps, 1.0));

    {
        const bool okOn = static_cast<int>(on.ms.size()) == kCycles && dialogs.boxes == 0 &&
                          !recorder.files().isEmpty();
        ok = ok && okOn;
        const double medianOn = percentile(on.ms, 0.5);
        const double gapOff = percentile(gaps, 0.5);
        const double gapOn = percentile(on.gaps, 0.5);
        std::printf(
            "With recording and strip chart on (blocks of %d cycles taken in turn with the "
            "above): cycle median %.2f ms (p90 %.2f, max %.2f), %+.1f %% against off (goal "
            "within 10 %%)%s\n",
            kCycles / (kBlocks / 2), medianOn, percentile(on.ms, 0.9), percentile(on.ms, 1.0),
            100.0 * (medianOn - median) / median, okOn ? "" : "  [FAILED]");
        std::printf(
            "  longest stretch without processing events: median %.2f ms (p90 %.2f, max %.2f) "
            "against %.2f ms (p90 %.2f) off, %+.1f %%\n",
            gapOn, percentile(on.gaps, 0.9), percentile(on.gaps, 1.0), gapOff,
            percentile(gaps, 0.9), 100.0 * (gapOn - gapOff) / gapOff);
        if (!hidden) {
            chart.show();
            std::vector<double> paints;
            for (int i = 0; i < 50; ++i) {
                const qint64 t0 = nowUs();
                chart.repaint();
                paints.push_back(static_cast<double>(nowUs() - t0) / 1000.0);
            }
            std::printf(
                "  one strip chart repaint (120 cycles, 7 lanes): median %.2f ms, max "
                "%.2f ms\n",
                percentile(paints, 0.5), percentile(paints, 1.0));
        }
    }
    // What appending one row to a recording costs (formatting and the write to the system).
    {
        QTemporaryDir folder;
        RecordingFile::Identity id;
        id.start = QDateTime::currentDateTime();
        RecordingFile file(folder.path(), id);
        file.begin();
        RecordingFile::Row row{};
        for (std::size_t c = 1; c < row.size(); ++c) {
            row[c] = 1234.567F / static_cast<float>(c);
        }
        std::vector<double> append;
        for (int k = 1; k <= 5000; ++k) {  // past 2700: one row also starts the second file
            const qint64 t0 = nowUs();
            file.appendRow(static_cast<float>(k) * 0.5F, row);
            append.push_back(static_cast<double>(nowUs() - t0) / 1000.0);
        }
        file.finish();
        std::printf(
            "Appending one row to a recording over %zu rows: median %.4f ms, p99 %.4f ms, max "
            "%.3f ms (the row that starts the second file) (goal < 0.5 ms)%s\n",
            append.size(), percentile(append, 0.5), percentile(append, 0.99),
            percentile(append, 1.0), percentile(append, 0.99) < 0.5 ? "" : "  [ABOVE GOAL]");
    }
    if (!hidden) {
        // What one dial reading costs on the UI thread: the dial repaints at once.
        std::vector<double> dial;
        for (int i = 0; i < 100; ++i) {
            const qint64 t0 = nowUs();
            panel.showEngineSpeed(1000.0 + 50.0 * i);
            dial.push_back(static_cast<double>(nowUs() - t0) / 1000.0);
        }
        std::printf("  one engine-speed reading on the dial: median %.2f ms, max %.2f ms\n",
                    percentile(dial, 0.5), percentile(dial, 1.0));
    }
    std::printf(
        "  (load average while measuring matters: the machine's other work preempts the "
        "UI thread)\n");

    monitor.stop();
    sim.terminate();
    sim.waitForFinished(3000);

    // (c) A controller that never answers. The timer fires only when events are processed, so
    // the longest gap between its ticks is the longest stretch the window went without them.
    QProcess silentSim;
    silentSim.start(simPath, {QStringLiteral("--silent")});
    if (!silentSim.waitForStarted(5000) || !silentSim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "cannot start %s --silent\n", qPrintable(simPath));
        return 1;
    }
    const QString silentDevice = QString::fromLocal8Bit(silentSim.readLine()).trimmed();
    QtSerialPort silentPort;
    SteadyClock silentClock;
    SerialLink silentLink(silentPort, silentClock, dialogs,
                          [silentDevice](int) { return silentDevice; });
    Controller silentController(silentLink);
    qint64 lastTickUs = nowUs();
    qint64 longestTickGapUs = 0;
    int ticks = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = nowUs();
        longestTickGapUs = std::max(longestTickGapUs, now - lastTickUs);
        lastTickUs = now;
        ++ticks;
    });
    probe.start();
    QApplication::processEvents();
    lastTickUs = nowUs();
    const qint64 checkStart = nowUs();
    for (int i = 0; i < 2; ++i) {
        silentController.reSync();
    }
    const qint64 checkUs = nowUs() - checkStart;
    longestTickGapUs = std::max(longestTickGapUs, nowUs() - lastTickUs);
    probe.stop();
    silentLink.closePort();
    std::printf(
        "Silent link check (2 x ReSync, %.2f s): longest stretch without processing events "
        "%.1f ms over %d timer ticks (goal < 100 ms)%s\n",
        static_cast<double>(checkUs) / 1e6, static_cast<double>(longestTickGapUs) / 1000.0, ticks,
        silentController.linkOk() ? "  [FAILED: answered]" : "");
    silentSim.terminate();
    silentSim.waitForFinished(3000);
    return ok && !silentController.linkOk() ? 0 : 1;
}
