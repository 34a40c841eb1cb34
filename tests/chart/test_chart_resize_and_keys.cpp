// The chart window after it is resized (the axes, their tick labels and grid follow the traces
// into the new plot area, and the on/off labels follow the plot) and its keys (Esc does not
// close it; only "Exit" and the close box do).
#include <QApplication>
#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <QtTest>
#include <cmath>

#include "chart/chart_control.h"
#include "chart/frm_chart1.h"
#include "chart_harness.h"

using namespace tarvik;
using test::Harness;

namespace {

// A tick label of an axis as drawn: its value and where its centre is, in chart pixels.
struct TickLabel {
    double value = 0;
    QPointF centre;
};

// The numeric labels the chart shows on one side of the plot area: left of it for the "Y" axis,
// right of it for "Y2", below it for the time axis. The lowest labels of the two value axes sit
// beside the plot's bottom corner, and with some fonts their centres fall a pixel below it: the
// time axis's labels are told from them by lying within the plot's width.
QList<TickLabel> tickLabels(ChartControl& c, Qt::Edge side) {
    const QRectF plot = c.plotAreaRect();
    QList<TickLabel> found;
    for (QGraphicsItem* item : c.scene()->items()) {
        auto* text = dynamic_cast<QGraphicsTextItem*>(item);
        if (text == nullptr || !text->isVisible()) {
            continue;
        }
        bool ok = false;
        const double value = text->document()->toPlainText().toDouble(&ok);
        if (!ok) {
            continue;
        }
        const QPointF centre = c.mapFromScene(text->mapToScene(text->boundingRect().center()));
        const bool onSide = (side == Qt::LeftEdge && centre.x() < plot.left()) ||
                            (side == Qt::RightEdge && centre.x() > plot.right()) ||
                            (side == Qt::BottomEdge && centre.y() > plot.bottom() &&
                             centre.x() >= plot.left() - 2 && centre.x() <= plot.right() + 2);
        if (onSide) {
            found.append({value, centre});
        }
    }
    return found;
}

// How far (in pixels) the worst tick label of the axis is from where its value is drawn.
double worstTickOffset(ChartControl& c, Qt::Edge side) {
    const QList<TickLabel> labels = tickLabels(c, side);
    if (labels.size() < 3) {
        return 1e9;  // an axis without its labels is as wrong as it gets
    }
    const int group = side == Qt::RightEdge ? 2 : 1;
    double worst = 0;
    for (const TickLabel& l : labels) {
        if (side == Qt::BottomEdge) {
            worst = std::max(worst, std::fabs(c.dataToPixel(1, l.value, 0).x() - l.centre.x()));
        } else {
            worst = std::max(worst, std::fabs(c.dataToPixel(group, 0, l.value).y() - l.centre.y()));
        }
    }
    return worst;
}

// Horizontal grid lines inside the plot, as drawn: their heights in chart pixels.
QList<double> gridHeights(ChartControl& c) {
    const QRectF plot = c.plotAreaRect();
    QList<double> ys;
    for (QGraphicsItem* item : c.scene()->items()) {
        auto* line = dynamic_cast<QGraphicsLineItem*>(item);
        if (line == nullptr || !line->isVisible()) {
            continue;
        }
        const QLineF l(c.mapFromScene(line->mapToScene(line->line().p1())),
                       c.mapFromScene(line->mapToScene(line->line().p2())));
        if (std::fabs(l.dy()) < 0.5 && std::fabs(l.dx()) > plot.width() * 0.9) {
            ys.append(l.y1());
        }
    }
    return ys;
}

}  // namespace

class TestChartResizeAndKeys : public QObject {
    Q_OBJECT

private slots:
    void axesFollowResize_data();
    void axesFollowResize();
    void onOffLabelsFollowResize();
    void escapeDoesNotClose_data();
    void escapeDoesNotClose();
    void closeBoxStillCloses();
};

void TestChartResizeAndKeys::axesFollowResize_data() {
    QTest::addColumn<QSize>("newSize");
    QTest::newRow("taller and wider") << QSize(1300, 900);
    QTest::newRow("smaller") << QSize(820, 560);
}

