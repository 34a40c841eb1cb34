#include <QAction>
#include <QKeyEvent>
#include <QtTest>

#include "app/frm_main.h"
#include "link_fixture.h"
#include "logdata/data_buffer.h"
#include "memory_settings.h"

using namespace tarvik;
using test::LinkFixture;

namespace {
// The main window over the simulated controller; closing it does not end the test.
struct Window {
    LinkFixture f;
    test::MemorySettings store;
    std::unique_ptr<FrmMain> w;
    int exits = 0;
    Window() {
        w = std::make_unique<FrmMain>(
            MainWindowServices{&f.dialogs, &store, Branding::defaults(), &f.port, &f.clock});
        w->setExitAction([this] { ++exits; });
        w->Form_Load();
    }
};
}  // namespace

class TestMainWindowLink : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void portNumberComesFromSettingsAndPortsSection();
    void choosingAPortClosesThePort();
    void clearMenuRunsTheCommand();
    void clearMenuWaitsForExchangeInFlight();
    void closingTheWindowClosesThePort();
    void escSeenWhileSilentControllerIsAwaited();
};

void TestMainWindowLink::portNumberComesFromSettingsAndPortsSection() {
    Window win;
    QCOMPARE(win.w->portNumber(), qint16{1});
    QCOMPARE(win.w->serialLink().portNumber(), qint16{1});
    win.store.write(QStringLiteral("Ports"), QStringLiteral("Com1"),
                    QStringLiteral("/dev/ttyUSB0"));
    win.w->controller().reSync();
    QCOMPARE(win.f.port.deviceName(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(win.w->serialErrorCount(), 0);
}

void TestMainWindowLink::choosingAPortClosesThePort() {
    Window win;
    win.w->controller().reSync();
    QVERIFY(win.w->serialLink().isPortOpen());
    win.w->cboPort_Click(2);
    QCOMPARE(win.w->portNumber(), qint16{3});
    QVERIFY(!win.w->serialLink().isPortOpen());
    win.w->controller().reSync();
    QCOMPARE(win.f.port.deviceName(), QStringLiteral("/dev/ttyS2"));
}

void TestMainWindowLink::clearMenuRunsTheCommand() {
    Window win;
    win.f.dialogs
        .expectMessage(QStringLiteral("Clear Controller Data Buffer"),
                       QStringLiteral("All data logged by controller will be lost. Proceed?"),
                       MsgIcon::Exclamation, MsgButtons::OkCancel, MsgResult::Ok)
        .expectMessage(QStringLiteral("Clear Controller Data Buffer"),
                       QStringLiteral("Controller data buffer cleared."), MsgIcon::Information,
                       MsgButtons::Ok, MsgResult::Ok);
    const QString caption = win.w->windowTitle();
    win.w->findChild<QAction*>(QStringLiteral("mnuClearControllerBuffer"))->trigger();
    QCOMPARE(win.f.model.eraseCount(), 1);
    QVERIFY(win.w->dataBuffer().bufferEmpty);
    QCOMPARE(win.w->windowTitle(), caption);
    QVERIFY2(win.f.dialogs.ok(), qPrintable(win.f.dialogs.report()));
}

void TestMainWindowLink::clearMenuWaitsForExchangeInFlight() {
    Window win;
    win.f.dialogs.expectMessage(QStringLiteral("Clear Controller Data Buffer"),
                                QStringLiteral("All data logged by controller will be lost. "
                                               "Proceed?"),
                                MsgIcon::Exclamation, MsgButtons::OkCancel, MsgResult::Cancel);
    bool clicked = false;
    win.f.clock.setOnPause([&](int) {
        if (!clicked) {
            clicked = true;
            win.w->mnuClearControllerBuffer_Click();
            QCOMPARE(win.f.dialogs.shownCount(), 0);  // not yet: an exchange is in flight
        }
    });
    win.w->controller().setAddress(0);
    QCOMPARE(win.f.dialogs.shownCount(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(win.f.dialogs.shownCount(), 1);
    QVERIFY2(win.f.dialogs.ok(), qPrintable(win.f.dialogs.report()));
}

void TestMainWindowLink::closingTheWindowClosesThePort() {
    Window win;
    win.w->controller().reSync();
    QVERIFY(win.f.port.isOpen());
    win.w->close();
    QVERIFY(!win.f.port.isOpen());
    QCOMPARE(win.exits, 1);
}

void TestMainWindowLink::escSeenWhileSilentControllerIsAwaited() {
    // Esc reaches the window while the download's first link check waits on a controller that
    // never answers: the key is handled inside the wait and no further check follows.
    Window win;
    win.f.model.faults().silent = true;
    DataBuffer& data = win.w->dataBuffer();
    data.bufferEmpty = false;
    data.comment = QStringLiteral("kept");
    const QString caption = win.w->windowTitle();
    win.f.dialogs.expectMessage(
        QStringLiteral("Download Data"),
        QStringLiteral("Cannot establish RS-232 link. Check cable and controller power."),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    bool pressed = false;
    win.f.clock.setOnPause([&](int) {
        if (!pressed && win.f.port.isOpen()) {
            pressed = true;
            QCoreApplication::postEvent(win.w.get(),
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
        }
    });
    win.f.clock.startEventGapWatch();
    win.w->findChild<QAction*>(QStringLiteral("mnuDownload"))->trigger();
    QVERIFY2(win.f.dialogs.ok(), qPrintable(win.f.dialogs.report()));
    QCOMPARE(win.f.written(), (std::vector<quint8>{0x33}));
    QVERIFY(win.f.clock.longestEventGapUs() < 100'000);
    QVERIFY(!data.bufferEmpty);
    QCOMPARE(data.comment, QStringLiteral("kept"));
    QCOMPARE(win.w->windowTitle(), caption);
}

QTEST_MAIN(TestMainWindowLink)
#include "test_main_window_link.moc"
