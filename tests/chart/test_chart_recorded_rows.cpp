// A data set whose rows after a point are padding (a recording that stopped before 2700
// readings): the chart opens on the recorded span and neither draws, reads, counts, compares nor
// exports the padding. And the scroll bar's thumb, which shows how much of the log is in view.
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <limits>

#include "chart/chart_analysis.h"
#include "chart/chart_navigation.h"
#include "chart/compare_overlay.h"
#include "chart/launch_finder.h"
#include "chart/recorded_span.h"
#include "chart/trace_options.h"
#include "chart/window_csv.h"
#include "chart/zoom_window.h"
#include "chart_harness.h"

using namespace tarvik;
using test::Harness;

namespace {

#define DIALOGS_OK(h) QVERIFY2((h).dialogs.ok(), qPrintable((h).dialogs.report()))

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// A recording of `rows` readings `interval` apart from `first` seconds on. The padding after
// them holds what a reader leaves there: the times go on, and the values are another log's
// (the drag pass, launches and all), so that anything that reads the padding shows.
void fillRecording(DataBuffer& d, int rows, float interval, double first) {
    test::fillDragPass(d, interval);
    for (int row = 1; row <= kDataRows; ++row) {
        d.at(Column::ElapsedTime, row) = static_cast<float>(first + (row - 1) * interval);
    }
    d.rows = rows;
}

ViewWindow shown(Harness& h) {
    const ChartControl::Range r = h.chart().axisRange(ChartAxis::X);
    return {r.low, r.high};
}

// The scroll bar's thumb as a share of its track.
double thumbShare(const QScrollBar& bar) {
    return static_cast<double>(bar.pageStep()) / (bar.maximum() - bar.minimum() + bar.pageStep());
}

}  // namespace

class TestChartRecordedRows : public QObject {
    Q_OBJECT

private slots:
    void recordedSpan_data();
    void recordedSpan();
    void opensOnTheRecordedSpan_data();
    void opensOnTheRecordedSpan();
    void launchesAndCursorsOnlyInRecordedRows();
    void exportHoldsOnlyRecordedRows();
    void comparedPaddingNotDrawnNorRead();
    void scrollThumbShowsTheShare();
};

void TestChartRecordedRows::recordedSpan_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<float>("interval");
    QTest::addColumn<double>("first");
    QTest::addColumn<int>("heldRows");
    QTest::addColumn<float>("start");
    QTest::addColumn<float>("end");
    // A full log keeps the interval times 2700, rounded.
    QTest::newRow("full log") << kDataRows << 0.1f << 0.1 << kDataRows << 0.0f << 270.0f;
    QTest::newRow("full, interval 0.048")
        << kDataRows << 0.048f << 0.048 << kDataRows << 0.0f << 130.0f;
    // A shorter one ends at the whole second at or after its last reading.
    QTest::newRow("212 readings every 0.5 s") << 212 << 0.5f << 0.5 << 212 << 0.0f << 106.0f;
    QTest::newRow("1061 every 0.1 s") << 1061 << 0.1f << 0.1 << 1061 << 0.0f << 107.0f;
    // The second file of a long recording begins where the first ended.
    QTest::newRow("second part") << 100 << 0.5f << 1350.5 << 100 << 1350.0f << 1400.0f;
    QTest::newRow("one reading") << 1 << 0.5f << 3.2 << 1 << 3.0f << 4.0f;
    QTest::newRow("no readings") << 0 << 0.5f << 0.5 << 0 << 0.0f << 0.0f;
    // A count that cannot be right is held to the columns.
    QTest::newRow("negative count") << -5 << 0.5f << 0.5 << 0 << 0.0f << 0.0f;
    QTest::newRow("past the columns") << 99999 << 0.1f << 0.1 << kDataRows << 0.0f << 270.0f;
}

void TestChartRecordedRows::recordedSpan() {
    QFETCH(int, rows);
    QFETCH(float, interval);
    QFETCH(double, first);
    DataBuffer d;
    fillRecording(d, rows, interval, first);
    const RecordedSpan s = tarvik::recordedSpan(d);
    QTEST(s.rows, "heldRows");
    QTEST(s.start, "start");
    QTEST(s.end, "end");
    QCOMPARE(static_cast<int>(recordedPart(d, Column::RPM).size()), s.rows);
    // A reading without a time is passed over.
    if (s.rows > 2 && s.rows < kDataRows) {
        d.at(Column::ElapsedTime, s.rows) = kNaN;
        QVERIFY(tarvik::recordedSpan(d).end <= s.end);
    }
}

void TestChartRecordedRows::opensOnTheRecordedSpan_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<int>("start");
    // 106 s of readings: the whole recording at five minutes, none of the padding after it.
    QTest::newRow("106 s recording") << 212 << 0.5 << 0.0 << 106.0 << 0;
    // A second part from 1350 s: from its first second, not from 0.
    QTest::newRow("second part") << 100 << 1350.5 << 1350.0 << 1400.0 << 1350;
    // Longer than the window: its last two and a half minutes.
    QTest::newRow("10 min recording") << 1200 << 0.5 << 450.0 << 600.0 << 0;
}

