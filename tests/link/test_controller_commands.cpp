#include <QtTest>

#include "core/app_error.h"
#include "link/controller_protocol.h"
#include "link_fixture.h"

using namespace tarvik;
using test::LinkFixture;
using Bytes = std::vector<quint8>;

Q_DECLARE_METATYPE(Bytes)

namespace {
const QString kTimeout = QStringLiteral("RS-232 timeout. Check cable and click Abort.");

float runRead(Controller& c, const QString& name) {
    if (name == "BAT")
        return c.readBat();
    if (name == "RPM")
        return c.readRpm();
    if (name == "VSS")
        return c.readVss();
    if (name == "TPS")
        return c.readTps();
    if (name == "VIN1")
        return c.readVin1();
    if (name == "VIN2")
        return c.readVin2();
    if (name == "Input")
        return c.readInputData();
    if (name == "Output")
        return c.readOutputData();
    if (name == "Status")
        return c.readStatus();
    return -1;
}
}  // namespace

class TestControllerCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void setAddressSendsLowSixteenBits_data();
    void setAddressSendsLowSixteenBits();
    void readingsDecode_data();
    void readingsDecode();
    void readPwmSetsBothStages();
    void dataLogInterval();
    void firmwareVersions_data();
    void firmwareVersions();
    void armedStatuses_data();
    void armedStatuses();
    void firmwareWithoutCarriageReturnTimesOut();
    void reSyncSilenceIsNotAnError();
    void reSyncNegativeAckAfterPause();
    void negativeAcknowledgementsAreSilent();
    void timeoutAbortClosesPortAndStopsMonitor();
    void timeoutAbortOfSetupReadLeavesMonitor();
    void timeoutRetryShowsBoxAgainWithoutExchange();
    void timeoutIgnoreEndsCommand();
    void staleBytesDiscarded();
    void replyNearDeadline_data();
    void replyNearDeadline();
    void oneByteShortIsTimeout();
    void clearBufferWaitsFiveSecondsAndCloses();
    void clearBufferRefusedWithWrongConfirmation();
    void tpsScaleFirstReadFails_data();
    void tpsScaleFirstReadFails();
    void genModeFlags();
    void framBlocksFollowAddress();
    void framBlockLongerThanBufferIsReported();
    void openFailureShowsPortTextAndRetries();
};

void TestControllerCommands::setAddressSendsLowSixteenBits_data() {
    QTest::addColumn<qint32>("address");
    QTest::addColumn<Bytes>("bytes");
    QTest::newRow("368") << 368 << Bytes{0x14, 0x70, 0x01};
    QTest::newRow("0") << 0 << Bytes{0x14, 0x00, 0x00};
    QTest::newRow("65535") << 65535 << Bytes{0x14, 0xFF, 0xFF};
    QTest::newRow("65536+368") << 65536 + 368 << Bytes{0x14, 0x70, 0x01};
    QTest::newRow("0x12345") << 0x12345 << Bytes{0x14, 0x45, 0x23};
}

