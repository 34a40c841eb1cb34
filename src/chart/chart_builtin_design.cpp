#include <QColor>
#include <QFont>

#include "chart/chart_control.h"

namespace tarvik {

// The design the chart has before (or without) a template file; the template shipped with the
// program says the same.
ChartTemplate ChartControl::builtInDesign() {
    ChartTemplate t;
    const QFont small(QStringLiteral("Arial"), 9);
    QFont bold(QStringLiteral("Arial"), 10);
    bold.setBold(true);
    t.background = Qt::white;
    t.plotBackground = QColor(0xfc, 0xfc, 0xfa);
    t.gridColor = QColor(0xc9, 0xce, 0xd6);
    t.minorGridColor = QColor(0xec, 0xee, 0xf2);
    t.margins = QMarginsF(86, 22, 86, 74);
    t.legendFont = QFont(QStringLiteral("Arial"), 10);
    t.headerFont = bold;
    t.headerColor = QColor(0x20, 0x20, 0x20);
    const QColor red(0xc0, 0x39, 0x2b);
    const QColor blue(0x1f, 0x5f, 0xb4);
    const QColor grey(0x30, 0x30, 0x30);
    t.axes[0] = {
        QStringLiteral("Elapsed Time (sec)"), bold, grey, small, grey, QColor(0x5a, 0x5f, 0x66)};
    t.axes[1] = {QStringLiteral("RPM"), bold, red, small, red.darker(150), red};
    t.axes[2] = {QStringLiteral("VSS (MPH)"), bold, blue, small, blue.darker(150), blue};
    t.groups[0] = {red, 2};
    t.groups[1] = {blue, 2};
    QFont labelFont = small;
    labelFont.setBold(true);
    t.labels[0] = {QStringLiteral("OFF"),
                   {0, 0},
                   {0, 35},
                   ChartTemplate::Anchor::West,
                   labelFont,
                   blue,
                   Qt::white,
                   blue};
    t.labels[1] = {QStringLiteral(" ON "),
                   {0, 0},
                   {0, 0},
                   ChartTemplate::Anchor::West,
                   labelFont,
                   blue,
                   Qt::white,
                   blue};
    t.labels[2] = {QStringLiteral("Y2 AXIS LABEL"),  {0, 10}, {0, 0},
                   ChartTemplate::Anchor::NorthEast, bold,    blue,
                   QColor(0xf0, 0xf5, 0xfc, 0xe6),   blue};
    t.markerColor = QColor(0x1e, 0x84, 0x49);
    t.markerWidth = 2;
    t.markerStyle = Qt::SolidLine;
    return t;
}

}  // namespace tarvik
