// The chart window: its load step, trace choices on the chart, time scales and scrolling, the
// marker read-out through real clicks, the axis maximum prompts, hostile data sets, the View
// Chart and Comment commands, and drawing into another device.
#include <sys/stat.h>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>
#include <cmath>
#include <limits>
#include <memory>

#include <QLineSeries>
#include "chart/chart_control.h"
#include "chart/comment_command.h"
#include "chart/frm_chart1.h"
#include "chart/view_chart_command.h"
#include "chart_harness.h"
#include "core/app_error.h"
#include "drag_pass_data.h"
#include "memory_settings.h"
#include "scripted_dialogs.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "watchdog.h"

using namespace tarvik;

namespace {

constexpr ChartAxis kX = ChartAxis::X;
constexpr ChartAxis kY = ChartAxis::Y;
constexpr ChartAxis kY2 = ChartAxis::Y2;
const QString kRpmPrompt = QStringLiteral("Enter maximum RPM value for chart display (4000-20000)");
const QString kVssPrompt = QStringLiteral("Enter maximum VSS value for chart display (50-250)");

using test::Harness;

ChartControl::Range range(ChartControl& c, ChartAxis axis) {
    return c.axisRange(axis);
}

// A window whose template could not be used: the chart is set up and drawn in the built-in
// design, on the end of the log at five minutes, as with the template.
void expectBuiltInChart(Harness& h) {
    QVERIFY(h.chart().isVisible());
    QCOMPARE(h.chart().pointCount(1), kDataRows);
    QCOMPARE(h.chart().drawnPointCount(2), kDataRows);
    QCOMPARE(h.chart().groupColor(1), ChartControl::builtInDesign().groups[0].color);
    QCOMPARE(h.chart().axisTitle(kX), QStringLiteral("Elapsed Time (sec)"));
    QCOMPARE(h.chart().axisTitle(kY), QStringLiteral("RPM"));
    QCOMPARE(range(h.chart(), kX).low, 120.0);
    QCOMPARE(range(h.chart(), kX).high, 270.0);
}

}  // namespace

class TestChartWindow : public QObject {
    Q_OBJECT

private slots:
    void controlsAndCaptions();
    void loadOpensOnEndAtFiveMinutes();
    void loadPlacesLabels();
    void loadIntervalShown_data();
    void loadIntervalShown();
    void shortLogOpensFrom120();
    void stageOptionsByController_data();
    void stageOptionsByController();
    void templateMissing();
    void templateMalformed();
    void templateNotAFile_data();
    void templateNotAFile();

    void traceChoicesDrawOnChart();
    void onOffTraceThenTps();
    void sameQuantityOnBothAxes();
    void newMaximumUsedByNextChoice();

    void timeScalesAndScrolling();
    void scrollingKeepsMarker();
    void seriesHoldsTheWindowAndItsEdges_data();
    void seriesHoldsTheWindowAndItsEdges();

    void clickReadsSample();
    void clickStatusWords();
    void clickOutsidePlotFindsNoPoint();
    void rightClickChangesNothing();
    void resetTimeDisplay();
    void resetBeforeAnyClick();
    void twipsRoundTrip();

    void maxRpmPrompt();
    void maxRpmOverflowAskedAgain();
    void maxVssOnlyRightAxis();
    void maxRpmBothAxes();
    void maxOnOffAxisUntouched();
    void maxCancelStoresAgain();

    void hostileData_data();
    void hostileData();
    void longLogOverflows();
    void longLogAbortEndsLoad();

    void viewChartEmptyBuffer();
    void viewChartOpensModalWindow();
    void commentCommand();
    void exitCloses();
    void drawToDevice();
    void drawToDeviceRefusesOtherModes();
};

