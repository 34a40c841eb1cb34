// The real serial port path (QSerialPort on a pseudo-terminal, real time) against tarvik-sim.
#include <sys/resource.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QtTest>
#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

#include "fram_log.h"
#include "link/controller.h"
#include "link/serial_link.h"
#include "logdata/data_buffer.h"
#include "logdata/download_command.h"
#include "logdata/log_data_host.h"
#include "platform/qt_serial_port.h"
#include "platform/steady_clock.h"
#include "scripted_dialogs.h"
#include "sim_process.h"

using namespace tarvik;
using test::ScriptedDialogs;
using test::SimProcess;

namespace {
double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct RealLink {
    QtSerialPort port;
    SteadyClock clock;
    ScriptedDialogs dialogs;
    SerialLink link;
    Controller controller{link};
    explicit RealLink(const QString& device)
        : link(port, clock, dialogs, [device](int) { return device; }) {}
};

QString goneText(const QString& device) {
    return QStringLiteral(
               "The serial adapter on Com1 (%1) has gone: plug it back in, then press "
               "Retry.")
        .arg(device);
}

int openFiles() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files).size());
}

// A download as the main window runs it, without the window: the boxes go to the link's
// dialogs, and `onProgress` sees the bar move.
struct DownloadHost : LogDataHost {
    RealLink& r;
    DataBuffer buffer;
    std::function<void(int)> onProgress;
    int charts = 0;
    explicit DownloadHost(RealLink& link) : r(link) {}
    DataBuffer& dataBuffer() override { return buffer; }
    UserDialogs& dialogs() override { return r.dialogs; }
    QString baseTitle() const override { return QStringLiteral("Tarvik"); }
    QString brandName() const override { return QStringLiteral("Orvenna"); }
    void yield() override { r.link.yieldToEvents(); }
    void setProgress(int percent) override {
        if (onProgress) {
            onProgress(percent);
        }
    }
    void viewChart() override { ++charts; }
};

// The simulator serving behind a symbolic link, as a USB adapter's stable name would: it can be
// stopped (the link goes, the pseudo-terminal hangs up) and started again under the same name.
struct PluggedSim {
    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("ttyTarvik"));
    std::unique_ptr<SimProcess> sim;
    PluggedSim() { plugIn(); }
    void plugIn(const QString& name = QString(), const QStringList& more = {}) {
        sim = std::make_unique<SimProcess>(
            QStringList{QStringLiteral("--link"), name.isEmpty() ? link : name} + more);
    }
    void pullOut() { sim.reset(); }
};
}  // namespace

class TestLinkPty : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void identifiesReadsAndDownloadsBlocks();
    void clearBufferOverThePty();
    void silentControllerReSync();
    void missingDeviceNamesItself();
    void openFailuresSayWhatToDo_data();
    void openFailuresSayWhatToDo();
    void portInUseIsBusy();
    void simulatorGoneBeforeWriteIsReported();
    void simulatorGoneDuringWaitIsReportedAtOnceWithoutSpinning();
    void hangUpWhileIdleClosesThePort();
    void symlinkAndTrace();
    void replugUnderTheSameNameCarriesOn();
    void fiftyRetriesWithTheCableOutHoldNoHandle();
    void backUnderAnotherNameIsStillGone();
    void busyWhenRetryReopens();
    void downloadCarriesOnAfterReplug();
    void lateRepliesGiveTheLinkMessage();
    void lowLatencyRefusedOnAPseudoTerminal();
    void simulatorPacesTheLine_data();
    void simulatorPacesTheLine();
};

