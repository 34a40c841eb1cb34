// The strip chart: its ring buffer of the last 120 cycles, the lanes in the display options'
// units, the value written beside each lane, and a cycle costing only an append (the drawing
// waits for the repaint).
#include <QtTest>
#include <cmath>

#include "core/app_error.h"
#include "realtime/live_cycle.h"
#include "realtime/strip_chart.h"
#include "settings/settings.h"

using namespace tarvik;

namespace {

LiveCycle cycleWith(float rpm) {
    LiveCycle c;
    c.set(Column::RPM, rpm);
    c.set(Column::TPSPercent, 50);
    c.throttleVolts = 2.5F;
    c.roadSpeedMph = 62.1388F;
    c.set(Column::Input1Volts, 2.35F);
    c.set(Column::Input2Volts, 1.0F);
    c.set(Column::Stage1PWM, 40);
    c.set(Column::Stage2PWM, 20);
    return c;
}

// White pixels: the marks of readings beyond a lane's range (no trace is white).
int whitePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.red() > 0xf0 && c.green() > 0xf0 && c.blue() > 0xf0 ? 1 : 0;
        }
    }
    return n;
}

// Pixels in the engine speed lane's trace colour.
int lanePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - 0xff) < 12 && qAbs(c.green() - 0x6b) < 12 &&
                qAbs(c.blue() - 0x3d) < 12) {
                ++n;
            }
        }
    }
    return n;
}

StripSample sampleWith(float rpm) {
    StripSample s;
    s.rpm = rpm;
    return s;
}

Settings displayChoices(bool tpsPercent, bool input1Analog, bool input2Analog) {
    Settings s;
    s.tpsPercentDisplay = tpsPercent;
    s.input1AnalogDisplay = input1Analog;
    s.input2AnalogDisplay = input2Analog;
    s.tachMax = 10000;
    s.speedoMax = 140;
    return s;
}

}  // namespace

class TestStripChart : public QObject {
    Q_OBJECT

private slots:
    void ringKeepsTheLast120_data();
    void ringKeepsTheLast120();
    void ringIndexOutsideIsAnError_data();
    void ringIndexOutsideIsAnError();
    void missingReadingsStayMissing();
    void lanesFollowTheDisplayOptions_data();
    void lanesFollowTheDisplayOptions();
    void cycleOnlyAppendsDrawingWaitsForRepaint();
    void readingsOffTheLaneAreMarked_data();
    void readingsOffTheLaneAreMarked();
};

void TestStripChart::ringKeepsTheLast120_data() {
    QTest::addColumn<int>("appended");
    QTest::addColumn<int>("size");
    QTest::addColumn<float>("oldest");
    QTest::newRow("one") << 1 << 1 << 1.0F;
    QTest::newRow("119") << 119 << 119 << 1.0F;
    QTest::newRow("exactly full") << 120 << 120 << 1.0F;
    QTest::newRow("one over") << 121 << 120 << 2.0F;
    QTest::newRow("wrapped twice and a bit") << 250 << 120 << 131.0F;
}

void TestStripChart::ringKeepsTheLast120() {
    QFETCH(int, appended);
    QFETCH(int, size);
    QFETCH(float, oldest);
    StripChartBuffer ring;
    for (int k = 1; k <= appended; ++k) {
        ring.append(sampleWith(static_cast<float>(k)));
    }
    QCOMPARE(ring.size(), size);
    QCOMPARE(ring.at(0).rpm, oldest);
    QCOMPARE(ring.newest().rpm, static_cast<float>(appended));
    for (int i = 1; i < ring.size(); ++i) {  // oldest first, one cycle apart
        QCOMPARE(ring.at(i).rpm, ring.at(i - 1).rpm + 1.0F);
    }
    ring.clear();
    QCOMPARE(ring.size(), 0);
    QVERIFY(std::isnan(ring.newest().rpm));
}

void TestStripChart::ringIndexOutsideIsAnError_data() {
    QTest::addColumn<int>("appended");
    QTest::addColumn<int>("index");
    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("negative") << 5 << -1;
    QTest::newRow("one past the newest") << 5 << 5;
    QTest::newRow("past the capacity") << 300 << 120;
}

void TestStripChart::ringIndexOutsideIsAnError() {
    QFETCH(int, appended);
    QFETCH(int, index);
    StripChartBuffer ring;
    for (int k = 0; k < appended; ++k) {
        ring.append(sampleWith(1));
    }
    QVERIFY_THROWS_EXCEPTION(AppError, ring.at(index));
}

void TestStripChart::missingReadingsStayMissing() {
    // A cycle cut short after the engine speed: the rest is missing, not the cycle before's.
    LiveCycle cut;
    cut.set(Column::RPM, 3000);
    const StripSample s = StripSample::from(cut);
    QCOMPARE(s.rpm, 3000.0F);
    QVERIFY(std::isnan(s.roadSpeedMph));
    QVERIFY(std::isnan(s.throttlePercent));
    QVERIFY(std::isnan(s.stage2Duty));

    const Settings settings = displayChoices(true, true, true);
    StripChart chart(settings);
    chart.addCycle(cycleWith(5000));
    chart.addCycle(cut);
    QCOMPARE(chart.currentText(0), QStringLiteral("3000 rpm"));
    QCOMPARE(chart.currentText(1), QStringLiteral("-"));
    QCOMPARE(chart.currentText(6), QStringLiteral("-"));
}

