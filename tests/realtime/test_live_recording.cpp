// Recording the live readings: the file a recording writes (rows, empty fields for readings a
// cycle did not get, values outside their ranges, the trailer), reading it back with the
// program's own reader, a recording cut short by killing the program, the split at 2700 rows,
// a folder that cannot be written and a full disk; then the whole path through the main window
// over the simulator's live car: View > Record Real Time Data, the REC lamp, Close and a lost
// link ending it, File > Recent Recordings opening it in the chart window.
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/frm_main.h"
#include "common/rounding.h"
#include "controller_model.h"
#include "core/app_error.h"
#include "fake_clock.h"
#include "link/controller.h"
#include "link/serial_link.h"
#include "logdata/dated_files.h"
#include "logdata/log_data_host.h"
#include "logdata/log_file_reader.h"
#include "logdata/open_log_command.h"
#include "logdata/recording_file.h"
#include "logdata/recordings_folder.h"
#include "memory_settings.h"
#include "realtime/bar_gauge.h"
#include "realtime/dial_gauge.h"
#include "realtime/live_recorder.h"
#include "realtime/real_time_monitor.h"
#include "realtime/real_time_panel.h"
#include "scripted_dialogs.h"
#include "sim_main_window.h"
#include "sim_serial_port.h"

using namespace tarvik;
using test::ScriptedDialogs;

namespace {

const char* kChildVariable = "TARVIK_RECORDING_CHILD";

RecordingFile::Identity identity() {
    RecordingFile::Identity id;
    id.firmwareId = QStringLiteral("QX-2 v3.1");
    id.controllerVersion = QStringLiteral("QX-2");
    id.brandName = QStringLiteral("Orvenna");
    id.startText = QStringLiteral("14/05/2026 20:31:07");
    id.start = QDateTime(QDate(2026, 5, 14), QTime(20, 31, 7));
    id.interval = 0.5F;
    return id;
}

// Row k of the synthetic recordings: every column filled except input 2, with readings outside
// their ranges among them.
RecordingFile::Row syntheticRow(int k) {
    RecordingFile::Row r{};
    r[1] = static_cast<float>(1000 + k);  // RPM
    r[2] = 255.0F;                        // VSS: the byte's top, written as received
    r[3] = -3.5F;                         // TPS%: below the travel, as received
    r[4] = 2.5F;                          // Input1 Volts
    // r[5] (Input2 Volts) not read
    r[6] = 13.8F;
    r[7] = 7;
    r[8] = 3;
    r[9] = 4;
    r[10] = static_cast<float>(k % 101);
    r[11] = 0;
    return r;
}

struct ReadBack {
    std::unique_ptr<DataBuffer> buffer = std::make_unique<DataBuffer>();
    bool header = false;
    bool samples = false;
    bool trailer = false;
};

ReadBack readBack(const QString& path) {
    ReadBack r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return r;
    }
    r.buffer->clearDataBuffer();
    LogFileReader reader(f);
    r.header = reader.readHeader(*r.buffer);
    r.samples = r.header && reader.readSamples(*r.buffer);
    r.trailer = r.samples && reader.readTrailer(*r.buffer);
    return r;
}

QList<QByteArray> fileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll().split('\n');
}

// Opens a file for writing on /dev/full: every write fails as on a full disk.
std::unique_ptr<QFile> openFullDisk(const QString&, QString& error) {
    auto f = std::make_unique<QFile>(QStringLiteral("/dev/full"));
    if (!f->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = f->errorString();
        return nullptr;
    }
    return f;
}

std::unique_ptr<QFile> openNew(const QString& path, QString& error) {
    auto f = std::make_unique<QFile>(path);
    if (!f->open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        error = f->errorString();
        return nullptr;
    }
    return f;
}

