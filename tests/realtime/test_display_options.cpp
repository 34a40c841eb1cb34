// The display options dialog: its controls and keyboard order, loading from the settings, the
// validation of the four limit boxes (messages, bounds, whole numbers, the partner box, the
// dials, the store), OK and the close box, and a store that refuses to write.
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "memory_settings.h"
#include "realtime/bar_gauge.h"
#include "realtime/dial_gauge.h"
#include "realtime/frm_display_options.h"
#include "realtime/real_time_panel.h"
#include "scripted_dialogs.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

using namespace tarvik;
using test::ScriptedDialogs;

namespace {

// The dialog over a panel and an in-memory store, the settings at their defaults.
struct Fixture {
    Settings settings;
    test::MemorySettings backing;
    SettingsStore store{backing};
    RealTimePanel panel;
    ScriptedDialogs dialogs;
    std::unique_ptr<FrmDisplayOptions> dlg;

    Fixture() {
        settings.tachRedline = 6500;
        settings.tachMax = 10000;
        settings.speedoRedline = 85;
        settings.speedoMax = 140;
        settings.tpsPercentDisplay = true;
        settings.input1AnalogDisplay = true;
        settings.input2AnalogDisplay = true;
        panel.applyDialSettings(settings);
        panel.chooseGauges(true, true, true);
        open();
    }
    void open() {
        dlg = std::make_unique<FrmDisplayOptions>(
            DisplayOptionsServices{settings, store, panel, dialogs});
    }
    QLineEdit* box(const char* name) { return dlg->findChild<QLineEdit*>(QLatin1String(name)); }
    QRadioButton* opt(const char* name) {
        return dlg->findChild<QRadioButton*>(QLatin1String(name));
    }
    bool validate(const char* name) {
        const QByteArray n(name);
        if (n == "txtTachRedline")
            return dlg->txtTachRedline_Validate();
        if (n == "txtTachMax")
            return dlg->txtTachMax_Validate();
        if (n == "txtSpeedoRedline")
            return dlg->txtSpeedoRedline_Validate();
        return dlg->txtSpeedoMax_Validate();
    }
    void showActive() {
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    }
};

const char* const kTitles[] = {"Tachometer Redline", "Tachometer Maximum Value",
                               "Speedometer Redline", "Speedometer Maximum Value"};

}  // namespace

class TestDisplayOptions : public QObject {
    Q_OBJECT

private slots:
    void controlsAndCaptions();
    void loadsFromSettings_data();
    void loadsFromSettings();
    void keyboardOrder();
    void validation_data();
    void validation();
    void tachMaxBelowRedlinePullsRedlineDown();
    void speedoRedlineAboveMaxPushesMaxUp();
    void redlineEqualToMaxIsKept();
    void leavingABoxByTabValidatesIt();
    void okWithAfrForInput2();
    void okAppliesEveryChoice();
    void okByEnterValidatesTheFocusedBoxFirst();
    void closeBoxAppliesNoGaugeChoice();
    void storeRefusingAWrite();
    void storeRefusingOkAbortStillCloses();
};

void TestDisplayOptions::controlsAndCaptions() {
    Fixture f;
    QCOMPARE(f.dlg->objectName(), QStringLiteral("frmDisplayOptions"));
    QCOMPARE(f.dlg->windowTitle(), QStringLiteral("Real Time Display Options"));
    QVERIFY(f.dlg->isModal());
    const QList<QPair<const char*, QString>> options = {
        {"optTPSPercentDisplay", "Percent (0-100)"}, {"optTPSAnalogDisplay", "Analog (0-5V)"},
        {"optInput1AnalogDisplay", "Analog (0-5V)"}, {"optInput1AFRDisplay", "AFR"},
        {"optInput2AnalogDisplay", "Analog (0-5V)"}, {"optInput2AFRDisplay", "AFR"}};
    for (const auto& [name, caption] : options) {
        QVERIFY2(f.opt(name) != nullptr, name);
        QCOMPARE(f.opt(name)->text(), caption);
    }
    auto groupOf = [&](QWidget* w) { return qobject_cast<QGroupBox*>(w->parentWidget())->title(); };
    QCOMPARE(groupOf(f.opt("optTPSPercentDisplay")), QStringLiteral("Throttle Position (TPS)"));
    QCOMPARE(groupOf(f.opt("optInput1AFRDisplay")), QStringLiteral("Input 1"));
    QCOMPARE(groupOf(f.opt("optInput2AFRDisplay")), QStringLiteral("Input 2"));
    QCOMPARE(groupOf(f.box("txtTachRedline")), QStringLiteral("Gauge Redlines"));
    QCOMPARE(groupOf(f.box("txtSpeedoRedline")), QStringLiteral("Gauge Redlines"));
    QCOMPARE(groupOf(f.box("txtTachMax")), QStringLiteral("Gauge Maximum Values"));
    QCOMPARE(groupOf(f.box("txtSpeedoMax")), QStringLiteral("Gauge Maximum Values"));
    auto* ok = f.dlg->findChild<QPushButton*>(QStringLiteral("cmdOK"));
    QVERIFY(ok != nullptr);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    // There is no Cancel.
    QCOMPARE(f.dlg->findChildren<QPushButton*>().size(), 1);
}

