// The chart window's pass analysis, driven as a user drives it: zoom and pan with keys, wheel
// and drags, "Back", "Go to Launch", cursor B, a compared log, and the picture and CSV exports.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QXmlStreamReader>

#include "chart/chart_analysis.h"
#include "chart/chart_navigation.h"
#include "chart/compare_overlay.h"
#include "chart/cursor_readout.h"
#include "chart/launch_finder.h"
#include "chart/trace_options.h"
#include "chart/window_csv.h"
#include "chart_harness.h"
#include "common/number_format.h"
#include "logdata/log_data_host.h"
#include "logdata/log_file_writer.h"
#include "logdata/open_log_command.h"

using namespace tarvik;
using namespace tarvik::test;

namespace {

#define DIALOGS_OK(h) QVERIFY2((h).dialogs.ok(), qPrintable((h).dialogs.report()))

ViewWindow shownWindow(Harness& h) {
    const ChartControl::Range r = h.chart().axisRange(ChartAxis::X);
    return {r.low, r.high};
}

bool near(ViewWindow a, ViewWindow b) {
    return std::fabs(a.low - b.low) < 1e-6 && std::fabs(a.high - b.high) < 1e-6;
}

QString describe(ViewWindow w) {
    return QStringLiteral("%1 .. %2").arg(w.low, 0, 'f', 4).arg(w.high, 0, 'f', 4);
}

#define COMPARE_WINDOW(actual, expected) \
    QVERIFY2(near((actual), (expected)), \
             qPrintable(describe(actual) + " expected " + describe(expected)))

bool anyScaleChecked(Harness& h) {
    for (const char* n : {"optTimeScale1", "optTimeScale2", "optTimeScale3"}) {
        if (h.child<QRadioButton>(n)->isChecked()) {
            return true;
        }
    }
    return false;
}

void activate(Harness& h) {
    h.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
}

void sendMouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button,
               Qt::KeyboardModifiers mods) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, mods);
    QApplication::sendEvent(w, &e);
}

void sendWheel(QWidget* w, QPointF at, int delta, Qt::KeyboardModifiers mods) {
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

double pixelOf(Harness& h, double time) {
    return h.chart().dataToPixel(1, time, 0).x();
}

// Writes a data set as a log file.
void writeLog(const QString& path, const DataBuffer& d) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    LogFileWriter(f).writeAll(d, QStringLiteral("Orvenna"));
}

double firstLaunch(const DataBuffer& d) {
    return d.at(Column::ElapsedTime, findLaunches(d).rows.front());
}

}  // namespace

class TestChartAnalysis : public QObject {
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("QPainter|QSvg"))); }
    void zoomKeysAndBack();
    void arrowKeysPanAndZoom();
    void wheelZoomsAboutThePointer();
    void ctrlDragBoxAndCtrlClick();
    void middleDragAndShiftWheelPan();
    void timeScaleAndScrollBarAfterZoom();
    void zoomHeldAtTheEnds();
    void goToLaunch();
    void goToLaunchWithoutLaunch();
    void cursorB();
    void compareAndRemove();
    void compareAnotherIntervalAndOnOff();
    void compareBadFiles_data();
    void compareBadFiles();
    void compareMissingFile();
    void savePicture_data();
    void savePicture();
    void exportWindowReadByPython();
    void drawnElsewhereWithComparisonAndCursors();
    void exportCannotWrite();
};

