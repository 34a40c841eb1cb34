// The real-time panel: what each reading turns into on its gauges, lamps and texts, the rest
// states, the gauge choices and the dial limits.
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <limits>

#include "app/frm_main.h"
#include "core/app_error.h"
#include "memory_settings.h"
#include "realtime/bar_gauge.h"
#include "realtime/dial_gauge.h"
#include "realtime/lamp.h"
#include "realtime/real_time_panel.h"
#include "scripted_dialogs.h"
#include "settings/settings.h"

using namespace tarvik;

namespace {

const QColor kLit(255, 0, 0);
const QColor kDark(0, 0, 0);

QString lampState(const Lamp* lamp) {
    if (lamp->fillColor() == kLit) {
        return QStringLiteral("lit");
    }
    if (lamp->fillColor() == kDark) {
        return QStringLiteral("dark");
    }
    return lamp->fillColor().name();
}

}  // namespace

class TestRealTimePanel : public QObject {
    Q_OBJECT

private:
    template <class T>
    T* child(RealTimePanel& panel, const char* name) {
        T* w = panel.findChild<T*>(QString::fromLatin1(name));
        if (w == nullptr) {
            qFatal("no control %s", name);
        }
        return w;
    }
    QString lamps(RealTimePanel& panel, std::initializer_list<const char*> names) {
        QStringList out;
        for (const char* n : names) {
            out << lampState(child<Lamp>(panel, n));
        }
        return out.join(u' ');
    }

private slots:
    void objectNamesAndFaceTexts_data();
    void objectNamesAndFaceTexts();
    void dialFaces();
    void captionsAndHeadings();
    void lampCaptionsTopToBottom();
    void initialLampColours();
    void throttlePercent_data();
    void throttlePercent();
    void throttleVoltsAndBattery();
    void engineSpeed_data();
    void engineSpeed();
    void roadSpeed_data();
    void roadSpeed();
    void inputs();
    void inputNumberOutOfRange_data();
    void inputNumberOutOfRange();
    void inputBits_data();
    void inputBits();
    void outputBits_data();
    void outputBits();
    void dutyCycles();
    void statusText_data();
    void statusText();
    void statusCaption();
    void chooseGauges_data();
    void chooseGauges();
    void stageGroupOnlyForQx2();
    void dialLimitsFromSettings_data();
    void dialLimitsFromSettings();
    void dialLimitsDirect();
    void restStates();
    void restStatesReachHiddenGauges();
    void closeButton();
    void readingsSurviveHiding();
    void mainWindowHostsThePanel();
};

void TestRealTimePanel::objectNamesAndFaceTexts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("face");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<int>("bands");
    QTest::newRow("gauTPSPercent") << "gauTPSPercent"
                                   << "TPS%" << -0.5 << 102.0 << 0;
    QTest::newRow("gauTPSVolts") << "gauTPSVolts"
                                 << "TPS V" << -0.2 << 5.2 << 0;
    QTest::newRow("gauInput1Analog") << "gauInput1Analog"
                                     << "INPUT1" << -0.2 << 5.2 << 0;
    QTest::newRow("gauInput2Analog") << "gauInput2Analog"
                                     << "INPUT2" << -0.2 << 5.2 << 0;
    QTest::newRow("gauInput1AFR") << "gauInput1AFR"
                                  << "AFR 1" << 9.5 << 20.5 << 3;
    QTest::newRow("gauInput2AFR") << "gauInput2AFR"
                                  << "AFR 2" << 9.5 << 20.5 << 3;
    QTest::newRow("gauBatVolts") << "gauBatVolts"
                                 << "BAT V" << -1.0 << 19.0 << 3;
    QTest::newRow("gauStage1PWM") << "gauStage1PWM"
                                  << "PWM%" << -0.5 << 102.0 << 0;
    QTest::newRow("gauStage2PWM") << "gauStage2PWM"
                                  << "PWM%" << -0.5 << 102.0 << 0;
}

void TestRealTimePanel::objectNamesAndFaceTexts() {
    QFETCH(QString, name);
    QFETCH(QString, face);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(int, bands);
    RealTimePanel panel;
    QCOMPARE(panel.objectName(), QStringLiteral("fraRealTimeData"));
    QCOMPARE(panel.title(), QStringLiteral("Real Time Data"));
    auto* g = child<BarGauge>(panel, qPrintable(name));
    QCOMPARE(g->faceText(), face);
    QCOMPARE(g->sections().front().low, low);
    QCOMPARE(g->sections().back().high, high);
    QCOMPARE(static_cast<int>(g->bands().size()), bands);
}