void TestLinkPty::identifiesReadsAndDownloadsBlocks() {
    SimProcess sim;
    QVERIFY2(sim.device().startsWith(QLatin1String("/dev/pts/")), qPrintable(sim.device()));
    RealLink r(sim.device());
    r.controller.reSync();
    QVERIFY(r.controller.linkOk());
    QCOMPARE(r.controller.readStatus(), 1.0F);
    r.controller.readFirmwareId();
    QVERIFY(r.controller.linkOk());
    QCOMPARE(r.controller.controllerVersion(), QStringLiteral("QX-2"));
    QVERIFY(!r.link.isPortOpen());
    r.controller.readTpsScaleFactors();
    QVERIFY(r.controller.linkOk());
    QCOMPARE(r.controller.tpsScaleFactors()[0], 26.0F);
    QCOMPARE(r.controller.tpsScaleFactors()[1], 230.0F);
    const float rpm = r.controller.readRpm();
    QVERIFY(r.controller.linkOk());
    QVERIFY(rpm >= 500 && rpm <= 8000);

    const std::vector<quint8> expected = sim::makeStripDayLog(7 * 0.016, 1234, true);
    r.controller.setAddress(0);
    QVERIFY(r.controller.linkOk());
    for (int block = 0; block < 8; ++block) {
        r.controller.readFramBlock(64);
        QVERIFY(r.controller.linkOk());
        for (int i = 0; i < 64; ++i) {
            QCOMPARE(r.controller.blockBuffer()[static_cast<size_t>(i)],
                     expected[static_cast<size_t>(block * 64 + i)]);
        }
    }
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
}

void TestLinkPty::clearBufferOverThePty() {
    SimProcess sim;
    RealLink r(sim.device());
    QElapsedTimer t;
    t.start();
    r.controller.clearControllerBuffer();
    QVERIFY(r.controller.linkOk());
    QVERIFY(!r.link.isPortOpen());
    QVERIFY(t.elapsed() >= 5000);
    // The log is gone: the ring starts at its first slot.
    r.controller.setAddress(0);
    r.controller.readFramBlock(64);
    QCOMPARE(r.controller.blockBuffer()[35] + 256 * r.controller.blockBuffer()[36], 368);
}

void TestLinkPty::silentControllerReSync() {
    SimProcess sim({QStringLiteral("--silent")});
    RealLink r(sim.device());
    QElapsedTimer t;
    t.start();
    r.controller.reSync();
    QVERIFY(!r.controller.linkOk());
    QVERIFY(t.elapsed() >= 1000);
    QVERIFY(r.link.isPortOpen());
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
}

void TestLinkPty::missingDeviceNamesItself() {
    RealLink r(QStringLiteral("/dev/tarvik-no-such-port"));
    r.dialogs.expectMessage(QStringLiteral("Error"),
                            QStringLiteral("Cannot open Com1: there is no device "
                                           "/dev/tarvik-no-such-port.\r\nThe USB-serial adapter "
                                           "may be unplugged, or Com1 may be the wrong port.\r\n"
                                           "Plug the adapter in, or use Communications > Find "
                                           "Ports... to find it and bind it to Com1."),
                            MsgIcon::Critical, MsgButtons::AbortRetryIgnore, MsgResult::Abort);
    r.controller.readStatus();
    QVERIFY(!r.controller.linkOk());
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
}

void TestLinkPty::openFailuresSayWhatToDo_data() {
    // [Ports] values a user may set by hand: each is refused with what is wrong, and nothing is
    // ever written to a file that is not a serial device.
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("firstLine");
    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("notes.txt"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("keep me");
    f.close();
    const QString longName = QStringLiteral("/dev/") + QString(5000, u'x');
    QTest::newRow("regular file")
        << file << QStringLiteral("Cannot open Com1: %1 is not a serial device.").arg(file);
    QTest::newRow("folder")
        << dir.path()
        << QStringLiteral("Cannot open Com1: %1 is not a serial device.").arg(dir.path());
    QTest::newRow("/dev/null") << QStringLiteral("/dev/null")
                               << QStringLiteral(
                                      "Cannot open Com1: /dev/null is not a serial "
                                      "device.");
    QTest::newRow("empty") << QString()
                           << QStringLiteral(
                                  "Cannot open Com1: there is no device (no device "
                                  "name).");
    QTest::newRow("5000 characters")
        << longName
        << QStringLiteral("Cannot open Com1 (%1... (5005 characters))").arg(longName.left(80));
}

void TestLinkPty::openFailuresSayWhatToDo() {
    QFETCH(QString, device);
    QFETCH(QString, firstLine);
    RealLink r(device);
    // The box is left unscripted: the double answers it with Abort and records what it said.
    r.controller.establishLink(QStringLiteral("Download Data"));
    QVERIFY(!r.controller.linkOk());
    QVERIFY(r.link.openAborted());
    QCOMPARE(r.dialogs.shownCount(), 1);  // one box, no further tries
    const QString shown = r.dialogs.shown().at(0);
    QVERIFY2(shown.contains(QStringLiteral("\"Error\" \"") + firstLine), qPrintable(shown));
    QVERIFY2(shown.endsWith(QStringLiteral("[critical, Abort/Retry/Ignore]")), qPrintable(shown));
    r.dialogs.reset();
    if (QFileInfo(device).isFile()) {
        QFile back(device);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), QByteArray("keep me"));
    }
}

