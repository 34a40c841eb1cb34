// The plain functions behind the chart's pass analysis: finding launches, holding a zoomed
// window inside the log, the cursor differences, aligning a compared pass and the CSV of the
// shown window.
#include <QtTest>
#include <cmath>
#include <limits>

#include "chart/cursor_readout.h"
#include "chart/launch_finder.h"
#include "chart/pass_alignment.h"
#include "chart/window_csv.h"
#include "chart/zoom_window.h"
#include "drag_pass_data.h"

using namespace tarvik;

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// A quiet log: idle, times 0.1 s apart, nothing switched on.
void fillQuiet(DataBuffer& d) {
    d.clearDataBuffer();
    d.logInterval = 0.1f;
    for (int row = 1; row <= kDataRows; ++row) {
        d.at(Column::ElapsedTime, row) = static_cast<float>(row) * 0.1f;
        d.at(Column::OutputData, row) = 8;
    }
    d.bufferEmpty = false;
}

// Sets a column to `value` on rows from..to.
void setRows(DataBuffer& d, Column c, int from, int to, float value) {
    for (int row = from; row <= to; ++row) {
        d.at(c, row) = value;
    }
}

}  // namespace

class TestPassAnalysis : public QObject {
    Q_OBJECT

private slots:
    void launches_data();
    void launches();
    void launchesOfTheDragPass();
    void launchSpanAroundTheEdge();

    void extent_data();
    void extent();
    void holdInside_data();
    void holdInside();
    void zoomKeepsTheAnchor_data();
    void zoomKeepsTheAnchor();
    void panAndBox();
    void historyIsLastInFirstOutAndBounded();

    void nearestRowAndValueAtTime_data();
    void nearestRowAndValueAtTime();
    void differences_data();
    void differences();
    void cursorLine();

    void alignment_data();
    void alignment();
    void alignedPointsLeaveOutUndrawable();

    void csvWindow_data();
    void csvWindow();
    void csvFieldQuoting_data();
    void csvFieldQuoting();
};

// ---- launches ------------------------------------------------------------------------------

void TestPassAnalysis::launches_data() {
    QTest::addColumn<QList<int>>("stageRows");     // rows from which stage 1 is on (10 rows each)
    QTest::addColumn<QList<int>>("throttleRows");  // rows from which the throttle is open
    QTest::addColumn<float>("throttle");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QList<int>>("expected");

    const int stage = static_cast<int>(LaunchSignal::Stage1);
    const int tps = static_cast<int>(LaunchSignal::Throttle);
    const int none = static_cast<int>(LaunchSignal::None);
    QTest::newRow("stage 1 edges")
        << QList<int>{500, 1500} << QList<int>{490} << 100.0f << stage << QList<int>{500, 1500};
    QTest::newRow("stage 1 wins over an earlier throttle")
        << QList<int>{800} << QList<int>{100} << 100.0f << stage << QList<int>{800};
    QTest::newRow("throttle at 90 counts")
        << QList<int>{} << QList<int>{300, 2000} << 90.0f << tps << QList<int>{300, 2000};
    QTest::newRow("throttle at 89.9 does not")
        << QList<int>{} << QList<int>{300} << 89.9f << none << QList<int>{};
    QTest::newRow("on from the first row is no edge")
        << QList<int>{1} << QList<int>{} << 100.0f << none << QList<int>{};
    QTest::newRow("edge at row 2")
        << QList<int>{2} << QList<int>{} << 100.0f << stage << QList<int>{2};
    QTest::newRow("edge at the last row")
        << QList<int>{2700} << QList<int>{} << 100.0f << stage << QList<int>{2700};
    QTest::newRow("nothing") << QList<int>{} << QList<int>{} << 100.0f << none << QList<int>{};
}

void TestPassAnalysis::launches() {
    QFETCH(QList<int>, stageRows);
    QFETCH(QList<int>, throttleRows);
    QFETCH(float, throttle);
    QFETCH(int, signal);
    QFETCH(QList<int>, expected);
    DataBuffer d;
    fillQuiet(d);
    for (int r : stageRows) {
        setRows(d, Column::OutputData, r, std::min(kDataRows, r + 9), 9);  // lamp + stage 1
    }
    for (int r : throttleRows) {
        setRows(d, Column::TPSPercent, r, std::min(kDataRows, r + 9), throttle);
    }
    const Launches l = findLaunches(d);
    QCOMPARE(static_cast<int>(l.signal), signal);
    QCOMPARE(QList<int>(l.rows.begin(), l.rows.end()), expected);
}

