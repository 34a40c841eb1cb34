// The chart's plain logic: the twenty trace options and their conversions, the time window
// arithmetic, the status words, the axis maximum answers and the chart template format.
#include <QFile>
#include <QRegularExpression>
#include <QtTest>
#include <cmath>
#include <limits>

#include "chart/axis_prompt.h"
#include "chart/chart_codes.h"
#include "chart/chart_template.h"
#include "chart/drawable_data.h"
#include "chart/marker_status.h"
#include "chart/time_window.h"
#include "chart/trace_options.h"
#include "common/program_paths.h"
#include "core/app_error.h"
#include "scripted_dialogs.h"

using namespace tarvik;

namespace {

const TraceOption& option(const char* name) {
    const TraceOption* o = findTraceOption(QLatin1String(name));
    if (o == nullptr) {
        qFatal("no option %s", name);
    }
    return *o;
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

}  // namespace

class TestChartLogic : public QObject {
    Q_OBJECT

private slots:
    void optionTable_data();
    void optionTable();
    void optionOrderInFrames();
    void valueOptionsPassValuesThrough();
    void vssInMilesPerHourSinglePrecision();
    void afrComputedInDoubleStoredAsSingle();
    void onOffBits_data();
    void onOffBits();
    void buildTraceFillsAllRows();
    void axisRangesFollowMaxima();

    void window_data();
    void window();
    void timeScales();
    void totalSpan_data();
    void totalSpan();
    void logIntervalShown_data();
    void logIntervalShown();
    void scrollPositionOverflow_data();
    void scrollPositionOverflow();

    void statusText_data();
    void statusText();

    void axisAnswer_data();
    void axisAnswer();
    void askLoopsUntilInRange();
    void askCancelKeepsValidValue();

    void shippedTemplateParses();
    void templateRejects_data();
    void templateRejects();
    void templateMissingFile();

    void mouseCodes_data();
    void mouseCodes();
    void shiftStateCodes_data();
    void shiftStateCodes();
    void drawableRange_data();
    void drawableRange();
    void drawablePointsKeepWindowSegments();
};

void TestChartLogic::optionTable_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("trace");
    QTest::addColumn<int>("shape");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("mask");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("pattern");
    auto row = [](const char* c, const char* cap, int trace, TraceShape s, Column col, int mask,
                  const char* title, const char* pattern) {
        QTest::newRow(c) << QString::fromLatin1(c) << QString::fromLatin1(cap) << trace
                         << static_cast<int>(s) << static_cast<int>(col) << mask
                         << QString::fromLatin1(title) << QString::fromLatin1(pattern);
    };
    using S = TraceShape;
    using C = Column;
    row("optTrace1RPM", "RPM", 1, S::Trace1Value, C::RPM, 0, "RPM", "###0");
    row("optTrace1VSS", "VSS", 1, S::Trace1Value, C::VSS, 0, "VSS (MPH)", "##0");
    row("optTrace1TPS", "TPS", 1, S::Trace1Value, C::TPSPercent, 0, "TPS (%)", "##0");
    row("optTrace1Bat", "BATTERY VOLTS", 1, S::Trace1Value, C::BatVolts, 0, "Bat Volts", "#0.0");
    row("optTrace1Input1Analog", "INPUT 1 VOLTS", 1, S::Trace1Value, C::Input1Volts, 0,
        "Input 1 Volts", "#0.0");
    row("optTrace1Input1AFR", "INPUT 1 AFR", 1, S::Trace1Value, C::Input1Volts, 0, "Input 1 AFR",
        "#0.0");
    row("optTrace1Input2Analog", "INPUT 2 VOLTS", 1, S::Trace1Value, C::Input2Volts, 0,
        "Input 2 Volts", "#0.0");
    row("optTrace1Input2AFR", "INPUT 2 AFR", 1, S::Trace1Value, C::Input2Volts, 0, "Input 2 AFR",
        "#0.0");
    row("optTrace2RPM", "RPM", 2, S::Trace2Value, C::RPM, 0, "RPM", "###0");
    row("optTrace2VSS", "VSS", 2, S::Trace2Value, C::VSS, 0, "VSS (MPH)", "##0");
    row("optTrace2TPS", "TPS", 2, S::Trace2Value, C::TPSPercent, 0, "TPS (%)", "##0");
    row("optTrace2Stage1PWM", "STAGE 1 PWM", 2, S::Trace2Value, C::Stage1PWM, 0, "Stage 1 PWM (%)",
        "##0");
    row("optTrace2Stage2PWM", "STAGE 2 PWM", 2, S::Trace2Value, C::Stage2PWM, 0, "Stage 2 PWM (%)",
        "##0");
    row("optTrace2ArmIn", "ARM", 2, S::Trace2OnOff, C::InputData, 1, "Arming Switch Input", "#0");
    row("optTrace2PurgeIn", "PURGE IN", 2, S::Trace2OnOff, C::InputData, 2, "Purge Input", "#0");
    row("optTrace2GPI", "GPI", 2, S::Trace2OnOff, C::InputData, 4, "GPI", "#0");
    row("optTrace2GPO", "GPO", 2, S::Trace2OnOff, C::OutputData, 4, "GPO", "#0");
    row("optTrace2PurgeSol", "PURGE SOL", 2, S::Trace2OnOff, C::OutputData, 16, "Purge Solenoid",
        "#0");
    row("optTrace2Stage1Trig", "STAGE 1 TRIG", 2, S::Trace2OnOff, C::OutputData, 1,
        "Stage 1 Triggered", "#0");
    row("optTrace2Stage2Trig", "STAGE 2 TRIG", 2, S::Trace2OnOff, C::OutputData, 2,
        "Stage 2 Triggered", "#0");
}