// The child process of the kill test: records rows until it is killed, telling the parent the
// count after each row has been appended.
int recordUntilKilled(const QString& folder) {
    RecordingFile file(folder, identity());
    file.begin();
    for (int k = 1; k < 100000; ++k) {
        file.appendRow(static_cast<float>(k) * 0.5F, syntheticRow(k));
        std::printf("%d\n", k);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 1;
}

// The main window over the simulator's moving car on a fake clock.
struct Window : test::SimMainWindow {
    QTimer closer;
    int chartsShown = 0;

    Window() : SimMainWindow(std::nullopt) {  // the live car drives
        // The chart window is modal: note it and close it.
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                if (modal->objectName() == QLatin1String("frmChart1")) {
                    ++chartsShown;
                }
                modal->close();
            }
        });
        closer.start();
    }
    LiveRecorder& recorder() { return w->liveRecorder(); }
    QLabel* recLamp() {
        return w->realTimePanel().findChild<QLabel*>(QStringLiteral("lblRecording"));
    }
    // One poll cycle, half a second after the last.
    void cycle() {
        clock.advanceUs(500'000);
        monitor().pollCycle();
    }
};

void clearRecordings() {
    QDir(recordingsFolder()).removeRecursively();
}

}  // namespace

class TestLiveRecording : public QObject {
    Q_OBJECT

private slots:
    void init() { clearRecordings(); }

    // The file
    void rowLine_data();
    void rowLine();
    void finishedRecordingReadsBack();
    void fileNames();
    void killedRecordingReadsBack();
    void splitAt2700Rows();
    void folderThatCannotBeMade();
    void fullDiskAtStart();
    void fullDiskMidRecording();

    // Through the main window, over the live car
    void recordingTheLiveCar();
    void cycleCutShortLeavesTheRestEmpty();
    void readsIgnoredAreLeftEmpty();
    void closeEndsTheRecording();
    void lostLinkEndsTheRecording();
    void closingTheProgramEndsTheRecording();
    void recordingNeedsThePanel();
    void unwritableFolderKeepsThePanelRunning();
    void diskFullMidRecordingKeepsThePanelRunning();
    void recentRecordingsOpensTheChart();
};

// --- The file ----------------------------------------------------------------------------------

void TestLiveRecording::rowLine_data() {
    QTest::addColumn<float>("elapsed");
    QTest::addColumn<QList<float>>("values");  // columns 2..12; NaN: not read
    QTest::addColumn<QByteArray>("line");
    const float none = std::numeric_limits<float>::quiet_NaN();
    QTest::newRow("full QX-2 cycle")
        << 0.5F << QList<float>{6500, 56, 12.5F, 2.5F, 1.2F, 13.8F, 1, 0, 3, 40, 20}
        << QByteArray("0.5,6500,56,12.5,2.5,1.2,13.8,1,0,3,40,20");
    QTest::newRow("QX-1: no duty cycles")
        << 12.004F << QList<float>{800, 0, 0, 0.01960784F, 5, 12, 4, 8, 1, none, none}
        << QByteArray("12.004,800,0,0,0.01960784,5,12,4,8,1,,");
    QTest::newRow("cut short after the status")
        << 3.0F << QList<float>{none, none, none, none, none, none, none, none, 3, none, none}
        << QByteArray("3,,,,,,,,,3,,");
    QTest::newRow("out of range, as received")
        << 1.5F << QList<float>{131070, 410.3715F, -12.7451F, 5, 5, 18, 255, 255, 255, 255, 255}
        << QByteArray("1.5,131070,410.3715,-12.7451,5,5,18,255,255,255,255,255");
}

void TestLiveRecording::rowLine() {
    QFETCH(float, elapsed);
    QFETCH(QList<float>, values);
    QFETCH(QByteArray, line);
    RecordingFile::Row row{};
    for (int c = 0; c < values.size(); ++c) {
        if (!std::isnan(values[c])) {
            row[static_cast<std::size_t>(c + 1)] = values[c];
        }
    }
    QCOMPARE(RecordingFile::rowLine(elapsed, row), line);
    // The line is a sample line to the reader: twelve fields, empty ones read as 0.
    QCOMPARE(line.count(','), 11);
}