void TestChartWindow::controlsAndCaptions() {
    Harness h;
    FrmChart1& w = h.open();
    QCOMPARE(w.windowTitle(),
             QStringLiteral("Nitrous Controller Data Logging Program - Chart Display"));
    QCOMPARE(w.objectName(), QStringLiteral("frmChart1"));
    const std::pair<const char*, const char*> buttons[] = {
        {"cmdPrint", "Print"}, {"cmdExit", "Exit"}, {"cmdReset", "Reset Time Display"}};
    for (const auto& [name, caption] : buttons) {
        QCOMPARE(h.child<QPushButton>(name)->text(), QLatin1String(caption));
    }
    QCOMPARE(h.child<QGroupBox>("fraTrace1")->title(), QStringLiteral("Trace 1"));
    QCOMPARE(h.child<QGroupBox>("fraTrace2")->title(), QStringLiteral("Trace 2"));
    QCOMPARE(h.child<QGroupBox>("fraScaleOptions")->title(), QStringLiteral("Time Scale"));
    QCOMPARE(h.child<QRadioButton>("optTimeScale1")->text(), QStringLiteral("15 Sec"));
    QCOMPARE(h.child<QRadioButton>("optTimeScale2")->text(), QStringLiteral("1 Min"));
    QCOMPARE(h.child<QRadioButton>("optTimeScale3")->text(), QStringLiteral("5 Min"));
    QCOMPARE(h.text("lblStatusLegend"), QStringLiteral("Controller Status"));
    QCOMPARE(h.text("lblLogIntervalLegend"), QStringLiteral("Log Interval (sec)"));
    QCOMPARE(h.child<QMenu>("mnuEdit")->title(), QStringLiteral("&Edit"));
    QCOMPARE(w.findChild<QAction*>(QStringLiteral("mnuMaxRPM"))->text(),
             QStringLiteral("Maximum RPM"));
    QCOMPARE(w.findChild<QAction*>(QStringLiteral("mnuMaxVSS"))->text(),
             QStringLiteral("Maximum VSS"));
    QVERIFY(w.findChild<ChartControl*>(QStringLiteral("Chart2D1")) != nullptr);
    // Read-outs above the chart, left to right; the scroll bar under it.
    QVERIFY(h.child<QLabel>("lblMarkerTrace1")->geometry().center().x() <
            h.child<QLabel>("lblMarkerTime")->geometry().center().x());
    QVERIFY(h.child<QLabel>("lblMarkerTime")->geometry().center().x() <
            h.child<QLabel>("lblMarkerTrace2")->geometry().center().x());
    QVERIFY(h.child<QScrollBar>("scrChart2D1")->y() > h.chart().y());
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::loadOpensOnEndAtFiveMinutes() {
    Harness h;
    h.data.logInterval = 6.0f;  // a 16200 s log
    FrmChart1& w = h.open();
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("Sec "));
    QCOMPARE(h.text("lblMarkerTrace1"), QString());
    QCOMPARE(h.text("lblMarkerTrace2"), QString());
    QCOMPARE(h.text("lblStatus"), QString());
    QCOMPARE(h.text("lblLogIntervalData"), QStringLiteral("6.00"));
    QCOMPARE(w.totalSpan(), 16200.0f);
    QCOMPARE(w.windowWidth(), 300.0f);
    QCOMPARE(w.markerTime(), 16200.0f);
    QCOMPARE(w.timeZero(), 0.0f);
    QCOMPARE(w.trace1Format(), QStringLiteral("###0"));
    QCOMPARE(w.trace2Format(), QStringLiteral("##0"));
    auto* scr = h.child<QScrollBar>("scrChart2D1");
    QCOMPARE(scr->minimum(), 0);
    QCOMPARE(scr->maximum(), 16200);
    QCOMPARE(scr->value(), 16200);
    QCOMPARE(scr->pageStep(), 300);
    QCOMPARE(scr->singleStep(), 60);
    QVERIFY(h.child<QRadioButton>("optTimeScale3")->isChecked());
    QVERIFY(!h.child<QRadioButton>("optTimeScale1")->isChecked());
    QVERIFY(h.child<QRadioButton>("optTrace1RPM")->isChecked());
    QVERIFY(h.child<QRadioButton>("optTrace2VSS")->isChecked());
    ChartControl& c = h.chart();
    QVERIFY(c.isVisible());
    QCOMPARE(range(c, kX).low, 16050.0);
    QCOMPARE(range(c, kX).high, 16200.0);
    QCOMPARE(range(c, kY).high, 10000.0);
    QCOMPARE(range(c, kY2).high, 140.0);
    QCOMPARE(c.axisTitle(kX), QStringLiteral("Elapsed Time (sec)"));
    QCOMPARE(c.axisTitle(kY), QStringLiteral("RPM"));
    QCOMPARE(c.axisTitle(kY2), QStringLiteral("VSS (MPH)"));
    QCOMPARE(c.seriesLabel(1), QStringLiteral("RPM"));
    QCOMPARE(c.seriesLabel(2), QStringLiteral("VSS (MPH)"));
    QVERIFY(c.axisShown(kY) && c.axisShown(kY2));
    QCOMPARE(c.pointCount(1), kDataRows);
    QCOMPARE(c.drawnPointCount(2), kDataRows);
    QVERIFY(!c.batched(1) && !c.batched(2));
    QCOMPARE(c.timeMarker(), 16200.0);
    QVERIFY(c.timeMarkerDrawn());
    QCOMPARE(c.headerText(), QString());
    for (int k = 0; k < kDataRows; k += 97) {
        QCOMPARE(w.trace1Data()[k], h.data.column(Column::RPM)[k]);
        QCOMPARE(w.trace2Data()[k], h.data.column(Column::VSS)[k] * 0.621388f);
    }
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::loadPlacesLabels() {
    Harness h;
    h.open();
    ChartControl& c = h.chart();
    const QSize plot = c.plotAreaSize();
    QVERIFY(plot.width() > 400 && plot.height() > 200);
    QCOMPARE(c.labelPosition(1), QPoint(plot.width() + 10, plot.height() - 35));
    QCOMPARE(c.labelPosition(2).x(), plot.width() + 10);
    QCOMPARE(c.labelPosition(2).y(), static_cast<int>(std::nearbyint(plot.height() / 2.0)));
    QCOMPARE(c.labelPosition(3).x(), plot.width() - 25);
    for (int n = 1; n <= 3; ++n) {
        QVERIFY(!c.labelShown(n));
    }
    QCOMPARE(c.labelText(1), QStringLiteral("OFF"));
    QCOMPARE(c.labelText(2), QStringLiteral(" ON "));
    QCOMPARE(c.labelText(3), QString());
}

void TestChartWindow::loadIntervalShown_data() {
    QTest::addColumn<float>("interval");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.048") << 0.048f << QStringLiteral("0.05");
    QTest::newRow("0.016") << 0.016f << QStringLiteral("0.00");
    QTest::newRow("0.1") << 0.1f << QStringLiteral("0.10");
}

void TestChartWindow::loadIntervalShown() {
    QFETCH(float, interval);
    Harness h;
    h.data.logInterval = interval;
    h.open();
    QTEST(h.text("lblLogIntervalData"), "text");
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::shortLogOpensFrom120() {
    Harness h;  // 0.1 s: 270 s
    FrmChart1& w = h.open();
    QCOMPARE(w.totalSpan(), 270.0f);
    QCOMPARE(range(h.chart(), kX).low, 120.0);
    QCOMPARE(range(h.chart(), kX).high, 270.0);
}

void TestChartWindow::stageOptionsByController_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("shown");
    QTest::newRow("QX-1") << QStringLiteral("QX-1") << false;
    QTest::newRow("QX-2") << QStringLiteral("QX-2") << true;
    QTest::newRow("Unknown") << QStringLiteral("Unknown") << true;
    QTest::newRow("empty") << QString() << true;
}

void TestChartWindow::stageOptionsByController() {
    QFETCH(QString, version);
    QFETCH(bool, shown);
    Harness h;
    h.data.controllerVersion = version;
    h.open();
    QCOMPARE(h.child<QRadioButton>("optTrace2Stage1PWM")->isVisible(), shown);
    QCOMPARE(h.child<QRadioButton>("optTrace2Stage2PWM")->isVisible(), shown);
    QVERIFY(h.child<QRadioButton>("optTrace2Stage1Trig")->isVisible());
}

void TestChartWindow::templateMissing() {
    Harness h;
    h.templatePath = QStringLiteral("/nonexistent/Tarvik_Chart.oc2");
    h.dialogs.expectMessage(QStringLiteral("Form Load"),
                            QStringLiteral("Chart template file Tarvik_Chart.oc2 not found."),
                            MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    FrmChart1& w = h.open();
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    // The window opens with the chart drawn in the built-in design.
    QVERIFY(w.isVisible());
    expectBuiltInChart(h);
    QCOMPARE(h.text("lblLogIntervalData"), QStringLiteral("0.10"));
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("Sec "));
    // Its controls work and say nothing.
    h.click("optTrace2ArmIn");
    h.click("optTimeScale1");
    h.child<QPushButton>("cmdReset")->click();
    QCOMPARE(h.chart().labelText(3), QStringLiteral("Arming Switch Input"));
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::templateMalformed() {
    Harness h;
    QTemporaryDir dir;
    h.templatePath = dir.filePath(QStringLiteral("Tarvik_Chart.oc2"));
    QFile f(h.templatePath);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("tarvik-chart-template 1\n[chart]\nbackground = #fff\n");
    f.close();
    // Said to be damaged, where; the chart is drawn all the same.
    h.dialogs.expectMessage(QStringLiteral("Form Load"),
                            QStringLiteral("Chart template file Tarvik_Chart.oc2 is damaged (line "
                                           "2: [chart] misses plot-background).\r\n"
                                           "The chart is drawn with the built-in design."),
                            MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    h.open();
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    expectBuiltInChart(h);
}

void TestChartWindow::templateNotAFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("/dev/zero") << "zero"
                               << "Chart template file zero is a device, pipe or socket, not a "
                                  "chart template.";
    QTest::newRow("named pipe") << "fifo"
                                << "Chart template file Tarvik_Chart.oc2 is a device, pipe or "
                                   "socket, not a chart template.";
    QTest::newRow("folder")
        << "folder"
        << "Chart template file Tarvik_Chart.oc2 is a folder, not a chart template.";
    QTest::newRow("too large") << "large"
                               << "Chart template file Tarvik_Chart.oc2 is larger than 256 KB, "
                                  "not a chart template.";
}

void TestChartWindow::templateNotAFile() {
    // Whatever stands where the template should be, the window opens at once and says why.
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    Harness h;
    QTemporaryDir dir;
    h.templatePath = dir.filePath(QStringLiteral("Tarvik_Chart.oc2"));
    if (kind == QLatin1String("zero")) {
        h.templatePath = QStringLiteral("/dev/zero");
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(h.templatePath).constData(), 0600), 0);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(h.templatePath));
    } else {
        QFile f(h.templatePath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(10 * 1024 * 1024));
    }
    h.dialogs.expectMessage(
        QStringLiteral("Form Load"),
        reason + QStringLiteral("\r\nThe chart is drawn with the built-in design."),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    {
        test::Watchdog dog("chart window over a template that is " + kind.toStdString(),
                           std::chrono::seconds(10));
        h.open();
    }
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    expectBuiltInChart(h);
}