void TestRealTimePanel::dialFaces() {
    RealTimePanel panel;
    auto* tach = child<DialGauge>(panel, "gauTach");
    QCOMPARE(tach->upperFaceText(), QStringLiteral("RPM"));
    QCOMPARE(tach->lowerFaceText(), QStringLiteral("x 1000"));
    QCOMPARE(tach->majorStep(), 1.0);
    auto* speedo = child<DialGauge>(panel, "gauSpeedometer");
    QCOMPARE(speedo->upperFaceText(), QStringLiteral("SPEED"));
    QCOMPARE(speedo->lowerFaceText(), QStringLiteral("MPH"));
    QCOMPARE(speedo->majorStep(), 10.0);

    // The throttle scale: 0..90 every 10 in the lower section, then 95 and 100 in the upper one,
    // which takes more of the bar per percent than the lower one.
    auto* tps = child<BarGauge>(panel, "gauTPSPercent");
    QCOMPARE(tps->sections().size(), std::size_t{2});
    QCOMPARE(tps->sections()[0].high, 90.0);
    QCOMPARE(tps->sections()[1].low, 90.0);
    const std::vector<double> expected{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 95, 100};
    QCOMPARE(tps->labels(), expected);
    const double lowerPerPercent = tps->fractionOf(90, 0) / 90.5;
    const double upperPerPercent = (tps->fractionOf(102, 1) - tps->fractionOf(90, 1)) / 12;
    QVERIFY(upperPerPercent > 2 * lowerPerPercent);

    const std::vector<double> volts{0, 0.5, 1, 1.5, 2, 2.5, 3, 3.5, 4, 4.5, 5};
    QCOMPARE(child<BarGauge>(panel, "gauTPSVolts")->labels(), volts);
    const std::vector<double> bat{0, 2, 4, 6, 8, 10, 12, 14, 16, 18};
    QCOMPARE(child<BarGauge>(panel, "gauBatVolts")->labels(), bat);
    const std::vector<double> pwm{0, 25, 50, 75, 100};
    QCOMPARE(child<BarGauge>(panel, "gauStage2PWM")->labels(), pwm);
    const auto& afrBands = child<BarGauge>(panel, "gauInput1AFR")->bands();
    QCOMPARE(afrBands[0].from, 9.5);
    QCOMPARE(afrBands[0].to, 12.5);
    QCOMPARE(afrBands[1].to, 15.0);
    QCOMPARE(afrBands[2].to, 20.5);
    const auto& batBands = child<BarGauge>(panel, "gauBatVolts")->bands();
    QCOMPARE(batBands[0].to, 11.0);
    QCOMPARE(batBands[1].to, 16.0);
    QCOMPARE(batBands[2].to, 19.0);
}

void TestRealTimePanel::captionsAndHeadings() {
    RealTimePanel panel;
    QCOMPARE(child<QLabel>(panel, "lblInputs")->text(), QStringLiteral("INPUTS"));
    QCOMPARE(child<QLabel>(panel, "lblOutputs")->text(), QStringLiteral("OUTPUTS"));
    QCOMPARE(child<QLabel>(panel, "lblStage1")->text(), QStringLiteral("STAGE 1"));
    QCOMPARE(child<QLabel>(panel, "lblStage2")->text(), QStringLiteral("STAGE 2"));
    QCOMPARE(child<QLabel>(panel, "lblStatusLegend")->text(), QStringLiteral("STATUS"));
    QCOMPARE(child<QPushButton>(panel, "cmdCloseRealTimeData")->text(), QStringLiteral("Close"));
    QVERIFY(child<QLabel>(panel, "lblStatus")->text().isEmpty());
}