void TestLiveRecording::finishedRecordingReadsBack() {
    QTemporaryDir dir;
    RecordingFile file(dir.filePath(QStringLiteral("recordings")), identity());
    file.begin();
    for (int k = 1; k <= 40; ++k) {
        file.appendRow(static_cast<float>(k) * 0.5F, syntheticRow(k));
    }
    file.finish();
    QVERIFY(!file.isOpen());
    QCOMPARE(file.files().size(), 1);
    const QString path = file.files().first();
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("2026-05-14_20-31-07_QX-2.log"));

    // Laid out like a saved log: 2706 lines, the rows after the recording empty.
    const QList<QByteArray> lines = fileLines(path);
    QCOMPARE(lines.size(), 2707);  // the last CR LF leaves an empty piece
    QCOMPARE(lines[1], QByteArray("0.5\r"));
    QCOMPARE(lines[3], QByteArray("0.5,1001,255,-3.5,2.5,,13.8,7,3,4,1,0\r"));
    QCOMPARE(lines[43], QByteArray("\r"));
    QCOMPARE(lines[2703], QByteArray("\"Firmware ID\",\"QX-2 v3.1\"\r"));
    QCOMPARE(lines[2704], QByteArray("\"Orvenna QX-2 Nitrous Controller Data Downloaded\","
                                     "\"14/05/2026 20:31:07\"\r"));
    QCOMPARE(lines[2705], QByteArray("\"Comment\",\"Real-time recording\"\r"));

    const ReadBack r = readBack(path);
    QVERIFY(r.header && r.samples && r.trailer);
    const DataBuffer& b = *r.buffer;
    QCOMPARE(b.logInterval, 0.5F);
    QCOMPARE(b.firmwareId, QStringLiteral("QX-2 v3.1"));
    QCOMPARE(b.downloadDate, QStringLiteral("14/05/2026 20:31:07"));
    QCOMPARE(b.comment, QStringLiteral("Real-time recording"));
    QCOMPARE(b.at(Column::ElapsedTime, 40), 20.0F);
    QCOMPARE(b.at(Column::RPM, 40), 1040.0F);
    QCOMPARE(b.at(Column::VSS, 1), 255.0F);
    QCOMPARE(b.at(Column::TPSPercent, 1), 0.0F);   // the reader holds throttle to 0..100
    QCOMPARE(b.at(Column::Input2Volts, 1), 0.0F);  // empty field
    QCOMPARE(b.at(Column::Stage1PWM, 40), 40.0F);
    QCOMPARE(b.at(Column::RPM, 41), 0.0F);  // past the recording: nothing
}

void TestLiveRecording::fileNames() {
    const QDateTime start = identity().start;
    QCOMPARE(RecordingFile::fileName(start, QStringLiteral("QX-2"), 1, 1),
             QStringLiteral("2026-05-14_20-31-07_QX-2.log"));
    QCOMPARE(RecordingFile::fileName(start, QStringLiteral("QX-2"), 1, 2),
             QStringLiteral("2026-05-14_20-31-07_QX-2 part 2.log"));
    QCOMPARE(RecordingFile::fileName(start, QStringLiteral("QX-1"), 2, 12),
             QStringLiteral("2026-05-14_20-31-07_QX-1 part 12 (2).log"));
    QCOMPARE(RecordingFile::fileName(start, QString(), 1, 1),
             QStringLiteral("2026-05-14_20-31-07_Unknown.log"));
    // A second recording begun within the same second does not overwrite the first.
    QTemporaryDir dir;
    RecordingFile a(dir.path(), identity());
    a.begin();
    RecordingFile b(dir.path(), identity());
    b.begin();
    QCOMPARE(QFileInfo(b.files().first()).fileName(),
             QStringLiteral("2026-05-14_20-31-07_QX-2 (2).log"));
    a.finish();
    b.finish();
}