void TestChartWindow::traceChoicesDrawOnChart() {
    Harness h;
    h.data.at(Column::Input1Volts, 5) = 2.5f;
    h.data.at(Column::TPSPercent, 5) = 73;
    FrmChart1& w = h.open();
    ChartControl& c = h.chart();
    h.click("optTrace1Input1AFR");
    QCOMPARE(c.axisTitle(kY), QStringLiteral("Input 1 AFR"));
    QCOMPARE(c.seriesLabel(1), QStringLiteral("Input 1 AFR"));
    QCOMPARE(range(c, kY).low, 10.0);
    QCOMPARE(range(c, kY).high, 20.0);
    QCOMPARE(w.trace1Format(), QStringLiteral("#0.0"));
    QCOMPARE(w.trace1Data()[4], 15.0f);
    h.click("optTrace1TPS");
    QCOMPARE(w.trace1Data()[4], 73.0f);
    QCOMPARE(range(c, kY).high, 100.0);
    h.click("optTrace2Stage1PWM");
    QCOMPARE(c.axisTitle(kY2), QStringLiteral("Stage 1 PWM (%)"));
    QCOMPARE(w.trace2Format(), QStringLiteral("##0"));
    for (int k = 0; k < kDataRows; k += 101) {
        QCOMPARE(w.trace2Data()[k], h.data.column(Column::Stage1PWM)[k]);
    }
    QVERIFY(!c.batched(1) && !c.batched(2));
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::onOffTraceThenTps() {
    Harness h;
    h.data.at(Column::InputData, 1) = 255;
    h.data.at(Column::InputData, 2) = 0;
    h.data.at(Column::InputData, 3) = 2.5f;
    FrmChart1& w = h.open();
    ChartControl& c = h.chart();
    h.click("optTrace2ArmIn");
    QCOMPARE(w.trace2Format(), QStringLiteral("#0"));
    QCOMPARE(range(c, kY2).low, 0.0);
    QCOMPARE(range(c, kY2).high, 2.0);
    QCOMPARE(c.axisTitle(kY2), QString());
    QVERIFY(!c.axisShown(kY2));
    QCOMPARE(c.seriesLabel(2), QStringLiteral("Arming Switch Input"));
    QVERIFY(c.labelShown(1) && c.labelShown(2) && c.labelShown(3));
    QCOMPARE(c.labelText(3), QStringLiteral("Arming Switch Input"));
    QCOMPARE(w.trace2Data()[0], 1.0f);
    QCOMPARE(w.trace2Data()[1], 0.0f);
    QCOMPARE(w.trace2Data()[2], 0.0f);
    h.click("optTrace2PurgeIn");
    QCOMPARE(w.trace2Data()[2], 1.0f);
    QCOMPARE(c.labelText(3), QStringLiteral("Purge Input"));
    // OFF sits level with 0 on the right axis and ON level with 1, right of the plot.
    const QRectF plot = c.plotAreaRect();
    QCOMPARE(c.labelRect(1).center().y(), plot.bottom());
    QVERIFY(std::fabs(c.labelRect(2).center().y() - plot.center().y()) <= 0.5);
    QVERIFY(c.labelRect(1).left() > plot.right());

    h.click("optTrace2TPS");
    QVERIFY(!c.labelShown(1) && !c.labelShown(2) && !c.labelShown(3));
    QCOMPARE(c.labelText(3), QString());
    QVERIFY(c.axisShown(kY2));
    QCOMPARE(range(c, kY2).high, 100.0);
    QCOMPARE(c.axisTitle(kY2), QStringLiteral("TPS (%)"));
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::sameQuantityOnBothAxes() {
    Harness h;
    FrmChart1& w = h.open();
    h.click("optTrace2RPM");
    QCOMPARE(h.chart().axisTitle(kY), QStringLiteral("RPM"));
    QCOMPARE(h.chart().axisTitle(kY2), QStringLiteral("RPM"));
    QCOMPARE(w.trace1Data(), w.trace2Data());
}

void TestChartWindow::newMaximumUsedByNextChoice() {
    Harness h;
    h.open();
    h.click("optTrace1TPS");
    h.dialogs.expectInput(kRpmPrompt, QStringLiteral("Maximum RPM"), QStringLiteral("10000"),
                          QStringLiteral("7000"));
    h.triggerMenu("mnuMaxRPM");
    QCOMPARE(range(h.chart(), kY).high, 100.0);  // TPS is on the axis: untouched
    h.click("optTrace1RPM");
    QCOMPARE(range(h.chart(), kY).high, 7000.0);
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::timeScalesAndScrolling() {
    Harness h;
    h.data.logInterval = 6.0f;
    FrmChart1& w = h.open();
    ChartControl& c = h.chart();
    auto* scr = h.child<QScrollBar>("scrChart2D1");
    h.click("optTimeScale1");
    QCOMPARE(w.windowWidth(), 15.0f);
    QCOMPARE(range(c, kX).low, 16192.5);
    QCOMPARE(range(c, kX).high, 16200.0);
    QCOMPARE(scr->pageStep(), 30);
    QCOMPARE(scr->singleStep(), 3);
    h.click("optTimeScale2");
    QCOMPARE(scr->pageStep(), 120);
    QCOMPARE(scr->singleStep(), 12);
    scr->setValue(0);
    QCOMPARE(range(c, kX).low, 0.0);
    QCOMPARE(range(c, kX).high, 60.0);
    scr->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(scr->value(), 12);
    QCOMPARE(range(c, kX).low, 0.0);  // 12 - 30 < 0
    scr->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(scr->value(), 132);
    QCOMPARE(range(c, kX).low, 102.0);
    QCOMPARE(range(c, kX).high, 162.0);
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("Sec "));
}

void TestChartWindow::seriesHoldsTheWindowAndItsEdges_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("before");  // points handed over that lie before the window
    QTest::addColumn<int>("after");
    QTest::newRow("start of the log") << 0 << 0 << 1;
    QTest::newRow("middle") << 120 << 1 << 1;
    QTest::newRow("end of the log") << 270 << 1 << 0;
}

void TestChartWindow::seriesHoldsTheWindowAndItsEdges() {
    // Only the points of segments crossing the window reach Qt Charts, so the trace still runs
    // to both edges of the plot.
    QFETCH(int, position);
    QFETCH(int, before);
    QFETCH(int, after);
    Harness h;
    h.open();
    ChartControl& c = h.chart();
    h.click("optTimeScale2");
    h.child<QScrollBar>("scrChart2D1")->setValue(position);
    const double low = range(c, kX).low;
    const double high = range(c, kX).high;
    int inside = 0;
    for (int row = 1; row <= kDataRows; ++row) {
        const double t = h.data.at(Column::ElapsedTime, row);
        inside += t >= low && t <= high ? 1 : 0;
    }
    for (QAbstractSeries* series : c.chart()->series()) {
        const QList<QPointF> points = static_cast<QLineSeries*>(series)->points();
        const auto outside = [&](auto pred) {
            return static_cast<int>(std::count_if(points.begin(), points.end(), pred));
        };
        QCOMPARE(outside([&](QPointF p) { return p.x() < low; }), before);
        QCOMPARE(outside([&](QPointF p) { return p.x() > high; }), after);
        QCOMPARE(points.size(), inside + before + after);
    }
    QCOMPARE(c.drawnPointCount(1), kDataRows);
}

void TestChartWindow::scrollingKeepsMarker() {
    Harness h;
    test::fillDragPass(h.data, 6.0f);
    FrmChart1& w = h.open();
    h.click("optTimeScale2");
    h.clickRow(2695);
    const float marked = w.markerTime();
    QCOMPARE(marked, h.data.at(Column::ElapsedTime, 2695));
    QVERIFY(h.text("lblMarkerTrace1") != QString());
    h.child<QScrollBar>("scrChart2D1")->setValue(1000);
    // Scrolling clears the read-out but keeps the marked sample...
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("Sec "));
    QCOMPARE(h.text("lblMarkerTrace1"), QString());
    QCOMPARE(h.text("lblMarkerTrace2"), QString());
    QCOMPARE(h.text("lblStatus"), QString());
    QCOMPARE(w.markerTime(), marked);
    // ...to which a time scale brings the window back.
    h.click("optTimeScale1");
    QCOMPARE(h.child<QScrollBar>("scrChart2D1")->value(), static_cast<int>(std::nearbyint(marked)));
    QCOMPARE(range(h.chart(), kX).low, std::nearbyint(marked) - 7.5);
}