void TestControllerCommands::setAddressSendsLowSixteenBits() {
    QFETCH(qint32, address);
    QFETCH(Bytes, bytes);
    LinkFixture f;
    f.controller.setAddress(address);
    QVERIFY(f.controller.linkOk());
    QCOMPARE(f.written(), bytes);
    // One byte per write, 2 ms apart.
    const auto& w = f.port.written();
    QCOMPARE(w[1].us - w[0].us, 2000);
    QCOMPARE(w[2].us - w[1].us, 2000);
    QVERIFY(f.link.isPortOpen());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::readingsDecode_data() {
    QTest::addColumn<QString>("read");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("b0");
    QTest::addColumn<int>("b1");
    QTest::addColumn<float>("expected");
    QTest::newRow("BAT 255") << "BAT" << 0x26 << 255 << 0 << 18.0F;
    QTest::newRow("BAT 0") << "BAT" << 0x26 << 0 << 0 << 0.0F;
    QTest::newRow("BAT 128") << "BAT" << 0x26 << 128 << 0 << static_cast<float>(128 * 18.0 / 255.0);
    QTest::newRow("VIN1 51") << "VIN1" << 0x2A << 51 << 0 << 1.0F;
    QTest::newRow("VIN2 255") << "VIN2" << 0x2B << 255 << 0 << 5.0F;
    QTest::newRow("RPM 10000") << "RPM" << 0x27 << 0x10 << 0x27 << 10000.0F;
    QTest::newRow("RPM 32768") << "RPM" << 0x27 << 0x00 << 0x80 << 32768.0F;
    QTest::newRow("RPM 65535") << "RPM" << 0x27 << 0xFF << 0xFF << 65535.0F;
    QTest::newRow("VSS raw") << "VSS" << 0x28 << 201 << 0 << 201.0F;
    QTest::newRow("TPS raw") << "TPS" << 0x29 << 226 << 0 << 226.0F;
    QTest::newRow("inputs") << "Input" << 0x2C << 0x05 << 0 << 5.0F;
    QTest::newRow("outputs") << "Output" << 0x2D << 0x1B << 0 << 27.0F;
    QTest::newRow("status") << "Status" << 0x2E << 6 << 0 << 6.0F;
}

void TestControllerCommands::readingsDecode() {
    QFETCH(QString, read);
    QFETCH(int, command);
    QFETCH(int, b0);
    QFETCH(int, b1);
    QFETCH(float, expected);
    LinkFixture f;
    sim::ControllerModel::Live live;
    auto b = static_cast<quint8>(b0);
    live = {static_cast<quint16>(b0 + 256 * b1), b, b, b, b, b, b, b, 0, 0};
    f.model.setFixedLive(live);
    f.model.setStatus(b);
    const float value = runRead(f.controller, read);
    QCOMPARE(value, expected);
    QVERIFY(f.controller.linkOk());
    QCOMPARE(f.written(), Bytes{static_cast<quint8>(command)});
    // A high engine speed is a reading, never an overflow box.
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::readPwmSetsBothStages() {
    LinkFixture f;
    sim::ControllerModel::Live live;
    live.pwm1 = 45;
    live.pwm2 = 100;
    f.model.setFixedLive(live);
    f.controller.readPwm();
    QVERIFY(f.controller.linkOk());
    QCOMPARE(f.controller.stage1Pwm(), 45.0F);
    QCOMPARE(f.controller.stage2Pwm(), 100.0F);
    QCOMPARE(f.written(), Bytes{0x2F});
}

void TestControllerCommands::dataLogInterval() {
    LinkFixture f;
    f.model.setLogIntervalByte(125);
    QCOMPARE(f.controller.readDataLogInterval(), 2.0F);
    QVERIFY(f.controller.linkOk());
    QCOMPARE(f.written(), (Bytes{0x14, 19, 0, 0x15}));
}

void TestControllerCommands::firmwareVersions_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("version");
    QTest::newRow("QX-2") << QByteArray("QX-2 Progressive V2.14") << "QX-2";
    QTest::newRow("lower-case qx-2") << QByteArray("qx-2 progressive") << "QX-2";
    QTest::newRow("QX-1") << QByteArray("QX-1 V1.07") << "QX-1";
    QTest::newRow("both ids") << QByteArray("QX-2 firmware for QX-1 boards") << "QX-1";
    QTest::newRow("no id") << QByteArray("Nitrous controller") << "Unknown";
    QTest::newRow("bare CR") << QByteArray() << "Unknown";
}

void TestControllerCommands::firmwareVersions() {
    QFETCH(QByteArray, text);
    QFETCH(QString, version);
    LinkFixture f;
    f.model.setFirmwareText(text);
    f.controller.readFirmwareId();
    QVERIFY(f.controller.linkOk());
    QCOMPARE(f.controller.firmwareId(), QString::fromLatin1(text));
    QCOMPARE(f.controller.controllerVersion(), version);
    QVERIFY(!f.link.isPortOpen());
    QCOMPARE(f.written(), Bytes{0x10});
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::armedStatuses_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("armed");
    QTest::newRow("power off") << 0 << false;
    QTest::newRow("power on, not armed") << 1 << false;
    QTest::newRow("armed") << 2 << true;
    QTest::newRow("active") << 3 << true;
}

// The download and the clear both refuse an armed controller; they share this threshold.
void TestControllerCommands::armedStatuses() {
    QFETCH(int, status);
    QFETCH(bool, armed);
    QCOMPARE(isArmedStatus(status), armed);
}

void TestControllerCommands::firmwareWithoutCarriageReturnTimesOut() {
    LinkFixture f;
    f.model.faults().firmwareWithoutCr = true;
    f.dialogs.expectErrorBox(kTimeout, MsgResult::Ignore);
    const qint64 start = f.clock.nowUs();
    f.controller.readFirmwareId();
    QVERIFY(!f.controller.linkOk());
    QCOMPARE(f.controller.firmwareId(), QString());
    QVERIFY(!f.link.isPortOpen());
    const qint64 ms = f.elapsedMsSince(start);
    QVERIFY2(ms >= 1000 && ms <= 1010, qPrintable(QString::number(ms)));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::reSyncSilenceIsNotAnError() {
    LinkFixture f;
    f.model.faults().silent = true;
    const qint64 start = f.clock.nowUs();
    f.controller.reSync();
    QVERIFY(!f.controller.linkOk());
    const qint64 ms = f.elapsedMsSince(start);
    QVERIFY2(ms >= 1000 && ms <= 1002, qPrintable(QString::number(ms)));
    QVERIFY(f.link.isPortOpen());
    QCOMPARE(f.written(), Bytes{0x33});
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::reSyncNegativeAckAfterPause() {
    LinkFixture f;
    f.model.faults().negativeAck = true;
    f.controller.reSync();
    QVERIFY(!f.controller.linkOk());
    QCOMPARE(f.clock.pauseCount(), 1);  // the 2 ms pause still follows the reply
    f.model.faults().negativeAck = false;
    f.controller.reSync();
    QVERIFY(f.controller.linkOk());
}

void TestControllerCommands::negativeAcknowledgementsAreSilent() {
    LinkFixture f;
    f.model.faults().negativeAck = true;
    f.controller.setAddress(20);
    QVERIFY(!f.controller.linkOk());
    f.controller.clearControllerBuffer();
    QVERIFY(!f.controller.linkOk());
    QCOMPARE(f.model.eraseCount(), 0);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::timeoutAbortClosesPortAndStopsMonitor() {
    LinkFixture f;
    f.model.faults().silent = true;
    f.dialogs.expectErrorBox(kTimeout, MsgResult::Abort);
    const qint64 start = f.clock.nowUs();
    const float v = f.controller.readBat();
    QCOMPARE(v, 0.0F);
    QVERIFY(!f.controller.linkOk());
    QVERIFY(!f.link.isPortOpen());
    QCOMPARE(f.monitorAborts, 1);
    const qint64 ms = f.elapsedMsSince(start);
    QVERIFY2(ms >= 1000 && ms <= 1002, qPrintable(QString::number(ms)));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::timeoutAbortOfSetupReadLeavesMonitor() {
    LinkFixture f;
    f.model.faults().silent = true;
    f.dialogs.expectErrorBox(kTimeout, MsgResult::Abort);
    QCOMPARE(f.controller.readEeprom(), quint8{0});
    QCOMPARE(f.monitorAborts, 0);
    QVERIFY(!f.link.isPortOpen());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::timeoutRetryShowsBoxAgainWithoutExchange() {
    LinkFixture f;
    f.model.faults().silent = true;
    f.dialogs.expectErrorBox(kTimeout, MsgResult::Retry)
        .expectErrorBox(kTimeout, MsgResult::Retry)
        .expectErrorBox(kTimeout, MsgResult::Ignore);
    const qint64 start = f.clock.nowUs();
    f.controller.readRpm();
    QCOMPARE(f.written(), Bytes{0x27});  // the exchange is not repeated
    QVERIFY(f.elapsedMsSince(start) <= 1002);
    QCOMPARE(f.port.openCount(), 1);
    QVERIFY(!f.controller.linkOk());
    QCOMPARE(f.monitorAborts, 0);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::timeoutIgnoreEndsCommand() {
    LinkFixture f;
    f.model.faults().silent = true;
    f.dialogs.expectErrorBox(kTimeout, MsgResult::Ignore);
    f.clock.startEventGapWatch();
    QCOMPARE(f.controller.readStatus(), 0.0F);
    QVERIFY(!f.controller.linkOk());
    QCOMPARE(f.clock.timedPauseCount(), 0);  // no pause: the command ended at the time-out
    // The second of silence is spent with the window alive: the event loop turns at least
    // every 50 ms.
    QVERIFY2(f.clock.longestEventGapUs() <= 50'000,
             qPrintable(QString::number(f.clock.longestEventGapUs())));
    QVERIFY(f.clock.pauseCount() >= 20);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::staleBytesDiscarded() {
    LinkFixture f;
    f.controller.reSync();
    QVERIFY(f.link.isPortOpen());
    f.port.injectReceived(QByteArray("\x99\x98\x97", 3));
    f.model.setStatus(1);
    QCOMPARE(f.controller.readStatus(), 1.0F);
    QVERIFY(f.controller.linkOk());
}

void TestControllerCommands::replyNearDeadline_data() {
    QTest::addColumn<qint64>("latencyUs");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0.999 s") << qint64{999'000} << true;
    QTest::newRow("exactly 1 s") << qint64{1'000'000} << true;
    QTest::newRow("1.002 s") << qint64{1'002'000} << false;
    QTest::newRow("1.05 s") << qint64{1'050'000} << false;
}

void TestControllerCommands::replyNearDeadline() {
    QFETCH(qint64, latencyUs);
    QFETCH(bool, accepted);
    LinkFixture f;
    f.model.setReplyLatencyUs(latencyUs);
    f.model.setStatus(1);
    if (!accepted) {
        f.dialogs.expectErrorBox(kTimeout, MsgResult::Ignore);
    }
    const float v = f.controller.readStatus();
    QCOMPARE(f.controller.linkOk(), accepted);
    QCOMPARE(v, accepted ? 1.0F : 0.0F);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::oneByteShortIsTimeout() {
    LinkFixture f;
    f.model.faults().shortReplies = true;
    f.dialogs.expectErrorBox(kTimeout, MsgResult::Ignore);
    QCOMPARE(f.controller.readRpm(), 0.0F);
    QVERIFY(!f.controller.linkOk());
    QVERIFY(!f.link.isPortOpen());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::clearBufferWaitsFiveSecondsAndCloses() {
    LinkFixture f;
    const qint64 start = f.clock.nowUs();
    f.clock.startEventGapWatch();
    f.controller.clearControllerBuffer();
    QVERIFY(f.controller.linkOk());
    QVERIFY(!f.link.isPortOpen());
    QCOMPARE(f.model.eraseCount(), 1);
    const auto& c = protocol::kEraseConfirmation;
    QCOMPARE(f.written(), (Bytes{0x31, c[0], c[1], c[2], c[3]}));
    QCOMPARE(f.clock.timedPauseCount(), 5);  // four between the bytes, one after the reply
    // The window stays alive through the 5 s wait.
    QVERIFY2(f.clock.longestEventGapUs() <= 50'000,
             qPrintable(QString::number(f.clock.longestEventGapUs())));
    // Four pauses of 2 ms, then the 5.0 s wait that only a second byte would cut short.
    const qint64 waitMs = f.elapsedMsSince(start) - 8 - 2;
    QVERIFY2(waitMs >= 5000 && waitMs <= 5002, qPrintable(QString::number(waitMs)));
}

void TestControllerCommands::clearBufferRefusedWithWrongConfirmation() {
    sim::ControllerModel model;
    model.setReplyLatencyUs(0);
    const quint8 wrong[] = {0x31, 0x5A, 0xA5, 0xC3, 0x3D};
    for (quint8 b : wrong) {
        model.receive(b, 0);
    }
    QByteArray out;
    model.takeDue(1'000'000, out);
    QCOMPARE(out, QByteArray(1, 0x15));
    QCOMPARE(model.eraseCount(), 0);
}

void TestControllerCommands::tpsScaleFirstReadFails_data() {
    QTest::addColumn<MsgResult>("answer");
    QTest::newRow("Abort") << MsgResult::Abort;
    QTest::newRow("Ignore") << MsgResult::Ignore;
}

void TestControllerCommands::tpsScaleFirstReadFails() {
    QFETCH(MsgResult, answer);
    LinkFixture f;
    f.controller.setTpsScaleFactors(11, 222);
    // The controller goes quiet right after acknowledging the address.
    f.clock.setOnPause([&](int) {
        if (f.written().size() == 3) {
            f.model.faults().silent = true;
        }
    });
    f.dialogs.expectErrorBox(kTimeout, answer);
    f.controller.readTpsScaleFactors();
    QVERIFY(!f.controller.linkOk());
    QCOMPARE(f.controller.tpsScaleFactors()[0], 0.0F);
    QCOMPARE(f.controller.tpsScaleFactors()[1], 222.0F);
    QVERIFY(!f.link.isPortOpen());
    QCOMPARE(f.monitorAborts, 0);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::genModeFlags() {
    LinkFixture f;
    f.model.setGenModeFlags(0x60);
    f.controller.readGenModeFlag();
    QVERIFY(f.controller.linkOk());
    QVERIFY(f.controller.rpmDouble());
    QVERIFY(f.controller.vssInMph());
    f.model.setGenModeFlags(0x9F);
    f.controller.readGenModeFlag();
    QVERIFY(!f.controller.rpmDouble());
    QVERIFY(!f.controller.vssInMph());
    // A refused address leaves the flags as they were.
    f.model.setGenModeFlags(0x60);
    f.model.faults().negativeAck = true;
    f.controller.readGenModeFlag();
    QVERIFY(!f.controller.linkOk());
    QVERIFY(!f.controller.rpmDouble());
    QVERIFY(!f.link.isPortOpen());
}

void TestControllerCommands::framBlocksFollowAddress() {
    LinkFixture f;
    f.controller.setAddress(0);
    QVERIFY(f.controller.linkOk());
    for (int block = 0; block < 3; ++block) {
        f.controller.readFramBlock(64);
        QVERIFY(f.controller.linkOk());
        for (int i = 0; i < 64; ++i) {
            QCOMPARE(f.controller.blockBuffer()[static_cast<size_t>(i)],
                     f.model.fram()[static_cast<size_t>(block * 64 + i)]);
        }
    }
    // The log's oldest record is not at the start of the ring, so the log wraps.
    const int ringStart = f.model.fram()[35] + 256 * f.model.fram()[36];
    QVERIFY(ringStart > 368 && ringStart < 32756);
    QCOMPARE((ringStart - 368) % 12, 0);
}

void TestControllerCommands::framBlockLongerThanBufferIsReported() {
    LinkFixture f;
    f.controller.setAddress(0);
    f.dialogs.expectErrorBox(QStringLiteral("Subscript out of range"), MsgResult::Retry)
        .expectErrorBox(QStringLiteral("Subscript out of range"), MsgResult::Ignore);
    f.controller.readFramBlock(65);
    // Ignore goes on: the pause, then LinkOK; the 65th byte is never stored.
    QVERIFY(f.controller.linkOk());
    QCOMPARE(f.controller.blockBuffer()[63], f.model.fram()[63]);
    QCOMPARE(f.written(), (Bytes{0x14, 0, 0, 0x30, 65}));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestControllerCommands::openFailureShowsPortTextAndRetries() {
    LinkFixture f;
    f.link.setPortNumber(3);
    f.port.failOpens(QStringLiteral("No such file or directory"));
    f.dialogs.expectMessage(QStringLiteral("Error"),
                            QStringLiteral("Cannot open Com3 (/dev/ttyS2): No such file or "
                                           "directory."),
                            MsgIcon::Critical, MsgButtons::AbortRetryIgnore, MsgResult::Retry,
                            [&] { f.port.failOpens(QString()); });
    f.model.setStatus(1);
    QCOMPARE(f.controller.readStatus(), 1.0F);
    QVERIFY(f.controller.linkOk());
    QCOMPARE(f.port.deviceName(), QStringLiteral("/dev/ttyS2"));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

QTEST_MAIN(TestControllerCommands)
#include "test_controller_commands.moc"
