#include <QtTest>

#include "link_fixture.h"
#include "logdata/clear_controller_command.h"
#include "status_rows.h"

using namespace tarvik;
using test::LinkFixture;
using Bytes = std::vector<quint8>;

namespace {
const QString kTitle = QStringLiteral("Clear Controller Data Buffer");
const QString kProceed = QStringLiteral("All data logged by controller will be lost. Proceed?");

void expectProceed(LinkFixture& f, MsgResult answer) {
    f.dialogs.expectMessage(kTitle, kProceed, MsgIcon::Exclamation, MsgButtons::OkCancel, answer);
}
void expectNotice(LinkFixture& f, const QString& text, MsgIcon icon) {
    f.dialogs.expectMessage(kTitle, text, icon, MsgButtons::Ok, MsgResult::Ok);
}
}  // namespace

class TestClearController : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cancelSendsNothing();
    void noLinkAfterFiveChecks();
    void abortOnPortErrorEndsCommand();
    void statusDecides_data();
    void statusDecides();
    void statusReadFailsQuietly();
    void refusedErase();
    void clearTakesFiveSeconds();
};

void TestClearController::cancelSendsNothing() {
    LinkFixture f;
    expectProceed(f, MsgResult::Cancel);
    ClearControllerCommand(f.controller, f.dialogs).run();
    QVERIFY(f.written().empty());
    QCOMPARE(f.port.openCount(), 0);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestClearController::noLinkAfterFiveChecks() {
    LinkFixture f;
    f.model.faults().silent = true;
    expectProceed(f, MsgResult::Ok);
    expectNotice(f,
                 QStringLiteral("Cannot establish RS-232 link. Check cable and controller power."),
                 MsgIcon::Exclamation);
    ClearControllerCommand(f.controller, f.dialogs).run();
    QCOMPARE(f.written(), (Bytes{0x33, 0x33, 0x33, 0x33, 0x33}));
    QVERIFY(!f.link.isPortOpen());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestClearController::abortOnPortErrorEndsCommand() {
    // One box about the port; Abort ends the erase with nothing sent and no link message.
    LinkFixture f;
    f.link.setPortNumber(2);
    f.port.failOpens(QStringLiteral("No such file or directory"), PortOpenFailure::NoSuchDevice);
    expectProceed(f, MsgResult::Ok);
    f.dialogs.expectErrorBox(
        QStringLiteral("Cannot open Com2: there is no device /dev/ttyS1.\r\nThe USB-serial adapter "
                       "may be unplugged, or Com2 may be the wrong port.\r\nPlug the adapter in, "
                       "or use Communications > Find Ports... to find it and bind it to Com2."),
        MsgResult::Abort);
    ClearControllerCommand(f.controller, f.dialogs).run();
    QVERIFY(f.written().empty());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));

    // The next command tries the port afresh: the abort is not remembered.
    f.port.failOpens(QString());
    f.controller.reSync();
    QVERIFY(f.controller.linkOk());
    QVERIFY(!f.link.openAborted());
}

void TestClearController::statusDecides_data() {
    test::addStatusAllowsLogAccessRows();
}

void TestClearController::statusDecides() {
    QFETCH(int, status);
    QFETCH(bool, allowed);
    LinkFixture f;
    f.model.setStatus(static_cast<quint8>(status));
    expectProceed(f, MsgResult::Ok);
    if (allowed) {
        expectNotice(f, QStringLiteral("Controller data buffer cleared."), MsgIcon::Information);
    } else {
        expectNotice(f, QStringLiteral("Cannot clear data buffer while controller is armed."),
                     MsgIcon::Exclamation);
    }
    ClearControllerCommand(f.controller, f.dialogs).run();
    QCOMPARE(f.model.eraseCount(), allowed ? 1 : 0);
    QVERIFY(!f.link.isPortOpen());
    QCOMPARE(f.written()[0], quint8{0x33});
    QCOMPARE(f.written()[1], quint8{0x2E});
    QCOMPARE(f.written().size(), allowed ? size_t{7} : size_t{2});
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestClearController::statusReadFailsQuietly() {
    LinkFixture f;
    // Acknowledges the link check, then falls silent.
    f.clock.setOnPause([&](int) { f.model.faults().silent = true; });
    expectProceed(f, MsgResult::Ok);
    f.dialogs.expectErrorBox(QStringLiteral("RS-232 timeout. Check cable and click Abort."),
                             MsgResult::Ignore);
    ClearControllerCommand(f.controller, f.dialogs).run();
    QCOMPARE(f.written(), (Bytes{0x33, 0x2E}));
    QCOMPARE(f.model.eraseCount(), 0);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestClearController::refusedErase() {
    LinkFixture f;
    f.model.faults().refuseErase = true;
    expectProceed(f, MsgResult::Ok);
    expectNotice(f, QStringLiteral("Command failed - controller data buffer not cleared."),
                 MsgIcon::Information);
    ClearControllerCommand(f.controller, f.dialogs).run();
    QCOMPARE(f.model.eraseCount(), 0);
    QVERIFY(!f.link.isPortOpen());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestClearController::clearTakesFiveSeconds() {
    LinkFixture f;
    expectProceed(f, MsgResult::Ok);
    expectNotice(f, QStringLiteral("Controller data buffer cleared."), MsgIcon::Information);
    const qint64 start = f.clock.nowUs();
    ClearControllerCommand(f.controller, f.dialogs).run();
    QVERIFY(f.elapsedMsSince(start) >= 5000);
    // The controller's log is erased: the ring starts at its first slot again.
    QCOMPARE(f.model.fram()[35] + 256 * f.model.fram()[36], 368);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

QTEST_MAIN(TestClearController)
#include "test_clear_controller.moc"