void TestChartLogic::optionTable() {
    QFETCH(QString, control);
    const TraceOption* o = findTraceOption(control);
    QVERIFY(o != nullptr);
    QTEST(QString::fromLatin1(o->caption), "caption");
    QTEST(o->trace, "trace");
    QTEST(static_cast<int>(o->shape), "shape");
    QTEST(static_cast<int>(o->column), "column");
    if (o->shape == TraceShape::Trace2OnOff) {
        QTEST(o->mask, "mask");
        QCOMPARE(o->conversion, TraceConversion::BitMask);
    }
    QTEST(QString::fromLatin1(o->title), "title");
    QTEST(QString::fromLatin1(o->pattern), "pattern");
}

void TestChartLogic::optionOrderInFrames() {
    QStringList captions;
    for (const TraceOption& o : traceOptions()) {
        captions << QString::number(o.trace) + QLatin1Char(':') + QLatin1String(o.caption);
    }
    QCOMPARE(captions.join(u','),
             QStringLiteral("1:RPM,1:VSS,1:TPS,1:BATTERY VOLTS,1:INPUT 1 VOLTS,1:INPUT 1 AFR,"
                            "1:INPUT 2 VOLTS,1:INPUT 2 AFR,"
                            "2:RPM,2:VSS,2:TPS,2:ARM,2:STAGE 1 TRIG,2:STAGE 2 TRIG,2:STAGE 1 PWM,"
                            "2:STAGE 2 PWM,2:PURGE IN,2:PURGE SOL,2:GPI,2:GPO"));
}

void TestChartLogic::valueOptionsPassValuesThrough() {
    for (const char* name : {"optTrace1RPM", "optTrace1TPS", "optTrace1Bat",
                             "optTrace1Input2Analog", "optTrace2Stage2PWM"}) {
        QCOMPARE(convertTraceValue(option(name), 6843.5f), 6843.5f);
        QVERIFY(std::isnan(convertTraceValue(option(name), kNaN)));
    }
}

void TestChartLogic::vssInMilesPerHourSinglePrecision() {
    const TraceOption& o = option("optTrace2VSS");
    for (float kmh : {0.0f, 1.6093f, 100.0f, 160.93f, 255.0f * 1.6093f, 33.3f}) {
        const float expected = kmh * 0.621388f;  // single by single, as the trace keeps it
        QCOMPARE(convertTraceValue(o, kmh), expected);
        QCOMPARE(convertTraceValue(option("optTrace1VSS"), kmh), expected);
    }
    // 100 km/h is 62.1388 mph as a single, and reads "62" with the pattern.
    QCOMPARE(convertTraceValue(o, 100.0f), 62.1388f);
}