void TestChartWindow::clickReadsSample() {
    Harness h;
    const int row = 1830;  // mid-pass
    FrmChart1& w = h.open();
    h.click("optTimeScale1");
    h.child<QScrollBar>("scrChart2D1")->setValue(185);
    h.clickRow(row);
    const float t = h.data.at(Column::ElapsedTime, row);
    QCOMPARE(w.markerTime(), t);
    // The time to the hundredth and each value named, as cursor B reads.
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("183.00 Sec "));
    QCOMPARE(h.text("lblMarkerTrace1"),
             "RPM " + QString::number(static_cast<int>(h.data.at(Column::RPM, row))));
    QCOMPARE(
        h.text("lblMarkerTrace2"),
        "VSS (MPH) " + QString::number(std::nearbyint(h.data.at(Column::VSS, row) * 0.621388f)));
    QCOMPARE(h.text("lblStatus"), QStringLiteral("Ready"));
    // The marker stands where the click was.
    QVERIFY(h.chart().timeMarkerDrawn());
    QVERIFY(std::fabs(h.chart().timeMarker() - t) < 0.05);
    // A trace choice leaves the read-out; the next click uses the new pattern.
    h.click("optTrace2ArmIn");
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("183.00 Sec "));
    h.clickRow(row);
    QCOMPARE(h.text("lblMarkerTrace2"), QStringLiteral("Arming Switch Input 1"));
    h.click("optTrace1Bat");
    h.clickRow(row);
    QCOMPARE(h.text("lblMarkerTrace1"), QStringLiteral("Bat Volts 12.9"));
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::clickStatusWords() {
    Harness h;
    h.data.at(Column::Status, 2000) = 3.5f;
    h.data.at(Column::Status, 2010) = 2.5f;
    h.data.at(Column::Status, 2020) = 6.0f;
    h.open();
    h.click("optTimeScale1");
    h.child<QScrollBar>("scrChart2D1")->setValue(201);
    h.clickRow(2000);
    QCOMPARE(h.text("lblStatus"), QStringLiteral("Ready"));
    h.clickRow(2010);
    QCOMPARE(h.text("lblStatus"), QStringLiteral("Invalid"));
    h.clickRow(2020);
    QCOMPARE(h.text("lblStatus"), QStringLiteral("Power Ground Fault"));
}

