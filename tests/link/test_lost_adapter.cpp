// A serial adapter that goes away in the middle of an exchange, on the in-process simulator and
// a fake clock: the box that says so, Retry opening the port again and starting the exchange
// again (first setting the controller's address again where the read depends on it), Ignore
// and Abort; the low-latency request made on every open; and a reply that arrives after its
// deadline, which must never be taken as the answer to the next command.
#include <QtTest>
#include <functional>

#include "link/controller_protocol.h"
#include "link_fixture.h"

using namespace tarvik;
using test::LinkFixture;
using Bytes = std::vector<quint8>;
namespace p = tarvik::protocol;

namespace {

const QString kGone = QStringLiteral(
    "The serial adapter on Com1 (/dev/ttyS0) has gone: plug it back in, then press Retry.");
const QString kNoLink =
    QStringLiteral("Cannot establish RS-232 link. Check cable and controller power.");

// The commands the table below names, run on the fixture; each returns what it read.
QString runCommand(LinkFixture& f, const QString& name) {
    Controller& c = f.controller;
    if (name == QLatin1String("status")) {
        return QString::number(c.readStatus());
    }
    if (name == QLatin1String("eeprom")) {
        return QString::number(c.readEeprom());
    }
    if (name == QLatin1String("block")) {
        c.readFramBlock(64);
        const auto& b = c.blockBuffer();
        return QString::number(b[0]) + u',' + QString::number(b[63]);
    }
    if (name == QLatin1String("address")) {
        c.setAddress(368);
        return QString::number(c.readEeprom());  // the byte at 368
    }
    if (name == QLatin1String("resync")) {
        c.reSync();
        return QString();
    }
    if (name == QLatin1String("firmware")) {
        c.readFirmwareId();
        return c.firmwareId();
    }
    return QStringLiteral("unknown command");
}

}  // namespace

class TestLostAdapter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void retryStartsTheExchangeAgain_data();
    void retryStartsTheExchangeAgain();
    void ignoreAndAbort_data();
    void ignoreAndAbort();
    void retryWhileStillGoneShowsTheBoxAgain();
    void backAndGoneAgainAtOnce();
    void linkCheckStopsAtAGoneAdapter();
    void lowLatencyAskedOnEveryOpen_data();
    void lowLatencyAskedOnEveryOpen();
    void lateReplyNeverAnswersTheNextCommand_data();
    void lateReplyNeverAnswersTheNextCommand();
};

void TestLostAdapter::retryStartsTheExchangeAgain_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("lostAfter");  // command bytes the controller got before it went
    QTest::addColumn<Bytes>("written");  // every byte of the command, lost attempt included
    QTest::addColumn<QString>("result");
    // Before each row: SetAddress(128) has been acknowledged, as in a download at block 2.
    const sim::ControllerModel model;
    const auto fram = [&](int a) { return QString::number(model.fram()[static_cast<size_t>(a)]); };
    QTest::newRow("status: sent again as it was")
        << QStringLiteral("status") << 1 << Bytes{0x2E, 0x2E} << QStringLiteral("1");
    // The controller answered the block the program never got, and moved on by 64: the address
    // is set again before the block is asked for again.
    QTest::newRow("FRAM block: address again first")
        << QStringLiteral("block") << 2 << Bytes{0x30, 64, 0x14, 128, 0, 0x30, 64}
        << fram(128) + u',' + fram(191);
    QTest::newRow("FRAM block cut after its first byte")
        << QStringLiteral("block") << 1 << Bytes{0x30, 0x14, 128, 0, 0x30, 64}
        << fram(128) + u',' + fram(191);
    QTest::newRow("EEPROM byte: address again first")
        << QStringLiteral("eeprom") << 1 << Bytes{0x15, 0x14, 128, 0, 0x15}
        << QString::number(model.eeprom(128));
    QTest::newRow("SetAddress cut after two bytes")
        << QStringLiteral("address") << 2 << Bytes{0x14, 0x70, 0x14, 0x70, 0x01, 0x15}
        << QString::number(model.eeprom(368));
    QTest::newRow("link check") << QStringLiteral("resync") << 1 << Bytes{0x33, 0x33} << QString();
    QTest::newRow("identification") << QStringLiteral("firmware") << 1 << Bytes{0x10, 0x10}
                                    << QString::fromLatin1(model.firmwareText());
}

