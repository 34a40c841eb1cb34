#include "chart/chart_control.h"

#include <memory>

#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QLegend>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/axis_ticks.h"
#include "chart/chart_labels.h"
#include "core/app_error.h"

namespace tarvik {

namespace {

const QString kSource = QStringLiteral("Chart2D1");

// The slot for a 1-based group or label number; any other number is out of range.
template <typename T, std::size_t N>
T& slot(std::array<T, N>& items, int n) {
    if (n < 1 || n > static_cast<int>(N)) {
        throw AppError::subscriptOutOfRange(kSource);
    }
    return items[static_cast<std::size_t>(n - 1)];
}

}  // namespace

ChartControl::ChartControl(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("Chart2D1"));
    chart_ = new QChart;
    // The view starts with a chart of its own and only lets go of it when given another: it
    // would outlive the window unless deleted here.
    std::unique_ptr<QChart> builtIn(chart());
    setChart(chart_);  // the view owns it from here
    setRenderHint(QPainter::Antialiasing, true);
    setRubberBand(QChartView::NoRubberBand);
    setFrameShape(QFrame::NoFrame);
    chart_->setBackgroundRoundness(0);
    chart_->setMargins(QMargins(0, 0, 0, 0));
    chart_->layout()->setContentsMargins(0, 0, 0, 0);
    chart_->setAnimationOptions(QChart::NoAnimation);
    // The chart's own background, plot background, legend and title are laid out by Qt Charts
    // only for a plot area it chose itself; this control fixes the plot area (so that nothing
    // moves when a trace changes) and draws those parts itself.
    chart_->setBackgroundVisible(false);
    chart_->setPlotAreaBackgroundVisible(false);
    chart_->legend()->setVisible(false);
    plotBackground_ = new QGraphicsRectItem(chart_);
    plotBackground_->setZValue(-10);
    legend_ = new ChartLegendItem(chart_);
    legend_->setZValue(20);
    header_ = new QGraphicsSimpleTextItem(chart_);
    header_->setZValue(20);

    addAxesAndSeries();
    for (auto& l : labels_) {
        l.item = new ChartLabelItem(chart_);
        l.item->setZValue(20);
        l.item->setVisible(false);
    }
    marker_ = new QGraphicsLineItem(chart_);
    marker_->setZValue(15);
    marker_->setVisible(false);

    for (AxisState& a : axes_) {
        a.asked = {0, 1};
    }
    applyTemplate(builtInDesign());
    for (std::size_t i = 0; i < axes_.size(); ++i) {
        applyRange(axes_[i], i == 0);
    }
    connect(chart_, &QChart::plotAreaChanged, this, [this] { placeOverlays(); });
}

ChartControl::~ChartControl() = default;

// The time axis along the bottom, the value axes left and right, one line series per group.
void ChartControl::addAxesAndSeries() {
    const Qt::Alignment sides[] = {Qt::AlignBottom, Qt::AlignLeft, Qt::AlignRight};
    for (std::size_t i = 0; i < axes_.size(); ++i) {
        axes_[i].axis = new QValueAxis(chart_);
        chart_->addAxis(axes_[i].axis, sides[i]);
    }
    axes_[0].axis->setTickType(QValueAxis::TicksDynamic);
    axes_[0].axis->setTickAnchor(0);
    axes_[0].axis->setMinorTickCount(4);
    axes_[1].axis->setTickCount(11);
    axes_[1].axis->setMinorTickCount(1);
    axes_[2].axis->setTickCount(11);
    axes_[2].axis->setGridLineVisible(false);
    axes_[2].axis->setMinorGridLineVisible(false);
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        auto* s = new QLineSeries(chart_);
        chart_->addSeries(s);
        s->attachAxis(axes_[0].axis);
        s->attachAxis(axes_[g + 1].axis);
        groups_[g].series = s;
    }
}

AppError ChartControl::invalidValue(const QString& description) {
    return AppError(AppError::kInvalidPropertyValue, kSource, description);
}

bool ChartControl::loadTemplate(const QString& path, QString* why) {
    const std::optional<ChartTemplate> t = ChartTemplate::load(path, why);
    if (!t) {
        return false;
    }
    applyTemplate(*t);
    return true;
}