void TestDisplayOptions::loadsFromSettings_data() {
    QTest::addColumn<bool>("tps");
    QTest::addColumn<bool>("in1");
    QTest::addColumn<bool>("in2");
    QTest::newRow("all analog / percent") << true << true << true;
    QTest::newRow("volts, AFR, AFR") << false << false << false;
    QTest::newRow("mixed") << false << true << false;
}

void TestDisplayOptions::loadsFromSettings() {
    QFETCH(bool, tps);
    QFETCH(bool, in1);
    QFETCH(bool, in2);
    Fixture f;
    f.settings.tpsPercentDisplay = tps;
    f.settings.input1AnalogDisplay = in1;
    f.settings.input2AnalogDisplay = in2;
    f.settings.tachRedline = 7250;
    f.settings.tachMax = 12000;
    f.settings.speedoRedline = 99;
    f.settings.speedoMax = 160;
    f.open();
    QCOMPARE(f.opt("optTPSPercentDisplay")->isChecked(), tps);
    QCOMPARE(f.opt("optTPSAnalogDisplay")->isChecked(), !tps);
    QCOMPARE(f.opt("optInput1AnalogDisplay")->isChecked(), in1);
    QCOMPARE(f.opt("optInput1AFRDisplay")->isChecked(), !in1);
    QCOMPARE(f.opt("optInput2AnalogDisplay")->isChecked(), in2);
    QCOMPARE(f.opt("optInput2AFRDisplay")->isChecked(), !in2);
    QCOMPARE(f.box("txtTachRedline")->text(), QStringLiteral("7250"));
    QCOMPARE(f.box("txtTachMax")->text(), QStringLiteral("12000"));
    QCOMPARE(f.box("txtSpeedoRedline")->text(), QStringLiteral("99"));
    QCOMPARE(f.box("txtSpeedoMax")->text(), QStringLiteral("160"));
    // Loading writes nothing.
    QVERIFY(f.backing.writes.isEmpty());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestDisplayOptions::keyboardOrder() {
    Fixture f;
    const QStringList expected = {"optTPSPercentDisplay",
                                  "optTPSAnalogDisplay",
                                  "txtTachRedline",
                                  "txtSpeedoRedline",
                                  "txtTachMax",
                                  "txtSpeedoMax",
                                  "optInput1AnalogDisplay",
                                  "optInput1AFRDisplay",
                                  "optInput2AnalogDisplay",
                                  "optInput2AFRDisplay",
                                  "cmdOK"};
    QStringList order;
    QWidget* w = f.opt("optTPSPercentDisplay");
    for (int i = 0; i < 200 && order.size() < expected.size(); ++i) {
        if (expected.contains(w->objectName()) && !order.contains(w->objectName())) {
            order << w->objectName();
        }
        w = w->nextInFocusChain();
    }
    QCOMPARE(order, expected);

    // And by the keyboard: Tab stops at the chosen option of each group.
    f.showActive();
    f.opt("optTPSPercentDisplay")->setFocus();
    QStringList tabbed{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        tabbed << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(tabbed, (QStringList{"optTPSPercentDisplay", "txtTachRedline", "txtSpeedoRedline",
                                  "txtTachMax", "txtSpeedoMax", "optInput1AnalogDisplay",
                                  "optInput2AnalogDisplay", "cmdOK"}));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestDisplayOptions::validation_data() {
    QTest::addColumn<QString>("boxName");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");  // "" for none
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<double>("dial");

    auto row = [](const char* tag, const char* box, const char* typed, const char* message,
                  const char* shown, double dial) {
        QTest::newRow(tag) << box << typed << message << shown << shown << dial;
    };
    row("speedo max 55 accepted", "txtSpeedoMax", "55", "", "55", 55);
    row("speedo max 54", "txtSpeedoMax", "54", "Value must be greater than 55", "55", 55);
    row("speedo max 250", "txtSpeedoMax", "250", "", "250", 250);
    row("speedo max 251", "txtSpeedoMax", "251", "Value must be less than or equal to 250", "250",
        250);
    row("speedo max 199.99", "txtSpeedoMax", "199.99", "", "199", 199);
    row("speedo redline 55", "txtSpeedoRedline", "55", "", "55", 55);
    row("speedo redline 54.9", "txtSpeedoRedline", "54.9", "Value must be greater than 55", "55",
        55);
    row("speedo redline 241", "txtSpeedoRedline", "241", "Value must be less than or equal to 240",
        "140", 140);
    row("tach max 5000 accepted", "txtTachMax", "5000", "", "5000", 5.0);
    row("tach max letters", "txtTachMax", "lots", "Value must be greater than 5000", "5000", 5.0);
    row("tach max empty", "txtTachMax", "", "Value must be greater than 5000", "5000", 5.0);
    row("tach max 20000", "txtTachMax", "20000", "", "20000", 20.0);
    row("tach max 1e6", "txtTachMax", "1e6", "Value must be less than or equal to 20000", "20000",
        20.0);
    row("tach max 8250 (dial ties to even)", "txtTachMax", "8250", "", "8250", 8.2);
    row("tach max 8350 (dial ties to even)", "txtTachMax", "8350", "", "8350", 8.4);
    row("tach max with unit", "txtTachMax", " 9 000 rpm", "", "9000", 9.0);
    row("tach redline 12345.9", "txtTachRedline", "12345.9", "", "12345", 12.3);
    row("tach redline 3999", "txtTachRedline", "3999", "Value must be greater than 4000", "4000",
        4.0);
    row("tach redline 19001", "txtTachRedline", "19001",
        "Value must be less than or equal to 19000", "19000", 19.0);
    row("tach redline -7000", "txtTachRedline", "-7000", "Value must be greater than 4000", "4000",
        4.0);
}

void TestDisplayOptions::validation() {
    QFETCH(QString, boxName);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QFETCH(QString, saved);
    QFETCH(double, dial);
    // The boxes with a partner beyond the typed value keep that case out of these rows, except
    // where the test says so (speedo redline 241: the maximum is 140, so it follows to 240).
    Fixture f;
    if (boxName == "txtTachRedline") {
        f.settings.tachMax = 20000;
        f.open();
    }
    const QByteArray name = boxName.toLatin1();
    const int index =
        QStringList{"txtTachRedline", "txtTachMax", "txtSpeedoRedline", "txtSpeedoMax"}.indexOf(
            boxName);
    if (!message.isEmpty()) {
        f.dialogs.expectMessage(QLatin1String(kTitles[index]), message, MsgIcon::Exclamation,
                                MsgButtons::Ok, MsgResult::Ok);
    }
    if (QTest::currentDataTag() == QByteArray("speedo redline 241")) {
        shown = saved = QStringLiteral("240");
        dial = 240;
    }
    f.box(name.constData())->setText(typed);
    QCOMPARE(f.validate(name.constData()), message.isEmpty());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QCOMPARE(f.box(name.constData())->text(), shown);
    const char* keys[] = {settings_keys::kTachRedline, settings_keys::kTachMax,
                          settings_keys::kSpeedoRedline, settings_keys::kSpeedoMax};
    QCOMPARE(f.backing.get(QLatin1String(keys[index])), saved);
    const float memory[] = {f.settings.tachRedline, f.settings.tachMax, f.settings.speedoRedline,
                            f.settings.speedoMax};
    QCOMPARE(memory[index], saved.toFloat());
    DialGauge& tach = f.panel.gauTach();
    DialGauge& speedo = f.panel.gauSpeedometer();
    const double dials[] = {tach.redline(), tach.maximum(), speedo.redline(), speedo.maximum()};
    QCOMPARE(dials[index], static_cast<double>(static_cast<float>(dial)));
    // Validating again changes nothing and says nothing.
    QVERIFY(f.validate(name.constData()));
    QCOMPARE(f.box(name.constData())->text(), shown);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestDisplayOptions::tachMaxBelowRedlinePullsRedlineDown() {
    Fixture f;
    f.box("txtTachMax")->setText(QStringLiteral("6000"));
    QVERIFY(f.dlg->txtTachMax_Validate());
    QCOMPARE(f.box("txtTachRedline")->text(), QStringLiteral("6000"));
    QCOMPARE(f.box("txtTachMax")->text(), QStringLiteral("6000"));
    QCOMPARE(f.panel.gauTach().redline(), 6.0);
    QCOMPARE(f.panel.gauTach().maximum(), 6.0);
    QCOMPARE(f.settings.tachRedline, 6000.0f);
    QCOMPARE(f.settings.tachMax, 6000.0f);
    QCOMPARE(f.backing.writes,
             (QStringList{QStringLiteral("Tach_Redline=6000"), QStringLiteral("Tach_Max=6000")}));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestDisplayOptions::speedoRedlineAboveMaxPushesMaxUp() {
    Fixture f;
    f.box("txtSpeedoRedline")->setText(QStringLiteral("200"));
    QVERIFY(f.dlg->txtSpeedoRedline_Validate());
    QCOMPARE(f.box("txtSpeedoMax")->text(), QStringLiteral("200"));
    QCOMPARE(f.settings.speedoMax, 200.0f);
    QCOMPARE(f.panel.gauSpeedometer().maximum(), 200.0);
    QCOMPARE(f.panel.gauSpeedometer().redline(), 200.0);
    QCOMPARE(f.backing.writes,
             (QStringList{QStringLiteral("Speedo_Max=200"), QStringLiteral("Speedo_Redline=200")}));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestDisplayOptions::redlineEqualToMaxIsKept() {
    Fixture f;
    f.box("txtSpeedoMax")->setText(QStringLiteral("85"));
    QVERIFY(f.dlg->txtSpeedoMax_Validate());
    // Equal is not below: the redline box is not touched and not saved.
    QCOMPARE(f.backing.writes, QStringList{QStringLiteral("Speedo_Max=85")});
    QCOMPARE(f.box("txtSpeedoRedline")->text(), QStringLiteral("85"));
}

void TestDisplayOptions::leavingABoxByTabValidatesIt() {
    Fixture f;
    f.showActive();
    QLineEdit* tachMax = f.box("txtTachMax");
    tachMax->setFocus();
    QVERIFY(tachMax->hasFocus());
    tachMax->selectAll();
    QTest::keyClicks(tachMax, QStringLiteral("4000"));
    f.dialogs.expectMessage(QStringLiteral("Tachometer Maximum Value"),
                            QStringLiteral("Value must be greater than 5000"), MsgIcon::Exclamation,
                            MsgButtons::Ok, MsgResult::Ok);
    QTest::keyClick(tachMax, Qt::Key_Tab);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QCOMPARE(tachMax->text(), QStringLiteral("5000"));
    // After a correction the focus stays in the box.
    QVERIFY(tachMax->hasFocus());
    QCOMPARE(f.backing.get(QStringLiteral("Tach_Max")), QStringLiteral("5000"));
    // Leaving it again with a good value moves on without a message.
    QTest::keyClick(tachMax, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.box("txtSpeedoMax"));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestDisplayOptions::okWithAfrForInput2() {
    Fixture f;
    f.opt("optInput2AFRDisplay")->setChecked(true);
    f.dlg->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    QVERIFY(!f.panel.gauInput2AFR().isHidden());
    QVERIFY(f.panel.gauInput2Analog().isHidden());
    QCOMPARE(f.backing.get(QStringLiteral("Input2_Analog_Display")), QStringLiteral("False"));
    QCOMPARE(f.backing.get(QStringLiteral("Input1_Analog_Display")), QStringLiteral("True"));
    QCOMPARE(f.backing.get(QStringLiteral("TPS_Percent_Display")), QStringLiteral("True"));
    QVERIFY(!f.settings.input2AnalogDisplay);
    QCOMPARE(f.dlg->result(), int(QDialog::Accepted));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestDisplayOptions::okAppliesEveryChoice() {
    Fixture f;
    f.opt("optTPSAnalogDisplay")->setChecked(true);
    f.opt("optInput1AFRDisplay")->setChecked(true);
    f.dlg->cmdOK_Click();
    QVERIFY(f.panel.gauTPSPercent().isHidden());
    QVERIFY(!f.panel.gauTPSVolts().isHidden());
    QVERIFY(f.panel.gauInput1Analog().isHidden());
    QVERIFY(!f.panel.gauInput1AFR().isHidden());
    QVERIFY(!f.panel.gauInput2Analog().isHidden());
    QCOMPARE(f.backing.writes, (QStringList{QStringLiteral("TPS_Percent_Display=False"),
                                            QStringLiteral("Input1_Analog_Display=False"),
                                            QStringLiteral("Input2_Analog_Display=True")}));
    QVERIFY(!f.settings.tpsPercentDisplay);
    QVERIFY(!f.settings.input1AnalogDisplay);
    QVERIFY(f.settings.input2AnalogDisplay);
}

void TestDisplayOptions::okByEnterValidatesTheFocusedBoxFirst() {
    Fixture f;
    f.showActive();
    QLineEdit* speedoMax = f.box("txtSpeedoMax");
    speedoMax->setFocus();
    speedoMax->setText(QStringLiteral("300"));
    f.opt("optInput1AFRDisplay")->setChecked(true);
    f.dialogs.expectMessage(QStringLiteral("Speedometer Maximum Value"),
                            QStringLiteral("Value must be less than or equal to 250"),
                            MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    QTest::keyClick(speedoMax, Qt::Key_Return);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    // The correction is applied and saved, but OK waits for the user to see it.
    QCOMPARE(speedoMax->text(), QStringLiteral("250"));
    QCOMPARE(f.backing.get(QStringLiteral("Speedo_Max")), QStringLiteral("250"));
    QVERIFY(f.dlg->isVisible());
    QVERIFY(f.backing.get(QStringLiteral("Input1_Analog_Display")).isEmpty());
    // Enter again: the value is good now, OK acts.
    QTest::keyClick(speedoMax, Qt::Key_Return);
    QVERIFY(!f.dlg->isVisible());
    QCOMPARE(f.backing.get(QStringLiteral("Input1_Analog_Display")), QStringLiteral("False"));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestDisplayOptions::closeBoxAppliesNoGaugeChoice() {
    Fixture f;
    f.showActive();
    f.box("txtSpeedoRedline")->setText(QStringLiteral("120"));
    QVERIFY(f.dlg->txtSpeedoRedline_Validate());
    f.opt("optTPSAnalogDisplay")->setChecked(true);
    f.opt("optInput2AFRDisplay")->setChecked(true);
    f.dlg->close();
    QCOMPARE(f.dlg->result(), int(QDialog::Rejected));
    QVERIFY(!f.panel.gauTPSPercent().isHidden());
    QVERIFY(!f.panel.gauInput2Analog().isHidden());
    QVERIFY(f.settings.tpsPercentDisplay);
    QVERIFY(f.settings.input2AnalogDisplay);
    // The validated limit stays applied and saved.
    QCOMPARE(f.backing.writes, QStringList{QStringLiteral("Speedo_Redline=120")});
    QCOMPARE(f.panel.gauSpeedometer().redline(), 120.0);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestDisplayOptions::storeRefusingAWrite() {
    Fixture f;
    f.backing.refuseWrites = true;
    const QString refused = QStringLiteral("The settings store refused the write.");
    // Retry fails again; Ignore goes on (the value stays applied in memory and on the dial).
    f.dialogs.expectErrorBox(refused, MsgResult::Retry).expectErrorBox(refused, MsgResult::Ignore);
    f.box("txtTachRedline")->setText(QStringLiteral("7000"));
    f.dlg->txtTachRedline_Validate();
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QCOMPARE(f.settings.tachRedline, 7000.0f);
    QCOMPARE(f.panel.gauTach().redline(), 7.0);

    // Abort ends the handler: after the partner's failed save the edited value is not applied.
    f.dialogs.expectErrorBox(refused, MsgResult::Abort);
    f.box("txtTachMax")->setText(QStringLiteral("6000"));
    f.dlg->txtTachMax_Validate();
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QCOMPARE(f.settings.tachMax, 6000.0f);
    QCOMPARE(f.panel.gauTach().maximum(), 10.0);
    QVERIFY(f.backing.writes.isEmpty());
}

void TestDisplayOptions::storeRefusingOkAbortStillCloses() {
    Fixture f;
    f.showActive();
    f.backing.refuseWrites = true;
    f.opt("optInput1AFRDisplay")->setChecked(true);
    f.dialogs.expectErrorBox(QStringLiteral("The settings store refused the write."),
                             MsgResult::Abort);
    f.dlg->cmdOK_Click();
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QVERIFY(!f.dlg->isVisible());
    // The choice was applied before the save failed.
    QVERIFY(!f.panel.gauInput1AFR().isHidden());
}

QTEST_MAIN(TestDisplayOptions)
#include "test_display_options.moc"