void TestChartAnalysis::zoomKeysAndBack() {
    Harness h;
    h.open();
    activate(h);
    const ViewWindow opened = shownWindow(h);
    COMPARE_WINDOW(opened, (ViewWindow{120, 270}));
    QVERIFY(!h.window->findChild<QAction*>(QStringLiteral("cmdBack"))->isEnabled());

    h.clickRow(2000);
    QVERIFY(h.text("lblMarkerTrace1") != QString());
    QTest::keyClick(h.window.get(), Qt::Key_Plus);
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{157.5, 232.5}));
    QVERIFY(!anyScaleChecked(h));
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("Sec "));  // the read-out is cleared
    QCOMPARE(h.text("lblMarkerTrace1"), QString());
    QCOMPARE(h.child<QScrollBar>("scrChart2D1")->value(), 195);

    QTest::keyClick(h.window.get(), Qt::Key_Minus);
    QTest::keyClick(h.window.get(), Qt::Key_Minus);
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{0, 270}));  // held inside the log

    h.triggerMenu("cmdWholeLog");
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{0, 270}));

    // Back retraces every step, then returns to the five-minute scale it started from.
    h.triggerMenu("cmdBack");
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{0, 270}));
    h.triggerMenu("cmdBack");
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{120, 270}));
    QVERIFY(!anyScaleChecked(h));
    h.triggerMenu("cmdBack");
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{157.5, 232.5}));
    h.triggerMenu("cmdBack");
    COMPARE_WINDOW(shownWindow(h), opened);
    QVERIFY(h.child<QRadioButton>("optTimeScale3")->isChecked());
    QCOMPARE(h.window->windowWidth(), 300.0f);
    QVERIFY(!h.window->findChild<QAction*>(QStringLiteral("cmdBack"))->isEnabled());
    DIALOGS_OK(h);
}

void TestChartAnalysis::arrowKeysPanAndZoom() {
    Harness h;
    h.open();
    activate(h);
    h.chart().setFocus();
    QTest::keyClick(&h.chart(), Qt::Key_Up);
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{157.5, 232.5}));
    QTest::keyClick(&h.chart(), Qt::Key_Left);
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{150, 225}));
    QTest::keyClick(&h.chart(), Qt::Key_Right);
    QTest::keyClick(&h.chart(), Qt::Key_Right);
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{165, 240}));
    QTest::keyClick(&h.chart(), Qt::Key_Down);
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{120, 270}));
    QVERIFY(h.window->analysis().navigation().zoomed());
    h.triggerMenu("cmdBack");
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{165, 240}));
    DIALOGS_OK(h);
}

void TestChartAnalysis::wheelZoomsAboutThePointer() {
    Harness h;
    h.open();
    const QPointF at(pixelOf(h, 150), h.chart().plotAreaRect().center().y());
    const double before = h.chart().pixelToData(1, qRound(at.x()), qRound(at.y())).x();
    sendWheel(h.chart().viewport(), at, 120, Qt::NoModifier);
    sendWheel(h.chart().viewport(), at, 120, Qt::NoModifier);
    const ViewWindow w = shownWindow(h);
    QVERIFY2(std::fabs(w.width() - 150 * 0.64) < 1e-6, qPrintable(describe(w)));
    // The time under the pointer stays under it.
    const double after = h.chart().pixelToData(1, qRound(at.x()), qRound(at.y())).x();
    QVERIFY2(std::fabs(after - before) < w.width() / 200, qPrintable(describe(w)));
    // One wheel turn is one step back.
    h.triggerMenu("cmdBack");
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{120, 270}));
    DIALOGS_OK(h);
}

void TestChartAnalysis::ctrlDragBoxAndCtrlClick() {
    Harness h;
    h.open();
    QWidget* vp = h.chart().viewport();
    const double y = h.chart().plotAreaRect().center().y();
    const QPointF from(pixelOf(h, 180), y);
    const QPointF to(pixelOf(h, 200), y);
    const double t0 = h.chart().pixelToData(1, qRound(from.x()), qRound(y)).x();
    const double t1 = h.chart().pixelToData(1, qRound(to.x()), qRound(y)).x();
    sendMouse(vp, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::ControlModifier);
    sendMouse(vp, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton, Qt::ControlModifier);
    sendMouse(vp, QEvent::MouseMove, to, Qt::LeftButton, Qt::ControlModifier);
    QCOMPARE(h.text("lblMarkerTrace1"), QString());  // a box, not a click
    sendMouse(vp, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::ControlModifier);
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{t0, t1}));

    // A Ctrl+click that moves less than the threshold places the marker, as a click does.
    const QPointF at(pixelOf(h, 190), y);
    sendMouse(vp, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::ControlModifier);
    sendMouse(vp, QEvent::MouseMove, at + QPointF(2, 0), Qt::LeftButton, Qt::ControlModifier);
    sendMouse(vp, QEvent::MouseButtonRelease, at + QPointF(2, 0), Qt::LeftButton,
              Qt::ControlModifier);
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{t0, t1}));
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("190.00 Sec "));
    QCOMPARE(h.window->markerTime(), h.data.at(Column::ElapsedTime, 1900));

    // Shift+click is a plain click too.
    const QPointF other(pixelOf(h, 195), y);
    sendMouse(vp, QEvent::MouseButtonPress, other, Qt::LeftButton, Qt::ShiftModifier);
    sendMouse(vp, QEvent::MouseButtonRelease, other, Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("195.00 Sec "));
    DIALOGS_OK(h);
}