void ChartControl::applyTemplate(const ChartTemplate& t) {
    design_ = t;
    scene()->setBackgroundBrush(t.background);
    setBackgroundBrush(t.background);
    plotBackground_->setBrush(t.plotBackground);
    plotBackground_->setPen(QPen(t.axes[0].lineColor, 1));
    header_->setFont(t.headerFont);
    header_->setBrush(t.headerColor);
    for (std::size_t i = 0; i < axes_.size(); ++i) {
        QValueAxis* a = axes_[i].axis;
        const ChartTemplate::Axis& d = t.axes[i];
        axes_[i].title = d.title;
        a->setTitleText(d.title);
        a->setTitleFont(d.titleFont);
        a->setTitleBrush(d.titleColor);
        a->setLabelsFont(d.labelFont);
        a->setLabelsBrush(d.labelColor);
        a->setLinePen(QPen(d.lineColor, i == 0 ? 1 : 2));
        a->setGridLinePen(QPen(t.gridColor, 1));
        a->setMinorGridLinePen(QPen(t.minorGridColor, 1));
    }
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        QPen pen(t.groups[g].color, t.groups[g].lineWidth);
        // Qt Charts strokes a solid trace as separate segments, each with its own caps: round
        // caps are flattened from curves twice per sample and cost more than the rest of the
        // repaint together, and square ones overlap into visible dots. Flat ends meet cleanly.
        pen.setJoinStyle(Qt::BevelJoin);
        pen.setCapStyle(Qt::FlatCap);
        groups_[g].series->setPen(pen);
    }
    for (std::size_t n = 0; n < labels_.size(); ++n) {
        labels_[n].item->setDesign(t.labels[n]);
        labels_[n].position = t.labels[n].position;
    }
    QPen markerPen(t.markerColor, t.markerWidth, t.markerStyle);
    markerPen.setCapStyle(Qt::FlatCap);
    marker_->setPen(markerPen);
    layoutPlotArea(chart_->size());
}

// ---- groups --------------------------------------------------------------------------------

ChartControl::Group& ChartControl::group(int g) {
    return slot(groups_, g);
}

const ChartControl::Group& ChartControl::group(int g) const {
    return const_cast<ChartControl*>(this)->group(g);
}

void ChartControl::setBatched(int g, bool on) {
    Group& gr = group(g);
    gr.batched = on;
    if (!on && gr.dirty) {
        pushPoints(gr);
    }
}

bool ChartControl::batched(int g) const {
    return group(g).batched;
}

void ChartControl::setSeriesCount(int g, int count) {
    group(g);
    if (count != 1) {
        throw invalidValue();
    }
}

void ChartControl::setPointCount(int g, int series, int count) {
    Group& gr = group(g);
    if (series != 1) {
        throw AppError::subscriptOutOfRange(kSource);
    }
    if (count < 0 || count > 100000) {
        throw invalidValue();
    }
    gr.x.assign(static_cast<std::size_t>(count), 0.0f);
    gr.y.assign(static_cast<std::size_t>(count), 0.0f);
    gr.dirty = true;
    if (!gr.batched) {
        pushPoints(gr);
    }
}

int ChartControl::pointCount(int g) const {
    return static_cast<int>(group(g).x.size());
}

void ChartControl::setXValues(int g, int series, std::span<const float> values) {
    setValues(g, series, values, &Group::x);
}

void ChartControl::setYValues(int g, int series, std::span<const float> values) {
    setValues(g, series, values, &Group::y);
}

void ChartControl::setValues(int g, int series, std::span<const float> values,
                             std::vector<float> Group::*member) {
    Group& gr = group(g);
    std::vector<float>& target = gr.*member;
    if (series != 1 || values.size() < target.size()) {
        throw AppError::subscriptOutOfRange(kSource);
    }
    std::copy_n(values.begin(), target.size(), target.begin());
    gr.dirty = true;
    if (!gr.batched) {
        pushPoints(gr);
    }
}

int ChartControl::drawnPointCount(int g) const {
    return group(g).drawn;
}

void ChartControl::pushPoints(Group& gr) {
    DrawablePoints drawable = drawablePoints(gr.x, gr.y, axes_[0].drawn);
    gr.drawn = drawable.usable;
    gr.series->replace(drawable.points);
    gr.dirty = false;
}

void ChartControl::setSeriesLabel(int g, const QString& text) {
    Group& gr = group(g);
    gr.label = text;
    gr.series->setName(text);
    placeOverlays();
}

QColor ChartControl::groupColor(int g) const {
    return design_.groups[static_cast<std::size_t>(&group(g) - groups_.data())].color;
}

QString ChartControl::seriesLabel(int g) const {
    return group(g).label;
}

// ---- axes ----------------------------------------------------------------------------------

