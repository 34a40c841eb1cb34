#include <QtTest>

#include "core/app_error.h"
#include "link/delay_timer.h"
#include "link_fixture.h"
#include "memory_settings.h"
#include "platform/port_names.h"
#include "platform/serial_port.h"

using namespace tarvik;
using test::LinkFixture;
using Bytes = std::vector<quint8>;

class TestSerialLink : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lineEventsOutsideMonitoring_data();
    void lineEventsOutsideMonitoring();
    void lineEventsWhileMonitoring_data();
    void lineEventsWhileMonitoring();
    void cancelClosesPort();
    void thirdLineErrorClosesPortBeforeBox();
    void otherEventCodesIgnored();
    void lineEventRunsInsidePause();
    void delayTimerOverflow();
    void portNames();
    void busyDuringCommandAndItsPauses();
    void commandFromInsideAPauseIsRefused();
    void queuedCommandRunsAfterUserAndNeverInterleaves();
    void runWhenIdleRunsAtOnceWhenIdle();
};

void TestSerialLink::lineEventsOutsideMonitoring_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("1004") << 1004 << "Framing Error";
    QTest::newRow("1006") << 1006 << "Port Hardware Overrun";
    QTest::newRow("1008") << 1008 << "Receive Buffer Overflow";
    QTest::newRow("1009") << 1009 << "Parity Error";
    QTest::newRow("1011") << 1011 << "Device Control Block Error";
}

void TestSerialLink::lineEventsOutsideMonitoring() {
    QFETCH(int, code);
    QFETCH(QString, text);
    LinkFixture f;
    f.controller.reSync();  // opens the port
    f.port.injectReceived("junk");
    f.dialogs.expectMessage(QStringLiteral("Communications Error"), text, MsgIcon::Critical,
                            MsgButtons::RetryCancel, MsgResult::Retry);
    f.port.deliverLineEvent(code);
    QCOMPARE(f.link.serialErrorCount(), 1);
    QVERIFY(f.link.isPortOpen());        // Retry leaves the port as it is
    QCOMPARE(f.port.bytesWaiting(), 0);  // ... and drops what was waiting
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestSerialLink::lineEventsWhileMonitoring_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("box");
    QTest::newRow("framing ignored") << 1004 << false << QString();
    QTest::newRow("parity ignored") << 1009 << false << QString();
    QTest::newRow("overrun closes") << 1006 << true << QString();
    QTest::newRow("overflow closes") << 1008 << true << QString();
    QTest::newRow("DCB still shown") << 1011 << false << "Device Control Block Error";
}