void TestRealTimePanel::lampCaptionsTopToBottom() {
    RealTimePanel panel;
    panel.resize(panel.sizeHint());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    // Each lamp's caption is the label on its left at the same height.
    auto captionOf = [&](const char* name) {
        Lamp* lamp = child<Lamp>(panel, name);
        const QPoint centre = lamp->mapTo(&panel, lamp->rect().center());
        QString found;
        for (QLabel* l : panel.findChildren<QLabel*>()) {
            const QRect r(l->mapTo(&panel, QPoint(0, 0)), l->size());
            if (r.top() <= centre.y() && r.bottom() >= centre.y() && r.right() < centre.x() &&
                centre.x() - r.right() < 40) {
                found = l->text();
            }
        }
        return found;
    };
    const std::vector<std::pair<const char*, const char*>> inputs{
        {"shpLED_GPI", "GPI"}, {"shpLED_PurgeIn", "PURGE INPUT"}, {"shpLED_ArmIn", "ARM INPUT"}};
    const std::vector<std::pair<const char*, const char*>> outputs{
        {"shpLED_Stage1Sol", "STAGE 1"},
        {"shpLED_Stage2Sol", "STAGE 2"},
        {"shpLED_GPO", "GPO"},
        {"shpLED_PurgeSol", "PURGE SOLENOID"},
        {"shpLED_StatusLED", "STATUS LED"}};
    for (const auto* group : {&inputs, &outputs}) {
        int lastY = -1;
        for (const auto& [name, caption] : *group) {
            QCOMPARE(captionOf(name), QString::fromLatin1(caption));
            const int y = child<Lamp>(panel, name)->mapTo(&panel, QPoint(0, 0)).y();
            QVERIFY2(y > lastY, name);
            lastY = y;
        }
    }
    // The group headings stand above their lamps, the stage captions above their gauges.
    auto top = [&](QWidget* w) { return w->mapTo(&panel, QPoint(0, 0)).y(); };
    QVERIFY(top(child<QLabel>(panel, "lblInputs")) < top(child<Lamp>(panel, "shpLED_GPI")));
    QVERIFY(top(child<QLabel>(panel, "lblOutputs")) < top(child<Lamp>(panel, "shpLED_Stage1Sol")));
    QVERIFY(top(child<QLabel>(panel, "lblStatusLegend")) < top(child<QLabel>(panel, "lblStatus")));
    QVERIFY(top(child<QLabel>(panel, "lblStatus")) <
            top(child<QPushButton>(panel, "cmdCloseRealTimeData")));
}

void TestRealTimePanel::initialLampColours() {
    RealTimePanel panel;
    for (const char* name : {"shpLED_GPI", "shpLED_Stage1Sol", "shpLED_Stage2Sol"}) {
        const QColor c = child<Lamp>(panel, name)->fillColor();
        QVERIFY2(c.green() == 255 && c.red() == 0 && c.blue() == 0, name);
    }
    for (const char* name :
         {"shpLED_PurgeIn", "shpLED_ArmIn", "shpLED_GPO", "shpLED_PurgeSol", "shpLED_StatusLED"}) {
        QCOMPARE(child<Lamp>(panel, name)->fillColor(), kLit);
    }
}

void TestRealTimePanel::throttlePercent_data() {
    QTest::addColumn<float>("percent");
    QTest::addColumn<int>("section");
    QTest::addColumn<double>("pointer");
    QTest::newRow("exactly 90") << 90.0f << 0 << 90.0;
    QTest::newRow("90.5") << 90.5f << 1 << 90.5;
    QTest::newRow("130") << 130.0f << 1 << 100.0;
    QTest::newRow("-3") << -3.0f << 0 << 0.0;
    QTest::newRow("0") << 0.0f << 0 << 0.0;
    QTest::newRow("just above 0") << 0.25f << 0 << 0.25;
    QTest::newRow("exactly 100") << 100.0f << 1 << 100.0;
    QTest::newRow("just above 100") << 100.5f << 1 << 100.0;
    QTest::newRow("next single above 90")
        << std::nextafter(90.0f, 100.0f) << 1 << static_cast<double>(std::nextafter(90.0f, 100.0f));
    QTest::newRow("span 0 huge") << 1.0e30f << 1 << 100.0;
    QTest::newRow("+inf") << std::numeric_limits<float>::infinity() << 1 << 100.0;
    QTest::newRow("-inf") << -std::numeric_limits<float>::infinity() << 0 << 0.0;
    QTest::newRow("NaN shows 0") << std::numeric_limits<float>::quiet_NaN() << 0 << 0.0;
}

void TestRealTimePanel::throttlePercent() {
    QFETCH(float, percent);
    QFETCH(int, section);
    QFETCH(double, pointer);
    RealTimePanel panel;
    panel.showThrottlePercent(95);  // from a different state, so every field must be written
    panel.showThrottlePercent(percent);
    auto* g = child<BarGauge>(panel, "gauTPSPercent");
    QCOMPARE(g->section(), section);
    QCOMPARE(g->pointerValue(), pointer);
    // What is drawn stays inside the scale.
    QVERIFY(g->pointerFraction() >= 0 && g->pointerFraction() <= 1);
}