void TestPassAnalysis::launchesOfTheDragPass() {
    DataBuffer d;
    test::fillDragPass(d);
    const Launches l = findLaunches(d);
    QCOMPARE(l.signal, LaunchSignal::Stage1);
    QCOMPARE(l.rows.size(), std::size_t{2});
    // Stage 1 comes on 0.6 s into each pass (passes start at 60 s and 180 s).
    QVERIFY(std::fabs(d.at(Column::ElapsedTime, l.rows[0]) - 60.65f) < 0.06f);
    QVERIFY(std::fabs(d.at(Column::ElapsedTime, l.rows[1]) - 180.65f) < 0.06f);
    QVERIFY(d.at(Column::OutputData, l.rows[0] - 1) == 8);
    // A value of 2.5 read from a file rounds to 2: stage 1 off; 1.5 rounds to 2 as well.
    DataBuffer q;
    fillQuiet(q);
    setRows(q, Column::OutputData, 100, 110, 2.5f);
    setRows(q, Column::OutputData, 200, 210, 1.5f);
    setRows(q, Column::OutputData, 300, 310, kNaN);
    QVERIFY(findLaunches(q).rows.empty());
}

void TestPassAnalysis::launchSpanAroundTheEdge() {
    const LaunchSpan s = launchSpan(60.7);
    QCOMPARE(s.low, 58.7);
    QCOMPARE(s.high, 72.7);
    QCOMPARE(launchSignalName(LaunchSignal::Stage1), QStringLiteral("Stage 1 Triggered"));
}

// ---- zoom ----------------------------------------------------------------------------------

void TestPassAnalysis::extent_data() {
    QTest::addColumn<float>("interval");
    QTest::addColumn<float>("firstTime");
    QTest::addColumn<double>("totalSpan");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("minWidth");
    QTest::newRow("0.1 s") << 0.1f << 0.1f << 270.0 << 0.0 << 270.0 << 0.5;
    QTest::newRow("times beyond the span") << 0.1f << 100.0f << 270.0 << 0.0 << 369.9 << 0.5;
    QTest::newRow("negative times") << 0.1f << -10.0f << 270.0 << -10.0 << 270.0 << 0.5;
    QTest::newRow("interval 0") << 0.0f << 0.0f << 0.0 << 0.0 << 0.0 << 0.0;
}

void TestPassAnalysis::extent() {
    QFETCH(float, interval);
    QFETCH(float, firstTime);
    QFETCH(double, totalSpan);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, minWidth);
    DataBuffer d;
    d.logInterval = interval;
    for (int row = 1; row <= kDataRows; ++row) {
        d.at(Column::ElapsedTime, row) =
            interval > 0 ? firstTime + static_cast<float>(row - 1) * interval : 0.0f;
    }
    d.at(Column::ElapsedTime, 7) = kNaN;  // left out
    const LogExtent e = logExtent(d, totalSpan);
    QCOMPARE(e.low, low);
    QVERIFY2(std::fabs(e.high - high) < 1e-3, qPrintable(QString::number(e.high)));
    QVERIFY(std::fabs(e.minWidth - minWidth) < 1e-6);
}

void TestPassAnalysis::holdInside_data() {
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("expectLow");
    QTest::addColumn<double>("expectHigh");
    // Extent 0..270, least width 0.5.
    QTest::newRow("inside") << 10.0 << 20.0 << 10.0 << 20.0;
    QTest::newRow("before the start, moved") << -5.0 << 5.0 << 0.0 << 10.0;
    QTest::newRow("past the end, moved") << 265.0 << 275.0 << 260.0 << 270.0;
    QTest::newRow("too narrow, widened about its centre") << 100.0 << 100.1 << 99.8 << 100.3;
    QTest::newRow("too narrow at the first sample") << 0.0 << 0.1 << 0.0 << 0.5;
    QTest::newRow("too narrow at the last sample") << 270.0 << 270.0 << 269.5 << 270.0;
    QTest::newRow("wider than the log") << -50.0 << 400.0 << 0.0 << 270.0;
    QTest::newRow("reversed") << 20.0 << 10.0 << 10.0 << 20.0;
    QTest::newRow("not finite") << std::numeric_limits<double>::quiet_NaN() << 5.0 << 0.0 << 270.0;
}