void TestChartAnalysis::middleDragAndShiftWheelPan() {
    Harness h;
    h.open();
    h.triggerMenu("cmdZoomIn");  // 157.5 .. 232.5
    QWidget* vp = h.chart().viewport();
    const double y = h.chart().plotAreaRect().center().y();
    const QPointF from(pixelOf(h, 200), y);
    const QPointF to(pixelOf(h, 190), y);  // dragged 10 s to the left: later times come in
    sendMouse(vp, QEvent::MouseButtonPress, from, Qt::MiddleButton, Qt::NoModifier);
    sendMouse(vp, QEvent::MouseMove, to, Qt::MiddleButton, Qt::NoModifier);
    sendMouse(vp, QEvent::MouseButtonRelease, to, Qt::MiddleButton, Qt::NoModifier);
    const ViewWindow dragged = shownWindow(h);
    QVERIFY2(std::fabs(dragged.low - 167.5) < 0.2 && std::fabs(dragged.width() - 75) < 1e-6,
             qPrintable(describe(dragged)));
    QCOMPARE(h.window->markerTime(), h.window->totalSpan());  // no marker from the middle button

    sendWheel(vp, from, -120, Qt::ShiftModifier);  // down: later
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{dragged.low + 7.5, dragged.high + 7.5}));
    h.triggerMenu("cmdBack");
    COMPARE_WINDOW(shownWindow(h), dragged);
    h.triggerMenu("cmdBack");
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{157.5, 232.5}));
    DIALOGS_OK(h);
}

void TestChartAnalysis::timeScaleAndScrollBarAfterZoom() {
    Harness h;
    h.open();
    h.clickRow(2000);  // the marker at 200 s
    h.triggerMenu("cmdZoomIn");
    h.triggerMenu("cmdZoomIn");  // 176.25 .. 213.75
    auto* scroll = h.child<QScrollBar>("scrChart2D1");
    QCOMPARE(scroll->value(), 195);
    // The scroll bar moves the zoomed window, keeping its width.
    scroll->setValue(100);
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{81.25, 118.75}));
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("Sec "));
    // A time scale returns to its own window about the marker.
    h.click("optTimeScale2");
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{170, 230}));
    QVERIFY(h.child<QRadioButton>("optTimeScale2")->isChecked());
    scroll->setValue(60);
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{30, 90}));
    DIALOGS_OK(h);
}

void TestChartAnalysis::zoomHeldAtTheEnds() {
    Harness h;
    h.open();
    auto& nav = h.window->analysis().navigation();
    // At the first and the last sample, zoomed in as far as it goes: five samples wide.
    nav.show({0, 0.1});
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{0, 0.5}));
    nav.zoomAt(0.1, 1e-6);
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{0, 0.5}));
    nav.show({270, 270});
    const ViewWindow end = shownWindow(h);
    QVERIFY2(std::fabs(end.high - 270) < 1e-9 && std::fabs(end.width() - 0.5) < 1e-6,
             qPrintable(describe(end)));
    nav.pan(50);
    QCOMPARE(shownWindow(h).high, 270.0);
    DIALOGS_OK(h);
}

void TestChartAnalysis::goToLaunch() {
    Harness h;
    h.open();
    const Launches l = findLaunches(h.data);
    QCOMPARE(l.rows.size(), std::size_t{2});
    const double first = h.data.at(Column::ElapsedTime, l.rows[0]);
    const double second = h.data.at(Column::ElapsedTime, l.rows[1]);
    h.triggerMenu("cmdGoToLaunch");
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{first - 2, first + 12}));
    QVERIFY(h.window->analysis().note().startsWith(QStringLiteral("Launch 1 of 2")));
    QVERIFY(!anyScaleChecked(h));
    h.triggerMenu("cmdGoToLaunch");
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{second - 2, second + 12}));
    h.triggerMenu("cmdGoToLaunch");
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{first - 2, first + 12}));
    h.triggerMenu("cmdBack");
    COMPARE_WINDOW(shownWindow(h), (ViewWindow{second - 2, second + 12}));
    DIALOGS_OK(h);
}