void TestRealTimePanel::throttleVoltsAndBattery() {
    RealTimePanel panel;
    panel.showThrottleVolts(4.35);
    panel.showBatteryVolts(13.8);
    QCOMPARE(child<BarGauge>(panel, "gauTPSVolts")->pointerValue(), 4.35);
    QCOMPARE(child<BarGauge>(panel, "gauBatVolts")->pointerValue(), 13.8);
    // A supply far over the scale is kept as read but drawn at the top.
    panel.showBatteryVolts(40);
    QCOMPARE(child<BarGauge>(panel, "gauBatVolts")->pointerValue(), 40.0);
    QCOMPARE(child<BarGauge>(panel, "gauBatVolts")->pointerFraction(), 1.0);
}

void TestRealTimePanel::engineSpeed_data() {
    QTest::addColumn<double>("rpm");
    QTest::addColumn<float>("needle");
    QTest::addColumn<QString>("text");
    QTest::newRow("12345") << 12345.0 << 12.345f << "12345";
    QTest::newRow("0") << 0.0 << 0.0f << "0";
    QTest::newRow("doubled count 5000") << 10000.0 << 10.0f << "10000";
    QTest::newRow("top of a doubled 16-bit count") << 131070.0 << 131.07f << "131070";
    QTest::newRow("7") << 7.0 << 0.007f << "7";
}

void TestRealTimePanel::engineSpeed() {
    QFETCH(double, rpm);
    QFETCH(float, needle);
    QFETCH(QString, text);
    RealTimePanel panel;
    auto* tach = child<DialGauge>(panel, "gauTach");
    tach->setRefresh(0);
    panel.showEngineSpeed(rpm);
    // Single precision, exactly as the dial is given it.
    QCOMPARE(tach->value(), static_cast<double>(needle));
    QCOMPARE(tach->caption(), text);
    QCOMPARE(tach->refresh(), 3);
}

void TestRealTimePanel::roadSpeed_data() {
    QTest::addColumn<double>("mph");
    QTest::addColumn<QString>("text");
    QTest::newRow("99.6") << 99.6 << "100";
    QTest::newRow("km/h 100 as mph") << 100 * 0.621388 << "62";
    QTest::newRow("62.1388") << 62.1388 << "62";
    QTest::newRow("0") << 0.0 << "0";
    QTest::newRow("half to even down") << 0.5 << "0";
    QTest::newRow("half to even up") << 1.5 << "2";
    QTest::newRow("over the dial") << 255.0 << "255";
}

void TestRealTimePanel::roadSpeed() {
    QFETCH(double, mph);
    QFETCH(QString, text);
    RealTimePanel panel;
    auto* speedo = child<DialGauge>(panel, "gauSpeedometer");
    speedo->setRefresh(0);
    panel.showRoadSpeed(mph);
    QCOMPARE(speedo->value(), mph);
    QCOMPARE(speedo->caption(), text);
    QCOMPARE(speedo->refresh(), 3);
    QVERIFY(speedo->needleFraction() >= 0 && speedo->needleFraction() <= 1);
}

void TestRealTimePanel::inputs() {
    RealTimePanel panel;
    panel.showInputVolts(1, 2.5);
    panel.showInputVolts(2, 4.9);
    panel.showInputAfr(1, 2.5 * 2 + 10);
    panel.showInputAfr(2, 10);
    QCOMPARE(child<BarGauge>(panel, "gauInput1Analog")->pointerValue(), 2.5);
    QCOMPARE(child<BarGauge>(panel, "gauInput2Analog")->pointerValue(), 4.9);
    QCOMPARE(child<BarGauge>(panel, "gauInput1AFR")->pointerValue(), 15.0);
    QCOMPARE(child<BarGauge>(panel, "gauInput2AFR")->pointerValue(), 10.0);
}

void TestRealTimePanel::inputNumberOutOfRange_data() {
    QTest::addColumn<int>("input");
    QTest::addColumn<bool>("afr");
    QTest::newRow("volts 0") << 0 << false;
    QTest::newRow("volts 3") << 3 << false;
    QTest::newRow("afr -1") << -1 << true;
    QTest::newRow("afr 3") << 3 << true;
}