void TestLinkPty::portInUseIsBusy() {
    SimProcess sim;
    QtSerialPort first;
    first.open(sim.device());
    RealLink r(sim.device());
    r.dialogs.expectMessage(
        QStringLiteral("Error"),
        QStringLiteral("Cannot open Com1 (%1): it is in use by another program.\r\nClose the "
                       "other program (a terminal, another copy of this program) and click "
                       "Retry.")
            .arg(sim.device()),
        MsgIcon::Critical, MsgButtons::AbortRetryIgnore, MsgResult::Abort);
    r.controller.establishLink(QStringLiteral("Download Data"));
    QVERIFY(!r.controller.linkOk());
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
}

void TestLinkPty::simulatorGoneBeforeWriteIsReported() {
    SimProcess sim;
    RealLink r(sim.device());
    r.controller.reSync();
    QVERIFY(r.controller.linkOk());
    sim.stop();
    r.dialogs.expectErrorBox(goneText(sim.device()), MsgResult::Abort);
    r.controller.readStatus();
    QVERIFY(!r.controller.linkOk());
    QVERIFY(!r.link.isPortOpen());
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
}

void TestLinkPty::simulatorGoneDuringWaitIsReportedAtOnceWithoutSpinning() {
    // The other end goes while the reply is awaited: the hung-up line closes the port at once
    // and the box says the adapter has gone, without waiting out the deadline or spinning.
    SimProcess sim({QStringLiteral("--reply-delay"), QStringLiteral("800")});
    RealLink r(sim.device());
    const qint64 pid = sim.pid();
    std::thread killer([pid] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    });
    r.dialogs.expectMessage(QStringLiteral("Error"), goneText(sim.device()), MsgIcon::Critical,
                            MsgButtons::AbortRetryIgnore, MsgResult::Ignore,
                            [&] { QVERIFY(!r.link.isPortOpen()); });
    QElapsedTimer t;
    t.start();
    const double cpuBefore = cpuSeconds();
    r.controller.readStatus();
    const double cpu = cpuSeconds() - cpuBefore;
    killer.join();
    QVERIFY(!r.controller.linkOk());
    QVERIFY2(t.elapsed() >= 150 && t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    QVERIFY2(cpu < 0.5, qPrintable(QString::number(cpu)));
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
}

void TestLinkPty::hangUpWhileIdleClosesThePort() {
    // The other end goes while nothing is being exchanged (the panel between two polls): Qt
    // would report the hung-up line from the event loop over and over, keeping a core busy.
    // The port closes at once instead, and says its device was lost.
    SimProcess sim;
    QtSerialPort port;
    port.open(sim.device());
    sim.stop();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 400) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
    const double cpu = cpuSeconds() - cpuBefore;
    QVERIFY(!port.isOpen());
    QVERIFY(port.deviceLost());
    QVERIFY2(cpu < 0.2, qPrintable(QString::number(cpu)));
}

void TestLinkPty::symlinkAndTrace() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyTarvik"));
    const QString trace = dir.filePath(QStringLiteral("trace.txt"));
    {
        SimProcess sim({QStringLiteral("--link"), link, QStringLiteral("--trace"), trace});
        QCOMPARE(QFileInfo(link).symLinkTarget(), sim.device());
        RealLink r(link);
        r.controller.setAddress(368);
        QVERIFY(r.controller.linkOk());
        r.controller.readEeprom();
        sim.stop();
        QCOMPARE(sim.exitCode(), 0);
    }
    QVERIFY(!QFileInfo::exists(link));
    QFile f(trace);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    QVERIFY2(text.contains(QLatin1String("SetAddress 368")), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("ReadEEPROM @368")), qPrintable(text));
}