void TestChartLogic::afrComputedInDoubleStoredAsSingle() {
    const TraceOption& o = option("optTrace1Input1AFR");
    for (float v : {0.0f, 0.1f, 2.3f, 2.35f, 4.9f, 5.0f}) {
        QCOMPARE(convertTraceValue(o, v), static_cast<float>(2.0 * double(v) + 10.0));
    }
    QCOMPARE(convertTraceValue(o, 2.5f), 15.0f);
    QCOMPARE(convertTraceValue(option("optTrace1Input2AFR"), 1.0f), 12.0f);
}

void TestChartLogic::onOffBits_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("expected");
    const struct {
        const char* control;
        float value;
        float expected;
    } rows[] = {
        {"optTrace2ArmIn", 255, 1},    {"optTrace2PurgeIn", 255, 1},
        {"optTrace2GPI", 255, 1},      {"optTrace2ArmIn", 0, 0},
        {"optTrace2PurgeIn", 0, 0},    {"optTrace2GPI", 0, 0},
        {"optTrace2ArmIn", 2.5f, 0},   {"optTrace2PurgeIn", 2.5f, 1},  // 2.5 rounds to 2
        {"optTrace2ArmIn", 3.5f, 0},   {"optTrace2GPI", 3.5f, 1},      // 3.5 rounds to 4
        {"optTrace2ArmIn", 0.5f, 0},   {"optTrace2ArmIn", 1.5f, 0},    // 0 and 2
        {"optTrace2Stage1Trig", 8, 0}, {"optTrace2Stage2Trig", 8, 0},
        {"optTrace2GPO", 8, 0},        {"optTrace2PurgeSol", 8, 0},
        {"optTrace2PurgeSol", 16, 1},  {"optTrace2PurgeSol", 0x1f, 1},
        {"optTrace2Stage2Trig", 3, 1}, {"optTrace2Stage1Trig", 2, 0},
        {"optTrace2ArmIn", -1, 1},     {"optTrace2ArmIn", kNaN, 0},
        {"optTrace2ArmIn", kInf, 0},   {"optTrace2ArmIn", 1e20f, 0},
    };
    int n = 0;
    for (const auto& r : rows) {
        QTest::addRow("%d %s %g", n++, r.control, static_cast<double>(r.value))
            << QString::fromLatin1(r.control) << r.value << r.expected;
    }
}

void TestChartLogic::onOffBits() {
    QFETCH(QString, control);
    QFETCH(float, value);
    QFETCH(float, expected);
    QCOMPARE(convertTraceValue(*findTraceOption(control), value), expected);
}

void TestChartLogic::buildTraceFillsAllRows() {
    DataBuffer d;
    for (int row = 1; row <= kDataRows; ++row) {
        d.at(Column::VSS, row) = static_cast<float>(row);
        d.at(Column::OutputData, row) = static_cast<float>(row % 4);
    }
    std::array<float, kDataRows> out{};
    out.fill(-1);
    buildTrace(option("optTrace1VSS"), d, out);
    QCOMPARE(out[0], 1.0f * 0.621388f);
    QCOMPARE(out[kDataRows - 1], 2700.0f * 0.621388f);
    buildTrace(option("optTrace2Stage2Trig"), d, out);
    QCOMPARE(out[0], 0.0f);              // row 1: 1
    QCOMPARE(out[1], 1.0f);              // row 2: 2
    QCOMPARE(out[2], 1.0f);              // row 3: 3
    QCOMPARE(out[kDataRows - 1], 0.0f);  // row 2700: 0
}

