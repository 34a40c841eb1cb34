// The real-time monitor through the main window, on the real serial path (QSerialPort on a
// pseudo-terminal, real time, the real 500 ms timer) against tarvik-sim.
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <cmath>
#include <functional>
#include <memory>

#include "app/frm_main.h"
#include "core/user_dialogs.h"
#include "link/serial_link.h"
#include "logdata/log_file_reader.h"
#include "memory_settings.h"
#include "realtime/bar_gauge.h"
#include "realtime/dial_gauge.h"
#include "realtime/live_recorder.h"
#include "realtime/real_time_monitor.h"
#include "realtime/real_time_panel.h"
#include "realtime/strip_chart.h"
#include "sim_process.h"

using namespace tarvik;
using test::SimProcess;

namespace {

// Boxes are counted and answered with Abort (or as `answer` says); a run that shows one says
// what it was.
class CountingDialogs final : public UserDialogs {
public:
    QStringList shown;
    std::function<MsgResult(const QString& text)> answer;
    MsgResult message(const QString& title, const QString& text, MsgIcon,
                      MsgButtons buttons) override {
        shown << title + QStringLiteral(": ") + text;
        if (answer) {
            return answer(text);
        }
        return buttons == MsgButtons::AbortRetryIgnore ? MsgResult::Abort : MsgResult::Ok;
    }
    QString inputBox(const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    bool printerSetup(QPrinter&, const QString&) override { return false; }
};

struct Window {
    CountingDialogs dialogs;
    test::MemorySettings store;
    std::unique_ptr<FrmMain> w;
    explicit Window(const QString& device) {
        // Port 1 is the simulator's pseudo-terminal.
        store.write(QStringLiteral("Ports"), QStringLiteral("Com1"), device);
        w = std::make_unique<FrmMain>(MainWindowServices{&dialogs, &store, Branding::defaults()});
        w->setExitAction([] {});
        w->Form_Load();
    }
    RealTimeMonitor& monitor() { return w->realTimeMonitor(); }
};

}  // namespace

class TestMonitorPty : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void monitorsForAFewCycles();
    void simulatorGoneStopsMonitoring();
    void recordsForAFewCycles();
    void replugCarriesOnWithOneBoxPerLoss();
    void replugWhileTheBoxIsUpRetryCarriesOn();
};

void TestMonitorPty::monitorsForAFewCycles() {
    SimProcess sim;
    QVERIFY2(sim.device().startsWith(QLatin1String("/dev/pts/")), qPrintable(sim.device()));
    Window win(sim.device());
    win.w->findChild<QAction*>(QStringLiteral("mnuViewRealTime"))->trigger();
    QVERIFY2(win.dialogs.shown.isEmpty(), qPrintable(win.dialogs.shown.join(u'\n')));
    QVERIFY(win.w->realTimeActive());
    QCOMPARE(win.monitor().controllerVersion(), QStringLiteral("QX-2"));
    RealTimePanel& panel = win.w->realTimePanel();
    QVERIFY(!panel.isHidden());

    // The 500 ms timer drives the cycles.
    QTRY_VERIFY_WITH_TIMEOUT(win.monitor().cyclesStarted() >= 4, 10000);
    QVERIFY2(win.dialogs.shown.isEmpty(), qPrintable(win.dialogs.shown.join(u'\n')));
    QCOMPARE(panel.status(), QStringLiteral("Power On - Not Armed"));
    // The simulated car is idling or driving: a plausible engine speed and supply voltage.
    bool ok = false;
    const int rpm = panel.gauTach().caption().toInt(&ok);
    QVERIFY2(ok && rpm >= 500 && rpm <= 9000, qPrintable(panel.gauTach().caption()));
    const double volts = panel.gauBatVolts().pointerValue();
    QVERIFY2(volts > 9 && volts < 16, qPrintable(QString::number(volts)));
    // Cycles are a few tens of milliseconds: no tick found the link busy.
    QCOMPARE(win.monitor().skippedTicks(), 0);

    panel.cmdCloseRealTimeData().click();
    QVERIFY(!win.w->realTimeActive());
    QVERIFY(!win.w->serialLink().isPortOpen());
    const int cycles = win.monitor().cyclesStarted();
    QTest::qWait(1200);
    QCOMPARE(win.monitor().cyclesStarted(), cycles);
}