void TestChartWindow::clickOutsidePlotFindsNoPoint() {
    Harness h;
    FrmChart1& w = h.open();
    h.clickRow(2600);
    QVERIFY(h.text("lblStatus") != QString());
    const float marked = w.markerTime();
    const double before = h.chart().timeMarker();
    // Below the plot, on the time axis labels: a time, but no sample.
    const QRectF plot = h.chart().plotAreaRect();
    h.clickAt(QPoint(qRound(plot.left() + plot.width() / 4), qRound(plot.bottom() + 20)));
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("Sec "));
    QCOMPARE(h.text("lblMarkerTrace1"), QString());
    QCOMPARE(h.text("lblMarkerTrace2"), QString());
    QCOMPARE(h.text("lblStatus"), QString());
    QCOMPARE(w.markerTime(), marked);
    QVERIFY(h.chart().timeMarker() != before);  // the marker still moved
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::rightClickChangesNothing() {
    Harness h;
    FrmChart1& w = h.open();
    h.clickRow(2600);
    const QString time = h.text("lblMarkerTime");
    const double marker = h.chart().timeMarker();
    h.clickRow(2400, Qt::RightButton);
    h.clickRow(2400, Qt::MiddleButton);
    QCOMPARE(h.text("lblMarkerTime"), time);
    QCOMPARE(h.chart().timeMarker(), marker);
    QCOMPARE(w.markerTime(), h.data.at(Column::ElapsedTime, 2600));
}

void TestChartWindow::resetTimeDisplay() {
    Harness h;
    FrmChart1& w = h.open();
    h.click("optTimeScale2");
    h.child<QScrollBar>("scrChart2D1")->setValue(105);
    h.clickRow(1000);  // 100.0 s
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("100.00 Sec "));
    h.child<QPushButton>("cmdReset")->click();
    QCOMPARE(w.timeZero(), 100.0f);
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("0.00 Sec "));
    h.clickRow(1125);  // 112.5 s
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("12.50 Sec "));
    h.clickRow(900);
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("-10.00 Sec "));
}