void TestRealTimePanel::inputNumberOutOfRange() {
    QFETCH(int, input);
    QFETCH(bool, afr);
    RealTimePanel panel;
    try {
        if (afr) {
            panel.showInputAfr(input, 14.7);
        } else {
            panel.showInputVolts(input, 1.0);
        }
        QFAIL("no error for an input that does not exist");
    } catch (const AppError& e) {
        QCOMPARE(e.code(), AppError::kSubscriptOutOfRange);
        QCOMPARE(e.description(), QStringLiteral("Subscript out of range"));
    }
    // Nothing was shown on the real inputs.
    QCOMPARE(child<BarGauge>(panel, "gauInput1Analog")->pointerValue(), 0.0);
    QCOMPARE(child<BarGauge>(panel, "gauInput2AFR")->pointerValue(), 15.0);
}

void TestRealTimePanel::inputBits_data() {
    QTest::addColumn<int>("bits");
    QTest::addColumn<QString>("gpiPurgeArm");
    QTest::newRow("0") << 0 << "lit dark dark";
    QTest::newRow("7") << 7 << "dark lit lit";
    QTest::newRow("GPI bit only") << 4 << "dark dark dark";
    QTest::newRow("arm only") << 1 << "lit dark lit";
    QTest::newRow("purge only") << 2 << "lit lit dark";
    QTest::newRow("unlisted bits ignored") << 0xF8 << "lit dark dark";
    QTest::newRow("255") << 255 << "dark lit lit";
}

void TestRealTimePanel::inputBits() {
    QFETCH(int, bits);
    QFETCH(QString, gpiPurgeArm);
    RealTimePanel panel;
    panel.showInputBits(bits ^ 0x07);  // the opposite first: every lamp must be repainted
    panel.showInputBits(bits);
    QCOMPARE(lamps(panel, {"shpLED_GPI", "shpLED_PurgeIn", "shpLED_ArmIn"}), gpiPurgeArm);
}

void TestRealTimePanel::outputBits_data() {
    QTest::addColumn<int>("bits");
    QTest::addColumn<QString>("stage1Stage2GpoPurgeStatus");
    QTest::newRow("0x1F") << 0x1F << "lit lit lit lit lit";
    QTest::newRow("0x20 alone") << 0x20 << "dark dark dark dark dark";
    QTest::newRow("stage 1") << 0x01 << "lit dark dark dark dark";
    QTest::newRow("stage 2") << 0x02 << "dark lit dark dark dark";
    QTest::newRow("GPO") << 0x04 << "dark dark lit dark dark";
    QTest::newRow("status lamp") << 0x08 << "dark dark dark dark lit";
    QTest::newRow("purge solenoid") << 0x10 << "dark dark dark lit dark";
    QTest::newRow("0xE0") << 0xE0 << "dark dark dark dark dark";
}

void TestRealTimePanel::outputBits() {
    QFETCH(int, bits);
    QFETCH(QString, stage1Stage2GpoPurgeStatus);
    RealTimePanel panel;
    panel.showOutputBits(bits ^ 0x1F);
    panel.showOutputBits(bits);
    QCOMPARE(lamps(panel, {"shpLED_Stage1Sol", "shpLED_Stage2Sol", "shpLED_GPO", "shpLED_PurgeSol",
                           "shpLED_StatusLED"}),
             stage1Stage2GpoPurgeStatus);
    // The output byte never touches the input lamps (still in their initial colours).
    QCOMPARE(child<Lamp>(panel, "shpLED_ArmIn")->fillColor(), kLit);
}

void TestRealTimePanel::dutyCycles() {
    RealTimePanel panel;
    panel.showDutyCycles(100, 37.5);
    QCOMPARE(child<BarGauge>(panel, "gauStage1PWM")->pointerValue(), 100.0);
    QCOMPARE(child<BarGauge>(panel, "gauStage2PWM")->pointerValue(), 37.5);
}

void TestRealTimePanel::statusText_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "Power Off";
    QTest::newRow("1") << 1 << "Power On - Not Armed";
    QTest::newRow("2") << 2 << "Auto Purge";
    QTest::newRow("3") << 3 << "Ready";
    QTest::newRow("4") << 4 << "Ready";
    QTest::newRow("5") << 5 << "Timeout";
    QTest::newRow("6") << 6 << "Power Ground Fault";
    QTest::newRow("7") << 7 << "Invalid";
    QTest::newRow("255") << 255 << "Invalid";
    QTest::newRow("-1") << -1 << "Invalid";
}

void TestRealTimePanel::statusText() {
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(RealTimePanel::statusText(code), text);
}

void TestRealTimePanel::statusCaption() {
    RealTimePanel panel;
    const QString text = QStringLiteral("Ready\r\nTPS Volts: 1.25");
    panel.showStatus(text);
    QCOMPARE(child<QLabel>(panel, "lblStatus")->text(), text);
    QCOMPARE(panel.status(), text);
}

