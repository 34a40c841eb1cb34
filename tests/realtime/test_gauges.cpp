// The painted instruments: how a reading maps onto the scale (pinned, never outside), and that
// they paint at any size with any value, NaN and infinities included.
#include <QImage>
#include <QtTest>
#include <cmath>
#include <limits>

#include "realtime/bar_gauge.h"
#include "realtime/dial_gauge.h"
#include "realtime/lamp.h"

using namespace tarvik;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The throttle gauge's two-section scale.
void makeThrottle(BarGauge& g) {
    g.setSections({{-0.5, 90, 0.75}, {90, 102, 0.25}});
    g.setLabels({0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 95, 100});
}

QImage picture(QWidget& w, QSize size) {
    w.resize(size);
    return w.grab().toImage();
}

}  // namespace

class TestGauges : public QObject {
    Q_OBJECT

private slots:
    void twoSectionMapping_data();
    void twoSectionMapping();
    void singleSectionSelectorsOutOfRange();
    void labelsAndBandsFindTheirSection();
    void degenerateScales();
    void dialNeedle_data();
    void dialNeedle();
    void pinnedReadingsPaintLikeTheScaleEnds_data();
    void pinnedReadingsPaintLikeTheScaleEnds();
    void dialPinnedNeedle();
    void markerStyleDrawsDifferently();
    void lampLitAndDark();
    void paintsAtAnySizeWithAnyValue();
    void dialRefreshPaintsWhenShown();
};

void TestGauges::twoSectionMapping_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("fraction");
    QTest::newRow("bottom of section 0") << 0 << -0.5 << 0.0;
    QTest::newRow("90 tops section 0") << 0 << 90.0 << 0.75;
    QTest::newRow("90 starts section 1") << 1 << 90.0 << 0.75;
    QTest::newRow("96 in section 1") << 1 << 96.0 << 0.875;
    QTest::newRow("102 tops the bar") << 1 << 102.0 << 1.0;
    QTest::newRow("95 read in section 0 pins at its top") << 0 << 95.0 << 0.75;
    QTest::newRow("50 read in section 1 pins at its bottom") << 1 << 50.0 << 0.75;
    QTest::newRow("-3 pins at the bottom") << 0 << -3.0 << 0.0;
    QTest::newRow("130 pins at the top") << 1 << 130.0 << 1.0;
    QTest::newRow("+inf") << 1 << kInf << 1.0;
    QTest::newRow("-inf") << 0 << -kInf << 0.0;
    QTest::newRow("-1e30") << 1 << -1e30 << 0.75;
    QTest::newRow("1e300") << 0 << 1e300 << 0.75;
    QTest::newRow("selector past the last section") << 7 << 102.0 << 1.0;
    QTest::newRow("negative selector") << -2 << -0.5 << 0.0;
}

void TestGauges::twoSectionMapping() {
    QFETCH(int, section);
    QFETCH(double, value);
    QFETCH(double, fraction);
    BarGauge g;
    makeThrottle(g);
    QCOMPARE(g.fractionOf(value, section), fraction);
    g.setSection(section);
    g.setPointerValue(value);
    QCOMPARE(g.pointerFraction(), fraction);
    // The selector and the reading are kept as given; only the drawing is pinned.
    QCOMPARE(g.section(), section);
    QCOMPARE(g.pointerValue(), value);
}

void TestGauges::singleSectionSelectorsOutOfRange() {
    BarGauge g;
    g.setScale(-0.2, 5.2);
    g.setSection(1);  // a one-section gauge reads every selector in its only section
    g.setPointerValue(2.5);
    QCOMPARE(g.pointerFraction(), 2.7 / 5.4);
    g.setPointerValue(kNaN);
    QVERIFY(std::isnan(g.pointerFraction()));  // no reading: nothing drawn
}

void TestGauges::labelsAndBandsFindTheirSection() {
    BarGauge g;
    makeThrottle(g);
    QCOMPARE(g.scaleFraction(90), 0.75);
    QCOMPARE(g.scaleFraction(96), 0.875);
    QCOMPARE(g.scaleFraction(-0.5), 0.0);
    QCOMPARE(g.scaleFraction(-40), 0.0);
    QCOMPARE(g.scaleFraction(400), 1.0);
    QCOMPARE(g.scaleFraction(kInf), 1.0);
    QCOMPARE(g.scaleFraction(-kInf), 0.0);
    // The labels climb the bar in order.
    double last = -1;
    for (double v : g.labels()) {
        const double f = g.scaleFraction(v);
        QVERIFY(f > last);
        last = f;
    }
}