void TestLinkPty::replugUnderTheSameNameCarriesOn() {
    PluggedSim sim;
    RealLink r(sim.link);
    r.controller.reSync();
    QVERIFY(r.controller.linkOk());
    sim.pullOut();
    r.dialogs.expectMessage(QStringLiteral("Error"), goneText(sim.link), MsgIcon::Critical,
                            MsgButtons::AbortRetryIgnore, MsgResult::Retry, [&] {
                                QVERIFY(!r.link.isPortOpen());
                                sim.plugIn();
                            });
    QCOMPARE(r.controller.readStatus(), 1.0F);
    QVERIFY(r.controller.linkOk());
    // ... and again: a replugged adapter is just a port that opens.
    sim.pullOut();
    r.dialogs.expectMessage(QStringLiteral("Error"), goneText(sim.link), MsgIcon::Critical,
                            MsgButtons::AbortRetryIgnore, MsgResult::Retry, [&] { sim.plugIn(); });
    r.controller.readFirmwareId();
    QCOMPARE(r.controller.controllerVersion(), QStringLiteral("QX-2"));
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
}

void TestLinkPty::fiftyRetriesWithTheCableOutHoldNoHandle() {
    PluggedSim sim;
    RealLink r(sim.link);
    r.controller.reSync();
    sim.pullOut();
    int filesAtFirst = -1;
    int filesAtLast = -1;
    r.dialogs.expectMessage(QStringLiteral("Error"), goneText(sim.link), MsgIcon::Critical,
                            MsgButtons::AbortRetryIgnore, MsgResult::Retry,
                            [&] { filesAtFirst = openFiles(); });
    for (int i = 0; i < 49; ++i) {
        r.dialogs.expectErrorBox(goneText(sim.link), MsgResult::Retry);
    }
    r.dialogs.expectMessage(QStringLiteral("Error"), goneText(sim.link), MsgIcon::Critical,
                            MsgButtons::AbortRetryIgnore, MsgResult::Abort,
                            [&] { filesAtLast = openFiles(); });
    r.controller.readStatus();
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
    QVERIFY(filesAtFirst > 0);
    QCOMPARE(filesAtLast, filesAtFirst);
    QCOMPARE(openFiles(), filesAtFirst);
}

void TestLinkPty::backUnderAnotherNameIsStillGone() {
    PluggedSim sim;
    RealLink r(sim.link);
    r.controller.reSync();
    sim.pullOut();
    const QString other = sim.dir.filePath(QStringLiteral("ttyOther"));
    r.dialogs.expectMessage(QStringLiteral("Error"), goneText(sim.link), MsgIcon::Critical,
                            MsgButtons::AbortRetryIgnore, MsgResult::Retry,
                            [&] { sim.plugIn(other); });
    r.dialogs.expectErrorBox(goneText(sim.link), MsgResult::Abort);
    r.controller.readStatus();
    QVERIFY(!r.controller.linkOk());
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
    QVERIFY(QFileInfo::exists(other));
}

void TestLinkPty::busyWhenRetryReopens() {
    PluggedSim sim;
    RealLink r(sim.link);
    r.controller.reSync();
    sim.pullOut();
    QtSerialPort otherProgram;
    r.dialogs.expectMessage(QStringLiteral("Error"), goneText(sim.link), MsgIcon::Critical,
                            MsgButtons::AbortRetryIgnore, MsgResult::Retry, [&] {
                                sim.plugIn();
                                otherProgram.open(sim.link);
                            });
    r.dialogs.expectMessage(
        QStringLiteral("Error"),
        QStringLiteral("Cannot open Com1 (%1): it is in use by another program.\r\nClose the "
                       "other program (a terminal, another copy of this program) and click "
                       "Retry.")
            .arg(sim.link),
        MsgIcon::Critical, MsgButtons::AbortRetryIgnore, MsgResult::Retry,
        [&] { otherProgram.close(); });
    QCOMPARE(r.controller.readStatus(), 1.0F);
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
}