void TestChartWindow::resetBeforeAnyClick() {
    Harness h;
    FrmChart1& w = h.open();
    h.child<QPushButton>("cmdReset")->click();
    QCOMPARE(w.timeZero(), 270.0f);
    h.clickRow(2600);  // 260 s
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("-10.00 Sec "));
}

void TestChartWindow::twipsRoundTrip() {
    Harness h;
    FrmChart1& w = h.open();
    // The handler turns twips back into the pixel that was clicked.
    const double tx = w.twipsPerPixelX();
    QCOMPARE(tx, 1440.0 / w.logicalDpiX());
    h.click("optTimeScale1");
    const QPointF p = h.chart().dataToPixel(1, h.data.at(Column::ElapsedTime, 2650), 0);
    w.Chart2D1_MouseDown(1, 0, qRound(p.x()) * tx, 100 * w.twipsPerPixelY());
    QCOMPARE(w.markerTime(), h.data.at(Column::ElapsedTime, 2650));
    // Shift state is ignored.
    w.Chart2D1_MouseDown(1, 7, qRound(h.chart().dataToPixel(1, 266.0, 0).x()) * tx,
                         100 * w.twipsPerPixelY());
    QCOMPARE(w.markerTime(), 266.0f);
}

void TestChartWindow::maxRpmPrompt() {
    Harness h;
    h.open();
    h.dialogs.expectInput(kRpmPrompt, QStringLiteral("Maximum RPM"), QStringLiteral("10000"),
                          QStringLiteral("8000.9"));
    h.triggerMenu("mnuMaxRPM");
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QCOMPARE(h.settings.maxRPMDisplay, qint16(8000));
    QCOMPARE(range(h.chart(), kY).high, 8000.0);
    QCOMPARE(h.backing.get(QStringLiteral("MaxRPMDisplay")), QStringLiteral("8000"));
    QCOMPARE(h.backing.writes, QStringList{QStringLiteral("MaxRPMDisplay=8000")});
}

void TestChartWindow::maxRpmOverflowAskedAgain() {
    Harness h;
    h.open();
    // Beyond 16 bits is just another answer out of range: the box comes back, no error box.
    for (const char* answer : {"abc", "-5000", "40000", "99999999999", "20001"}) {
        h.dialogs.expectInput(kRpmPrompt, QStringLiteral("Maximum RPM"), QStringLiteral("10000"),
                              QLatin1String(answer));
    }
    h.dialogs.expectInput(kRpmPrompt, QStringLiteral("Maximum RPM"), QStringLiteral("10000"),
                          QStringLiteral("20000"));
    h.triggerMenu("mnuMaxRPM");
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QCOMPARE(h.settings.maxRPMDisplay, qint16(20000));
    QCOMPARE(h.backing.writes, QStringList{QStringLiteral("MaxRPMDisplay=20000")});
}

void TestChartWindow::maxVssOnlyRightAxis() {
    Harness h;
    h.open();
    h.dialogs.expectInput(kVssPrompt, QStringLiteral("Maximum VSS"), QStringLiteral("140"),
                          QStringLiteral("180"));
    h.triggerMenu("mnuMaxVSS");
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QCOMPARE(h.settings.maxVSSDisplay, qint16(180));
    QCOMPARE(range(h.chart(), kY2).high, 180.0);
    QCOMPARE(range(h.chart(), kY).high, 10000.0);
    QCOMPARE(h.backing.get(QStringLiteral("MaxVSSDisplay")), QStringLiteral("180"));
}

