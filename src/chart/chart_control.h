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

#include "chart/chart_template.h"

class QLineSeries;
class QValueAxis;
class QGraphicsLineItem;
class QGraphicsRectItem;
class QGraphicsSimpleTextItem;
class QPaintDevice;
class QPainter;

namespace tarvik {

class ChartLabelItem;
class ChartLegendItem;

/// The chart the chart window draws through: two groups of one line series each (group 1 on
/// the left axis "Y", group 2 on the right axis "Y2", both on the time axis "X"), three free
/// text labels, a header and a time marker. Its design comes from the template file.
///
/// What it is given is kept as given (AxisRange() reads back exactly what was set); what it
/// hands to Qt Charts is made drawable first: points with a NaN or infinite coordinate are left
/// out, and an axis range that is empty, reversed or not finite is widened to something that
/// can be drawn. Positions ("chart pixels") are pixels of the control; label positions are
/// relative to the plot area's top left corner. Mouse presses are reported in twips.
class ChartControl : public QChartView {
    Q_OBJECT

public:
    static constexpr int kGroups = 2;
    static constexpr int kLabels = 3;
    /// Mode of NearestPoint: the sample nearest in time to the pointer.
    static constexpr int kNearestInTime = 1;
    /// DrawToDevice: draw the whole chart as it is shown (plot, axes, legend, labels, marker)...
    static constexpr int kDrawWholeChart = 3;
    /// ...laid out afresh to the rectangle's shape, then scaled into it (text stays legible).
    static constexpr int kDrawFitToRectangle = 5;
    /// Drawn this way, the top of the rectangle (in twips of the device) is left free of the
    /// plot and its labels: the printed page's heading lines go there.
    static constexpr double kHeadingBandTwips = 1000;

    explicit ChartControl(QWidget* parent = nullptr);
    ~ChartControl() override;

    /// Reads the template file and applies its design: titles, colours, fonts, line widths,
    /// the labels' texts and placing. False (and nothing changed) when the file is missing or
    /// not a valid template.
    /// *why (when given) says what was wrong with a file that is there but is no template.
    bool LoadTemplate(const QString& path, QString* why = nullptr);
    /// Applies a template already read (used by LoadTemplate, and at construction with the
    /// built-in design).
    void applyTemplate(const ChartTemplate& t);
    /// The design built in, the same as the template file shipped with the program.
    static ChartTemplate builtInDesign();

    void SetBatched(int group, bool on);
    bool Batched(int group) const;
    /// One series per group is what this chart offers; any other count is refused.
    void SetSeriesCount(int group, int count);
    void SetPointCount(int group, int series, int count);
    int PointCount(int group) const;
    void SetXValues(int group, int series, std::span<const float> values);
    void SetYValues(int group, int series, std::span<const float> values);
    /// The points handed to the chart for a group (after leaving out the undrawable ones).
    int DrawnPointCount(int group) const;

    void SetSeriesLabel(int group, const QString& text);
    QString SeriesLabel(int group) const;
    /// The group's line colour in the current design.
    QColor GroupColor(int group) const;

    struct Range {
        double low = 0;
        double high = 0;
    };
    /// Axis names are "X", "Y" and "Y2"; any other name is refused with "Invalid property
    /// value".
    void SetAxisRange(const QString& axis, double low, double high);
    Range AxisRange(const QString& axis) const;
    /// The range the chart actually draws (AxisRange made drawable).
    Range DrawnAxisRange(const QString& axis) const;
    void SetAxisTitle(const QString& axis, const QString& title);
    QString AxisTitle(const QString& axis) const;
    void SetAxisShown(const QString& axis, bool shown);
    bool AxisShown(const QString& axis) const;

    void SetTimeMarker(double time);
    double TimeMarker() const { return markerTime_; }
    /// True when the marker lies within the visible time window and is drawn.
    bool TimeMarkerDrawn() const;
    /// The marker's horizontal position in chart pixels (meaningful when drawn).
    double TimeMarkerPixel() const;

    QSize PlotAreaSize() const;
    /// The plot area in chart pixels.
    QRectF PlotAreaRect() const;

    void SetLabelPosition(int label, int x, int y);
    void SetLabelX(int label, int x);
    void SetLabelShown(int label, bool shown);
    void SetLabelText(int label, const QString& text);
    QPoint LabelPosition(int label) const;
    bool LabelShown(int label) const;
    QString LabelText(int label) const;
    /// The label's box as drawn, in chart pixels.
    QRectF LabelRect(int label) const;

    void SetHeaderText(const QString& text);
    QString HeaderText() const;

    /// Time and value (on the group's axes) under a chart pixel.
    QPointF PixelToData(int group, int px, int py) const;

    struct NearestPointResult {
        int series = 0;
        int point = 0;        ///< 1-based; 0 when there is none
        double distance = 0;  ///< pixels, along the time axis
    };
    /// The sample of the group nearest in time to the pointer, among the samples with a finite
    /// time inside the visible window. No point (index 0) when the pointer is outside the plot
    /// area or no sample is visible.
    NearestPointResult NearestPoint(int group, int px, int py, int mode) const;
    /// Where a value is drawn, in chart pixels.
    QPointF DataToPixel(int group, double x, double y) const;

    /// Draws the chart into the rectangle (device pixels) of a painter already active on a
    /// printer, image or PDF; see kDrawWholeChart and kDrawFitToRectangle.
    void DrawToDevice(QPainter& painter, int content, int fit, int top, int left, int height,
                      int width);
    /// The same on a device nobody is painting on yet.
    void DrawToDevice(QPaintDevice* device, int content, int fit, int top, int left, int height,
                      int width);

    /// Twips per pixel of the screen the control is on (1440 / logical dots per inch).
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;

signals:
    /// A mouse button went down over the chart: button 1 left, 2 right, 4 middle; shift 1
    /// Shift, 2 Ctrl, 4 Alt; position in twips from the control's top left corner.
    void mouseDown(int button, int shift, double x, double y);
    /// The control finished painting itself.
    void painted();
    /// The plot area changed size: the control was resized, or DrawToDevice laid the chart out
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

    Group& group(int g);
    const Group& group(int g) const;
    AxisState& axisState(const QString& name);
    const AxisState& axisState(const QString& name) const;
    LabelState& label(int n);
    const LabelState& label(int n) const;
    void pushPoints(Group& g);
    void applyRange(AxisState& a, bool timeAxis);
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