void TestChartLogic::axisRangesFollowMaxima() {
    AxisSpan r = traceAxisRange(option("optTrace1RPM"), 8000, 150);
    QCOMPARE(r.low, 0.0);
    QCOMPARE(r.high, 8000.0);
    r = traceAxisRange(option("optTrace2VSS"), 8000, 150);
    QCOMPARE(r.high, 150.0);
    r = traceAxisRange(option("optTrace1Input1AFR"), 8000, 150);
    QCOMPARE(r.low, 10.0);
    QCOMPARE(r.high, 20.0);
    r = traceAxisRange(option("optTrace1Bat"), 8000, 150);
    QCOMPARE(r.high, 20.0);
    r = traceAxisRange(option("optTrace1Input2Analog"), 8000, 150);
    QCOMPARE(r.high, 5.0);
    r = traceAxisRange(option("optTrace2GPO"), 8000, 150);
    QCOMPARE(r.high, 2.0);
    r = traceAxisRange(option("optTrace2Stage1PWM"), 8000, 150);
    QCOMPARE(r.high, 100.0);
}

void TestChartLogic::window_data() {
    QTest::addColumn<float>("centre");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("total");
    QTest::addColumn<float>("low");
    QTest::addColumn<float>("high");
    QTest::newRow("position 0, 1 min") << 0.f << 60.f << 16200.f << 0.f << 60.f;
    QTest::newRow("end, 15 s") << 16200.f << 15.f << 16200.f << 16192.5f << 16200.f;
    QTest::newRow("270 s log at its end, 5 min") << 270.f << 300.f << 270.f << 120.f << 270.f;
    QTest::newRow("short log from 0") << 0.f << 300.f << 270.f << 0.f << 270.f;
    QTest::newRow("empty log") << 0.f << 15.f << 0.f << 0.f << 0.f;
    QTest::newRow("empty log, 5 min") << 0.f << 300.f << 0.f << 0.f << 0.f;
    QTest::newRow("middle") << 1000.f << 60.f << 16200.f << 970.f << 1030.f;
    QTest::newRow("near start") << 5.f << 15.f << 270.f << 0.f << 15.f;
    QTest::newRow("one second from the end") << 269.f << 15.f << 270.f << 261.5f << 270.f;
}

void TestChartLogic::window() {
    QFETCH(float, centre);
    QFETCH(float, width);
    QFETCH(float, total);
    const TimeRange r = windowFromCentre(centre, width, total);
    QTEST(r.low, "low");
    QTEST(r.high, "high");
}

void TestChartLogic::timeScales() {
    const auto& s = tarvik::timeScales();
    QCOMPARE(QLatin1String(s[0].caption), QLatin1String("15 Sec"));
    QCOMPARE(s[0].windowWidth, 15.0f);
    QCOMPARE(s[0].largeStep, 30);
    QCOMPARE(s[0].smallStep, 3);
    QCOMPARE(QLatin1String(s[1].caption), QLatin1String("1 Min"));
    QCOMPARE(s[1].windowWidth, 60.0f);
    QCOMPARE(s[1].largeStep, 120);
    QCOMPARE(s[1].smallStep, 12);
    QCOMPARE(QLatin1String(s[2].control), QLatin1String("optTimeScale3"));
    QCOMPARE(s[2].windowWidth, 300.0f);
    QCOMPARE(s[2].largeStep, 300);
    QCOMPARE(s[2].smallStep, 60);
}

void TestChartLogic::totalSpan_data() {
    QTest::addColumn<float>("interval");
    QTest::addColumn<float>("span");
    QTest::newRow("0.1") << 0.1f << 270.0f;
    QTest::newRow("6") << 6.0f << 16200.0f;
    QTest::newRow("0") << 0.0f << 0.0f;
    QTest::newRow("tiny") << 1e-30f << 0.0f;
    QTest::newRow("0.048") << 0.048f << 130.0f;  // 129.6
    QTest::newRow("huge") << 1e6f << 2.7e9f;
    QTest::newRow("negative") << -0.1f << -270.0f;
}

void TestChartLogic::totalSpan() {
    QFETCH(float, interval);
    QTEST(totalSpanOf(interval), "span");
}