void TestGauges::degenerateScales() {
    BarGauge g;
    g.setScale(5, 5);  // no span: everything at the bottom, no division by zero
    g.setPointerValue(5);
    QCOMPARE(g.pointerFraction(), 0.0);
    g.setScale(kNaN, 3);
    g.setPointerValue(1);
    QCOMPARE(g.pointerFraction(), 0.0);
    g.setSections({});  // ignored: the gauge keeps a scale
    QCOMPARE(g.sections().size(), std::size_t{1});
    g.setSections({{0, 1, 0}, {1, 2, -5}});  // no usable shares: equal halves
    g.setSection(1);
    g.setPointerValue(2);
    QCOMPARE(g.pointerFraction(), 1.0);
    QCOMPARE(g.fractionOf(1, 1), 0.5);
}

void TestGauges::dialNeedle_data() {
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("fraction");
    QTest::newRow("half") << 10.0 << 5.0 << 0.5;
    QTest::newRow("at the maximum") << 10.0 << 10.0 << 1.0;
    QTest::newRow("past the maximum") << 10.0 << 12.345 << 1.0;
    QTest::newRow("negative") << 10.0 << -1.0 << 0.0;
    QTest::newRow("NaN rests at 0") << 10.0 << kNaN << 0.0;
    QTest::newRow("+inf") << 140.0 << kInf << 1.0;
    QTest::newRow("-1e30") << 140.0 << -1e30 << 0.0;
    QTest::newRow("maximum 0") << 0.0 << 5.0 << 0.0;
    QTest::newRow("maximum negative") << -10.0 << 5.0 << 0.0;
    QTest::newRow("maximum NaN") << kNaN << 5.0 << 0.0;
    QTest::newRow("maximum inf") << kInf << 5.0 << 0.0;
}

void TestGauges::dialNeedle() {
    QFETCH(double, maximum);
    QFETCH(double, value);
    QFETCH(double, fraction);
    DialGauge d;
    d.setMaximum(maximum);
    d.setValue(value);
    QCOMPARE(d.needleFraction(), fraction);
}

void TestGauges::pinnedReadingsPaintLikeTheScaleEnds_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("end");
    QTest::newRow("130 like 102") << 1 << 130.0 << 102.0;
    QTest::newRow("+inf like 102") << 1 << kInf << 102.0;
    QTest::newRow("1e30 like 102") << 1 << 1e30 << 102.0;
    QTest::newRow("-3 like -0.5") << 0 << -3.0 << -0.5;
    QTest::newRow("-1e30 like -0.5") << 0 << -1e30 << -0.5;
    QTest::newRow("-inf like -0.5") << 0 << -kInf << -0.5;
}

void TestGauges::pinnedReadingsPaintLikeTheScaleEnds() {
    QFETCH(int, section);
    QFETCH(double, value);
    QFETCH(double, end);
    BarGauge g;
    makeThrottle(g);
    g.setReadoutPattern(QString());  // the read-out would show the true value
    g.setSection(section);
    g.setPointerValue(end);
    const QImage atEnd = picture(g, QSize(90, 280));
    g.setPointerValue(value);
    QCOMPARE(picture(g, QSize(90, 280)), atEnd);
    // And it differs from a reading in the middle: the pointer is really drawn.
    g.setSection(0);
    g.setPointerValue(45);
    QVERIFY(picture(g, QSize(90, 280)) != atEnd);
}

void TestGauges::dialPinnedNeedle() {
    DialGauge d;
    d.setMaximum(10);
    d.setRedline(6.5);
    d.setCaption(QStringLiteral("0"));
    d.setValue(0);
    const QImage atZero = picture(d, QSize(200, 200));
    d.setValue(kNaN);
    QCOMPARE(picture(d, QSize(200, 200)), atZero);
    d.setValue(-1e30);
    QCOMPARE(picture(d, QSize(200, 200)), atZero);
    d.setValue(10);
    const QImage atMax = picture(d, QSize(200, 200));
    QVERIFY(atMax != atZero);
    d.setValue(kInf);
    QCOMPARE(picture(d, QSize(200, 200)), atMax);
}

