#include <QAction>
#include <QtTest>

#include "app/frm_main.h"
#include "link_fixture.h"
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
};

void TestMainWindowLink::portNumberComesFromSettingsAndPortsSection() {
    Window win;
    QCOMPARE(win.w->PortNumber(), qint16{1});
    QCOMPARE(win.w->serialLink().PortNumber(), qint16{1});
    win.store.write(QStringLiteral("Ports"), QStringLiteral("Com1"),
                    QStringLiteral("/dev/ttyUSB0"));
    win.w->controller().ReSync();
    QCOMPARE(win.f.port.deviceName(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(win.w->SerialErrorCount(), 0);
}

void TestMainWindowLink::choosingAPortClosesThePort() {
    Window win;
    win.w->controller().ReSync();
    QVERIFY(win.w->serialLink().isPortOpen());
    win.w->cboPort_Click(2);
    QCOMPARE(win.w->PortNumber(), qint16{3});
    QVERIFY(!win.w->serialLink().isPortOpen());
    win.w->controller().ReSync();
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
    QVERIFY(win.w->dataBuffer().BufferEmpty);
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
    win.w->controller().SetAddress(0);
    QCOMPARE(win.f.dialogs.shownCount(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(win.f.dialogs.shownCount(), 1);
    QVERIFY2(win.f.dialogs.ok(), qPrintable(win.f.dialogs.report()));
}

void TestMainWindowLink::closingTheWindowClosesThePort() {
    Window win;
    win.w->controller().ReSync();
    QVERIFY(win.f.port.isOpen());
    win.w->close();
    QVERIFY(!win.f.port.isOpen());
    QCOMPARE(win.exits, 1);
}

QTEST_MAIN(TestMainWindowLink)
#include "test_main_window_link.moc"
