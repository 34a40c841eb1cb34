// The live panel when its serial adapter goes away, through the main window over the simulator
// on a fake clock: one box per loss; Ignore leaves the panel waiting (gauges at rest, the status
// says so, each tick tries the port quietly) until readings resume; Retry carries on with the
// cycle; Abort stops monitoring. A recording keeps its file and gets no invented rows, the REC
// lamp says no readings come, and the strip chart shows the gap.
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "realtime/dial_gauge.h"
#include "realtime/live_cycle.h"
#include "realtime/live_recorder.h"
#include "realtime/real_time_panel.h"
#include "realtime/strip_chart.h"
#include "sim_main_window.h"

using namespace tarvik;
using test::SimMainWindow;

namespace {

const QString kGone = QStringLiteral(
    "The serial adapter on Com1 (/dev/ttyS0) has gone: plug it back in, then press Retry.");

sim::ControllerModel::Live idling() {
    sim::ControllerModel::Live live;
    live.rpm = 900;
    live.bat = 180;
    live.vss = 0;
    live.tps = 30;
    return live;
}

// The main window with the panel running, and a tick every 500 ms of the fake clock.
struct Panel : SimMainWindow {
    qint64 nextTickUs = 0;
    Panel() : SimMainWindow(idling()) {
        trigger("mnuViewRealTime");
        QVERIFY(w->realTimeActive());
        port.clearWritten();
        nextTickUs = clock.nowUs();
    }
    void tick() {
        nextTickUs += RealTimeMonitor::kPollIntervalMs * 1000;
        clock.setNowUs(nextTickUs);
        monitor().pollCycle();
    }
    RealTimePanel& panel() { return w->realTimePanel(); }
    QString recLamp() { return panel().findChild<QLabel*>(QStringLiteral("lblRecording"))->text(); }
    void expectGone(MsgResult answer, std::function<void()> whileShown = {}) {
        dialogs.expectMessage(QStringLiteral("Error"), kGone, MsgIcon::Critical,
                              MsgButtons::AbortRetryIgnore, answer, std::move(whileShown));
    }
};

#define DIALOGS_OK(p) QVERIFY2((p).dialogs.ok(), qPrintable((p).dialogs.report()))

// The sample rows of a recording file: lines of twelve fields with an elapsed time first.
QList<double> recordedTimes(const QString& path) {
    QFile f(path);
    QList<double> times;
    if (!f.open(QIODevice::ReadOnly)) {
        return times;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        bool ok = false;
        const double t = fields.first().toDouble(&ok);
        if (fields.size() == 12 && ok) {
            times << t;
        }
    }
    return times;
}

}  // namespace

class TestAdapterWait : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ignoreWaitsWithOneBoxPerLoss();
    void retryCarriesOnWithTheCycle();
    void abortStopsMonitoring();
    void goneDuringAYield();
    void recordingAndStripChartShowTheGap();
    void stripChartKeepsTime();
};

void TestAdapterWait::ignoreWaitsWithOneBoxPerLoss() {
    Panel p;
    p.tick();
    QCOMPARE(p.panel().status(), QStringLiteral("Power On - Not Armed"));
    QSignalSpy interrupted(&p.monitor(), &RealTimeMonitor::readingsInterrupted);
    QSignalSpy missed(&p.monitor(), &RealTimeMonitor::cycleMissed);

    p.port.pullOut();
    p.port.clearWritten();
    p.expectGone(MsgResult::Ignore);
    p.tick();
    DIALOGS_OK(p);
    QVERIFY(p.w->realTimeActive());
    QVERIFY(p.monitor().waitingForAdapter());
    QCOMPARE(p.panel().status(), RealTimeMonitor::kAdapterGoneStatus);
    QCOMPARE(p.panel().gauTach().caption(), QStringLiteral("0"));  // at rest, nothing stale
    QCOMPARE(interrupted.count(), 1);
    QCOMPARE(interrupted.at(0).at(0).toBool(), true);

    // However long it stays out: no more boxes, nothing sent, a missed tick each time.
    for (int i = 0; i < 6; ++i) {
        p.tick();
    }
    DIALOGS_OK(p);
    QCOMPARE(missed.count(), 6);
    QVERIFY(p.port.writtenBytes().empty());

    p.port.plugBackIn();
    p.tick();
    DIALOGS_OK(p);
    QVERIFY(!p.monitor().waitingForAdapter());
    QCOMPARE(p.panel().status(), QStringLiteral("Power On - Not Armed"));
    QCOMPARE(p.panel().gauTach().caption(), QStringLiteral("900"));
    QCOMPARE(interrupted.count(), 2);
    QCOMPARE(interrupted.at(1).at(0).toBool(), false);

    // A second loss is a new box.
    p.port.pullOut();
    p.expectGone(MsgResult::Ignore);
    p.tick();
    p.tick();
    DIALOGS_OK(p);
    QVERIFY(p.monitor().waitingForAdapter());

    // Close while waiting: monitoring stops and the wait with it.
    p.panel().cmdCloseRealTimeData().click();
    QVERIFY(!p.w->realTimeActive());
    QVERIFY(!p.monitor().waitingForAdapter());
    QCOMPARE(interrupted.last().at(0).toBool(), false);
}