void TestChartAnalysis::goToLaunchWithoutLaunch() {
    Harness h;
    for (int row = 1; row <= kDataRows; ++row) {
        h.data.at(Column::OutputData, row) = 8;
        h.data.at(Column::TPSPercent, row) = std::min(h.data.at(Column::TPSPercent, row), 80.0f);
    }
    h.open();
    const ViewWindow before = shownWindow(h);
    h.triggerMenu("cmdGoToLaunch");
    COMPARE_WINDOW(shownWindow(h), before);
    QVERIFY(h.window->analysis().note().startsWith(QStringLiteral("No launch in this log")));
    QVERIFY(h.child<QRadioButton>("optTimeScale3")->isChecked());
    DIALOGS_OK(h);  // said in the window, not in a box
}

void TestChartAnalysis::cursorB() {
    Harness h;
    h.open();
    auto& analysis = h.window->analysis();
    h.clickRow(1800, Qt::RightButton);
    // Cursor B leaves the marker and its read-out alone.
    QCOMPARE(h.window->markerTime(), h.window->totalSpan());
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("Sec "));
    QVERIFY(analysis.cursorB().drawn());
    QCOMPARE(*analysis.cursorB().time(), static_cast<double>(h.data.at(Column::ElapsedTime, 1800)));
    const QString rpmB = QString::number(h.window->trace1Data()[1799]);
    QCOMPARE(h.text("lblCursorB"),
             QStringLiteral("B  180.00 Sec   RPM %1   VSS (MPH) %2")
                 .arg(rpmB, formatPattern(h.window->trace2Data()[1799], QStringLiteral("##0"))));

    h.clickRow(1830);  // A at 183.0 s
    const double dRpm = h.window->trace1Data()[1799] - h.window->trace1Data()[1829];
    QVERIFY(h.text("lblCursorB")
                .contains(QStringLiteral("B - A:  -3.00 Sec   RPM ") +
                          signedText(dRpm, QStringLiteral("###0"))));
    // A reads as B does: the time to the hundredth, each value after its trace's name.
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("183.00 Sec "));
    QCOMPARE(h.text("lblMarkerTrace1"), QStringLiteral("RPM %1").arg(h.window->trace1Data()[1829]));
    QVERIFY(h.text("lblMarkerTrace2").startsWith(QStringLiteral("VSS (MPH) ")));

    // Reset Time Display zeroes A; B's time then reads from it.
    h.child<QPushButton>("cmdReset")->click();
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("0.00 Sec "));
    QVERIFY(h.text("lblCursorB").startsWith(QStringLiteral("B  -3.00 Sec")));

    // A change of window clears the read-outs; the cursor stays where it is.
    h.triggerMenu("cmdZoomIn");
    QCOMPARE(h.text("lblCursorB"), QString());
    QVERIFY(analysis.cursorB().drawn());
    h.triggerMenu("cmdGoToLaunch");  // 58.7 .. 72.7: B at 180 s is out of sight
    QVERIFY(!analysis.cursorB().drawn());
    DIALOGS_OK(h);
}