void TestLiveRecording::killedRecordingReadsBack() {
    QTemporaryDir dir;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), dir.path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted(5000));
    int reported = 0;
    QElapsedTimer waited;
    waited.start();
    while (reported < 30 && waited.elapsed() < 20000) {
        if (child.canReadLine() || child.waitForReadyRead(200)) {
            while (child.canReadLine()) {
                reported = child.readLine().trimmed().toInt();
            }
        }
    }
    QVERIFY2(reported >= 30, "the recording child did not get going");
    child.kill();  // SIGKILL: no chance to finish the file
    QVERIFY(child.waitForFinished(5000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    while (child.canReadLine()) {
        reported = std::max(reported, child.readLine().trimmed().toInt());
    }

    const QStringList files = QDir(dir.path()).entryList({QStringLiteral("*.log")}, QDir::Files);
    QCOMPARE(files.size(), 1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    const QString path = QDir(dir.path()).filePath(files.first());
    // The file is a whole log, identity and all, though the recording never ended.
    QCOMPARE(fileLines(path).size(), 2707);

    // The program's reader takes every row that was appended: the last one, appended before the
    // child could say so, may be there too.
    const ReadBack r = readBack(path);
    QVERIFY(r.header && r.samples && r.trailer);
    const int kept = r.buffer->rows;
    QVERIFY2(kept == reported || kept == reported + 1, qPrintable(QString::number(kept)));
    QCOMPARE(r.buffer->firmwareId, QStringLiteral("QX-2 v3.1"));
    for (int k = 1; k <= kept; ++k) {
        QCOMPARE(r.buffer->at(Column::ElapsedTime, k), static_cast<float>(k) * 0.5F);
        QCOMPARE(r.buffer->at(Column::RPM, k), static_cast<float>(1000 + k));
        QCOMPARE(r.buffer->at(Column::Stage1PWM, k), static_cast<float>(k % 101));
    }

    // Through Open File as a user would: the data loads with one plain note.
    ScriptedDialogs dialogs;
    dialogs.expectOpenFile(QStringLiteral("Open File"), kLogFileFilter, path);
    dialogs.expectMessage(OpenLogCommand::kTitle, OpenLogCommand::endedEarlyText(kept),
                          MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
    auto buffer = std::make_unique<DataBuffer>();
    int charts = 0;
    struct Host : LogDataHost {
        Host(DataBuffer& b, UserDialogs& d, int& c) : buffer(b), dialogs_(d), charts(c) {}
        DataBuffer& dataBuffer() override { return buffer; }
        UserDialogs& dialogs() override { return dialogs_; }
        QString baseTitle() const override { return QStringLiteral("T"); }
        QString brandName() const override { return QStringLiteral("B"); }
        void viewChart() override { ++charts; }
        DataBuffer& buffer;
        UserDialogs& dialogs_;
        int& charts;
    } ctx(*buffer, dialogs, charts);
    OpenLogCommand(ctx).run();
    QVERIFY2(dialogs.ok(), qPrintable(dialogs.report()));
    QVERIFY(!buffer->bufferEmpty);
    QCOMPARE(charts, 1);
    QCOMPARE(buffer->at(Column::RPM, kept), static_cast<float>(1000 + kept));
    QCOMPARE(buffer->rows, kept);
}

void TestLiveRecording::splitAt2700Rows() {
    QTemporaryDir dir;
    RecordingFile file(dir.path(), identity());
    file.begin();
    for (int k = 1; k <= 2703; ++k) {
        file.appendRow(static_cast<float>(k) * 0.5F, syntheticRow(k));
    }
    QCOMPARE(file.files().size(), 2);
    QCOMPARE(file.rowsInFile(), 3);
    QCOMPARE(file.rowsTotal(), qint64{2703});
    file.finish();
    QCOMPARE(QFileInfo(file.files()[1]).fileName(),
             QStringLiteral("2026-05-14_20-31-07_QX-2 part 2.log"));

    const ReadBack first = readBack(file.files()[0]);
    QVERIFY(first.header && first.samples && first.trailer);
    QCOMPARE(first.buffer->at(Column::ElapsedTime, 2700), 1350.0F);
    QCOMPARE(first.buffer->at(Column::RPM, 2700), 3700.0F);
    QCOMPARE(fileLines(file.files()[0]).size(), 2707);

    // The second file goes on from the first, with its own header and trailer.
    const ReadBack second = readBack(file.files()[1]);
    QVERIFY(second.header && second.samples && second.trailer);
    QCOMPARE(second.buffer->at(Column::ElapsedTime, 1), 1350.5F);
    QCOMPARE(second.buffer->at(Column::RPM, 1), 3701.0F);
    QCOMPARE(second.buffer->at(Column::RPM, 3), 3703.0F);
    QCOMPARE(second.buffer->at(Column::RPM, 4), 0.0F);
    QCOMPARE(second.buffer->firmwareId, QStringLiteral("QX-2 v3.1"));
    QCOMPARE(second.buffer->comment, RecordingFile::kComment);
}

void TestLiveRecording::folderThatCannotBeMade() {
    // A plain file where the folder should be: the folder cannot be made, whoever runs this.
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("recordings")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RecordingFile file(dir.filePath(QStringLiteral("recordings")), identity());
    try {
        file.begin();
        QFAIL("began in a folder that cannot exist");
    } catch (const AppError& e) {
        QVERIFY2(e.description().startsWith(QStringLiteral("Cannot make the recordings folder ")),
                 qPrintable(e.description()));
    }
    QVERIFY(!file.isOpen());
}

void TestLiveRecording::fullDiskAtStart() {
    QTemporaryDir dir;
    RecordingFile file(dir.path(), identity());
    file.setFileOpener(&openFullDisk);
    try {
        file.begin();
        QFAIL("wrote a header to a full disk");
    } catch (const AppError& e) {
        QVERIFY2(e.description().contains(QStringLiteral("No space left on device")),
                 qPrintable(e.description()));
    }
}

void TestLiveRecording::fullDiskMidRecording() {
    // The disk fills up just as the second file is begun: the first keeps all its rows and
    // its trailer.
    QTemporaryDir dir;
    RecordingFile file(dir.path(), identity());
    int opened = 0;
    file.setFileOpener([&](const QString& path, QString& error) {
        return ++opened == 1 ? openNew(path, error) : openFullDisk(path, error);
    });
    file.begin();
    for (int k = 1; k <= 2700; ++k) {
        file.appendRow(static_cast<float>(k), syntheticRow(k));
    }
    QVERIFY_THROWS_EXCEPTION(AppError, file.appendRow(2701.0F, syntheticRow(2701)));
    file.abandon();
    const ReadBack first = readBack(file.files()[0]);
    QVERIFY(first.header && first.samples && first.trailer);
    QCOMPARE(first.buffer->at(Column::RPM, 2700), 3700.0F);
}

// --- Through the main window ------------------------------------------------------------------

void TestLiveRecording::recordingTheLiveCar() {
    Window win;
    win.trigger("mnuViewRealTime");
    QVERIFY(win.monitor().realTimeActive());
    RealTimePanel& panel = win.w->realTimePanel();
    QVERIFY(win.recLamp()->isHidden());

    const qint64 startUs = win.clock.nowUs();
    win.trigger("mnuRecordRealTime");
    QVERIFY(win.recorder().isRecording());
    QVERIFY(win.action("mnuRecordRealTime")->isChecked());
    QVERIFY(!win.recLamp()->isHidden());
    QVERIFY2(win.recLamp()->text().contains(QStringLiteral("REC")),
             qPrintable(win.recLamp()->text()));
    QVERIFY2(win.recLamp()->text().contains(QStringLiteral("0:00:00")),
             qPrintable(win.recLamp()->text()));

    // A few cycles; note what the panel showed and when each cycle began.
    struct Shown {
        float elapsed;
        QString rpm;
        double bat;
        double mph;
    };
    std::vector<Shown> shown;
    for (int i = 0; i < 5; ++i) {
        win.clock.advanceUs(500'000);
        const qint64 began = win.clock.nowUs();
        win.monitor().pollCycle();
        shown.push_back({static_cast<float>(roundHalfEven((began - startUs) / 1e6, 3)),
                         panel.gauTach().caption(), panel.gauBatVolts().pointerValue(),
                         panel.gauSpeedometer().value()});
    }
    // The lamp's length follows within a quarter of a second (read from the link's clock).
    QTRY_VERIFY2_WITH_TIMEOUT(win.recLamp()->text().contains(QStringLiteral("0:00:02")),
                              qPrintable(win.recLamp()->text()), 2000);
    const QString path = win.recorder().files().first();
    QVERIFY2(path.startsWith(recordingsFolder()), qPrintable(path));
    QVERIFY(recordingsFolder().startsWith(QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"))));

    win.trigger("mnuRecordRealTime");  // chosen again: the recording ends
    QVERIFY(!win.recorder().isRecording());
    QVERIFY(!win.action("mnuRecordRealTime")->isChecked());
    QVERIFY(win.recLamp()->isHidden());
    QVERIFY(win.monitor().realTimeActive());  // the panel runs on

    const ReadBack r = readBack(path);
    QVERIFY(r.header && r.samples && r.trailer);
    const DataBuffer& b = *r.buffer;
    QCOMPARE(b.logInterval, 0.5F);
    QCOMPARE(b.firmwareId, win.w->controller().firmwareId());
    QVERIFY(!b.downloadDate.isEmpty());
    QCOMPARE(b.comment, QStringLiteral("Real-time recording"));
    for (int k = 1; k <= 5; ++k) {
        const Shown& s = shown[static_cast<std::size_t>(k - 1)];
        QCOMPARE(b.at(Column::ElapsedTime, k), s.elapsed);
        QCOMPARE(QString::number(b.at(Column::RPM, k)), s.rpm);
        // Seven significant digits in the file.
        QVERIFY(qAbs(b.at(Column::BatVolts, k) - s.bat) < 1e-5);
        // km/h in the file, mph on the dial.
        QVERIFY(qAbs(b.at(Column::VSS, k) * 0.621388 - s.mph) < 0.01);
        QCOMPARE(b.at(Column::Status, k), 1.0F);  // the simulated controller is not armed
    }
    QVERIFY(b.at(Column::ElapsedTime, 2) - b.at(Column::ElapsedTime, 1) >= 0.5F);
    QCOMPARE(b.at(Column::RPM, 6), 0.0F);
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
}

void TestLiveRecording::cycleCutShortLeavesTheRestEmpty() {
    Window win;
    win.trigger("mnuViewRealTime");
    win.trigger("mnuRecordRealTime");
    win.cycle();
    win.w->setAbortRequested(true);  // Esc: the cycle reads the status and ends
    win.cycle();
    win.w->setAbortRequested(false);
    win.cycle();
    win.trigger("mnuRecordRealTime");
    const QList<QByteArray> lines = fileLines(win.recorder().files().first());
    QCOMPARE(lines[3].count(','), 11);
    QVERIFY2(!lines[3].contains(",,"), lines[3].constData());
    // Only the status of the cut cycle, nothing of the cycle before.
    QVERIFY2(lines[4].endsWith(",,,,,,,,,1,,\r"), lines[4].constData());
    QVERIFY2(!lines[5].contains(",,"), lines[5].constData());
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
}

void TestLiveRecording::readsIgnoredAreLeftEmpty() {
    Window win;
    win.model.setFixedLive(
        sim::ControllerModel::Live{.rpm = 4000, .bat = 200, .vss = 80, .tps = 128});
    win.trigger("mnuViewRealTime");
    win.trigger("mnuRecordRealTime");
    // The controller stops answering at the battery read: that read and every later one are
    // given up with Ignore. The panel shows 0 for them; the recording leaves them empty.
    win.model.setTrace([&](const QString& line) {
        if (line == QLatin1String("ReadBAT")) {
            win.model.faults().silent = true;
        }
    });
    for (int i = 0; i < 8; ++i) {  // BAT, RPM .. PWM
        win.dialogs.expectErrorBox(QStringLiteral("RS-232 timeout. Check cable and click Abort."),
                                   MsgResult::Ignore);
    }
    win.cycle();
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
    QCOMPARE(win.w->realTimePanel().gauTach().caption(), QStringLiteral("0"));
    win.model.setTrace({});
    win.model.faults().silent = false;
    win.trigger("mnuRecordRealTime");
    const QList<QByteArray> lines = fileLines(win.recorder().files().first());
    // Elapsed time, the status, the throttle ((128 - 26) x 100 / 204 = 50 %), nothing else.
    QVERIFY2(lines[3].endsWith(",,50,,,,,,1,,\r"), lines[3].constData());
}

void TestLiveRecording::closeEndsTheRecording() {
    Window win;
    win.trigger("mnuViewRealTime");
    win.trigger("mnuRecordRealTime");
    win.cycle();
    win.cycle();
    win.w->realTimePanel().cmdCloseRealTimeData().click();
    QVERIFY(!win.recorder().isRecording());
    QVERIFY(!win.action("mnuRecordRealTime")->isChecked());
    const ReadBack r = readBack(win.recorder().files().first());
    QVERIFY(r.header && r.samples && r.trailer);
    QVERIFY(r.buffer->at(Column::RPM, 2) > 0);
    QCOMPARE(r.buffer->at(Column::RPM, 3), 0.0F);
}

void TestLiveRecording::lostLinkEndsTheRecording() {
    Window win;
    win.trigger("mnuViewRealTime");
    win.trigger("mnuRecordRealTime");
    win.cycle();
    win.cycle();
    win.model.faults().silent = true;
    win.dialogs.expectErrorBox(QStringLiteral("RS-232 timeout. Check cable and click Abort."),
                               MsgResult::Ignore);
    win.cycle();
    QVERIFY(!win.monitor().realTimeActive());
    QVERIFY(!win.recorder().isRecording());
    QVERIFY(win.recLamp()->isHidden());
    QCoreApplication::processEvents();  // no message of the recorder's own follows
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
    const ReadBack r = readBack(win.recorder().files().first());
    QVERIFY(r.header && r.samples && r.trailer);
    QVERIFY(r.buffer->at(Column::RPM, 2) > 0);
    QCOMPARE(r.buffer->at(Column::Status, 3), 0.0F);  // the failed cycle wrote nothing
    QCOMPARE(fileLines(win.recorder().files().first())[5], QByteArray("\r"));
}

void TestLiveRecording::closingTheProgramEndsTheRecording() {
    Window win;
    win.trigger("mnuViewRealTime");
    win.trigger("mnuRecordRealTime");
    win.cycle();
    win.trigger("mnuExit");
    QVERIFY(!win.recorder().isRecording());
    const ReadBack r = readBack(win.recorder().files().first());
    QVERIFY(r.header && r.samples && r.trailer);
    QVERIFY(r.buffer->at(Column::RPM, 1) > 0);
}

void TestLiveRecording::recordingNeedsThePanel() {
    Window win;
    win.dialogs.expectMessage(LiveRecorder::kTitle,
                              QStringLiteral("Recording keeps the readings of the real-time "
                                             "panel.\r\nStart View Real Time Data first."),
                              MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    win.trigger("mnuRecordRealTime");
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
    QVERIFY(!win.recorder().isRecording());
    QVERIFY(!win.action("mnuRecordRealTime")->isChecked());
    QVERIFY(!QDir(recordingsFolder()).exists());
}

void TestLiveRecording::unwritableFolderKeepsThePanelRunning() {
    Window win;
    QTemporaryDir dir;
    const QString blocked = dir.filePath(QStringLiteral("not-a-folder"));
    QFile blocker(blocked);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    win.recorder().setFolder(blocked + QStringLiteral("/recordings"));
    win.trigger("mnuViewRealTime");
    win.dialogs.expectMessage(
        LiveRecorder::kTitle,
        QStringLiteral("The recording cannot start.\r\nCannot make the recordings folder ") +
            QDir::toNativeSeparators(blocked + QStringLiteral("/recordings")) +
            QStringLiteral(": the folder cannot be created there"),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    win.trigger("mnuRecordRealTime");
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
    QVERIFY(!win.recorder().isRecording());
    QVERIFY(!win.action("mnuRecordRealTime")->isChecked());
    QVERIFY(win.recLamp()->isHidden());
    const int cycles = win.monitor().cyclesStarted();
    win.cycle();
    QCOMPARE(win.monitor().cyclesStarted(), cycles + 1);
    QVERIFY(win.monitor().realTimeActive());
}

void TestLiveRecording::diskFullMidRecordingKeepsThePanelRunning() {
    Window win;
    int opened = 0;
    win.recorder().setFileOpener([&](const QString& path, QString& error) {
        return ++opened == 1 ? openNew(path, error) : openFullDisk(path, error);
    });
    win.trigger("mnuViewRealTime");
    win.trigger("mnuRecordRealTime");
    win.cycle();
    // Most of an hour of cycles, handed on as the poll cycle hands them on.
    LiveCycle cycle;
    cycle.set(Column::RPM, 2500);
    for (int k = 0; k < 2699; ++k) {
        win.clock.advanceUs(500'000);
        cycle.startedUs = win.clock.nowUs();
        win.recorder().addCycle(cycle);
    }
    QVERIFY(win.recorder().isRecording());
    const QString first = win.recorder().files().first();
    // The next cycle needs the second file: the disk is full. One message, once the cycle is
    // over.
    // The message names the file that could not be made and the cause; the hidden file it was
    // being written as is gone, and so is the name it was to take.
    const QString second = first.chopped(4) + QStringLiteral(" part 2.log");
    win.dialogs.expectMessage(
        LiveRecorder::kTitle,
        QStringLiteral("Recording stopped. Cannot create ") + QDir::toNativeSeparators(second) +
            QStringLiteral(": No space left on device\r\nThe readings recorded so far are kept "
                           "in ") +
            QDir::toNativeSeparators(first) + QStringLiteral("."),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    win.cycle();
    QVERIFY(!win.recorder().isRecording());
    QVERIFY(!win.action("mnuRecordRealTime")->isChecked());
    QVERIFY(win.recLamp()->isHidden());
    QCOMPARE(win.dialogs.shownCount(), 0);  // the box waits for the cycle to end
    QCoreApplication::processEvents();
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
    QCOMPARE(win.dialogs.shownCount(), 1);
    // The panel runs on; the rows so far read back.
    QVERIFY(win.monitor().realTimeActive());
    const int cycles = win.monitor().cyclesStarted();
    win.cycle();
    QCOMPARE(win.monitor().cyclesStarted(), cycles + 1);
    const ReadBack r = readBack(first);
    QVERIFY(r.header && r.samples && r.trailer);
    QCOMPARE(r.buffer->at(Column::RPM, 2700), 2500.0F);
    QCOMPARE(QDir(recordingsFolder()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QFileInfo(first).fileName()});
}

void TestLiveRecording::recentRecordingsOpensTheChart() {
    Window win;
    QMenu* recent = win.w->findChild<QMenu*>(QStringLiteral("mnuRecentRecordings"));
    QVERIFY(recent != nullptr);
    emit recent->aboutToShow();
    QCOMPARE(recent->actions().size(), 1);
    QVERIFY(!recent->actions().first()->isEnabled());  // nothing recorded yet

    win.trigger("mnuViewRealTime");
    win.trigger("mnuRecordRealTime");
    for (int i = 0; i < 3; ++i) {
        win.cycle();
    }
    win.trigger("mnuRecordRealTime");
    const QString path = win.recorder().files().first();

    emit recent->aboutToShow();
    QCOMPARE(recent->actions().size(), 1);
    QAction* item = recent->actions().first();
    DatedFile listed;
    QVERIFY(dated_files::parse(QFileInfo(path).fileName(), QStringLiteral(".log"), listed));
    QCOMPARE(item->text(), listed.menuText());
    QCOMPARE(listed.model, QStringLiteral("QX-2"));
    item->trigger();
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
    QTRY_COMPARE(win.chartsShown, 1);
    const DataBuffer& b = win.w->dataBuffer();
    QVERIFY(!b.bufferEmpty);
    QCOMPARE(b.comment, QStringLiteral("Real-time recording"));
    QCOMPARE(b.logInterval, 0.5F);
    QVERIFY(b.at(Column::RPM, 3) > 0);
    QVERIFY(win.w->windowTitle().contains(QFileInfo(path).fileName()));
    // The chart stops the panel, as it does for a download.
    QVERIFY(!win.monitor().realTimeActive());
}

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsSet(kChildVariable)) {
        return recordUntilKilled(qEnvironmentVariable(kChildVariable));
    }
    QApplication app(argc, argv);
    TestLiveRecording test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_live_recording.moc"
