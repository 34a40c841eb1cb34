#pragma once

#include <QColor>
#include <QFont>
#include <QGraphicsItem>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <vector>

#include "chart/chart_template.h"

namespace tarvik {

/// The font at the pixel size it has on the screen. The chart's own items measure and draw
/// their text with it, so the text keeps its size relative to the chart on a device of another
/// resolution (a printer) instead of growing with the device's dots per inch.
QFont pixelFont(const QFont& font);

/// A free text label: the text in a box with a border, drawn over the chart.
class ChartLabelItem : public QGraphicsItem {
public:
    explicit ChartLabelItem(QGraphicsItem* parent) : QGraphicsItem(parent) {}

    void setDesign(const ChartTemplate::Label& d);
    const ChartTemplate::Label& design() const { return design_; }
    void setText(const QString& text);
    const QString& text() const { return design_.text; }

    QRectF boxRect() const;
    /// The offset from the anchor point to the box's top left corner.
    QPointF anchorShift() const;
    /// Puts the label's anchor at `position` (plus the design's offset) from the plot's top
    /// left corner.
    void placeOnPlot(const QRectF& plot, QPointF position, bool shown);

    QRectF boundingRect() const override { return boxRect().adjusted(-1, -1, 1, 1); }
    void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) override;

private:
    static constexpr qreal kPadX = 5;
    static constexpr qreal kPadY = 2;
    ChartTemplate::Label design_;
};

/// The legend under the plot: a short line in each trace's colour, then its name. Drawn by
/// the chart itself so that it stays put under the fixed plot area.
class ChartLegendItem : public QGraphicsItem {
public:
    struct Entry {
        QColor color;
        qreal width = 2;
        QString text;
    };

    explicit ChartLegendItem(QGraphicsItem* parent) : QGraphicsItem(parent) {}

    void set(std::vector<Entry> entries, const QFont& font, const QColor& textColor);
    /// Centres the legend under the plot, just above the bottom of a chart that tall.
    void placeUnder(const QRectF& plot, qreal chartHeight);

    QRectF boundingRect() const override;
    void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) override;

private:
    static constexpr qreal kSample = 26;
    static constexpr qreal kGap = 6;
    static constexpr qreal kSpacing = 28;
    std::vector<Entry> entries_;
    QFont font_;
    QColor textColor_;
};

}  // namespace tarvik