void TestChartAnalysis::compareAndRemove() {
    QTemporaryDir dir;
    Harness h;
    h.data.comment = QStringLiteral("pass 1");
    DataBuffer other;
    fillDragPass(other);
    // The compared log's passes run 1 s later and 5 % faster.
    for (int row = 1; row <= kDataRows; ++row) {
        other.at(Column::ElapsedTime, row) += 1;
        other.at(Column::RPM, row) *= 1.05f;
    }
    const QString path = dir.filePath(QStringLiteral("pass2.log"));
    writeLog(path, other);
    const DataBuffer before = h.data;
    h.open();
    const QString caption = h.window->windowTitle();
    h.dialogs.expectOpenFile(ChartAnalysis::kCompareTitle, kLogFileFilter, path);
    h.triggerMenu("cmdCompareWith");
    CompareOverlay& cmp = h.window->analysis().comparison();
    QVERIFY(cmp.shown());
    QCOMPARE(cmp.name(), QStringLiteral("pass2.log"));
    QCOMPARE(cmp.points(1).size(), kDataRows);
    QCOMPARE(cmp.points(2).size(), kDataRows);
    // Lighter than the trace, and dashed: drawn as pieces with gaps between them.
    QVERIFY(cmp.pen(1).color().lightness() > h.chart().groupColor(1).lightness());
    QCOMPARE(cmp.pen(1).color().hue(), h.chart().groupColor(1).hue());
    const std::vector<QLineF> dashes = cmp.dashes(1);
    QVERIFY(dashes.size() > 20);
    int gaps = 0;
    for (std::size_t i = 1; i < dashes.size(); ++i) {
        gaps += dashes[i].p1() != dashes[i - 1].p2() ? 1 : 0;
    }
    QVERIFY2(gaps > 20, qPrintable(QString::number(gaps)));
    // Drawn only inside the plot.
    const QRectF plot = h.chart().plotAreaRect().adjusted(-8, -8, 8, 8);
    QVERIFY(std::all_of(dashes.begin(), dashes.end(), [&](const QLineF& l) {
        return plot.contains(l.p1()) || plot.contains(l.p2());
    }));
    // Both launches fall together.
    const double shift = firstLaunch(h.data) - firstLaunch(other);
    QVERIFY(std::fabs(cmp.alignment().shift - shift) < 1e-4);
    QVERIFY(std::fabs(shift + 1) < 1e-4);
    QVERIFY(cmp.alignment().atLaunch);
    QCOMPARE(cmp.points(1).at(0).x(), other.at(Column::ElapsedTime, 1) + shift);
    // The program's own data set, caption and comment are untouched.
    QVERIFY(std::memcmp(&before.column(Column::ElapsedTime), &h.data.column(Column::ElapsedTime),
                        sizeof(float) * kDataRows) == 0);
    QVERIFY(std::memcmp(&before.column(Column::RPM), &h.data.column(Column::RPM),
                        sizeof(float) * kDataRows) == 0);
    QCOMPARE(h.data.comment, QStringLiteral("pass 1"));
    QCOMPARE(h.data.firmwareId, before.firmwareId);
    QCOMPARE(h.window->windowTitle(), caption);

    // The read-outs show the compared pass at the same aligned time.
    h.clickRow(1850);
    const float rpm = other.at(Column::RPM, 1850);
    QCOMPARE(h.text("lblCompareA"),
             QStringLiteral("A  compared %1 / %2")
                 .arg(formatPattern(rpm, QStringLiteral("###0")),
                      formatPattern(other.at(Column::VSS, 1850) * kMphPerKmhSingle,
                                    QStringLiteral("##0"))));
    // "]" moves it one of its samples later.
    activate(h);
    QTest::keyClick(h.window.get(), Qt::Key_BracketRight);
    QVERIFY(std::fabs(cmp.alignment().shift - (shift + 0.1)) < 1e-4);
    QCOMPARE(cmp.alignment().nudge, 1);
    QTest::keyClick(h.window.get(), Qt::Key_BracketLeft);
    QTest::keyClick(h.window.get(), Qt::Key_BracketLeft);
    QCOMPARE(cmp.alignment().nudge, -1);
    // A trace choice redraws the compared trace too.
    h.click("optTrace1TPS");
    QCOMPARE(cmp.points(1).at(600).y(), other.at(Column::TPSPercent, 601));

    h.triggerMenu("cmdRemoveComparison");
    QVERIFY(!cmp.shown());
    QVERIFY(cmp.points(1).isEmpty());
    QVERIFY(cmp.dashes(1).empty());
    QCOMPARE(h.text("lblCompareA"), QString());
    QVERIFY(!h.window->findChild<QAction*>(QStringLiteral("cmdRemoveComparison"))->isEnabled());
    DIALOGS_OK(h);
}

