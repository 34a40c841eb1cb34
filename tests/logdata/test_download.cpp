#include <QtTest>

#include "download_fixture.h"
#include "fram_log.h"
#include "link/controller_protocol.h"
#include "logdata/download_command.h"
#include "logdata/fram_decoder.h"
#include "logdata/kept_downloads.h"
#include "logdata/save_log_command.h"
#include "status_rows.h"

using namespace tarvik;
using namespace tarvik::test;

class TestDownload : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fullDownload_data();
    void fullDownload();
    void statusDecides_data();
    void statusDecides();
    void silentController();
    void escDuringSilentLinkCheck();
    void failureWithEmptyBuffer();
    void garbageReplies();
    void shortRepliesFromTheStart();
    void shortBlockMidDownload();
    void silenceMidDownload();
    void firmwareWithoutCarriageReturn();
    void emptyFirmware();
    void scaleFactorsUnreadable();
    void escDuringFramRead();
    void staleEscDoesNotStopDownload();
    void ringStartPastImage();
    void openErrorEndsDownload_data();
    void openErrorEndsDownload();
    void keptDownloadIsTheSavedFile();
    void keptDownloadFailureIsToldAfterTheChart_data();
    void keptDownloadFailureIsToldAfterTheChart();
};

void TestDownload::fullDownload_data() {
    QTest::addColumn<int>("oldestSlot");
    QTest::addColumn<bool>("mph");
    QTest::addColumn<int>("genMode");
    QTest::newRow("plain order, km/h") << 0 << false << 0x00;
    QTest::newRow("wrapped at slot 100, mph") << 100 << true << 0x40;
    QTest::newRow("wrapped at the last slot, rpm doubled") << 2699 << false << 0x20;
}

void TestDownload::fullDownload() {
    QFETCH(int, oldestSlot);
    QFETCH(bool, mph);
    QFETCH(int, genMode);
    DownloadFixture f;
    f.link.model.setFram(sim::makeStripDayLog(0.016, oldestSlot, mph));
    f.link.model.setGenModeFlags(static_cast<quint8>(genMode));
    f.link.model.setLogIntervalByte(1);
    f.link.model.setTpsScale(30, 220);
    f.expectFirmware();
    f.run();
    DIALOGS_OK(f);

    FramDecodeSettings s;
    s.tpsScaleFactors = {30.0f, 220.0f};
    s.rpmDouble = (genMode & 0x20) != 0;
    s.vssInMph = (genMode & 0x40) != 0;
    const DataBuffer want = expectedFrom(f.link.model.fram(), s, static_cast<float>(0.016));
    for (int c = 0; c < kDataColumns; ++c) {
        QCOMPARE(f.cmd.buffer.column(static_cast<Column>(c)), want.column(static_cast<Column>(c)));
    }
    QCOMPARE(f.cmd.buffer.at(Column::ElapsedTime, 2700), 43.2f);
    QCOMPARE(f.cmd.buffer.logInterval, static_cast<float>(0.016));
    QVERIFY(!f.cmd.buffer.bufferEmpty);
    QCOMPARE(f.cmd.buffer.firmwareId, QString::fromLatin1(f.link.model.firmwareText()));
    QCOMPARE(f.cmd.buffer.controllerVersion, QStringLiteral("QX-2"));
    QCOMPARE(f.cmd.buffer.downloadDate, QStringLiteral("05/03/2024 14:02:11"));
    QCOMPARE(f.cmd.buffer.comment, QString());
    QCOMPARE(f.captions, (QStringList{CommandFixture::kBase + " - Downloaded Data"}));
    QCOMPARE(f.cmd.charts, 1);
    QCOMPARE(f.monitorStops, 1);
    QVERIFY(!f.link.link.isPortOpen());
    QCOMPARE(f.link.model.framBlocksServed(), 512);
    // The frame shows "Reading FRAM", the bar runs 0 .. 100 once per block, then it hides.
    QCOMPARE(f.progress.first(), QStringLiteral("show:Reading FRAM"));
    QCOMPARE(f.progress.at(1), QStringLiteral("0"));
    QCOMPARE(f.progress.size(), 1 + 1 + 512 + 1);
    QCOMPARE(f.progress.at(f.progress.size() - 2), QStringLiteral("100"));
    QCOMPARE(f.progress.last(), QStringLiteral("hide"));
    QCOMPARE(f.cmd.yields, 512);
}