void TestMonitorPty::simulatorGoneStopsMonitoring() {
    SimProcess sim;
    Window win(sim.device());
    win.w->findChild<QAction*>(QStringLiteral("mnuViewRealTime"))->trigger();
    QVERIFY(win.w->realTimeActive());
    QTRY_VERIFY_WITH_TIMEOUT(win.monitor().cyclesStarted() >= 1, 5000);
    sim.stop();
    // The next read fails (its box answered with Abort) and monitoring ends, the panel at rest
    // or hidden, the port closed; the program keeps running.
    QTRY_VERIFY_WITH_TIMEOUT(!win.w->realTimeActive(), 15000);
    QVERIFY(!win.dialogs.shown.isEmpty());
    QVERIFY(win.dialogs.shown.first().startsWith(QStringLiteral("Error: ")));
    QVERIFY(win.w->realTimePanel().isHidden());
    QVERIFY(!win.w->serialLink().isPortOpen());
}

void TestMonitorPty::recordsForAFewCycles() {
    SimProcess sim;
    Window win(sim.device());
    win.w->findChild<QAction*>(QStringLiteral("mnuViewRealTime"))->trigger();
    QVERIFY(win.w->realTimeActive());
    win.w->findChild<QAction*>(QStringLiteral("mnuRecordRealTime"))->trigger();
    QVERIFY(win.w->liveRecorder().isRecording());
    const int first = win.monitor().cyclesStarted();
    // The 500 ms timer drives the cycles; the recording takes each one as it ends.
    QTRY_VERIFY_WITH_TIMEOUT(win.monitor().cyclesStarted() >= first + 5, 10000);
    win.w->realTimePanel().cmdCloseRealTimeData().click();  // Close ends the recording too
    QVERIFY(!win.w->liveRecorder().isRecording());
    QVERIFY2(win.dialogs.shown.isEmpty(), qPrintable(win.dialogs.shown.join(u'\n')));

    QFile file(win.w->liveRecorder().files().first());
    QVERIFY(file.open(QIODevice::ReadOnly));
    auto buffer = std::make_unique<DataBuffer>();
    LogFileReader reader(file);
    QVERIFY(reader.readHeader(*buffer));
    QVERIFY(reader.readSamples(*buffer));
    QVERIFY(reader.readTrailer(*buffer));
    QCOMPARE(buffer->comment, QStringLiteral("Real-time recording"));
    QVERIFY(buffer->firmwareId.contains(QStringLiteral("QX-2")));
    // A row per cycle, half a second apart give or take the machine's load; the idling car.
    int rows = 0;
    while (rows < kDataRows && buffer->at(Column::RPM, rows + 1) > 0) {
        ++rows;
    }
    QVERIFY2(rows >= 4, qPrintable(QString::number(rows)));
    for (int k = 2; k <= rows; ++k) {
        const float step =
            buffer->at(Column::ElapsedTime, k) - buffer->at(Column::ElapsedTime, k - 1);
        QVERIFY2(step > 0.3F && step < 1.6F, qPrintable(QString::number(step)));
        QCOMPARE(buffer->at(Column::Status, k), 1.0F);
        QVERIFY(buffer->at(Column::BatVolts, k) > 9.0F);
    }
}

