// The download when the line misbehaves, on the in-process simulator and a fake clock: the
// cable pulled out during the FRAM read (Retry after the replug goes on from the block it stopped
// at; Abort and Ignore end the download with its message), and answers that come after their
// deadline.
#include <QtTest>

#include "download_fixture.h"
#include "fram_log.h"

using namespace tarvik;
using namespace tarvik::test;

class TestDownloadLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void adapterBackCarriesOnFromItsBlock_data();
    void adapterBackCarriesOnFromItsBlock();
    void adapterGoneEndsWithTheMessage_data();
    void adapterGoneEndsWithTheMessage();
    void lateRepliesGiveTheLinkMessage();
};

void TestDownloadLine::adapterBackCarriesOnFromItsBlock_data() {
    QTest::addColumn<int>("block");
    QTest::addColumn<int>("bytesSent");  // of the block's command, before the adapter went
    QTest::newRow("block 200, the controller answered it") << 200 << 2;
    QTest::newRow("block 200, half its command sent") << 200 << 1;
    QTest::newRow("the first block") << 0 << 2;
    QTest::newRow("the last block") << 511 << 2;
}

void TestDownloadLine::adapterBackCarriesOnFromItsBlock() {
    // The cable comes out during the FRAM read and goes back in while the box is up: Retry goes
    // on from the block it stopped at, the controller's address set to it again first, and the
    // image is the controller's whole FRAM, byte for byte (never shifted by a lost block).
    QFETCH(int, block);
    QFETCH(int, bytesSent);
    DownloadFixture f;
    f.link.model.setFram(sim::makeStripDayLog(0.016, 777, true));
    bool lost = false;
    // Whole command sent: the controller has answered the block (and moved on) when it goes.
    f.link.model.setTrace([&](const QString& line) {
        if (!lost && bytesSent == 2 &&
            line == QStringLiteral("ReadFRAMBlock 64 @%1").arg(block * 64)) {
            lost = true;
            f.link.port.pullOutAfterWrites(1);
        }
    });
    // Half sent: it goes in the pause between the block command's two bytes.
    f.link.clock.setOnPause([&](int ms) {
        const Bytes w = f.link.port.writtenBytes();
        if (!lost && bytesSent == 1 && ms > 0 && f.link.port.isOpen() && !w.empty() &&
            w.back() == 0x30 && f.link.model.framBlocksServed() == block) {
            lost = true;
            f.link.port.pullOut();
        }
    });
    f.expectFirmware();
    f.dialogs().expectMessage(QStringLiteral("Error"),
                              QStringLiteral("The serial adapter on Com1 (/dev/ttyS0) has gone: "
                                             "plug it back in, then press Retry."),
                              MsgIcon::Critical, MsgButtons::AbortRetryIgnore, MsgResult::Retry,
                              [&] {
                                  f.link.port.clearWritten();
                                  f.link.port.plugBackIn();
                              });
    f.run();
    DIALOGS_OK(f);
    QVERIFY(lost);
    // After the replug: the address of the block, then the block, then on to the end.
    const Bytes w = f.link.port.writtenBytes();
    const int address = block * 64;
    QVERIFY(w.size() >= 5);
    QCOMPARE((Bytes{w[0], w[1], w[2], w[3], w[4]}),
             (Bytes{0x14, static_cast<quint8>(address & 0xFF), static_cast<quint8>(address >> 8),
                    0x30, 64}));
    for (int a = 0; a < FramBuffer::kSize; ++a) {
        QCOMPARE(f.fram->at(a), f.link.model.fram()[static_cast<std::size_t>(a)]);
    }
    f.verifyLoaded();
    QCOMPARE(f.cmd.charts, 1);
}

void TestDownloadLine::adapterGoneEndsWithTheMessage_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("Abort") << static_cast<int>(MsgResult::Abort);
    QTest::newRow("Ignore") << static_cast<int>(MsgResult::Ignore);
}

void TestDownloadLine::adapterGoneEndsWithTheMessage() {
    QFETCH(int, answer);
    DownloadFixture f;
    f.link.model.setTrace([&](const QString& line) {
        if (line.startsWith(QStringLiteral("ReadFRAMBlock")) &&
            f.link.model.framBlocksServed() == 100) {
            f.link.port.pullOutAfterWrites(1);
        }
    });
    f.expectFirmware();
    f.dialogs().expectErrorBox(QStringLiteral("The serial adapter on Com1 (/dev/ttyS0) has gone: "
                                              "plug it back in, then press Retry."),
                               static_cast<MsgResult>(answer));
    f.expect(kFramFailed, MsgIcon::Information);
    f.run();
    DIALOGS_OK(f);
    f.verifyFailedCleanly();
    QCOMPARE(f.progress.count(QStringLiteral("hide")), 1);
}

void TestDownloadLine::lateRepliesGiveTheLinkMessage() {
    // Every answer arrives just past its 1 s deadline: the late acknowledgement of a link check
    // must not pass for the status byte (status 6, "armed"). The user is told the link failed.
    DownloadFixture f;
    f.link.model.setReplyLatencyUs(1'050'000);
    f.expect(kNoLink);
    f.run();
    DIALOGS_OK(f);
    f.verifyFailedCleanly();
    QCOMPARE(f.link.written(), (std::vector<quint8>(Controller::kLinkChecks, 0x33)));
}

QTEST_GUILESS_MAIN(TestDownloadLine)
#include "test_download_line.moc"