void TestChartLogic::logIntervalShown_data() {
    QTest::addColumn<float>("interval");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.048") << 0.048f << QStringLiteral("0.05");
    QTest::newRow("0.016") << 0.016f << QStringLiteral("0.00");
    QTest::newRow("0.1") << 0.1f << QStringLiteral("0.10");
    QTest::newRow("0.025 tie to even") << 0.025f << QStringLiteral("0.00");  // 0.5 -> 0
    QTest::newRow("0.125 tie to even") << 0.125f << QStringLiteral("0.10");  // 2.5 -> 2
    QTest::newRow("0.175 tie to even") << 0.175f << QStringLiteral("0.20");  // 3.5 -> 4
    QTest::newRow("6") << 6.0f << QStringLiteral("6.00");
    QTest::newRow("0") << 0.0f << QStringLiteral("0.00");
    QTest::newRow("NaN") << kNaN << QStringLiteral("NaN");
}

void TestChartLogic::logIntervalShown() {
    QFETCH(float, interval);
    QTEST(logIntervalText(interval), "text");
}

void TestChartLogic::scrollPositionOverflow_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("position");  // -1: overflow
    QTest::newRow("270") << 270.0 << 270;
    QTest::newRow("tie down") << 12.5 << 12;
    QTest::newRow("tie up") << 13.5 << 14;
    QTest::newRow("32767") << 32767.0 << 32767;
    QTest::newRow("32767.4") << 32767.4 << 32767;
    QTest::newRow("32767.5") << 32767.5 << -1;
    QTest::newRow("40000") << 40000.0 << -1;
    QTest::newRow("2.7e9") << 2.7e9 << -1;
    QTest::newRow("NaN") << std::nan("") << -1;
    QTest::newRow("inf") << std::numeric_limits<double>::infinity() << -1;
}

void TestChartLogic::scrollPositionOverflow() {
    QFETCH(double, seconds);
    QFETCH(int, position);
    if (position < 0) {
        try {
            toScrollPosition(seconds);
            QFAIL("no overflow");
        } catch (const AppError& e) {
            QCOMPARE(e.code(), AppError::kOverflow);
            QCOMPARE(e.description(), QStringLiteral("Overflow"));
        }
    } else {
        QCOMPARE(static_cast<int>(toScrollPosition(seconds)), position);
    }
}

void TestChartLogic::statusText_data() {
    QTest::addColumn<float>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0.f << QStringLiteral("Power Off");
    QTest::newRow("1") << 1.f << QStringLiteral("Power On - Not Armed");
    QTest::newRow("2") << 2.f << QStringLiteral("Auto Purge");
    QTest::newRow("2.5") << 2.5f << QStringLiteral("Invalid");
    QTest::newRow("3") << 3.f << QStringLiteral("Ready");
    QTest::newRow("3.5") << 3.5f << QStringLiteral("Ready");
    QTest::newRow("4") << 4.f << QStringLiteral("Ready");
    QTest::newRow("4.5") << 4.5f << QStringLiteral("Invalid");
    QTest::newRow("5") << 5.f << QStringLiteral("Timeout");
    QTest::newRow("6") << 6.f << QStringLiteral("Power Ground Fault");
    QTest::newRow("7") << 7.f << QStringLiteral("Invalid");
    QTest::newRow("255") << 255.f << QStringLiteral("Invalid");
    QTest::newRow("-1") << -1.f << QStringLiteral("Invalid");
    QTest::newRow("0.999") << 0.999f << QStringLiteral("Invalid");
    QTest::newRow("NaN") << kNaN << QStringLiteral("Invalid");
}

void TestChartLogic::statusText() {
    QFETCH(float, status);
    QTEST(markerStatusText(status), "text");
}

void TestChartLogic::axisAnswer_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<double>("value");
    QTest::newRow("8000.9") << QStringLiteral("8000.9") << 8000.0;
    QTest::newRow("letters") << QStringLiteral("abc") << 0.0;
    QTest::newRow("-5000") << QStringLiteral("-5000") << -5000.0;
    QTest::newRow("-0.5 rounds down") << QStringLiteral("-0.5") << -1.0;
    QTest::newRow("40000") << QStringLiteral("40000") << 40000.0;
    QTest::newRow("leading number") << QStringLiteral("9000 rpm") << 9000.0;
    QTest::newRow("blanks") << QStringLiteral(" 1 2 0 ") << 120.0;
}