void TestDownload::statusDecides_data() {
    test::addStatusAllowsLogAccessRows();
}

void TestDownload::statusDecides() {
    QFETCH(int, status);
    QFETCH(bool, allowed);
    DownloadFixture f;
    f.link.model.setStatus(static_cast<quint8>(status));
    if (allowed) {
        f.expectFirmware();
    } else {
        f.expect(kArmed);
    }
    f.run();
    DIALOGS_OK(f);
    if (allowed) {
        f.verifyLoaded();
    } else {
        f.verifyFailedCleanly();
        QCOMPARE(f.link.model.framBlocksServed(), 0);
        QVERIFY(f.progress.isEmpty());
    }
}

void TestDownload::silentController() {
    DownloadFixture f;
    f.link.model.faults().silent = true;
    f.expect(kNoLink);
    f.link.clock.startEventGapWatch();
    f.run();
    DIALOGS_OK(f);
    QCOMPARE(f.link.written(), (std::vector<quint8>{0x33, 0x33, 0x33, 0x33, 0x33}));
    f.verifyFailedCleanly();
    // Five seconds of silence, and the window never goes 100 ms without its events.
    QVERIFY2(f.link.clock.longestEventGapUs() < 100'000,
             qPrintable(QString::number(f.link.clock.longestEventGapUs())));
}

void TestDownload::escDuringSilentLinkCheck() {
    // Esc is seen while the first check waits for its answer: no more checks follow.
    DownloadFixture f;
    f.link.model.faults().silent = true;
    const qint64 start = f.link.clock.nowUs();
    f.link.clock.setOnPause([&](int) {
        if (f.link.clock.nowUs() - start >= 300'000) {
            f.cmd.abortRequested = true;
        }
    });
    f.expect(kNoLink);
    f.run();
    DIALOGS_OK(f);
    QCOMPARE(f.link.written(), (std::vector<quint8>{0x33}));
    QVERIFY(!f.cmd.abortRequested);
    const qint64 ms = f.link.elapsedMsSince(start);
    QVERIFY2(ms >= 1000 && ms < 1100, qPrintable(QString::number(ms)));
    f.verifyFailedCleanly();
}

void TestDownload::failureWithEmptyBuffer() {
    // Nothing was loaded: the caption says so, as it did before the download.
    DownloadFixture f;
    f.cmd.buffer.clearDataBuffer();
    f.link.model.setStatus(3);
    f.expect(kArmed);
    f.run();
    DIALOGS_OK(f);
    QVERIFY(f.cmd.buffer.bufferEmpty);
    QCOMPARE(f.captions, (QStringList{CommandFixture::kBase + " - Data Buffer Empty"}));
    QCOMPARE(f.cmd.charts, 0);
}

void TestDownload::garbageReplies() {
    DownloadFixture f;
    f.link.model.faults().garbage = true;
    f.expect(kNoLink);
    f.run();
    DIALOGS_OK(f);
    f.verifyFailedCleanly();
}

void TestDownload::shortRepliesFromTheStart() {
    // The one-byte acknowledgement loses its only byte: the link check hears nothing.
    DownloadFixture f;
    f.link.model.faults().shortReplies = true;
    f.expect(kNoLink);
    f.run();
    DIALOGS_OK(f);
    f.verifyFailedCleanly();
}