void TestPassAnalysis::holdInside() {
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, expectLow);
    QFETCH(double, expectHigh);
    const LogExtent e{0, 270, 0.5};
    const ViewWindow w = tarvik::holdInside({low, high}, e);
    QVERIFY2(std::fabs(w.low - expectLow) < 1e-9 && std::fabs(w.high - expectHigh) < 1e-9,
             qPrintable(QStringLiteral("%1 .. %2").arg(w.low).arg(w.high)));
}

void TestPassAnalysis::zoomKeepsTheAnchor_data() {
    QTest::addColumn<double>("anchor");
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("expectLow");
    QTest::addColumn<double>("expectHigh");
    // From 100..200 in 0..270 (least width 0.5).
    QTest::newRow("in about the centre") << 150.0 << 0.5 << 125.0 << 175.0;
    QTest::newRow("in about a quarter") << 125.0 << 0.5 << 112.5 << 162.5;
    QTest::newRow("out about the centre") << 150.0 << 2.0 << 50.0 << 250.0;
    QTest::newRow("out from the right edge, to the start") << 200.0 << 2.0 << 0.0 << 200.0;
    QTest::newRow("out from the left edge, held at the end") << 100.0 << 2.0 << 70.0 << 270.0;
    QTest::newRow("out past the whole log") << 150.0 << 10.0 << 0.0 << 270.0;
    QTest::newRow("in below five samples") << 150.0 << 0.001 << 149.75 << 150.25;
    QTest::newRow("bad factor changes nothing") << 150.0 << -1.0 << 100.0 << 200.0;
}

void TestPassAnalysis::zoomKeepsTheAnchor() {
    QFETCH(double, anchor);
    QFETCH(double, factor);
    QFETCH(double, expectLow);
    QFETCH(double, expectHigh);
    const ViewWindow w = zoomAround({100, 200}, anchor, factor, {0, 270, 0.5});
    QVERIFY2(std::fabs(w.low - expectLow) < 1e-9 && std::fabs(w.high - expectHigh) < 1e-9,
             qPrintable(QStringLiteral("%1 .. %2").arg(w.low).arg(w.high)));
}

void TestPassAnalysis::panAndBox() {
    const LogExtent e{0, 270, 0.5};
    QCOMPARE(panBy({100, 110}, 5, e), (ViewWindow{105, 115}));
    QCOMPARE(panBy({100, 110}, -200, e), (ViewWindow{0, 10}));
    QCOMPARE(panBy({100, 110}, 1000, e), (ViewWindow{260, 270}));
    QCOMPARE(windowBetween(80, 60, e), (ViewWindow{60, 80}));
    QCOMPARE(centredOn({100, 110}, 3, e), (ViewWindow{0, 10}));
    QCOMPARE(centredOn({100, 110}, 50, e), (ViewWindow{45, 55}));
}

void TestPassAnalysis::historyIsLastInFirstOutAndBounded() {
    ZoomHistory h;
    QVERIFY(!h.pop());
    for (int i = 0; i < static_cast<int>(ZoomHistory::kLimit) + 5; ++i) {
        h.push({{static_cast<double>(i), i + 1.0}, -1, 300});
    }
    QCOMPARE(h.size(), ZoomHistory::kLimit);
    QCOMPARE(h.pop()->window.low, static_cast<double>(ZoomHistory::kLimit) + 4);
    QCOMPARE(h.pop()->window.low, static_cast<double>(ZoomHistory::kLimit) + 3);
}

// ---- cursors -------------------------------------------------------------------------------

void TestPassAnalysis::nearestRowAndValueAtTime_data() {
    QTest::addColumn<double>("shift");
    QTest::addColumn<double>("time");
    QTest::addColumn<int>("row");  // nearest row of the unshifted times
    QTest::addColumn<bool>("found");
    QTest::addColumn<float>("value");
    // Times 1, 2, 3, NaN, 5; values 10, 20, 30, 40, 50; tolerance 1 s.
    QTest::newRow("exact") << 0.0 << 2.0 << 2 << true << 20.0f;
    QTest::newRow("tie takes the earlier") << 0.0 << 1.5 << 1 << true << 10.0f;
    QTest::newRow("skips the NaN time") << 0.0 << 4.2 << 5 << true << 50.0f;
    QTest::newRow("past the end") << 0.0 << 7.0 << 5 << false << 0.0f;
    QTest::newRow("shifted") << 10.0 << 12.0 << 0 << true << 20.0f;
    QTest::newRow("before the shifted start") << 10.0 << 8.0 << 0 << false << 0.0f;
}