void TestChartAnalysis::compareAnotherIntervalAndOnOff() {
    QTemporaryDir dir;
    Harness h;
    DataBuffer other;
    fillDragPass(other, 0.05f);  // 135 s: only the first pass, times every 0.05 s
    const QString path = dir.filePath(QStringLiteral("fine.log"));
    writeLog(path, other);
    h.open();
    h.click("optTrace2Stage1Trig");
    h.triggerMenu("cmdGoToLaunch");
    h.triggerMenu("cmdGoToLaunch");  // this log's second pass
    h.dialogs.expectOpenFile(ChartAnalysis::kCompareTitle, kLogFileFilter, path);
    h.triggerMenu("cmdCompareWith");
    CompareOverlay& cmp = h.window->analysis().comparison();
    QVERIFY(cmp.shown());
    const double own = h.data.at(Column::ElapsedTime, findLaunches(h.data).rows[1]);
    QVERIFY(std::fabs(cmp.alignment().shift - (own - firstLaunch(other))) < 1e-4);
    // The on/off trace is compared as on/off: every point is 0 or 1.
    const QList<QPointF>& s = cmp.points(2);
    QCOMPARE(s.size(), kDataRows);
    QVERIFY(std::all_of(s.begin(), s.end(), [](QPointF p) { return p.y() == 0 || p.y() == 1; }));
    // Its launch falls on this one's: the compared stage comes on at the same time.
    const double shift = cmp.alignment().shift;
    const int theirRow = findLaunches(other).rows.front();
    QCOMPARE(s.at(theirRow - 1).y(), 1.0);
    QVERIFY(std::fabs(s.at(theirRow - 1).x() - own) < 1e-4);
    QVERIFY(std::fabs(other.at(Column::ElapsedTime, theirRow) + shift - own) < 1e-4);
    // "[" steps by the compared log's own interval.
    activate(h);
    QTest::keyClick(h.window.get(), Qt::Key_BracketLeft);
    QVERIFY(std::fabs(cmp.alignment().shift - (shift - 0.05)) < 1e-4);
    DIALOGS_OK(h);
}

void TestChartAnalysis::compareBadFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QByteArray() << OpenLogCommand::kNoData;
    QTest::newRow("header only") << QByteArray("\"Data Logging Interval\"\r\n0.1\r\n")
                                 << OpenLogCommand::kNoData;
    QByteArray shortFile("\"Data Logging Interval\"\r\n0.1\r\nheadings\r\n");
    for (int i = 1; i <= 100; ++i) {
        shortFile += QByteArray::number(i / 10.0) + ",900,0,0,2,0.5,13.9,0,8,1,0,0\r\n";
    }
    QTest::newRow("short") << shortFile << OpenLogCommand::kDataMissing;
}

void TestChartAnalysis::compareBadFiles() {
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.log"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    Harness h;
    h.open();
    h.dialogs.expectOpenFile(ChartAnalysis::kCompareTitle, kLogFileFilter, path);
    h.dialogs.expectMessage(ChartAnalysis::kCompareTitle, message, MsgIcon::Exclamation,
                            MsgButtons::Ok, MsgResult::Ok);
    h.triggerMenu("cmdCompareWith");
    QVERIFY(!h.window->analysis().comparison().shown());
    QVERIFY(h.window->analysis().comparison().points(1).isEmpty());
    QVERIFY(h.window->analysis().note().contains(QStringLiteral("bad.log")));
    QCOMPARE(h.data.firmwareId, QStringLiteral("QX-2 V2.31"));
    DIALOGS_OK(h);
}

void TestChartAnalysis::compareMissingFile() {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("gone.log"));
    Harness h;
    h.open();
    h.dialogs.expectOpenFile(ChartAnalysis::kCompareTitle, kLogFileFilter, missing);
    h.dialogs.expectMessage(QStringLiteral("File Open"), missing + "\r\nFile not found.",
                            MsgIcon::Exclamation, MsgButtons::RetryCancel, MsgResult::Cancel);
    h.dialogs.expectErrorBox(QStringLiteral("Canceled File Open"), MsgResult::Abort);
    h.triggerMenu("cmdCompareWith");
    QVERIFY(!h.window->analysis().comparison().shown());
    DIALOGS_OK(h);
}