void TestChartWindow::maxRpmBothAxes() {
    Harness h;
    h.open();
    h.click("optTrace2RPM");
    h.dialogs.expectInput(kRpmPrompt, QStringLiteral("Maximum RPM"), QStringLiteral("10000"),
                          QStringLiteral("9000"));
    h.triggerMenu("mnuMaxRPM");
    QCOMPARE(range(h.chart(), kY).high, 9000.0);
    QCOMPARE(range(h.chart(), kY2).high, 9000.0);
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::maxOnOffAxisUntouched() {
    Harness h;
    h.open();
    h.click("optTrace2GPO");
    h.dialogs.expectInput(kVssPrompt, QStringLiteral("Maximum VSS"), QStringLiteral("140"),
                          QStringLiteral("200"));
    h.triggerMenu("mnuMaxVSS");
    QCOMPARE(range(h.chart(), kY2).high, 2.0);
    QCOMPARE(h.settings.maxVSSDisplay, qint16(200));
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::maxCancelStoresAgain() {
    Harness h;
    h.open();
    h.dialogs.expectInput(kRpmPrompt, QStringLiteral("Maximum RPM"), QStringLiteral("10000"),
                          QString());
    h.triggerMenu("mnuMaxRPM");
    QCOMPARE(h.settings.maxRPMDisplay, qint16(10000));
    QCOMPARE(h.backing.writes, QStringList{QStringLiteral("MaxRPMDisplay=10000")});
    // A store that refuses the write reports through the error trap.
    h.backing.refuseWrites = true;
    h.dialogs.expectInput(kVssPrompt, QStringLiteral("Maximum VSS"), QStringLiteral("140"),
                          QStringLiteral("120"));
    h.dialogs.expectErrorBox(QStringLiteral("The settings store refused the write."),
                             MsgResult::Ignore);
    h.triggerMenu("mnuMaxVSS");
    QCOMPARE(h.settings.maxVSSDisplay, qint16(120));
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::hostileData_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("NaN and infinite values") << 0;
    QTest::newRow("negative times") << 1;
    QTest::newRow("times not increasing") << 2;
    QTest::newRow("interval 0") << 3;
    QTest::newRow("interval 1e-30") << 4;
    QTest::newRow("all times NaN") << 5;
    QTest::newRow("huge values") << 6;
    QTest::newRow("negative interval") << 7;
}

void TestChartWindow::hostileData() {
    QFETCH(int, kind);
    Harness h;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    DataBuffer& d = h.data;
    for (int row = 1; row <= kDataRows; ++row) {
        switch (kind) {
            case 0:
                if (row % 3 == 0) {
                    for (int c = 1; c < kDataColumns; ++c) {
                        d.at(static_cast<Column>(c), row) = row % 2 ? nan : -inf;
                    }
                }
                if (row % 7 == 0) {
                    d.at(Column::ElapsedTime, row) = row % 2 ? inf : nan;
                }
                break;
            case 1:
                d.at(Column::ElapsedTime, row) = -static_cast<float>(row);
                break;
            case 2:
                d.at(Column::ElapsedTime, row) = static_cast<float>((row * 37) % 270);
                break;
            case 3:
                d.logInterval = 0;
                break;
            case 4:
                d.logInterval = 1e-30f;
                break;
            case 5:
                d.at(Column::ElapsedTime, row) = nan;
                break;
            case 6:
                d.at(Column::RPM, row) = row % 2 ? 3e38f : -3e38f;
                d.at(Column::VSS, row) = 1e30f;
                d.at(Column::ElapsedTime, row) = row % 2 ? 1e30f : -1e30f;
                break;
            case 7:
                d.logInterval = -0.1f;
                break;
        }
    }
    FrmChart1& w = h.open();
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QVERIFY(h.chart().isVisible());
    // Everything the user can do, without a crash, a hang or an error box.
    const char* options[] = {"optTrace1VSS",  "optTrace1Input1AFR", "optTrace2ArmIn",
                             "optTrace2GPO",  "optTrace2Stage2PWM", "optTrace2TPS",
                             "optTimeScale1", "optTimeScale2",      "optTimeScale3"};
    for (const char* o : options) {
        h.click(o);
        w.repaint();
        h.clickAt(h.chart().plotAreaRect().center().toPoint());
    }
    auto* scr = h.child<QScrollBar>("scrChart2D1");
    scr->triggerAction(QAbstractSlider::SliderToMinimum);
    scr->triggerAction(QAbstractSlider::SliderPageStepAdd);
    w.repaint();
    h.child<QPushButton>("cmdReset")->click();
    h.clickAt(h.chart().plotAreaRect().center().toPoint());
    QImage image(400, 300, QImage::Format_ARGB32);
    image.fill(Qt::white);
    h.chart().drawToDevice(&image, DrawContent::WholeChart, DrawFit::FitToRectangle, 0, 0, 300,
                           400);
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    if (kind == 3 || kind == 4) {
        QCOMPARE(w.totalSpan(), 0.0f);
        QCOMPARE(scr->maximum(), 0);
        QCOMPARE(range(h.chart(), kX).low, 0.0);
        QCOMPARE(range(h.chart(), kX).high, 0.0);
        // The chart still draws a time axis of some width.
        QVERIFY(h.chart().drawnAxisRange(kX).high > h.chart().drawnAxisRange(kX).low);
    }
    if (kind == 0) {
        QVERIFY(h.chart().drawnPointCount(1) < kDataRows);
    }
}

void TestChartWindow::longLogOverflows() {
    Harness h;
    h.data.logInterval = 1e6f;
    // The scroll bar cannot hold the span (load step), nor the marker (the five-minute scale).
    h.dialogs.expectErrorBox(QStringLiteral("Overflow"), MsgResult::Ignore);
    h.dialogs.expectErrorBox(QStringLiteral("Overflow"), MsgResult::Ignore);
    FrmChart1& w = h.open();
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QCOMPARE(w.totalSpan(), 2.7e9f);
    QVERIFY(h.chart().timeMarker() == 2.7e9);
    QVERIFY(h.child<QRadioButton>("optTimeScale3")->isChecked());
    QVERIFY(h.child<QRadioButton>("optTrace2Stage1PWM")->isVisible());  // step 16 still ran
    // Retry repeats the step, and fails again.
    h.dialogs.expectErrorBox(QStringLiteral("Overflow"), MsgResult::Retry);
    h.dialogs.expectErrorBox(QStringLiteral("Overflow"), MsgResult::Abort);
    h.click("optTimeScale1");
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QCOMPARE(w.windowWidth(), 15.0f);
}

void TestChartWindow::longLogAbortEndsLoad() {
    Harness h;
    h.data.logInterval = 13.0f;  // 35100 s: just past the scroll bar
    h.data.controllerVersion = QStringLiteral("QX-1");
    h.dialogs.expectErrorBox(QStringLiteral("Overflow"), MsgResult::Abort);
    FrmChart1& w = h.open();
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QCOMPARE(w.totalSpan(), 35100.0f);
    // The load ended at the scroll bar: no time scale chosen, stage options left as designed.
    QVERIFY(!h.child<QRadioButton>("optTimeScale3")->isChecked());
    QVERIFY(h.child<QRadioButton>("optTrace2Stage1PWM")->isVisible());
}

void TestChartWindow::viewChartEmptyBuffer() {
    Harness h;
    h.data.clearDataBuffer();
    int stops = 0;
    bool opened = false;
    h.dialogs.expectMessage(QStringLiteral("View Chart"), QStringLiteral("Data buffer empty."),
                            MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok,
                            [&] { QCOMPARE(stops, 1); });
    ViewChartCommand cmd(h.services(), [&] { ++stops; });
    cmd.setRunWindow([&](FrmChart1&) { opened = true; });
    cmd.run();
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QCOMPARE(stops, 1);
    QVERIFY(!opened);
}

void TestChartWindow::viewChartOpensModalWindow() {
    Harness h;
    QWidget owner;
    owner.show();
    int stops = 0;
    bool ran = false;
    ViewChartCommand cmd(
        h.services(), [&] { ++stops; }, &owner);
    cmd.setRunWindow([&](FrmChart1& w) {
        ran = true;
        QCOMPARE(stops, 1);
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowModality(), Qt::ApplicationModal);
        QCOMPARE(w.parentWidget(), &owner);
        QCOMPARE(QApplication::activeModalWidget(), &w);
        QCOMPARE(w.totalSpan(), 270.0f);  // loaded
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblMarkerTime"))->text(),
                 QStringLiteral("Sec "));
    });
    cmd.run();
    QVERIFY(ran);
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    // Through exec(): Exit ends the modal loop and the window is gone.
    ViewChartCommand real(h.services(), {}, &owner);
    QTimer::singleShot(0, [] {
        auto* w = qobject_cast<FrmChart1*>(QApplication::activeModalWidget());
        QVERIFY(w != nullptr);
        w->findChild<QPushButton*>(QStringLiteral("cmdExit"))->click();
    });
    real.run();
    QCOMPARE(owner.findChildren<FrmChart1*>().size(), 0);
}