void TestChartLogic::axisAnswer() {
    QFETCH(QString, answer);
    QTEST(axisMaximumAnswer(answer), "value");
}

void TestChartLogic::askLoopsUntilInRange() {
    test::ScriptedDialogs d;
    const AxisMaximumPrompt& p = AxisMaximumPrompt::maxRPM();
    const QString prompt = QStringLiteral("Enter maximum RPM value for chart display (4000-20000)");
    // Every repetition offers the value the prompt started from.
    d.expectInput(prompt, QStringLiteral("Maximum RPM"), QStringLiteral("10000"),
                  QStringLiteral("abc"));
    d.expectInput(prompt, QStringLiteral("Maximum RPM"), QStringLiteral("10000"),
                  QStringLiteral("-5000"));
    d.expectInput(prompt, QStringLiteral("Maximum RPM"), QStringLiteral("10000"),
                  QStringLiteral("40000"));
    d.expectInput(prompt, QStringLiteral("Maximum RPM"), QStringLiteral("10000"),
                  QStringLiteral("1e400"));
    d.expectInput(prompt, QStringLiteral("Maximum RPM"), QStringLiteral("10000"),
                  QStringLiteral("3999.99"));
    d.expectInput(prompt, QStringLiteral("Maximum RPM"), QStringLiteral("10000"),
                  QStringLiteral("8000.9"));
    QCOMPARE(askAxisMaximum(d, p, 10000), qint16(8000));
    QVERIFY2(d.ok(), qPrintable(d.report()));

    const AxisMaximumPrompt& v = AxisMaximumPrompt::maxVSS();
    const QString vPrompt = QStringLiteral("Enter maximum VSS value for chart display (50-250)");
    d.expectInput(vPrompt, QStringLiteral("Maximum VSS"), QStringLiteral("140"),
                  QStringLiteral("251"));
    d.expectInput(vPrompt, QStringLiteral("Maximum VSS"), QStringLiteral("140"),
                  QStringLiteral("250"));
    QCOMPARE(askAxisMaximum(d, v, 140), qint16(250));
    d.expectInput(vPrompt, QStringLiteral("Maximum VSS"), QStringLiteral("140"),
                  QStringLiteral("49.99"));
    d.expectInput(vPrompt, QStringLiteral("Maximum VSS"), QStringLiteral("140"),
                  QStringLiteral("50"));
    QCOMPARE(askAxisMaximum(d, v, 140), qint16(50));
    QVERIFY2(d.ok(), qPrintable(d.report()));
}

void TestChartLogic::askCancelKeepsValidValue() {
    test::ScriptedDialogs d;
    d.expectInput(QStringLiteral("Enter maximum RPM value for chart display (4000-20000)"),
                  QStringLiteral("Maximum RPM"), QStringLiteral("9000"), QString());
    QCOMPARE(askAxisMaximum(d, AxisMaximumPrompt::maxRPM(), 9000), qint16(9000));
    QVERIFY2(d.ok(), qPrintable(d.report()));
    // An out-of-range answer followed by Cancel keeps asking: the answer stands until replaced.
    d.expectInput(QStringLiteral("Enter maximum RPM value for chart display (4000-20000)"),
                  QStringLiteral("Maximum RPM"), QStringLiteral("9000"), QStringLiteral("100"));
    d.expectInput(QStringLiteral("Enter maximum RPM value for chart display (4000-20000)"),
                  QStringLiteral("Maximum RPM"), QStringLiteral("9000"), QString());
    d.expectInput(QStringLiteral("Enter maximum RPM value for chart display (4000-20000)"),
                  QStringLiteral("Maximum RPM"), QStringLiteral("9000"), QStringLiteral("4000"));
    QCOMPARE(askAxisMaximum(d, AxisMaximumPrompt::maxRPM(), 9000), qint16(4000));
    QVERIFY2(d.ok(), qPrintable(d.report()));
}