void TestRealTimePanel::chooseGauges_data() {
    QTest::addColumn<bool>("tps");
    QTest::addColumn<bool>("in1");
    QTest::addColumn<bool>("in2");
    for (int i = 0; i < 8; ++i) {
        QTest::addRow("tps%d in1 %d in2 %d", i & 1, (i >> 1) & 1, (i >> 2) & 1)
            << bool(i & 1) << bool(i & 2) << bool(i & 4);
    }
}

void TestRealTimePanel::chooseGauges() {
    QFETCH(bool, tps);
    QFETCH(bool, in1);
    QFETCH(bool, in2);
    RealTimePanel panel;
    panel.chooseGauges(!tps, !in1, !in2);  // from the opposite choice
    panel.chooseGauges(tps, in1, in2);
    auto shown = [&](const char* name) { return !child<BarGauge>(panel, name)->isHidden(); };
    QCOMPARE(shown("gauTPSPercent"), tps);
    QCOMPARE(shown("gauTPSVolts"), !tps);
    QCOMPARE(shown("gauInput1Analog"), in1);
    QCOMPARE(shown("gauInput1AFR"), !in1);
    QCOMPARE(shown("gauInput2Analog"), in2);
    QCOMPARE(shown("gauInput2AFR"), !in2);
    // The choice never touches the always-visible instruments.
    for (const char* name : {"gauBatVolts"}) {
        QVERIFY(shown(name));
    }
    QVERIFY(!child<DialGauge>(panel, "gauTach")->isHidden());
    QVERIFY(!child<DialGauge>(panel, "gauSpeedometer")->isHidden());

    // On screen, the visible gauge of a pair takes the place the other one had.
    panel.resize(panel.sizeHint());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    panel.chooseGauges(true, true, true);
    QApplication::processEvents();
    const QRect percentAt = child<BarGauge>(panel, "gauTPSPercent")->geometry();
    panel.chooseGauges(false, true, true);
    QApplication::processEvents();
    QCOMPARE(child<BarGauge>(panel, "gauTPSVolts")->geometry(), percentAt);
}

void TestRealTimePanel::stageGroupOnlyForQx2() {
    RealTimePanel panel;
    const char* group[] = {"gauStage1PWM", "gauStage2PWM", "lblStage1", "lblStage2"};
    // Hidden until a QX-2 controller is found.
    for (const char* name : group) {
        QVERIFY2(child<QWidget>(panel, name)->isHidden(), name);
    }
    panel.setStageGroupVisible(true);
    for (const char* name : group) {
        QVERIFY2(!child<QWidget>(panel, name)->isHidden(), name);
    }
    panel.setStageGroupVisible(false);
    for (const char* name : group) {
        QVERIFY2(child<QWidget>(panel, name)->isHidden(), name);
    }
    // Lamps, status and Close are always there.
    for (const char* name : {"shpLED_GPI", "shpLED_StatusLED", "lblStatus", "lblStatusLegend",
                             "cmdCloseRealTimeData"}) {
        QVERIFY2(!child<QWidget>(panel, name)->isHidden(), name);
    }
}

void TestRealTimePanel::dialLimitsFromSettings_data() {
    QTest::addColumn<float>("tachRedline");
    QTest::addColumn<float>("tachMax");
    QTest::addColumn<float>("speedoRedline");
    QTest::addColumn<float>("speedoMax");
    QTest::addColumn<double>("dialTachRedline");
    QTest::addColumn<double>("dialTachMax");
    QTest::addColumn<double>("dialSpeedoRedline");
    QTest::addColumn<double>("dialSpeedoMax");
    QTest::newRow("defaults") << 6500.0f << 10000.0f << 85.0f << 140.0f << 6.5 << 10.0 << 85.0
                              << 140.0;
    QTest::newRow("tenths rounded")
        << 6549.0f << 12345.0f << 85.9f << 140.99f << 6.5 << 12.3 << 85.0 << 140.0;
    QTest::newRow("rounded up") << 6551.0f << 19999.0f << 55.0f << 250.0f << 6.6 << 20.0 << 55.0
                                << 250.0;
    QTest::newRow("bounds") << 4000.0f << 5000.0f << 240.0f << 55.0f << 4.0 << 5.0 << 240.0 << 55.0;
}