void TestLostAdapter::retryStartsTheExchangeAgain() {
    QFETCH(QString, command);
    QFETCH(int, lostAfter);
    QFETCH(Bytes, written);
    QFETCH(QString, result);
    LinkFixture f;
    f.controller.setAddress(128);
    QVERIFY(f.controller.linkOk());
    f.port.clearWritten();
    f.port.pullOutAfterWrites(lostAfter);
    f.dialogs.expectMessage(QStringLiteral("Error"), kGone, MsgIcon::Critical,
                            MsgButtons::AbortRetryIgnore, MsgResult::Retry, [&] {
                                // The box is up: the port is already closed; the user replugs.
                                QVERIFY(!f.link.isPortOpen());
                                f.port.plugBackIn();
                            });
    QCOMPARE(runCommand(f, command), result);
    QVERIFY(f.controller.linkOk());
    QCOMPARE(f.written(), written);
    QCOMPARE(f.port.openCount(), 2);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestLostAdapter::ignoreAndAbort_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("monitorAborts");
    QTest::newRow("live read, Ignore")
        << QStringLiteral("status") << static_cast<int>(MsgResult::Ignore) << 0;
    QTest::newRow("live read, Abort stops monitoring")
        << QStringLiteral("status") << static_cast<int>(MsgResult::Abort) << 1;
    QTest::newRow("EEPROM read, Ignore")
        << QStringLiteral("eeprom") << static_cast<int>(MsgResult::Ignore) << 0;
    QTest::newRow("EEPROM read, Abort")
        << QStringLiteral("eeprom") << static_cast<int>(MsgResult::Abort) << 0;
}

void TestLostAdapter::ignoreAndAbort() {
    // Both end the command without its answer, with the port closed and no further box; the
    // next command after the replug finds the controller where the program's reads left it.
    QFETCH(QString, command);
    QFETCH(int, answer);
    QFETCH(int, monitorAborts);
    LinkFixture f;
    f.controller.setAddress(128);
    f.port.pullOutAfterWrites(1);
    f.dialogs.expectErrorBox(kGone, static_cast<MsgResult>(answer));
    QCOMPARE(runCommand(f, command), QStringLiteral("0"));
    QVERIFY(!f.controller.linkOk());
    QVERIFY(!f.link.isPortOpen());
    QCOMPARE(f.monitorAborts, monitorAborts);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));

    f.port.plugBackIn();
    f.port.clearWritten();
    QCOMPARE(f.controller.readEeprom(), f.model.eeprom(128));
    QCOMPARE(f.written(), (Bytes{0x14, 128, 0, 0x15}));
}