void TestMonitorPty::replugCarriesOnWithOneBoxPerLoss() {
    // The adapter goes with the panel running and recording; Ignore on its one box leaves the
    // panel waiting, for as many ticks as it takes, until the same name opens again.
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyTarvik"));
    const QStringList options{QStringLiteral("--link"), link};
    auto sim = std::make_unique<SimProcess>(options);
    Window win(link);
    win.w->liveRecorder().setFolder(dir.filePath(QStringLiteral("recordings")));
    win.dialogs.answer = [](const QString& text) {
        return text.contains(QStringLiteral("has gone")) ? MsgResult::Ignore : MsgResult::Abort;
    };
    win.w->findChild<QAction*>(QStringLiteral("mnuViewRealTime"))->trigger();
    win.w->findChild<QAction*>(QStringLiteral("mnuStripChart"))->trigger();
    win.w->findChild<QAction*>(QStringLiteral("mnuRecordRealTime"))->trigger();
    QVERIFY(win.w->liveRecorder().isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(win.monitor().cyclesStarted() >= 3, 10000);
    RealTimePanel& panel = win.w->realTimePanel();

    sim.reset();  // pulled out
    QTRY_VERIFY_WITH_TIMEOUT(win.monitor().waitingForAdapter(), 5000);
    QCOMPARE(win.dialogs.shown.size(), 1);
    QVERIFY2(win.dialogs.shown.first().startsWith(
                 QStringLiteral("Error: The serial adapter on Com1 (%1) has gone").arg(link)),
             qPrintable(win.dialogs.shown.first()));
    QTest::qWait(1600);  // three ticks and more without it: no further box
    QCOMPARE(win.dialogs.shown.size(), 1);
    QCOMPARE(panel.status(), RealTimeMonitor::kAdapterGoneStatus);
    QVERIFY(win.w->liveRecorder().isRecording());

    sim = std::make_unique<SimProcess>(options);  // plugged back in
    QTRY_VERIFY_WITH_TIMEOUT(panel.status() == QStringLiteral("Power On - Not Armed"), 5000);
    QVERIFY(!win.monitor().waitingForAdapter());
    const int resumed = win.monitor().cyclesStarted();
    QTRY_VERIFY_WITH_TIMEOUT(win.monitor().cyclesStarted() >= resumed + 2, 5000);
    panel.cmdCloseRealTimeData().click();
    QCOMPARE(win.dialogs.shown.size(), 1);

    // One file; half a second between rows but for one gap as long as the adapter was away.
    QCOMPARE(win.w->liveRecorder().files().size(), 1);
    QFile file(win.w->liveRecorder().files().first());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<double> times;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        bool ok = false;
        const double t = fields.first().toDouble(&ok);
        if (fields.size() == 12 && ok) {
            times << t;
        }
    }
    QVERIFY2(times.size() >= 5, qPrintable(QString::number(times.size())));
    int gaps = 0;
    for (int k = 1; k < times.size(); ++k) {
        const double step = times[k] - times[k - 1];
        QVERIFY2(step > 0.3, qPrintable(QString::number(step)));
        gaps += step > 1.9 ? 1 : 0;
    }
    QCOMPARE(gaps, 1);
    // The strip chart shows the gap between the readings before and after it.
    const StripChartBuffer& chart = win.w->stripChart().buffer();
    int empty = 0;
    for (int i = 0; i < chart.size(); ++i) {
        empty += std::isnan(chart.at(i).rpm) ? 1 : 0;
    }
    QVERIFY2(empty >= 3, qPrintable(QString::number(empty)));
    QVERIFY(!std::isnan(chart.newest().rpm));
}

void TestMonitorPty::replugWhileTheBoxIsUpRetryCarriesOn() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyTarvik"));
    const QStringList options{QStringLiteral("--link"), link};
    auto sim = std::make_unique<SimProcess>(options);
    Window win(link);
    win.w->findChild<QAction*>(QStringLiteral("mnuViewRealTime"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(win.monitor().cyclesStarted() >= 2, 10000);
    win.dialogs.answer = [&](const QString&) {
        sim = std::make_unique<SimProcess>(options);  // plugged back in while the box is up
        return MsgResult::Retry;
    };
    sim.reset();
    QTRY_COMPARE_WITH_TIMEOUT(win.dialogs.shown.size(), 1, 5000);
    const int after = win.monitor().cyclesStarted();
    QTRY_VERIFY_WITH_TIMEOUT(win.monitor().cyclesStarted() >= after + 2, 5000);
    QCOMPARE(win.dialogs.shown.size(), 1);
    QVERIFY(win.w->realTimeActive());
    QVERIFY(!win.monitor().waitingForAdapter());
    QCOMPARE(win.w->realTimePanel().status(), QStringLiteral("Power On - Not Armed"));
    win.w->realTimePanel().cmdCloseRealTimeData().click();
}

QTEST_MAIN(TestMonitorPty)
#include "test_monitor_pty.moc"
