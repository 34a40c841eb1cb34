#pragma once

#include <QChartView>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>
#include <array>
#include <optional>
#include <span>
#include <vector>

#include "chart/chart_codes.h"
#include "chart/chart_template.h"
#include "chart/drawable_data.h"

class QLineSeries;
class QValueAxis;
class QGraphicsLineItem;
class QGraphicsRectItem;
class QGraphicsSimpleTextItem;
class QPaintDevice;
class QPainter;

namespace tarvik {

class AppError;

class ChartLabelItem;
class ChartLegendItem;

/// The chart the chart window draws through: two groups of one line series each (group 1 on
/// the left axis Y, group 2 on the right axis Y2, both on the time axis X: see ChartAxis),
/// three free text labels, a header and a time marker. Its design comes from the template file.
///
/// What it is given is kept as given (axisRange() reads back exactly what was set); what it
/// hands to Qt Charts is made drawable first: points with a NaN or infinite coordinate are left
/// out, and an axis range that is empty, reversed or not finite is widened to something that
/// can be drawn. Positions ("chart pixels") are pixels of the control; label positions are
/// relative to the plot area's top left corner. Mouse presses are reported in twips.
class ChartControl : public QChartView {
    Q_OBJECT

public:
    static constexpr int kGroups = 2;
    static constexpr int kLabels = 3;
    /// Drawn by drawToDevice, the top of the rectangle (in twips of the device) is left free of
    /// the plot and its labels: the printed page's heading lines go there. This much unless
    /// told otherwise.
    static constexpr double kHeadingBandTwips = 1000;

    explicit ChartControl(QWidget* parent = nullptr);
    ~ChartControl() override;

    /// Reads the template file and applies its design: titles, colours, fonts, line widths,
    /// the labels' texts and placing. False (and nothing changed) when the file is missing or
    /// not a valid template.
    /// *why (when given) says what was wrong with a file that is there but is no template.
    bool loadTemplate(const QString& path, QString* why = nullptr);
    /// Applies a template already read (used by loadTemplate, and at construction with the
    /// built-in design).
    void applyTemplate(const ChartTemplate& t);
    /// The design built in, the same as the template file shipped with the program.
    static ChartTemplate builtInDesign();

    void setBatched(int group, bool on);
    bool batched(int group) const;
    /// One series per group is what this chart offers; any other count is refused.
    void setSeriesCount(int group, int count);
    void setPointCount(int group, int series, int count);
    int pointCount(int group) const;
    void setXValues(int group, int series, std::span<const float> values);
    void setYValues(int group, int series, std::span<const float> values);
    /// The points handed to the chart for a group (after leaving out the undrawable ones).
    int drawnPointCount(int group) const;

    void setSeriesLabel(int group, const QString& text);
    QString seriesLabel(int group) const;
    /// The group's line colour in the current design.
    QColor groupColor(int group) const;

    using Range = ChartRange;
    void setAxisRange(ChartAxis axis, double low, double high);
    Range axisRange(ChartAxis axis) const;
    /// The range the chart actually draws (axisRange made drawable).
    Range drawnAxisRange(ChartAxis axis) const;
    void setAxisTitle(ChartAxis axis, const QString& title);
    QString axisTitle(ChartAxis axis) const;
    void setAxisShown(ChartAxis axis, bool shown);
    bool axisShown(ChartAxis axis) const;

    void setTimeMarker(double time);
    double timeMarker() const { return markerTime_; }
    /// True when the marker lies within the visible time window and is drawn.
    bool timeMarkerDrawn() const;

    QSize plotAreaSize() const;
    /// The plot area in chart pixels.
    QRectF plotAreaRect() const;

    void setLabelPosition(int label, int x, int y);
    void setLabelX(int label, int x);
    void setLabelShown(int label, bool shown);
    void setLabelText(int label, const QString& text);
    QPoint labelPosition(int label) const;
    bool labelShown(int label) const;
    QString labelText(int label) const;
    /// The label's box as drawn, in chart pixels.
    QRectF labelRect(int label) const;