ChartControl::AxisState& ChartControl::axisState(ChartAxis axis) {
    const auto i = static_cast<std::size_t>(axis);
    if (i >= axes_.size()) {
        throw invalidValue();
    }
    return axes_[i];
}

const ChartControl::AxisState& ChartControl::axisState(ChartAxis axis) const {
    return const_cast<ChartControl*>(this)->axisState(axis);
}

void ChartControl::setAxisRange(ChartAxis axis, double low, double high) {
    AxisState& a = axisState(axis);
    a.asked = {low, high};
    applyRange(a, &a == &axes_[0]);
    placeOverlays();
}

ChartControl::Range ChartControl::axisRange(ChartAxis axis) const {
    return axisState(axis).asked;
}

ChartControl::Range ChartControl::drawnAxisRange(ChartAxis axis) const {
    return axisState(axis).drawn;
}

void ChartControl::applyRange(AxisState& a, bool timeAxis) {
    a.drawn = drawableRange(a.asked);
    const double low = a.drawn.low;
    const double high = a.drawn.high;
    const double span = high - low;
    if (timeAxis) {
        const double step = niceTickStep(span, 12);
        a.axis->setTickInterval(step);
        a.axis->setTickAnchor(std::floor(low / step) * step);
        a.axis->setLabelFormat(tickLabelFormat(step));
    } else {
        a.axis->setLabelFormat(tickLabelFormat(span / 10.0));
    }
    a.axis->setRange(low, high);
    if (timeAxis) {
        for (Group& gr : groups_) {
            gr.dirty = true;
            if (!gr.batched) {
                pushPoints(gr);
            }
        }
    }
}

void ChartControl::setAxisTitle(ChartAxis axis, const QString& title) {
    AxisState& a = axisState(axis);
    a.title = title;
    a.axis->setTitleText(title);
    a.axis->setTitleVisible(!title.isEmpty());
}

QString ChartControl::axisTitle(ChartAxis axis) const {
    return axisState(axis).title;
}

void ChartControl::setAxisShown(ChartAxis axis, bool shown) {
    AxisState& a = axisState(axis);
    a.shown = shown;
    // Hiding keeps the plot area where it is: the layout is ours, so labels placed beside the
    // plot stay beside it.
    a.axis->setVisible(shown);
    if (&a == &axes_[2]) {
        a.axis->setGridLineVisible(false);
        a.axis->setMinorGridLineVisible(false);
    }
}

bool ChartControl::axisShown(ChartAxis axis) const {
    return axisState(axis).shown;
}

// ---- marker, labels, header --------------------------------------------------------------

void ChartControl::setTimeMarker(double time) {
    markerTime_ = time;
    markerSet_ = true;
    placeOverlays();
}

bool ChartControl::timeMarkerDrawn() const {
    return marker_->isVisible();
}

ChartControl::LabelState& ChartControl::label(int n) {
    return slot(labels_, n);
}

const ChartControl::LabelState& ChartControl::label(int n) const {
    return const_cast<ChartControl*>(this)->label(n);
}

void ChartControl::setLabelPosition(int n, int x, int y) {
    label(n).position = QPointF(x, y);
    placeOverlays();
}

void ChartControl::setLabelX(int n, int x) {
    label(n).position.setX(x);
    placeOverlays();
}

void ChartControl::setLabelShown(int n, bool shown) {
    label(n).shown = shown;
    placeOverlays();
}

void ChartControl::setLabelText(int n, const QString& text) {
    label(n).item->setText(text);
    placeOverlays();
}

QPoint ChartControl::labelPosition(int n) const {
    return label(n).position.toPoint();
}

bool ChartControl::labelShown(int n) const {
    return label(n).shown;
}

QString ChartControl::labelText(int n) const {
    return label(n).item->text();
}

QRectF ChartControl::labelRect(int n) const {
    const LabelState& l = label(n);
    return l.item->boxRect().translated(l.item->pos());
}

void ChartControl::setHeaderText(const QString& text) {
    header_->setText(text);
    placeOverlays();
}

QString ChartControl::headerText() const {
    return header_->text();
}

// ---- geometry ------------------------------------------------------------------------------

QSize ChartControl::plotAreaSize() const {
    return plotArea_.size().toSize();
}

QRectF ChartControl::plotAreaRect() const {
    return plotArea_;
}