void TestSerialLink::lineEventsWhileMonitoring() {
    QFETCH(int, code);
    QFETCH(bool, closes);
    QFETCH(QString, box);
    LinkFixture f;
    f.monitoring = true;
    f.controller.reSync();
    if (!box.isEmpty()) {
        f.dialogs.expectMessage(QStringLiteral("Communications Error"), box, MsgIcon::Critical,
                                MsgButtons::RetryCancel, MsgResult::Retry);
    }
    f.port.deliverLineEvent(code);
    QCOMPARE(f.link.isPortOpen(), !closes);
    QCOMPARE(f.link.serialErrorCount(), box.isEmpty() ? 0 : 1);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestSerialLink::cancelClosesPort() {
    LinkFixture f;
    f.controller.reSync();
    f.dialogs.expectMessage(QStringLiteral("Communications Error"), QStringLiteral("Parity Error"),
                            MsgIcon::Critical, MsgButtons::RetryCancel, MsgResult::Cancel);
    f.port.deliverLineEvent(line_event::kParityError);
    QVERIFY(!f.link.isPortOpen());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestSerialLink::thirdLineErrorClosesPortBeforeBox() {
    LinkFixture f;
    f.controller.reSync();
    QList<bool> openWhileShown;
    auto note = [&] { openWhileShown << f.link.isPortOpen(); };
    for (int i = 0; i < 4; ++i) {
        f.dialogs.expectMessage(QStringLiteral("Communications Error"),
                                QStringLiteral("Framing Error"), MsgIcon::Critical,
                                MsgButtons::RetryCancel, MsgResult::Retry, note);
    }
    for (int i = 0; i < 4; ++i) {
        if (!f.link.isPortOpen()) {
            f.controller.reSync();  // the next command reopens it
        }
        f.port.deliverLineEvent(line_event::kFramingError);
    }
    QCOMPARE(openWhileShown, (QList<bool>{true, true, false, false}));
    QCOMPARE(f.link.serialErrorCount(), 4);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestSerialLink::otherEventCodesIgnored() {
    LinkFixture f;
    f.controller.reSync();
    for (int code : {1, 2, 1001, 1005, 1010, 1012}) {
        f.port.deliverLineEvent(code);
    }
    QVERIFY(f.link.isPortOpen());
    QCOMPARE(f.link.serialErrorCount(), 0);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestSerialLink::lineEventRunsInsidePause() {
    // Events are delivered from the event loop: during a command that is its 2 ms pauses.
    LinkFixture f;
    f.controller.reSync();
    f.port.injectLineEvent(line_event::kFramingError);
    f.dialogs.expectMessage(QStringLiteral("Communications Error"), QStringLiteral("Framing Error"),
                            MsgIcon::Critical, MsgButtons::RetryCancel, MsgResult::Retry);
    f.controller.setAddress(5);  // pauses between its bytes
    QVERIFY(f.controller.linkOk());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestSerialLink::delayTimerOverflow() {
    sim::FakeClock clock;
    clock.setProcessEvents(false);
    delayTimer(clock, 2);
    QCOMPARE(clock.pausedUs(), 2000);
    delayTimer(clock, 2147483);  // 2147483000 us still fits
    try {
        delayTimer(clock, 2147484);
        QFAIL("no overflow");
    } catch (const AppError& e) {
        QCOMPARE(e.code(), AppError::kOverflow);
        QCOMPARE(e.description(), QStringLiteral("Overflow"));
    }
    QCOMPARE(clock.pauseCount(), 2);
}

void TestSerialLink::portNames() {
    test::MemorySettings settings;
#ifdef Q_OS_WIN
    QCOMPARE(portDeviceName(3, nullptr), QStringLiteral("COM3"));
#else
    QCOMPARE(portDeviceName(1, nullptr), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(portDeviceName(255, &settings), QStringLiteral("/dev/ttyS254"));
    settings.write(QStringLiteral("Ports"), QStringLiteral("Com1"), QStringLiteral("/dev/ttyUSB0"));
    settings.write(QStringLiteral("Ports"), QStringLiteral("Com2"), QStringLiteral("  "));
    QCOMPARE(portDeviceName(1, &settings), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(portDeviceName(2, &settings), QStringLiteral("/dev/ttyS1"));
#endif
}

void TestSerialLink::busyDuringCommandAndItsPauses() {
    LinkFixture f;
    QList<bool> busyInPause;
    f.clock.setOnPause([&](int) { busyInPause << f.link.busy(); });
    QVERIFY(!f.link.busy());
    f.controller.setAddress(368);
    QVERIFY(!f.link.busy());
    QCOMPARE(busyInPause, (QList<bool>{true, true, true}));
}

void TestSerialLink::commandFromInsideAPauseIsRefused() {
    LinkFixture f;
    bool done = false;
    f.clock.setOnPause([&](int) {
        if (!done) {
            done = true;
            f.controller.readStatus();  // a menu click handled inside the pause
            QVERIFY(!f.controller.linkOk());
        }
    });
    f.controller.setAddress(368);
    QVERIFY(f.controller.linkOk());
    QCOMPARE(f.written(), (Bytes{0x14, 0x70, 0x01}));
    QCOMPARE(f.link.refusedCount(), 1);
}

void TestSerialLink::queuedCommandRunsAfterUserAndNeverInterleaves() {
    LinkFixture f;
    int menuRuns = 0;
    float status = -1;
    bool queued = false;
    f.model.setStatus(1);
    f.clock.setOnPause([&](int) {
        if (!queued) {
            queued = true;
            // A menu command chosen while a cycle is suspended in a yield waits for the link.
            f.link.runWhenIdle([&] {
                ++menuRuns;
                status = f.controller.readStatus();
            });
            QCOMPARE(menuRuns, 0);
        }
    });
    {
        // A poll cycle holding the link across several commands and its own yields.
        SerialLink::LinkUse cycle(f.link);
        QVERIFY(cycle.acquired());
        f.controller.setAddress(20);
        f.link.yieldToEvents();
        f.controller.readTps();
        f.link.yieldToEvents();
        f.controller.readBat();
        QCOMPARE(menuRuns, 0);
        QCOMPARE(f.link.pendingCount(), 1);
    }
    QCOMPARE(menuRuns, 0);  // it runs from the event loop, not inside the releasing scope
    QCoreApplication::processEvents();
    QCOMPARE(menuRuns, 1);
    QCOMPARE(status, 1.0F);
    QCOMPARE(f.written(), (Bytes{0x14, 20, 0, 0x29, 0x26, 0x2E}));
    QCOMPARE(f.link.pendingCount(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(menuRuns, 1);  // once only
}

void TestSerialLink::runWhenIdleRunsAtOnceWhenIdle() {
    LinkFixture f;
    int runs = 0;
    f.link.runWhenIdle([&] { ++runs; });
    QCOMPARE(runs, 1);
}

QTEST_MAIN(TestSerialLink)
#include "test_serial_link.moc"