    void setHeaderText(const QString& text);
    QString headerText() const;

    /// Time and value (on the group's axes) under a chart pixel.
    QPointF pixelToData(int group, int px, int py) const;

    struct NearestPointResult {
        int series = 0;
        int point = 0;        ///< 1-based; 0 when there is none
        double distance = 0;  ///< pixels, along the time axis
    };
    /// The sample of the group nearest in time to the pointer, among the samples with a finite
    /// time inside the visible window. No point (index 0) when the pointer is outside the plot
    /// area or no sample is visible.
    NearestPointResult nearestPoint(int group, int px, int py, NearestPointMode mode) const;
    /// Where a value is drawn, in chart pixels.
    QPointF dataToPixel(int group, double x, double y) const;

    /// Draws the chart into the rectangle (device pixels) of a painter already active on a
    /// printer, image or PDF. The whole chart laid out to the rectangle's shape at screen scale
    /// and then scaled into it (text stays legible) is the one way offered; any other content
    /// or fit is refused with "Invalid property value". `headingBandTwips` of the rectangle's
    /// top are kept free of the plot and the texts above it.
    void drawToDevice(QPainter& painter, DrawContent content, DrawFit fit, int top, int left,
                      int height, int width, double headingBandTwips = kHeadingBandTwips);
    /// The same on a device nobody is painting on yet.
    void drawToDevice(QPaintDevice* device, DrawContent content, DrawFit fit, int top, int left,
                      int height, int width);

    /// Twips per pixel of the screen the control is on (1440 / logical dots per inch).
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;

signals:
    /// A mouse button went down over the chart: button and shift state as codes (see
    /// mouseButtonCode and shiftStateCode), position in twips from the control's top left
    /// corner.
    void mouseDown(int button, int shift, double x, double y);
    /// The control finished painting itself.
    void painted();
    /// The plot area changed size: the control was resized, or drawToDevice laid the chart out
    /// at another device's shape (and again when it restores the chart as shown).
    void plotAreaResized();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Group {
        QLineSeries* series = nullptr;
        std::vector<float> x;
        std::vector<float> y;
        bool batched = false;
        bool dirty = false;
        int drawn = 0;
        QString label;
    };
    struct AxisState {
        QValueAxis* axis = nullptr;
        Range asked;
        Range drawn;
        QString title;
        bool shown = true;
    };
    struct LabelState {
        ChartLabelItem* item = nullptr;
        QPointF position;
        bool shown = false;
    };

    /// The error for a value the chart refuses, raised as the chart control's.
    static AppError invalidValue(
        const QString& description = QStringLiteral("Invalid property value"));
    void addAxesAndSeries();
    Group& group(int g);
    const Group& group(int g) const;
    AxisState& axisState(ChartAxis axis);
    const AxisState& axisState(ChartAxis axis) const;
    LabelState& label(int n);
    const LabelState& label(int n) const;
    void setValues(int g, int series, std::span<const float> values,
                   std::vector<float> Group::*member);
    void pushPoints(Group& g);
    void applyRange(AxisState& a, bool timeAxis);
    void placeMarker();
    /// The plot area for a chart of this size; `headingBand` keeps that much free at the top.
    void layoutPlotArea(QSizeF chartSize, qreal headingBand = 0);
    void placeOverlays();

    QChart* chart_ = nullptr;
    ChartTemplate design_;
    std::array<Group, kGroups> groups_;
    std::array<AxisState, 3> axes_;  // X, Y, Y2
    std::array<LabelState, kLabels> labels_;
    QGraphicsLineItem* marker_ = nullptr;
    QGraphicsRectItem* plotBackground_ = nullptr;
    ChartLegendItem* legend_ = nullptr;
    QGraphicsSimpleTextItem* header_ = nullptr;
    double markerTime_ = 0;
    bool markerSet_ = false;
    QRectF plotArea_;
};

}  // namespace tarvik