void TestLinkPty::downloadCarriesOnAfterReplug() {
    // The cable comes out halfway through the FRAM read and goes back in while the box is up:
    // the read goes on from the block it stopped at, the controller's address set to it again,
    // and the image is the controller's FRAM byte for byte.
    QTemporaryDir traces;
    const QString trace = traces.filePath(QStringLiteral("after.txt"));
    PluggedSim sim;
    RealLink r(sim.link);
    DownloadHost host(r);
    bool pulled = false;
    host.onProgress = [&](int percent) {
        if (!pulled && percent >= 50) {
            pulled = true;
            sim.pullOut();
        }
    };
    r.dialogs.expectMessage(
        QStringLiteral("Download Data"),
        QStringLiteral("Firmware ID: QX-2 Progressive Nitrous Controller V2.14"),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    r.dialogs.expectMessage(QStringLiteral("Error"), goneText(sim.link), MsgIcon::Critical,
                            MsgButtons::AbortRetryIgnore, MsgResult::Retry, [&] {
                                sim.plugIn(QString(), {QStringLiteral("--trace"), trace});
                            });
    auto image = std::make_unique<FramBuffer>();
    DownloadCommand(host, r.controller, *image).run();
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
    QVERIFY(pulled);
    QVERIFY(!host.buffer.bufferEmpty);
    QCOMPARE(host.charts, 1);
    const std::vector<quint8> expected = sim::makeStripDayLog(7 * 0.016, 1234, true);
    for (int a = 0; a < FramBuffer::kSize; ++a) {
        QCOMPARE(image->at(a), expected[static_cast<size_t>(a)]);
    }
    QFile f(trace);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    QVERIFY(lines.size() > 2);
    const QString resumedAt = lines.at(0).section(u' ', 1);
    QVERIFY2(lines.at(0).startsWith(QStringLiteral("SetAddress ")), qPrintable(lines.at(0)));
    QVERIFY2(resumedAt.toInt() >= 16000 && resumedAt.toInt() % 64 == 0, qPrintable(lines.at(0)));
    QCOMPARE(lines.at(1), QStringLiteral("ReadFRAMBlock 64 @") + resumedAt);
}

void TestLinkPty::lateRepliesGiveTheLinkMessage() {
    // Every answer arrives just past its 1 s deadline: the late acknowledgement of a link check
    // must never pass for the status byte ("armed"). The user is told the link failed.
    SimProcess sim({QStringLiteral("--reply-past-deadline")});
    RealLink r(sim.device());
    DownloadHost host(r);
    r.dialogs.expectMessage(
        QStringLiteral("Download Data"),
        QStringLiteral("Cannot establish RS-232 link. Check cable and controller power."),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    auto image = std::make_unique<FramBuffer>();
    DownloadCommand(host, r.controller, *image).run();
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
    QVERIFY(host.buffer.bufferEmpty);
}

void TestLinkPty::lowLatencyRefusedOnAPseudoTerminal() {
    // A pseudo-terminal has no latency timer to shorten: the request is refused, harmlessly.
    SimProcess sim;
    QtSerialPort port;
    port.open(sim.device());
    QVERIFY(!port.requestLowLatency());
    port.writeByte(0x33);
    QVERIFY(port.bytesWaiting() > 0 || port.waitForMoreBytes(1000));
    QCOMPARE(port.readByte(), quint8{0x06});
}

void TestLinkPty::simulatorPacesTheLine_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<double>("atLeastMs");  // one 64-byte block, its two pauses included
    const double wireMs = 65 * 10 * 1000.0 / 56000;
    QTest::newRow("56000 baud") << QStringList{QStringLiteral("--baud"), QStringLiteral("56000")}
                                << 4 + wireMs;
    QTest::newRow("56000 baud, 16 ms latency timer")
        << QStringList{QStringLiteral("--baud"), QStringLiteral("56000"),
                       QStringLiteral("--usb-latency"), QStringLiteral("16")}
        << 4 + wireMs + 15.5;
}

void TestLinkPty::simulatorPacesTheLine() {
    // The simulator's line is no faster than a real one would be (how much slower depends on
    // the machine's load; bench_logdata prints the figures).
    QFETCH(QStringList, options);
    QFETCH(double, atLeastMs);
    SimProcess sim(options);
    RealLink r(sim.device());
    r.controller.setAddress(0);
    QVERIFY(r.controller.linkOk());
    const std::vector<quint8> expected = sim::makeStripDayLog(7 * 0.016, 1234, true);
    for (int block = 0; block < 3; ++block) {
        QElapsedTimer t;
        t.start();
        r.controller.readFramBlock(64);
        const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        QVERIFY(r.controller.linkOk());
        QVERIFY2(ms >= atLeastMs, qPrintable(QString::number(ms)));
        for (int i = 0; i < 64; ++i) {
            QCOMPARE(r.controller.blockBuffer()[static_cast<size_t>(i)],
                     expected[static_cast<size_t>(block * 64 + i)]);
        }
    }
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
}

QTEST_MAIN(TestLinkPty)
#include "test_link_pty.moc"