void TestChartAnalysis::savePicture_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("png") << "chart.png";
    QTest::newRow("svg") << "chart.svg";
    QTest::newRow("no suffix is a png") << "chart";
}

void TestChartAnalysis::savePicture() {
    QFETCH(QString, name);
    QTemporaryDir dir;
    Harness h;
    DataBuffer other;
    fillDragPass(other);
    const QString log = dir.filePath(QStringLiteral("pass2.log"));
    writeLog(log, other);
    h.open();
    h.dialogs.expectOpenFile(ChartAnalysis::kCompareTitle, kLogFileFilter, log);
    h.triggerMenu("cmdCompareWith");
    h.triggerMenu("cmdGoToLaunch");
    h.clickRow(610);
    h.clickRow(640, Qt::RightButton);
    const QString path = dir.filePath(name);
    h.dialogs.expectSaveFile(QStringLiteral("Save Picture"),
                             QStringLiteral("PNG picture (*.png)|*.png|SVG drawing (*.svg)|*.svg"),
                             path);
    h.triggerMenu("cmdSavePicture");
    DIALOGS_OK(h);
    const QSize size = pictureSize(h.chart(), h.window->analysis().readOutLines());
    QVERIFY(size.height() > h.chart().height());
    if (name.endsWith(QLatin1String(".svg"))) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&f);
        QStringList texts;
        QString root;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && root.isEmpty()) {
                root = xml.name().toString();
                QCOMPARE(xml.attributes().value(QStringLiteral("viewBox")).toString(),
                         QStringLiteral("0 0 %1 %2").arg(size.width()).arg(size.height()));
            } else if (xml.tokenType() == QXmlStreamReader::Characters) {
                texts << xml.text().toString().trimmed();
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(root, QStringLiteral("svg"));
        // Text stays text: the read-outs and the legend can be found in it.
        QVERIFY(texts.join(u' ').contains(QStringLiteral("pass2.log")));
        QVERIFY(texts.join(u' ').contains(h.text("lblMarkerTime").trimmed()));
    } else {
        const QString written = name.contains(u'.') ? path : path + QStringLiteral(".png");
        QImage image(written);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), size * 2);
        QCOMPARE(image.size().width(), h.chart().width() * 2);
        // Drawn, not blank: the plot holds the traces' colours.
        QSet<QRgb> colours;
        for (int x = 0; x < image.width(); x += 3) {
            colours.insert(image.pixel(x, image.height() / 2));
        }
        QVERIFY(colours.size() > 3);
    }
    QVERIFY(h.window->analysis().note().startsWith(QStringLiteral("Picture saved as")));
}

void TestChartAnalysis::exportWindowReadByPython() {
    QTemporaryDir dir;
    Harness h;
    h.open();
    h.triggerMenu("cmdGoToLaunch");
    const ViewWindow w = shownWindow(h);
    const QString path = dir.filePath(QStringLiteral("pass.csv"));
    h.dialogs.expectSaveFile(QStringLiteral("Export Window"),
                             QStringLiteral("CSV files (*.csv)|*.csv"), path);
    h.triggerMenu("cmdExportWindow");
    DIALOGS_OK(h);
    const int rows = windowRowCount(h.data, w.low, w.high);
    QVERIFY(rows >= 139 && rows <= 141);  // 14 s of samples 0.1 s apart
    QProcess py;
    py.start(QStringLiteral("python3"),
             {QStringLiteral("-c"),
              QStringLiteral("import csv,sys\n"
                             "rows=list(csv.reader(open(sys.argv[1],newline='')))\n"
                             "print(len(rows)-1)\n"
                             "print('|'.join(rows[0]))\n"
                             "print(all(len(r)==12 for r in rows))\n"
                             "print(rows[1][0]); print(rows[1][1]); print(rows[-1][0])\n"),
              path});
    QVERIFY(py.waitForFinished(30000));
    QCOMPARE(py.exitCode(), 0);
    const QStringList out = QString::fromUtf8(py.readAllStandardOutput()).split(u'\n');
    QCOMPARE(out.value(0).toInt(), rows);
    QCOMPARE(out.value(1), QStringLiteral("Elapsed Time|RPM|VSS|TPS%|Input1 Volts|Input2 Volts|"
                                          "Bat Volts|Input Data|Output Data|Status|Stage1 "
                                          "PWM%|Stage2 PWM%"));
    QCOMPARE(out.value(2), QStringLiteral("True"));
    const int first = nearestRow(h.data.column(Column::ElapsedTime), w.low) +
                      (h.data.at(Column::ElapsedTime,
                                 nearestRow(h.data.column(Column::ElapsedTime), w.low)) < w.low);
    QCOMPARE(out.value(3), formatSingle(h.data.at(Column::ElapsedTime, first)));
    QCOMPARE(out.value(4), formatSingle(h.data.at(Column::RPM, first)));
    // The last time as written (seven digits) is the single-precision time inside the window.
    QVERIFY(out.value(5).toFloat() <= static_cast<float>(w.high));
    QVERIFY(out.value(5).toFloat() > static_cast<float>(w.high - 0.1));
    QVERIFY(h.window->analysis().note().startsWith(QString::number(rows) + " samples"));
}