void ChartControl::layoutPlotArea(QSizeF chartSize, qreal headingBand) {
    QRectF area = QRectF(QPointF(0, 0), chartSize).marginsRemoved(design_.margins);
    if (headingBand > 0) {
        // The top axis label reaches half a line above the plot: keep it out of the band too.
        const qreal top =
            headingBand + QFontMetricsF(pixelFont(design_.axes[1].labelFont)).height();
        area.setTop(std::max(area.top(), top));
    }
    if (area.width() < 1) {
        area.setWidth(1);
    }
    if (area.height() < 1) {
        area.setHeight(1);
    }
    const bool resized = area.size() != plotArea_.size();
    plotArea_ = area;
    chart_->setPlotArea(area);
    // Qt Charts lays out its axes (scales, tick labels, grid) only when its layout is
    // activated; without this they keep the old geometry while the traces follow the new plot
    // area, until something else happens to activate it.
    chart_->layout()->invalidate();
    chart_->layout()->activate();
    placeOverlays();
    // Also while the chart is laid out for another device, so that what is placed by the plot's
    // size (the on/off labels) is placed for that device too, and back again afterwards.
    if (resized) {
        emit plotAreaResized();
    }
}

void ChartControl::placeOverlays() {
    const QRectF plot = plotArea_;
    plotBackground_->setRect(plot);
    std::vector<ChartLegendItem::Entry> entries;
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        entries.push_back({design_.groups[g].color, design_.groups[g].lineWidth, groups_[g].label});
    }
    legend_->set(std::move(entries), design_.legendFont, design_.axes[0].labelColor);
    legend_->placeUnder(plot, chart_->size().height());
    legend_->setVisible(design_.legendShown);
    const QRectF hr = header_->boundingRect();
    header_->setPos(plot.center().x() - hr.width() / 2,
                    std::max<qreal>(0, plot.top() - hr.height()) / 2);
    for (LabelState& l : labels_) {
        l.item->placeOnPlot(plot, l.position, l.shown);
    }
    placeMarker();
}

void ChartControl::placeMarker() {
    const QRectF plot = plotArea_;
    const Range x = axes_[0].drawn;
    const double t = markerTime_;
    const bool inside = markerSet_ && std::isfinite(t) && t >= x.low && t <= x.high;
    if (inside) {
        const double px = plot.left() + (t - x.low) / (x.high - x.low) * plot.width();
        marker_->setLine(px, plot.top(), px, plot.bottom());
    }
    marker_->setVisible(inside);
}

QPointF ChartControl::pixelToData(int g, int px, int py) const {
    const Group& gr = group(g);
    const QPointF scene = mapToScene(QPoint(px, py));
    return chart_->mapToValue(chart_->mapFromScene(scene), gr.series);
}

QPointF ChartControl::dataToPixel(int g, double x, double y) const {
    const Group& gr = group(g);
    const QPointF item = chart_->mapToPosition(QPointF(x, y), gr.series);
    return mapFromScene(chart_->mapToScene(item));
}

ChartControl::NearestPointResult ChartControl::nearestPoint(int g, int px, int py,
                                                            NearestPointMode mode) const {
    const Group& gr = group(g);
    if (mode != NearestPointMode::InTime) {
        throw invalidValue();
    }
    NearestPointResult r;
    r.series = 1;
    const QPointF at = mapToScene(QPoint(px, py));
    if (!plotArea_.adjusted(-0.5, -0.5, 0.5, 0.5).contains(chart_->mapFromScene(at))) {
        return r;
    }
    const double t = pixelToData(g, px, py).x();
    const Range x = axes_[0].drawn;
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < gr.x.size(); ++i) {
        const double xi = gr.x[i];
        if (!std::isfinite(xi) || xi < x.low || xi > x.high) {
            continue;
        }
        const double d = std::fabs(xi - t);
        if (d < best) {
            best = d;
            r.point = static_cast<int>(i) + 1;
        }
    }
    if (r.point > 0) {
        r.distance = best / (x.high - x.low) * plotArea_.width();
    }
    return r;
}

double ChartControl::twipsPerPixelX() const {
    return 1440.0 / std::max(1, logicalDpiX());
}

double ChartControl::twipsPerPixelY() const {
    return 1440.0 / std::max(1, logicalDpiY());
}

// ---- events --------------------------------------------------------------------------------

void ChartControl::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    layoutPlotArea(chart_->size());
}

void ChartControl::mousePressEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    event->accept();
    emit mouseDown(mouseButtonCode(chartMouseButton(event->button())),
                   shiftStateCode(event->modifiers()), p.x() * twipsPerPixelX(),
                   p.y() * twipsPerPixelY());
}

void ChartControl::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void ChartControl::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void ChartControl::paintEvent(QPaintEvent* event) {
    QChartView::paintEvent(event);
    emit painted();
}

}  // namespace tarvik