void TestLostAdapter::retryWhileStillGoneShowsTheBoxAgain() {
    // The same box for as long as the adapter is away, a new command included; each Retry tries
    // to open the port by its name once and holds nothing open.
    LinkFixture f;
    f.controller.reSync();
    f.port.pullOut();
    for (int i = 0; i < 3; ++i) {
        f.dialogs.expectErrorBox(kGone, MsgResult::Retry);
    }
    f.dialogs.expectMessage(QStringLiteral("Error"), kGone, MsgIcon::Critical,
                            MsgButtons::AbortRetryIgnore, MsgResult::Retry,
                            [&] { f.port.plugBackIn(); });
    QCOMPARE(f.controller.readStatus(), 1.0F);
    QCOMPARE(f.port.openCount(), 2);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));

    f.port.pullOut();
    f.dialogs.expectErrorBox(kGone, MsgResult::Abort);
    f.controller.readStatus();
    f.dialogs.expectErrorBox(kGone, MsgResult::Abort);
    f.controller.readTps();
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestLostAdapter::backAndGoneAgainAtOnce() {
    // Plugged back in and out again at once: the box again, and the read once it stays.
    LinkFixture f;
    f.controller.setAddress(0);
    f.controller.readFramBlock(64);
    f.port.clearWritten();
    f.port.pullOutAfterWrites(2);
    f.dialogs.expectMessage(QStringLiteral("Error"), kGone, MsgIcon::Critical,
                            MsgButtons::AbortRetryIgnore, MsgResult::Retry, [&] {
                                f.port.plugBackIn();
                                f.port.pullOutAfterWrites(1);  // goes during the new address
                            });
    f.dialogs.expectMessage(QStringLiteral("Error"), kGone, MsgIcon::Critical,
                            MsgButtons::AbortRetryIgnore, MsgResult::Retry,
                            [&] { f.port.plugBackIn(); });
    f.controller.readFramBlock(64);
    QVERIFY(f.controller.linkOk());
    QCOMPARE(f.controller.blockBuffer()[0], f.model.fram()[64]);
    QCOMPARE(f.controller.blockBuffer()[63], f.model.fram()[127]);
    QCOMPARE(f.written(), (Bytes{0x30, 64, 0x14, 0x14, 64, 0, 0x30, 64}));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestLostAdapter::linkCheckStopsAtAGoneAdapter() {
    // Ignore on the box: no four more boxes for the remaining checks, just the link message.
    LinkFixture f;
    f.controller.reSync();
    f.port.pullOut();
    f.port.clearWritten();
    f.dialogs.expectErrorBox(kGone, MsgResult::Ignore);
    f.dialogs.expectMessage(QStringLiteral("Download Data"), kNoLink, MsgIcon::Exclamation,
                            MsgButtons::Ok, MsgResult::Ok);
    QVERIFY(!f.controller.establishLink(QStringLiteral("Download Data")));
    QVERIFY(f.written().empty());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestLostAdapter::lowLatencyAskedOnEveryOpen_data() {
    QTest::addColumn<bool>("accepted");
    QTest::newRow("driver takes it") << true;
    QTest::newRow("driver refuses (built-in port, pseudo-terminal)") << false;
}

void TestLostAdapter::lowLatencyAskedOnEveryOpen() {
    QFETCH(bool, accepted);
    LinkFixture f;
    f.port.setLowLatencyAccepted(accepted);
    f.controller.reSync();
    QCOMPARE(f.port.lowLatencyRequests(), 1);
    f.controller.reSync();  // the port stays open: nothing more is asked
    f.link.closePort();
    f.controller.reSync();
    QCOMPARE(f.port.lowLatencyRequests(), 2);
    QVERIFY(f.controller.linkOk());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestLostAdapter::lateReplyNeverAnswersTheNextCommand_data() {
    QTest::addColumn<qint64>("latencyUs");
    QTest::addColumn<bool>("linked");
    QTest::newRow("just inside the deadline") << qint64{950'000} << true;
    QTest::newRow("50 ms past it") << qint64{1'050'000} << false;
    QTest::newRow("200 ms past it") << qint64{1'200'000} << false;
}

void TestLostAdapter::lateReplyNeverAnswersTheNextCommand() {
    // Every answer comes just after its deadline: the acknowledgement of one link check arrives
    // while the next waits. It is dropped before the next check is sent, so the checks fail and
    // the status read that would follow them is never answered by a stale byte.
    QFETCH(qint64, latencyUs);
    QFETCH(bool, linked);
    LinkFixture f;
    f.model.setReplyLatencyUs(latencyUs);
    if (!linked) {
        f.dialogs.expectMessage(QStringLiteral("Download Data"), kNoLink, MsgIcon::Exclamation,
                                MsgButtons::Ok, MsgResult::Ok);
    }
    QCOMPARE(f.controller.establishLink(QStringLiteral("Download Data")), linked);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    if (linked) {
        QCOMPARE(f.written(), Bytes{0x33});
        return;
    }
    const auto& w = f.port.written();
    QCOMPARE(w.size(), size_t{Controller::kLinkChecks});
    for (size_t i = 1; i < w.size(); ++i) {
        // Each check waits out its deadline, then the line's quiet time after the late byte.
        const qint64 gap = w[i].us - w[i - 1].us;
        QVERIFY2(gap >= latencyUs + SerialLink::kLateReplyQuietMs * 1000,
                 qPrintable(QString::number(gap)));
    }
}

QTEST_MAIN(TestLostAdapter)
#include "test_lost_adapter.moc"