void TestDownload::shortBlockMidDownload() {
    DownloadFixture f;
    f.link.model.setTrace([&](const QString& line) {
        if (line.startsWith(QStringLiteral("ReadFRAMBlock")) &&
            f.link.model.framBlocksServed() == 40) {
            f.link.model.faults().shortReplies = true;  // block 41 comes one byte short
        }
    });
    f.expectFirmware();
    f.dialogs().expectErrorBox(kTimeout, MsgResult::Abort);
    f.expect(kFramFailed, MsgIcon::Information);
    f.run();
    DIALOGS_OK(f);
    f.verifyFailedCleanly();
}

void TestDownload::silenceMidDownload() {
    DownloadFixture f;
    f.link.model.faults().silentAfterFramBlocks = 100;
    f.expectFirmware();
    f.dialogs().expectErrorBox(kTimeout, MsgResult::Ignore);
    f.expect(kFramFailed, MsgIcon::Information);
    f.run();
    DIALOGS_OK(f);
    f.verifyFailedCleanly();
    QCOMPARE(f.progress.count(QStringLiteral("hide")), 1);
}

void TestDownload::firmwareWithoutCarriageReturn() {
    DownloadFixture f;
    f.link.model.faults().firmwareWithoutCr = true;
    f.dialogs().expectErrorBox(kTimeout, MsgResult::Abort);
    f.expect(QStringLiteral("Firmware ID read failed - cannot download."));
    f.run();
    DIALOGS_OK(f);
    f.verifyFailedCleanly();
    QCOMPARE(f.link.controller.firmwareId(), QString());
}

void TestDownload::emptyFirmware() {
    DownloadFixture f;
    f.link.model.setFirmwareText(QByteArray());
    f.expect(QStringLiteral("Invalid firmware ID - cannot download."));
    f.run();
    DIALOGS_OK(f);
    f.verifyFailedCleanly();
}

void TestDownload::scaleFactorsUnreadable() {
    // The controller refuses the scale address only: the download goes on with 26 and 230.
    DownloadFixture f;
    f.link.model.setTpsScale(0, 200);
    f.link.model.setTrace([&](const QString& line) {
        f.link.model.faults().negativeAck = line == QStringLiteral("SetAddress 23");
    });
    f.expectFirmware();
    f.expect(
        QStringLiteral("Error - unable to read TPS scale factors.\r\n"
                       "TPS percent data may be incorrectly scaled."));
    f.run();
    DIALOGS_OK(f);
    f.verifyLoaded();
    QCOMPARE(f.link.controller.tpsScaleFactors()[0], 26.0f);
    QCOMPARE(f.link.controller.tpsScaleFactors()[1], 230.0f);
    FramDecodeSettings s;
    s.tpsScaleFactors = {26.0f, 230.0f};
    s.vssInMph = true;
    const DataBuffer want = expectedFrom(f.link.model.fram(), s, static_cast<float>(7 * 0.016));
    QCOMPARE(f.cmd.buffer.column(Column::TPSPercent), want.column(Column::TPSPercent));
}

void TestDownload::escDuringFramRead() {
    DownloadFixture f;
    f.cmd.onYield = [&](int n) {
        if (n == 10) {
            f.cmd.abortRequested = true;
        }
    };
    f.expectFirmware();
    f.expect(kFramFailed, MsgIcon::Information);
    f.run();
    DIALOGS_OK(f);
    f.verifyFailedCleanly();
    QCOMPARE(f.link.model.framBlocksServed(), 10);
    QVERIFY(!f.cmd.abortRequested);

    // The next download is not affected.
    f.cmd.onYield = {};
    f.expectFirmware();
    f.run();
    DIALOGS_OK(f);
    f.verifyLoaded();
}

void TestDownload::staleEscDoesNotStopDownload() {
    DownloadFixture f;
    f.cmd.abortRequested = true;  // pressed while nothing was running
    f.expectFirmware();
    f.run();
    DIALOGS_OK(f);
    f.verifyLoaded();
    QCOMPARE(f.link.model.framBlocksServed(), 512);
}