void TestChartResizeAndKeys::axesFollowResize() {
    QFETCH(QSize, newSize);
    Harness h;
    FrmChart1& w = h.open();
    ChartControl& c = h.chart();
    QApplication::processEvents();
    const QSizeF before = c.plotAreaRect().size();
    // As opened, every tick label stands level with its value.
    QVERIFY2(worstTickOffset(c, Qt::LeftEdge) < 2, "left axis wrong before the resize");

    w.resize(newSize);
    QApplication::processEvents();
    QVERIFY(c.plotAreaRect().size() != before);
    QVERIFY2(
        worstTickOffset(c, Qt::LeftEdge) < 2,
        qPrintable(
            QStringLiteral("left axis labels off by %1 px").arg(worstTickOffset(c, Qt::LeftEdge))));
    QVERIFY2(worstTickOffset(c, Qt::RightEdge) < 2,
             qPrintable(QStringLiteral("right axis labels off by %1 px")
                            .arg(worstTickOffset(c, Qt::RightEdge))));
    QVERIFY2(worstTickOffset(c, Qt::BottomEdge) < 2,
             qPrintable(QStringLiteral("time axis labels off by %1 px")
                            .arg(worstTickOffset(c, Qt::BottomEdge))));
    // The grid spans the new plot: its lines lie within it, the lowest at its bottom edge.
    const QList<double> grid = gridHeights(c);
    QVERIFY(grid.size() >= 5);
    const QRectF plot = c.plotAreaRect();
    for (double y : grid) {
        QVERIFY2(y >= plot.top() - 1 && y <= plot.bottom() + 1,
                 qPrintable(QStringLiteral("grid line at %1 outside %2..%3")
                                .arg(y)
                                .arg(plot.top())
                                .arg(plot.bottom())));
    }
    QVERIFY2(std::fabs(*std::max_element(grid.begin(), grid.end()) - plot.bottom()) < 2,
             "the grid does not reach the plot's bottom");
}

void TestChartResizeAndKeys::onOffLabelsFollowResize() {
    Harness h;
    FrmChart1& w = h.open();
    ChartControl& c = h.chart();
    h.click("optTrace2GPI");
    w.resize(1280, 880);
    QApplication::processEvents();
    // OFF level with 0 on the right axis, ON level with 1, both right of the plot.
    const QRectF plot = c.plotAreaRect();
    QVERIFY(std::fabs(c.labelRect(1).center().y() - c.dataToPixel(2, 0, 0).y()) <= 1);
    QVERIFY(std::fabs(c.labelRect(2).center().y() - c.dataToPixel(2, 0, 1).y()) <= 1);
    QVERIFY(c.labelRect(1).left() > plot.right());
}

void TestChartResizeAndKeys::escapeDoesNotClose_data() {
    QTest::addColumn<QString>("focus");
    QTest::newRow("window") << QString();
    QTest::newRow("trace option") << QStringLiteral("optTrace1RPM");
    QTest::newRow("Exit button") << QStringLiteral("cmdExit");
}

void TestChartResizeAndKeys::escapeDoesNotClose() {
    QFETCH(QString, focus);
    Harness h;
    FrmChart1& w = h.open();
    QWidget* target = &w;
    if (!focus.isEmpty()) {
        target = w.findChild<QWidget*>(focus);
        QVERIFY(target != nullptr);
        target->setFocus();
    }
    w.setResult(-1);
    QTest::keyClick(target, Qt::Key_Escape);
    QApplication::processEvents();
    QVERIFY(w.isVisible());
    QCOMPARE(w.result(), -1);
    // The window still works: Exit ends it.
    h.child<QPushButton>("cmdExit")->click();
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
}

void TestChartResizeAndKeys::closeBoxStillCloses() {
    Harness h;
    FrmChart1& w = h.open();
    QVERIFY(w.close());
    QVERIFY(!w.isVisible());
}

QTEST_MAIN(TestChartResizeAndKeys)
#include "test_chart_resize_and_keys.moc"