void TestChartRecordedRows::opensOnTheRecordedSpan() {
    QFETCH(int, rows);
    QFETCH(double, first);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(int, start);
    Harness h;
    fillRecording(h.data, rows, 0.5f, first);
    FrmChart1& w = h.open();
    QCOMPARE(shown(h).low, low);
    QCOMPARE(shown(h).high, high);
    QCOMPARE(w.markerTime(), static_cast<float>(high));
    // Only the readings are charted.
    QCOMPARE(h.chart().pointCount(1), rows);
    QCOMPARE(h.chart().drawnPointCount(2), rows);
    auto* bar = h.child<QScrollBar>("scrChart2D1");
    QCOMPARE(w.spanStart(), static_cast<float>(start));
    QCOMPARE(bar->minimum(), start);
    QCOMPARE(bar->maximum(), static_cast<int>(high));
    QCOMPARE(bar->value(), static_cast<int>(high));
    // The scroll bar's start and the narrowest scale stay inside the recording.
    bar->setValue(bar->minimum());
    h.click("optTimeScale1");
    QVERIFY(shown(h).low >= w.spanStart());
    h.triggerMenu("cmdWholeLog");
    QCOMPARE(shown(h).low, static_cast<double>(w.spanStart()));
    QCOMPARE(shown(h).high, high);
    DIALOGS_OK(h);
}

void TestChartRecordedRows::launchesAndCursorsOnlyInRecordedRows() {
    // 150 s recorded: the first pass (launched at 60 s) is in it, the second (180 s) only in
    // the padding.
    Harness h;
    fillRecording(h.data, 1500, 0.1f, 0.1);
    QCOMPARE(findLaunches(h.data).rows.size(), std::size_t{1});
    h.open();
    h.triggerMenu("cmdGoToLaunch");
    QVERIFY2(h.window->analysis().note().startsWith(QStringLiteral("Launch 1 of 1")),
             qPrintable(h.window->analysis().note()));
    h.triggerMenu("cmdGoToLaunch");
    QVERIFY(h.window->analysis().note().startsWith(QStringLiteral("Launch 1 of 1")));
    // A click past the last reading reads the last reading, never a padding row.
    h.triggerMenu("cmdWholeLog");
    const QRectF plot = h.chart().plotAreaRect();
    h.clickAt(QPoint(qRound(plot.right() - 1), qRound(plot.center().y())));
    QCOMPARE(h.window->markerTime(), h.data.at(Column::ElapsedTime, 1500));
    h.clickAt(QPoint(qRound(plot.right() - 1), qRound(plot.center().y())), Qt::RightButton);
    QCOMPARE(*h.window->analysis().cursorB().time(),
             static_cast<double>(h.data.at(Column::ElapsedTime, 1500)));
    DIALOGS_OK(h);
}

void TestChartRecordedRows::exportHoldsOnlyRecordedRows() {
    QTemporaryDir dir;
    Harness h;
    fillRecording(h.data, 212, 0.5f, 0.5);
    h.open();
    h.triggerMenu("cmdWholeLog");
    const QString path = dir.filePath(QStringLiteral("recording.csv"));
    h.dialogs.expectSaveFile(QStringLiteral("Export Window"),
                             QStringLiteral("CSV files (*.csv)|*.csv"), path);
    h.triggerMenu("cmdExportWindow");
    DIALOGS_OK(h);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 212 + 1);  // heading, readings, nothing after the last CR LF
    QVERIFY(lines.at(212).startsWith("106,"));
    QCOMPARE(h.window->analysis().note(), QStringLiteral("212 samples written to recording.csv."));
    // Even a window reaching over the padding's times holds only readings.
    QCOMPARE(windowRowCount(h.data, 0, 2000), 212);
}

void TestChartRecordedRows::comparedPaddingNotDrawnNorRead() {
    Harness h;
    h.open();
    auto compared = std::make_unique<DataBuffer>();
    fillRecording(*compared, 1000, 0.1f, 0.1);
    CompareOverlay& cmp = h.window->analysis().comparison();
    cmp.show(std::move(compared), QStringLiteral("short.log"), QStringLiteral("this.log"));
    cmp.setTraces(*findTraceOption(QStringLiteral("optTrace1RPM")),
                  *findTraceOption(QStringLiteral("optTrace2VSS")));
    cmp.setAlignment({});
    QCOMPARE(cmp.points(1).size(), 1000);
    QCOMPARE(cmp.points(2).size(), 1000);
    QCOMPARE(cmp.points(1).last().x(),
             static_cast<double>(cmp.data()->at(Column::ElapsedTime, 1000)));
    QVERIFY(cmp.valueAt(1, 99.0).has_value());
    QVERIFY(!cmp.valueAt(1, 180.0).has_value());  // a padding row's time
    DIALOGS_OK(h);
}

void TestChartRecordedRows::scrollThumbShowsTheShare() {
    Harness h;
    h.open();
    auto* bar = h.child<QScrollBar>("scrChart2D1");
    // The whole log in view: the thumb fills the track and cannot move.
    h.triggerMenu("cmdWholeLog");
    QCOMPARE(bar->minimum(), bar->maximum());
    QCOMPARE(thumbShare(*bar), 1.0);
    // A quarter of it: a quarter of the track, moving the window over the whole log.
    auto& nav = h.window->analysis().navigation();
    nav.show({100, 167.5});
    QVERIFY2(std::fabs(thumbShare(*bar) - 0.25) < 0.01,
             qPrintable(QString::number(thumbShare(*bar))));
    bar->setValue(bar->minimum());
    QCOMPARE(shown(h).low, 0.0);
    bar->setValue(bar->maximum());
    QCOMPARE(shown(h).high, 270.0);
    // Back on a time scale, the bar runs over the log again.
    h.click("optTimeScale2");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 270);
    QCOMPARE(bar->pageStep(), 120);
    // Back to the whole log, zoomed: the thumb fills the track again; then to five minutes.
    h.triggerMenu("cmdBack");
    QCOMPARE(thumbShare(*bar), 1.0);
    h.triggerMenu("cmdBack");
    QCOMPARE(bar->maximum(), 270);
    QCOMPARE(bar->pageStep(), 300);
    DIALOGS_OK(h);
}

QTEST_MAIN(TestChartRecordedRows)
#include "test_chart_recorded_rows.moc"