void TestRealTimePanel::dialLimitsFromSettings() {
    QFETCH(float, tachRedline);
    QFETCH(float, tachMax);
    QFETCH(float, speedoRedline);
    QFETCH(float, speedoMax);
    QFETCH(double, dialTachRedline);
    QFETCH(double, dialTachMax);
    QFETCH(double, dialSpeedoRedline);
    QFETCH(double, dialSpeedoMax);
    Settings s;
    s.tachRedline = tachRedline;
    s.tachMax = tachMax;
    s.speedoRedline = speedoRedline;
    s.speedoMax = speedoMax;
    RealTimePanel panel;
    panel.applyDialSettings(s);
    auto* tach = child<DialGauge>(panel, "gauTach");
    auto* speedo = child<DialGauge>(panel, "gauSpeedometer");
    // The dial holds single-precision values.
    QCOMPARE(tach->redline(), static_cast<double>(static_cast<float>(dialTachRedline)));
    QCOMPARE(tach->maximum(), static_cast<double>(static_cast<float>(dialTachMax)));
    QCOMPARE(speedo->redline(), dialSpeedoRedline);
    QCOMPARE(speedo->maximum(), dialSpeedoMax);
}

void TestRealTimePanel::dialLimitsDirect() {
    RealTimePanel panel;
    panel.setDialLimits(6.5f, 10.0f, 85, 140);
    auto* tach = child<DialGauge>(panel, "gauTach");
    QCOMPARE(tach->maximum(), 10.0);
    QCOMPARE(tach->redline(), 6.5);
    // The needle sweeps the scale up to the new maximum.
    panel.showEngineSpeed(5000);
    QCOMPARE(tach->needleFraction(), 0.5);
    panel.setTachMax(5.0f);
    QCOMPARE(tach->needleFraction(), 1.0);
    panel.setSpeedoMax(200);
    panel.setSpeedoRedline(150);
    panel.showRoadSpeed(50);
    QCOMPARE(child<DialGauge>(panel, "gauSpeedometer")->needleFraction(), 0.25);
    QCOMPARE(child<DialGauge>(panel, "gauSpeedometer")->redline(), 150.0);
}

void TestRealTimePanel::restStates() {
    RealTimePanel panel;
    panel.setStageGroupVisible(true);
    panel.showStatus(QStringLiteral("Ready"));
    panel.showThrottlePercent(95);
    auto* tpsVolts = child<BarGauge>(panel, "gauTPSVolts");
    tpsVolts->setSection(1);
    panel.showThrottleVolts(3);
    panel.showInputVolts(1, 2);
    panel.showInputVolts(2, 3);
    child<BarGauge>(panel, "gauInput1AFR")->setSecondSelector(1);
    child<BarGauge>(panel, "gauInput2AFR")->setSecondSelector(1);
    panel.showInputAfr(1, 12);
    panel.showInputAfr(2, 18);
    panel.showEngineSpeed(7200);
    panel.showRoadSpeed(120);
    panel.showBatteryVolts(14);
    panel.showInputBits(7);
    panel.showOutputBits(0x1F);
    panel.showDutyCycles(80, 90);
    child<DialGauge>(panel, "gauTach")->setRefresh(0);
    child<DialGauge>(panel, "gauSpeedometer")->setRefresh(0);

    panel.reset();

    QCOMPARE(panel.status(), QString());
    auto* tps = child<BarGauge>(panel, "gauTPSPercent");
    QCOMPARE(tps->section(), 0);
    QCOMPARE(tps->pointerValue(), 0.0);
    QCOMPARE(tpsVolts->section(), 0);
    QCOMPARE(tpsVolts->pointerValue(), 0.0);
    QCOMPARE(child<BarGauge>(panel, "gauInput1Analog")->pointerValue(), 0.0);
    QCOMPARE(child<BarGauge>(panel, "gauInput2Analog")->pointerValue(), 0.0);
    for (const char* afr : {"gauInput1AFR", "gauInput2AFR"}) {
        QCOMPARE(child<BarGauge>(panel, afr)->secondSelector(), 0);
        QCOMPARE(child<BarGauge>(panel, afr)->pointerValue(), 15.0);
    }
    auto* tach = child<DialGauge>(panel, "gauTach");
    QCOMPARE(tach->value(), 0.0);
    QCOMPARE(tach->refresh(), 3);
    QCOMPARE(tach->caption(), QStringLiteral("0"));
    auto* speedo = child<DialGauge>(panel, "gauSpeedometer");
    QCOMPARE(speedo->value(), 0.0);
    QCOMPARE(speedo->refresh(), 3);
    QCOMPARE(speedo->caption(), QStringLiteral("0"));
    QCOMPARE(child<BarGauge>(panel, "gauBatVolts")->pointerValue(), 0.0);
    QCOMPARE(
        lamps(panel, {"shpLED_GPI", "shpLED_PurgeIn", "shpLED_ArmIn", "shpLED_Stage1Sol",
                      "shpLED_Stage2Sol", "shpLED_GPO", "shpLED_PurgeSol", "shpLED_StatusLED"}),
        QStringLiteral("lit dark dark dark dark dark dark dark"));
    QCOMPARE(child<BarGauge>(panel, "gauStage1PWM")->pointerValue(), 0.0);
    QCOMPARE(child<BarGauge>(panel, "gauStage2PWM")->pointerValue(), 0.0);
    // The reset changes readings, never which gauges are chosen.
    QVERIFY(!child<BarGauge>(panel, "gauStage1PWM")->isHidden());
    QVERIFY(!tps->isHidden());
    QVERIFY(tpsVolts->isHidden());
}

