// The real serial port path (QSerialPort on a pseudo-terminal, real time) against tarvik-sim.
#include <sys/resource.h>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QtTest>
#include <chrono>
#include <csignal>
#include <thread>

#include "fram_log.h"
#include "link/controller.h"
#include "link/serial_link.h"
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
    void simulatorGoneDuringWaitEndsAtDeadlineWithoutSpinning();
    void symlinkAndTrace();
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
    r.dialogs.expectErrorBox(
        QStringLiteral("Write to serial port %1 failed: Input/output error").arg(sim.device()),
        MsgResult::Abort);
    r.controller.readStatus();
    QVERIFY(!r.controller.linkOk());
    QVERIFY(!r.link.isPortOpen());
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
}

void TestLinkPty::simulatorGoneDuringWaitEndsAtDeadlineWithoutSpinning() {
    // Qt 6.4 reports the closed pseudo-terminal at once on every wait: the reply wait must
    // still end at its deadline and sleep rather than spin.
    SimProcess sim({QStringLiteral("--reply-delay"), QStringLiteral("800")});
    RealLink r(sim.device());
    const qint64 pid = sim.pid();
    std::thread killer([pid] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    });
    r.dialogs.expectErrorBox(QStringLiteral("RS-232 timeout. Check cable and click Abort."),
                             MsgResult::Ignore);
    QElapsedTimer t;
    t.start();
    const double cpuBefore = cpuSeconds();
    r.controller.readStatus();
    const double cpu = cpuSeconds() - cpuBefore;
    killer.join();
    QVERIFY(!r.controller.linkOk());
    QVERIFY2(t.elapsed() >= 1000 && t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
    QVERIFY2(cpu < 0.5, qPrintable(QString::number(cpu)));
    QVERIFY2(r.dialogs.ok(), qPrintable(r.dialogs.report()));
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

QTEST_MAIN(TestLinkPty)
#include "test_link_pty.moc"