void TestDownload::ringStartPastImage() {
    DownloadFixture f;
    std::vector<quint8> image = sim::makeStripDayLog(0.112, 0, true);
    image[35] = 0xFF;  // 65535: record 1 would lie past the end of the memory
    image[36] = 0xFF;
    f.link.model.setFram(image);
    f.expectFirmware();
    f.dialogs().expectErrorBox(
        QStringLiteral("Subscript out of range: the controller's log start address 65535 puts "
                       "record 1 past the end of its memory."),
        MsgResult::Abort);
    f.run();
    DIALOGS_OK(f);
    f.verifyFailedCleanly();
}

QTEST_GUILESS_MAIN(TestDownload)
void TestDownload::openErrorEndsDownload_data() {
    QTest::addColumn<int>("cause");
    QTest::addColumn<QString>("text");
    QTest::newRow("unplugged")
        << static_cast<int>(PortOpenFailure::NoSuchDevice)
        << QStringLiteral(
               "Cannot open Com1: there is no device /dev/ttyS0.\r\nThe USB-serial "
               "adapter may be unplugged, or Com1 may be the wrong port.\r\nPlug the "
               "adapter in, or use Communications > Find Ports... to find it and bind "
               "it to Com1.");
    QTest::newRow("denied") << static_cast<int>(PortOpenFailure::PermissionDenied)
                            << QStringLiteral(
                                   "Cannot open Com1 (/dev/ttyS0): permission denied.\r\nSerial "
                                   "devices belong to the dialout group. Add your user to it in a "
                                   "terminal:\r\nsudo usermod -aG dialout $USER\r\nthen log out "
                                   "and log in again.");
    QTest::newRow("busy") << static_cast<int>(PortOpenFailure::Busy)
                          << QStringLiteral(
                                 "Cannot open Com1 (/dev/ttyS0): it is in use by "
                                 "another program.\r\nClose the other program (a "
                                 "terminal, another copy of this program) and click "
                                 "Retry.");
}

void TestDownload::openErrorEndsDownload() {
    // One box says what is wrong; Abort on it ends the download: no further link checks and no
    // "Cannot establish RS-232 link" after it.
    QFETCH(int, cause);
    QFETCH(QString, text);
    DownloadFixture f;
    f.link.port.failOpens(QStringLiteral("system text"), static_cast<PortOpenFailure>(cause));
    f.dialogs().expectErrorBox(text, MsgResult::Abort);
    f.run();
    DIALOGS_OK(f);
    QCOMPARE(f.link.port.openCount(), 0);
    QVERIFY(f.link.written().empty());
    f.verifyFailedCleanly();

    // Retry tries the same port again and, once it opens, the download goes on.
    DownloadFixture g;
    g.link.port.failOpens(QStringLiteral("system text"), static_cast<PortOpenFailure>(cause));
    g.dialogs().expectMessage(QStringLiteral("Error"), text, MsgIcon::Critical,
                              MsgButtons::AbortRetryIgnore, MsgResult::Retry,
                              [&] { g.link.port.failOpens(QString()); });
    g.expectFirmware();
    g.run();
    DIALOGS_OK(g);
    QVERIFY(!g.cmd.buffer.bufferEmpty);
    QCOMPARE(g.cmd.charts, 1);
}