void TestChartLogic::shippedTemplateParses() {
    QString error;
    const auto t = ChartTemplate::load(programFile(QStringLiteral("Tarvik_Chart.oc2")), &error);
    QVERIFY2(t.has_value(), qPrintable(error));
    QCOMPARE(t->axes[0].title, QStringLiteral("Elapsed Time (sec)"));
    QCOMPARE(t->axes[1].title, QStringLiteral("RPM"));
    QCOMPARE(t->axes[2].title, QStringLiteral("VSS (MPH)"));
    QCOMPARE(t->labels[0].text, QStringLiteral("OFF"));
    QCOMPARE(t->labels[1].text, QStringLiteral(" ON "));
    QCOMPARE(t->labels[2].text, QStringLiteral("Y2 AXIS LABEL"));
    // Each trace in the colour of its axis title.
    QCOMPARE(t->groups[0].color, t->axes[1].titleColor);
    QCOMPARE(t->groups[1].color, t->axes[2].titleColor);
    QVERIFY(t->groups[0].color != t->groups[1].color);
    QCOMPARE(t->labels[0].anchor, ChartTemplate::Anchor::West);
    QCOMPARE(t->markerStyle, Qt::SolidLine);
}

void TestChartLogic::templateRejects_data() {
    QFile f(programFile(QStringLiteral("Tarvik_Chart.oc2")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString good = QString::fromUtf8(f.readAll());
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("no signature") << QString(good).replace(
        QStringLiteral("tarvik-chart-template 1"), QString());
    QTest::newRow("other version") << QString(good).replace(
        QStringLiteral("tarvik-chart-template 1"), QStringLiteral("tarvik-chart-template 2"));
    QTest::newRow("unknown section") << good + QStringLiteral("\n[axis Z]\n");
    QTest::newRow("unknown key") << QString(good).replace(QStringLiteral("[marker]\n"),
                                                          QStringLiteral("[marker]\nwobble = 3\n"));
    QTest::newRow("missing key") << QString(good).replace(QStringLiteral("style = solid"),
                                                          QString());
    QTest::newRow("missing section") << good.left(good.indexOf(QStringLiteral("[marker]")));
    QTest::newRow("bad colour") << QString(good).replace(QStringLiteral("color = #1e8449"),
                                                         QStringLiteral("color = #1e84"));
    QTest::newRow("unquoted text")
        << QString(good).replace(QStringLiteral("text = \"OFF\""), QStringLiteral("text = OFF"));
    QTest::newRow("bad font") << QString(good).replace(QStringLiteral("legend-font = Arial, 10"),
                                                       QStringLiteral("legend-font = Arial"));
    QTest::newRow("bad number") << QString(good).replace(QStringLiteral("margins = 86 22 86 74"),
                                                         QStringLiteral("margins = 86 22 x 74"));
    QTest::newRow("three margins") << QString(good).replace(QStringLiteral("margins = 86 22 86 74"),
                                                            QStringLiteral("margins = 86 22 86"));
    QTest::newRow("zero line width")
        << QString(good).replace(QStringLiteral("[group 1]\ncolor = #c0392b\nline-width = 2"),
                                 QStringLiteral("[group 1]\ncolor = #c0392b\nline-width = 0"));
    QTest::newRow("duplicate key") << QString(good).replace(
        QStringLiteral("style = solid"), QStringLiteral("style = solid\nstyle = dash"));
    QTest::newRow("binary") << QString::fromLatin1("\x01\x02\x03\xff garbage");
}

void TestChartLogic::templateRejects() {
    QFETCH(QString, text);
    QString error;
    QVERIFY(!ChartTemplate::parse(text, &error).has_value());
    // Every reason names the line where the template went wrong.
    QVERIFY2(QRegularExpression(QStringLiteral("^line [1-9][0-9]*: .+")).match(error).hasMatch(),
             qPrintable(error));
}

void TestChartLogic::templateMissingFile() {
    QVERIFY(!ChartTemplate::load(QStringLiteral("/nonexistent/Tarvik_Chart.oc2")).has_value());
    QVERIFY(!ChartTemplate::load(QDir::tempPath()).has_value());  // a folder
    // Not there at all: nothing more to say than that.
    QString error = QStringLiteral("x");
    QVERIFY(!ChartTemplate::load(QStringLiteral("/nonexistent/Tarvik_Chart.oc2"), &error));
    QVERIFY(error.isEmpty());
}

void TestChartLogic::mouseCodes_data() {
    QTest::addColumn<int>("qtButton");
    QTest::addColumn<int>("code");
    QTest::newRow("left") << int(Qt::LeftButton) << 1;
    QTest::newRow("right") << int(Qt::RightButton) << 2;
    QTest::newRow("middle") << int(Qt::MiddleButton) << 4;
    QTest::newRow("back") << int(Qt::BackButton) << 0;
}

void TestChartLogic::mouseCodes() {
    QFETCH(int, qtButton);
    QFETCH(int, code);
    const ChartMouseButton b = chartMouseButton(static_cast<Qt::MouseButton>(qtButton));
    QCOMPARE(mouseButtonCode(b), code);
    QCOMPARE(mouseButtonFromCode(code), b);
}

void TestChartLogic::shiftStateCodes_data() {
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("code");
    QTest::newRow("none") << int(Qt::NoModifier) << 0;
    QTest::newRow("shift") << int(Qt::ShiftModifier) << 1;
    QTest::newRow("ctrl") << int(Qt::ControlModifier) << 2;
    QTest::newRow("alt") << int(Qt::AltModifier) << 4;
    QTest::newRow("all three") << int(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)
                               << 7;
    QTest::newRow("keypad only") << int(Qt::KeypadModifier) << 0;
}

void TestChartLogic::shiftStateCodes() {
    QFETCH(int, modifiers);
    QFETCH(int, code);
    QCOMPARE(shiftStateCode(Qt::KeyboardModifiers::fromInt(modifiers)), code);
}

void TestChartLogic::drawableRange_data() {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("drawnLow");
    QTest::addColumn<double>("drawnHigh");
    QTest::newRow("as given") << 10.0 << 20.0 << 10.0 << 20.0;
    QTest::newRow("reversed") << 20.0 << 10.0 << 10.0 << 20.0;
    QTest::newRow("empty") << 5.0 << 5.0 << 5.0 << 6.0;
    QTest::newRow("low missing") << nan << 8.0 << 7.0 << 8.0;
    QTest::newRow("high missing") << 3.0 << inf << 3.0 << 4.0;
    QTest::newRow("both missing") << nan << nan << 0.0 << 1.0;
    QTest::newRow("far out") << -1e300 << 1e300 << -kLargestDrawn << kLargestDrawn;
}

void TestChartLogic::drawableRange() {
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, drawnLow);
    QFETCH(double, drawnHigh);
    const ChartRange r = tarvik::drawableRange({low, high});
    QCOMPARE(r.low, drawnLow);
    QCOMPARE(r.high, drawnHigh);
}

void TestChartLogic::drawablePointsKeepWindowSegments() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> x{0, 1, 2, nan, 3, 4, 5, 6};
    const std::vector<float> y{0, 1, 2, 3, nan, 4, 5, 6};
    // Window 4.5..4.8: only the segment 4-5 crosses it.
    const DrawablePoints d = drawablePoints(x, y, {4.5, 4.8});
    QCOMPARE(d.usable, 6);
    QCOMPARE(d.points, (QList<QPointF>{{4, 4}, {5, 5}}));
    // Window 1.5..2.5: the segments 1-2 and 2-4 (the sample without a value is left out).
    const DrawablePoints e = drawablePoints(x, y, {1.5, 2.5});
    QCOMPARE(e.points, (QList<QPointF>{{1, 1}, {2, 2}, {4, 4}}));
}

QTEST_MAIN(TestChartLogic)
#include "test_chart_logic.moc"