void TestRealTimePanel::restStatesReachHiddenGauges() {
    RealTimePanel panel;
    panel.chooseGauges(true, true, true);
    panel.setStageGroupVisible(false);
    panel.showThrottleVolts(4);
    panel.showInputAfr(1, 19);
    panel.showInputAfr(2, 11);
    panel.showDutyCycles(50, 60);
    panel.reset();
    QCOMPARE(child<BarGauge>(panel, "gauTPSVolts")->pointerValue(), 0.0);
    QCOMPARE(child<BarGauge>(panel, "gauInput1AFR")->pointerValue(), 15.0);
    QCOMPARE(child<BarGauge>(panel, "gauInput2AFR")->pointerValue(), 15.0);
    QCOMPARE(child<BarGauge>(panel, "gauStage1PWM")->pointerValue(), 0.0);
    QCOMPARE(child<BarGauge>(panel, "gauStage2PWM")->pointerValue(), 0.0);
    QVERIFY(child<BarGauge>(panel, "gauTPSVolts")->isHidden());
}

void TestRealTimePanel::closeButton() {
    RealTimePanel panel;
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QSignalSpy spy(&panel, &RealTimePanel::closeRequested);
    QTest::mouseClick(child<QPushButton>(panel, "cmdCloseRealTimeData"), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
}

void TestRealTimePanel::readingsSurviveHiding() {
    RealTimePanel panel;
    panel.show();
    panel.showEngineSpeed(4321);
    panel.showStatus(QStringLiteral("Ready"));
    panel.hide();
    panel.show();
    QCOMPARE(child<DialGauge>(panel, "gauTach")->caption(), QStringLiteral("4321"));
    QCOMPARE(panel.status(), QStringLiteral("Ready"));
}

void TestRealTimePanel::mainWindowHostsThePanel() {
    test::MemorySettings store;
    store.set(QStringLiteral("Tach_Max"), QStringLiteral("12000"));
    store.set(QStringLiteral("Tach_Redline"), QStringLiteral("7250"));
    store.set(QStringLiteral("Speedo_Max"), QStringLiteral("180"));
    store.set(QStringLiteral("Speedo_Redline"), QStringLiteral("150"));
    test::ScriptedDialogs dialogs;
    FrmMain w({&dialogs, &store, Branding::defaults()});
    w.Form_Load();
    QVERIFY2(dialogs.ok(), qPrintable(dialogs.report()));
    RealTimePanel& panel = w.realTimePanel();
    QCOMPARE(w.findChild<RealTimePanel*>(QStringLiteral("fraRealTimeData")), &panel);
    QVERIFY(panel.isHidden());
    // The load applied the stored limits to the dials (7250 rounds to 7.2, ties to even).
    QCOMPARE(panel.gauTach().maximum(), 12.0);
    QCOMPARE(panel.gauTach().redline(), static_cast<double>(7.2f));
    QCOMPARE(panel.gauSpeedometer().maximum(), 180.0);
    QCOMPARE(panel.gauSpeedometer().redline(), 150.0);
    // Shown at the window's opening size, the panel gets at least its natural size.
    w.show();
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY2(
        panel.height() >= panel.sizeHint().height() && panel.width() >= panel.sizeHint().width(),
        qPrintable(QStringLiteral("%1x%2").arg(panel.width()).arg(panel.height())));
}

QTEST_MAIN(TestRealTimePanel)
#include "test_real_time_panel.moc"