void TestAdapterWait::retryCarriesOnWithTheCycle() {
    Panel p;
    QSignalSpy read(&p.monitor(), &RealTimeMonitor::cycleRead);
    p.port.pullOutAfterWrites(4);  // during the engine-speed read
    p.expectGone(MsgResult::Retry, [&] { p.port.plugBackIn(); });
    p.tick();
    DIALOGS_OK(p);
    QVERIFY(!p.monitor().waitingForAdapter());
    // The read that was cut short was made again, and the cycle went on to its end.
    const std::vector<quint8> w = p.port.writtenBytes();
    QCOMPARE(w.size(), size_t{11});
    QCOMPARE(w[3], w[4]);
    QCOMPARE(read.count(), 1);
    const auto cycle = read.at(0).at(0).value<LiveCycle>();
    QCOMPARE(cycle.get(Column::RPM).value_or(-1), 900.0F);
    QCOMPARE(p.panel().gauTach().caption(), QStringLiteral("900"));
}

void TestAdapterWait::abortStopsMonitoring() {
    Panel p;
    p.port.pullOut();
    p.expectGone(MsgResult::Abort);
    p.tick();
    DIALOGS_OK(p);
    QVERIFY(!p.w->realTimeActive());
    QVERIFY(!p.monitor().waitingForAdapter());
    QVERIFY(p.panel().isHidden());
    p.tick();  // nothing more: monitoring has stopped
    DIALOGS_OK(p);
}

void TestAdapterWait::goneDuringAYield() {
    // The adapter goes while the cycle yields between two reads: the next read finds out, with
    // the one box.
    Panel p;
    bool pulled = false;
    p.clock.setOnPause([&](int ms) {
        if (ms == 0 && !pulled && p.monitor().cycleInProgress()) {
            pulled = true;
            p.port.pullOut();
        }
    });
    p.expectGone(MsgResult::Ignore);
    p.tick();
    DIALOGS_OK(p);
    QVERIFY(pulled);
    QVERIFY(p.monitor().waitingForAdapter());
}

void TestAdapterWait::recordingAndStripChartShowTheGap() {
    QTemporaryDir folder;
    Panel p;
    p.trigger("mnuStripChart");
    p.w->liveRecorder().setFolder(folder.path());
    p.trigger("mnuRecordRealTime");
    QVERIFY(p.w->liveRecorder().isRecording());
    for (int i = 0; i < 3; ++i) {
        p.tick();
    }
    QVERIFY(!p.recLamp().contains(QStringLiteral("no readings")));

    p.port.pullOut();
    p.expectGone(MsgResult::Ignore);
    p.tick();
    for (int i = 0; i < 5; ++i) {
        p.tick();
    }
    DIALOGS_OK(p);
    QVERIFY(p.w->liveRecorder().isRecording());
    QVERIFY2(p.recLamp().contains(QStringLiteral("no readings")), qPrintable(p.recLamp()));

    p.port.plugBackIn();
    for (int i = 0; i < 3; ++i) {
        p.tick();
    }
    DIALOGS_OK(p);
    QVERIFY(!p.recLamp().contains(QStringLiteral("no readings")));
    p.trigger("mnuRecordRealTime");  // ends the recording

    // One file; three rows, then three more half a second apart after the gap: none invented.
    QCOMPARE(p.w->liveRecorder().files().size(), 1);
    const QList<double> t = recordedTimes(p.w->liveRecorder().files().first());
    QCOMPARE(t.size(), 6);
    QCOMPARE(t[1] - t[0], 0.5);
    QCOMPARE(t[3] - t[2], 3.5);  // six ticks without readings
    QCOMPARE(t[5] - t[4], 0.5);

    // The strip chart: the three readings, a gap for the six ticks, the three readings after.
    const StripChartBuffer& chart = p.w->stripChart().buffer();
    QCOMPARE(chart.size(), 12);
    for (int i = 0; i < chart.size(); ++i) {
        QCOMPARE(std::isnan(chart.at(i).rpm), i >= 3 && i < 9);
    }
}

void TestAdapterWait::stripChartKeepsTime() {
    Settings settings;
    StripChart chart(settings);
    auto at = [](qint64 ms) {
        LiveCycle c;
        c.startedUs = ms * 1000;
        c.set(Column::RPM, 5000);
        return c;
    };
    chart.addCycle(at(0));
    chart.addCycle(at(520));          // the usual interval, give or take
    chart.addCycle(at(2480));         // three ticks skipped behind a box
    chart.addMissedCycle(3'000'000);  // a tick without readings
    chart.addCycle(at(3500));
    QStringList pattern;
    for (int i = 0; i < chart.buffer().size(); ++i) {
        pattern << (std::isnan(chart.buffer().at(i).rpm) ? QStringLiteral("-")
                                                         : QStringLiteral("r"));
    }
    QCOMPARE(pattern.join(QString()), QStringLiteral("rr---r-r"));
    // A gap longer than the chart holds fills it, and no more.
    chart.addCycle(at(3'600'000));
    QCOMPARE(chart.buffer().size(), StripChartBuffer::kCapacity);
}

QTEST_MAIN(TestAdapterWait)
#include "test_adapter_wait.moc"