void TestChartWindow::commentCommand() {
    Harness h;
    h.data.comment = QStringLiteral("3rd pass, 75 shot");
    h.dialogs.expectInput(QStringLiteral("Enter or edit comment. Cancel will erase any comment."),
                          QStringLiteral("Optional Information Entry/Edit"),
                          QStringLiteral("3rd pass, 75 shot"), QStringLiteral("4th pass"));
    runEditComment(h.dialogs, h.data);
    QCOMPARE(h.data.comment, QStringLiteral("4th pass"));
    h.dialogs.expectInput(QStringLiteral("Enter or edit comment. Cancel will erase any comment."),
                          QStringLiteral("Optional Information Entry/Edit"),
                          QStringLiteral("4th pass"), QString());
    runEditComment(h.dialogs, h.data);
    QCOMPARE(h.data.comment, QString());
    // Allowed on an empty buffer.
    h.data.clearDataBuffer();
    h.dialogs.expectInput(QStringLiteral("Enter or edit comment. Cancel will erase any comment."),
                          QStringLiteral("Optional Information Entry/Edit"), QString(),
                          QStringLiteral("note"));
    runEditComment(h.dialogs, h.data);
    QCOMPARE(h.data.comment, QStringLiteral("note"));
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
}

void TestChartWindow::exitCloses() {
    Harness h;
    FrmChart1& w = h.open();
    h.child<QPushButton>("cmdExit")->click();
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
}

void TestChartWindow::drawToDevice() {
    Harness h;
    h.open();
    h.click("optTrace2Stage1Trig");
    const QSize before = h.chart().plotAreaSize();
    QImage image(1200, 900, QImage::Format_ARGB32);
    image.fill(Qt::black);
    h.chart().drawToDevice(&image, DrawContent::WholeChart, DrawFit::FitToRectangle, 50, 100, 800,
                           1000);
    // Outside the rectangle nothing was drawn; inside, the chart with the red trace but no
    // background of its own, and nothing at all in the heading band at the rectangle's top
    // (1000 twips: 67 pixels of this 96 dpi image).
    QCOMPARE(image.pixelColor(50, 20), QColor(Qt::black));
    QCOMPARE(image.pixelColor(1150, 880), QColor(Qt::black));
    QCOMPARE(image.logicalDpiY(), 96);
    int paintedInBand = 0;
    for (int y = 50; y < 50 + 66; ++y) {
        for (int x = 100; x < 1100; ++x) {
            paintedInBand += image.pixelColor(x, y) != QColor(Qt::black) ? 1 : 0;
        }
    }
    QCOMPARE(paintedInBand, 0);
    QVERIFY(image.pixelColor(600, 400).lightness() > 200);  // the plot's own pale background
    int red = 0;
    for (int y = 50; y < 850; y += 2) {
        for (int x = 100; x < 1100; x += 2) {
            const QColor c = image.pixelColor(x, y);
            red += (c.red() > 150 && c.green() < 100 && c.blue() < 100) ? 1 : 0;
        }
    }
    QVERIFY(red > 50);
    // The window's own chart is as it was.
    QCOMPARE(h.chart().plotAreaSize(), before);
    QCOMPARE(h.chart().labelPosition(1).x(), before.width() + 10);
}

void TestChartWindow::drawToDeviceRefusesOtherModes() {
    Harness h;
    h.open();
    QImage image(100, 100, QImage::Format_ARGB32);
    // Content and fit arrive as the chart's mode codes (3 whole chart, 5 fit to rectangle).
    for (const auto& [a, b, hh, ww] : {std::tuple{1, 5, 10, 10}, std::tuple{3, 1, 10, 10},
                                       std::tuple{3, 5, 0, 10}, std::tuple{3, 5, 10, -1}}) {
        try {
            h.chart().drawToDevice(&image, static_cast<DrawContent>(a), static_cast<DrawFit>(b), 0,
                                   0, hh, ww);
            QFAIL("accepted");
        } catch (const AppError& e) {
            QCOMPARE(e.description(), QStringLiteral("Invalid property value"));
        }
    }
}

QTEST_MAIN(TestChartWindow)
#include "test_chart_window.moc"