void TestGauges::markerStyleDrawsDifferently() {
    BarGauge g;
    g.setScale(9.5, 20.5);
    g.setPointerValue(15);
    const QImage column = picture(g, QSize(90, 280));
    g.setSecondSelector(BarGauge::Marker);
    const QImage marker = picture(g, QSize(90, 280));
    QVERIFY(marker != column);
    g.setSecondSelector(5);  // unknown styles draw as a column
    QCOMPARE(picture(g, QSize(90, 280)), column);
}

void TestGauges::lampLitAndDark() {
    Lamp lamp;
    lamp.setFillColor(Lamp::litColor());
    QVERIFY(lamp.isLit());
    QImage img = picture(lamp, QSize(48, 48));
    // Just below the highlight, the lens shows its colour.
    QColor c = img.pixelColor(26, 28);
    QVERIFY2(c.red() > 180 && c.green() < 90 && c.blue() < 90, qPrintable(c.name()));
    // The glow reaches beyond the bezel, tinting the background red.
    const QColor background = img.pixelColor(0, 0);
    const QColor glow = img.pixelColor(24, 43);
    QVERIFY2(glow != background && glow.red() > glow.green() + 20, qPrintable(glow.name()));

    lamp.setFillColor(Lamp::darkColor());
    QVERIFY(!lamp.isLit());
    img = picture(lamp, QSize(48, 48));
    c = img.pixelColor(26, 28);
    QVERIFY2(c.red() < 70 && c.green() < 70 && c.blue() < 70, qPrintable(c.name()));
    QCOMPARE(img.pixelColor(24, 43), img.pixelColor(0, 0));  // no glow when dark
}

void TestGauges::paintsAtAnySizeWithAnyValue() {
    const QList<QSize> sizes{{0, 0}, {1, 1}, {3, 2}, {12, 9}, {40, 300}, {300, 40}, {2400, 1800}};
    const QList<double> values{kNaN, kInf, -kInf, -1e30, 1e30, 0, 1e-300};
    BarGauge bar;
    makeThrottle(bar);
    bar.setBands({{-1e30, 1e30, Qt::red}, {kNaN, 3, Qt::green}, {5, kInf, Qt::blue}});
    bar.setLabels({kNaN, kInf, -1e30, 0, 1e30, 50});
    bar.setReadoutPattern(QStringLiteral("##0.0"));
    bar.setFaceText(QString(200, u'W'));
    DialGauge dial;
    dial.setFaceTexts(QString(300, u'M'), QStringLiteral("x 1000"));
    Lamp lamp;
    for (const QSize& size : sizes) {
        for (double v : values) {
            bar.setSection(v > 0 ? 1 : 0);
            bar.setPointerValue(v);
            QVERIFY(!picture(bar, size).isNull() || size.isEmpty());
            for (double maximum : {v, 10.0, 1e30}) {
                dial.setMaximum(maximum);
                dial.setRedline(v);
                dial.setMajorStep(std::fabs(v) < 1e-200 ? 0 : v, 5);
                dial.setValue(v);
                dial.setCaption(QString::number(v, 'f', 0));
                QVERIFY(!picture(dial, size).isNull() || size.isEmpty());
            }
            lamp.setFillColor(v > 0 ? Lamp::litColor() : QColor());
            QVERIFY(!picture(lamp, size).isNull() || size.isEmpty());
        }
    }
}

void TestGauges::dialRefreshPaintsWhenShown() {
    // Refresh paints at once, so a reading shows before the next exchange blocks the loop.
    class CountingDial : public DialGauge {
    public:
        int paints = 0;

    protected:
        void paintEvent(QPaintEvent* e) override {
            ++paints;
            DialGauge::paintEvent(e);
        }
    };
    CountingDial d;
    d.resize(200, 200);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QApplication::processEvents();
    const int before = d.paints;
    d.setValue(3);
    d.setRefresh(3);
    QVERIFY(d.paints > before);  // no event loop ran in between
    QCOMPARE(d.refresh(), 3);
    d.hide();
    const int hidden = d.paints;
    d.setRefresh(3);  // nothing to paint off screen
    QCOMPARE(d.paints, hidden);
}

QTEST_MAIN(TestGauges)
#include "test_gauges.moc"