void TestPassAnalysis::nearestRowAndValueAtTime() {
    QFETCH(double, shift);
    QFETCH(double, time);
    QFETCH(int, row);
    QFETCH(bool, found);
    QFETCH(float, value);
    const std::array<float, 5> times{1, 2, 3, kNaN, 5};
    const std::array<float, 5> values{10, 20, 30, 40, 50};
    if (shift == 0) {
        QCOMPARE(nearestRow(times, time), row);
    }
    const std::optional<float> v = valueAtTime(times, values, shift, time, 1.0);
    QCOMPARE(v.has_value(), found);
    if (found) {
        QCOMPARE(*v, value);
    }
    QCOMPARE(nearestRow(times, std::numeric_limits<double>::quiet_NaN()), 0);
}

void TestPassAnalysis::differences_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::newRow("positive whole") << 1200.0 << "###0"
                                    << "+1200";
    QTest::newRow("negative whole") << -35.0 << "##0"
                                    << "-35";
    QTest::newRow("zero") << 0.0 << "##0"
                          << "0";
    QTest::newRow("rounds to zero from below") << -0.04 << "#0.0"
                                               << "0.0";
    QTest::newRow("tenths") << 2.25 << "#0.0"
                            << "+2.2";
    QTest::newRow("time") << -1.3 << "##0.00"
                          << "-1.30";
}

void TestPassAnalysis::differences() {
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QCOMPARE(signedText(value, pattern), text);
}

void TestPassAnalysis::cursorLine() {
    const CursorReading a{60.7, 4200, 15.5f};
    const CursorReading b{63.0, 7300, 61.0f};
    const CursorDifference d = cursorDifference(a, b);
    QVERIFY(std::fabs(d.time - 2.3) < 1e-9);
    QCOMPARE(d.trace1, 3100.0);
    QCOMPARE(d.trace2, 45.5);
    CursorLineParts p{b, a, 60, "RPM", "VSS (MPH)", "###0", "##0"};
    QCOMPARE(cursorBLine(p),
             QStringLiteral("B  3.00 Sec   RPM 7300   VSS (MPH) 61      B - A:  +2.30 Sec   RPM "
                            "+3100   VSS (MPH) +46"));
    p.a.reset();
    QCOMPARE(cursorBLine(p), QStringLiteral("B  3.00 Sec   RPM 7300   VSS (MPH) 61"));
    QCOMPARE(comparedValuesText(6400.0f, std::nullopt, "###0", "##0"),
             QStringLiteral("compared 6400 / --"));
}

// ---- alignment -----------------------------------------------------------------------------

void TestPassAnalysis::alignment_data() {
    QTest::addColumn<double>("own");  // NaN: none
    QTest::addColumn<double>("theirs");
    QTest::addColumn<double>("interval");
    QTest::addColumn<int>("nudge");
    QTest::addColumn<double>("shift");
    QTest::addColumn<bool>("atLaunch");
    const double none = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("launches together") << 60.7 << 180.7 << 0.1 << 0 << -120.0 << true;
    QTest::newRow("another interval, by time") << 60.7 << 30.2 << 0.05 << 0 << 30.5 << true;
    QTest::newRow("nudged later") << 60.7 << 180.7 << 0.1 << 3 << -119.7 << true;
    QTest::newRow("nudged earlier, other interval") << 60.7 << 30.2 << 0.05 << -2 << 30.4 << true;
    QTest::newRow("no launch here: starts together") << none << 30.2 << 0.1 << 0 << 0.0 << false;
    QTest::newRow("no launch there") << 60.7 << none << 0.1 << 1 << 0.1 << false;
    QTest::newRow("interval 0: nudge moves nothing") << 10.0 << 5.0 << 0.0 << 4 << 5.0 << true;
}