void TestChartAnalysis::exportCannotWrite() {
    QTemporaryDir dir;
    Harness h;
    h.open();
    const QString path = dir.filePath(QStringLiteral("no/such/folder/pass.csv"));
    h.dialogs.expectSaveFile(QStringLiteral("Export Window"),
                             QStringLiteral("CSV files (*.csv)|*.csv"), path);
    QSaveFile probe(path);
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    h.dialogs.expectErrorBox(QStringLiteral("Cannot write %1: %2").arg(path, probe.errorString()),
                             MsgResult::Abort);
    h.triggerMenu("cmdExportWindow");
    QVERIFY(!QFile::exists(path));
    QCOMPARE(h.window->analysis().note(), QString());
    DIALOGS_OK(h);
}

// Counts the pixels within a small distance of a colour.
int pixelsNear(const QImage& image, const QColor& colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                             std::abs(c.blue() - colour.blue()) <
                         24
                     ? 1
                     : 0;
        }
    }
    return n;
}

void TestChartAnalysis::drawnElsewhereWithComparisonAndCursors() {
    // What printing draws: the chart laid out at the page's shape, comparison and cursors
    // included.
    QTemporaryDir dir;
    Harness h;
    DataBuffer other;
    fillDragPass(other);
    for (int row = 1; row <= kDataRows; ++row) {  // a slower pass, drawn apart from this one
        other.at(Column::RPM, row) *= 0.85f;
    }
    const QString log = dir.filePath(QStringLiteral("pass2.log"));
    writeLog(log, other);
    h.open();
    h.triggerMenu("cmdGoToLaunch");
    auto page = [&h] {
        QImage image(1100, 850, QImage::Format_RGB32);
        image.fill(Qt::white);
        h.chart().drawToDevice(&image, DrawContent::WholeChart, DrawFit::FitToRectangle, 0, 0, 850,
                               1100);
        return image;
    };
    const QColor cursorB(0x8e, 0x44, 0xad);
    const QImage before = page();
    h.dialogs.expectOpenFile(ChartAnalysis::kCompareTitle, kLogFileFilter, log);
    h.triggerMenu("cmdCompareWith");
    h.clickRow(640, Qt::RightButton);
    const QColor comparedShown = h.window->analysis().comparison().pen(1).color();
    const QImage after = page();
    QCOMPARE(pixelsNear(before, cursorB), 0);
    QVERIFY(pixelsNear(after, cursorB) > 50);
    const int comparedBefore = pixelsNear(before, comparedShown);
    const int comparedAfter = pixelsNear(after, comparedShown);
    QVERIFY2(comparedAfter > comparedBefore + 500,
             qPrintable(QStringLiteral("%1 then %2").arg(comparedBefore).arg(comparedAfter)));
    // The screen's layout is back afterwards: the cursor sits over its sample again.
    QVERIFY(std::fabs(h.window->analysis().cursorB().pixel() -
                      pixelOf(h, h.data.at(Column::ElapsedTime, 640))) < 1.5);
    DIALOGS_OK(h);
}

QTEST_MAIN(TestChartAnalysis)
#include "test_chart_analysis.moc"