void TestDownload::keptDownloadIsTheSavedFile() {
    QTemporaryDir dir;
    DownloadFixture f;
    f.keptFolder = dir.filePath(QStringLiteral("data/downloads"));  // made when needed
    f.link.model.setFram(sim::makeStripDayLog(0.016, 321, false));
    f.expectFirmware();
    f.run();
    DIALOGS_OK(f);
    const QString kept = f.keptFolder + QStringLiteral("/2024-03-05_14-02-11_QX-2.log");
    QVERIFY2(QFileInfo::exists(kept), qPrintable(QDir(f.keptFolder).entryList().join(u' ')));
    // Nothing else of the download changed: no caption naming the file, no extra box.
    QCOMPARE(f.cmd.caption, CommandFixture::kBase + QStringLiteral(" - Downloaded Data"));
    QCOMPARE(f.boxesBeforeChart, 1);
    QCOMPARE(f.dialogs().shownCount(), 1);

    // File > Save File on the same data set writes the same bytes, the comment line aside.
    const QString saved = dir.filePath(QStringLiteral("saved.log"));
    f.cmd.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, saved)
        .expectInput(QStringLiteral("Comment?"), QStringLiteral("Optional Information Entry"),
                     QString(), QStringLiteral("Quarter mile, 6\" slicks"));
    SaveLogCommand(f.cmd.ctx).run();
    QVERIFY2(f.cmd.dialogs.ok(), qPrintable(f.cmd.dialogs.report()));
    QList<QByteArray> keptLines = CommandFixture::read(kept).split('\n');
    QList<QByteArray> savedLines = CommandFixture::read(saved).split('\n');
    QCOMPARE(keptLines.size(), 2707);  // 2706 lines, each ending in CR LF
    QCOMPARE(keptLines.at(2705), QByteArray("\"Comment\",\" \"\r"));
    QCOMPARE(savedLines.at(2705), QByteArray("\"Comment\",\"Quarter mile, 6\"\" slicks\"\r"));
    keptLines.removeAt(2705);
    savedLines.removeAt(2705);
    QCOMPARE(keptLines, savedLines);

    // A second download in the same second gets its own file; neither is overwritten.
    const QByteArray first = CommandFixture::read(kept);
    DownloadFixture g;
    g.keptFolder = f.keptFolder;
    g.link.model.setFram(sim::makeStripDayLog(0.016, 7, false));
    g.expectFirmware();
    g.run();
    DIALOGS_OK(g);
    QCOMPARE(CommandFixture::read(kept), first);
    QVERIFY(QFileInfo::exists(f.keptFolder + QStringLiteral("/2024-03-05_14-02-11_QX-2 (2).log")));
    QCOMPARE(QDir(f.keptFolder).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestDownload::keptDownloadFailureIsToldAfterTheChart_data() {
    QTest::addColumn<QString>("blocker");  // "file": a file where the folder should be
    QTest::newRow("file in the way") << QStringLiteral("file");
    QTest::newRow("read-only folder") << QStringLiteral("readonly");
}

void TestDownload::keptDownloadFailureIsToldAfterTheChart() {
    QFETCH(QString, blocker);
    QTemporaryDir dir;
    DownloadFixture f;
    f.keptFolder = dir.filePath(QStringLiteral("downloads"));
    QString reason;
    if (blocker == QLatin1String("file")) {
        CommandFixture::write(f.keptFolder, "not a folder");
        reason = QStringLiteral("a file of that name is in the way of the folder");
    } else {
        QVERIFY(QDir().mkpath(f.keptFolder));
        QFile::setPermissions(f.keptFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile probe(f.keptFolder + QStringLiteral("/probe"));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QSKIP("running with rights that write into a read-only folder");
        }
    }
    f.expectFirmware();
    f.run();  // the box about the folder is left unscripted and read back below
    // The download itself is whole: buffer loaded, chart shown, then the one box.
    QVERIFY(!f.cmd.buffer.bufferEmpty);
    QCOMPARE(f.cmd.charts, 1);
    QCOMPARE(f.boxesBeforeChart, 1);
    QCOMPARE(f.dialogs().shownCount(), 2);
    const QString box = f.dialogs().shown().at(1);
    QVERIFY2(box.contains(DownloadCommand::kNotKept), qPrintable(box));
    QVERIFY2(box.contains(QDir::toNativeSeparators(f.keptFolder)), qPrintable(box));
    QVERIFY2(box.contains(reason), qPrintable(box));
    QVERIFY2(box.contains(QStringLiteral("use File > Save File to keep it")), qPrintable(box));
    f.dialogs().reset();
    QFile::setPermissions(f.keptFolder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

#include "test_download.moc"