void TestStripChart::lanesFollowTheDisplayOptions_data() {
    QTest::addColumn<bool>("tpsPercent");
    QTest::addColumn<bool>("input1Analog");
    QTest::addColumn<bool>("input2Analog");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("percent, volts, volts")
        << true << true << true
        << QStringList{"6500 rpm", "62 mph", "50 %", "2.35 V", "1.00 V", "40 %", "20 %"};
    QTest::newRow("volts, AFR, AFR")
        << false << false << false
        << QStringList{"6500 rpm", "62 mph", "2.50 V", "14.7 AFR", "12.0 AFR", "40 %", "20 %"};
    QTest::newRow("percent, AFR, volts")
        << true << false << true
        << QStringList{"6500 rpm", "62 mph", "50 %", "14.7 AFR", "1.00 V", "40 %", "20 %"};
}

void TestStripChart::lanesFollowTheDisplayOptions() {
    QFETCH(bool, tpsPercent);
    QFETCH(bool, input1Analog);
    QFETCH(bool, input2Analog);
    QFETCH(QStringList, texts);
    Settings settings = displayChoices(tpsPercent, input1Analog, input2Analog);
    StripChart chart(settings);
    for (int i = 0; i < StripChart::kLaneCount; ++i) {
        QCOMPARE(chart.currentText(i), QStringLiteral("-"));
    }
    chart.addCycle(cycleWith(6500));
    QStringList got;
    for (int i = 0; i < StripChart::kLaneCount; ++i) {
        got << chart.currentText(i);
    }
    QCOMPARE(got, texts);
    QCOMPARE(chart.lane(0).high, 10000.0);
    QCOMPARE(chart.lane(1).high, 140.0);
    QVERIFY_THROWS_EXCEPTION(AppError, chart.lane(StripChart::kLaneCount));
    // A change of option redraws the minute in the new units.
    settings.input1AnalogDisplay = !input1Analog;
    QCOMPARE(chart.currentText(3),
             input1Analog ? QStringLiteral("14.7 AFR") : QStringLiteral("2.35 V"));
}

void TestStripChart::cycleOnlyAppendsDrawingWaitsForRepaint() {
    const Settings settings = displayChoices(true, false, true);
    struct Counting : StripChart {
        using StripChart::StripChart;
        int paints = 0;
        void paintEvent(QPaintEvent* e) override {
            ++paints;
            StripChart::paintEvent(e);
        }
    } chart(settings);
    chart.resize(chart.sizeHint());
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QCoreApplication::processEvents();
    const int before = chart.paints;
    for (int k = 0; k < 30; ++k) {
        chart.addCycle(cycleWith(static_cast<float>(1000 + 100 * k)));
    }
    QCOMPARE(chart.paints, before);  // appending drew nothing
    QCOMPARE(chart.buffer().size(), 30);
    QTRY_VERIFY(chart.paints > before);
    QVERIFY(chart.paints - before <= 2);  // thirty cycles, one repaint (or two at most)
    // The drawing itself: the engine speed lane's colour shows up once there are readings.
    const Settings same = displayChoices(true, false, true);
    StripChart empty(same);
    empty.resize(chart.size());
    QVERIFY(lanePixels(chart.grab().toImage()) > lanePixels(empty.grab().toImage()) + 50);
}

void TestStripChart::readingsOffTheLaneAreMarked_data() {
    QTest::addColumn<int>("lane");
    QTest::addColumn<float>("inside");
    QTest::addColumn<float>("outside");
    QTest::addColumn<int>("edge");
    QTest::newRow("engine speed above the tachometer's top") << 0 << 9500.0F << 14000.0F << 1;
    QTest::newRow("throttle below closed") << 2 << 3.0F << -8.0F << -1;
}

void TestStripChart::readingsOffTheLaneAreMarked() {
    // A reading past the lane's range is drawn at the edge, and a mark says it went past: the
    // flat line at the top is never taken for a steady reading at the top of the scale.
    QFETCH(int, lane);
    QFETCH(float, inside);
    QFETCH(float, outside);
    QFETCH(int, edge);
    const Settings settings = displayChoices(true, true, true);
    auto drawn = [&](float value) {
        StripChart chart(settings);
        chart.resize(chart.sizeHint());
        for (int k = 0; k < 20; ++k) {
            StripSample s = sampleWith(1000);
            s.throttlePercent = 10;
            (lane == 0 ? s.rpm : s.throttlePercent) = k >= 10 ? value : 10;
            LiveCycle c;
            c.set(Column::RPM, s.rpm);
            c.set(Column::TPSPercent, s.throttlePercent);
            chart.addCycle(c);
        }
        return whitePixels(chart.grab().toImage());
    };
    const StripChart probe(settings);
    QCOMPARE(StripChart::edgeOf(inside, probe.lane(lane)), 0);
    QCOMPARE(StripChart::edgeOf(outside, probe.lane(lane)), edge);
    const int within = drawn(inside);
    const int beyond = drawn(outside);
    QVERIFY2(beyond > within + 20, qPrintable(QStringLiteral("%1 vs %2").arg(beyond).arg(within)));
}

QTEST_MAIN(TestStripChart)
#include "test_strip_chart.moc"