void TestPassAnalysis::alignment() {
    QFETCH(double, own);
    QFETCH(double, theirs);
    QFETCH(double, interval);
    QFETCH(int, nudge);
    QFETCH(double, shift);
    QFETCH(bool, atLaunch);
    auto opt = [](double v) { return std::isnan(v) ? std::nullopt : std::optional<double>(v); };
    const PassAlignment a = alignPasses(opt(own), opt(theirs), interval, nudge);
    QVERIFY2(std::fabs(a.shift - shift) < 1e-9, qPrintable(QString::number(a.shift)));
    QCOMPARE(a.atLaunch, atLaunch);
    QCOMPARE(a.nudge, nudge);
}

void TestPassAnalysis::alignedPointsLeaveOutUndrawable() {
    const std::array<float, 4> times{1, kNaN, 3, 4};
    const std::array<float, 4> values{10, 20, kNaN, 40};
    const QList<QPointF> p = alignedPoints(times, values, -0.5);
    QCOMPARE(p, (QList<QPointF>{{0.5, 10}, {3.5, 40}}));
}

// ---- CSV -----------------------------------------------------------------------------------

void TestPassAnalysis::csvWindow_data() {
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QByteArray>("firstLine");  // the first sample line, "" for none
    QTest::newRow("both ends included")
        << 60.0 << 61.0 << 11 << QByteArray("60,900,0,0,2.3,0.5,13.9,0,8,1,0,0");
    QTest::newRow("first sample") << 0.0 << 0.15 << 1
                                  << QByteArray("0.1,900,0,0,2.3,0.5,13.9,0,8,1,0,0");
    QTest::newRow("nothing inside") << 500.0 << 600.0 << 0 << QByteArray();
    QTest::newRow("whole log") << 0.0 << 270.0 << 2700
                               << QByteArray("0.1,900,0,0,2.3,0.5,13.9,0,8,1,0,0");
}

void TestPassAnalysis::csvWindow() {
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(int, rows);
    QFETCH(QByteArray, firstLine);
    DataBuffer d;
    fillQuiet(d);
    setRows(d, Column::RPM, 1, kDataRows, 900);
    setRows(d, Column::Input1Volts, 1, kDataRows, 2.3f);
    setRows(d, Column::Input2Volts, 1, kDataRows, 0.5f);
    setRows(d, Column::BatVolts, 1, kDataRows, 13.9f);
    setRows(d, Column::Status, 1, kDataRows, 1);
    // Exact times, so that the window's ends fall on samples.
    for (int row = 1; row <= kDataRows; ++row) {
        d.at(Column::ElapsedTime, row) = static_cast<float>(row / 10.0);
    }
    d.at(Column::ElapsedTime, 605) = kNaN;  // never inside a window
    const QByteArray csv = windowCsv(d, low, high);
    const QList<QByteArray> lines = csv.split('\n');
    QVERIFY(csv.endsWith("\r\n"));
    QCOMPARE(lines.first(),
             QByteArray("\"Elapsed Time\",\"RPM\",\"VSS\",\"TPS%\",\"Input1 Volts\",\"Input2 "
                        "Volts\",\"Bat Volts\",\"Input Data\",\"Output Data\",\"Status\","
                        "\"Stage1 PWM%\",\"Stage2 PWM%\"\r"));
    const int expectedRows = rows - (low <= 60.5 && high >= 60.5 ? 1 : 0);
    QCOMPARE(lines.size() - 2, expectedRows);  // heading, rows, "" after the last CR LF
    QCOMPARE(windowRowCount(d, low, high), expectedRows);
    if (!firstLine.isEmpty()) {
        QCOMPARE(lines[1], firstLine + '\r');
    }
}

void TestPassAnalysis::csvFieldQuoting_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("plain") << QByteArray("6500") << QByteArray("6500");
    QTest::newRow("comma") << QByteArray("a,b") << QByteArray("\"a,b\"");
    QTest::newRow("quote") << QByteArray("say \"hi\"") << QByteArray("\"say \"\"hi\"\"\"");
    QTest::newRow("line feed") << QByteArray("a\nb") << QByteArray("\"a\nb\"");
    QTest::newRow("carriage return") << QByteArray("a\rb") << QByteArray("\"a\rb\"");
}

void TestPassAnalysis::csvFieldQuoting() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, field);
    QCOMPARE(csvField(text), field);
}

QTEST_GUILESS_MAIN(TestPassAnalysis)
#include "test_pass_analysis.moc"
