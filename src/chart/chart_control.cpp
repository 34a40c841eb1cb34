#include "chart/chart_control.h"

#include <memory>

#include <QChart>
#include <QFontInfo>
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

#include "core/app_error.h"

namespace tarvik {

namespace {

const QString kSource = QStringLiteral("Chart2D1");

AppError invalidValue() {
    return AppError(AppError::kInvalidPropertyValue, kSource,
                    QStringLiteral("Invalid property value"));
}

// Values this far out cannot be told apart on any screen; clamping them keeps the painter's
// arithmetic away from overflow.
constexpr double kLargestDrawn = 1e12;

bool usable(double v) {
    return std::isfinite(v);
}

// A tick step of 1, 2, 2.5 or 5 times a power of ten that gives at most `most` steps.
double niceStep(double span, int most) {
    const double raw = span / most;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (m * power >= raw) {
            return m * power;
        }
    }
    return 10.0 * power;
}

QString labelFormatFor(double step) {
    int decimals = 0;
    double s = step;
    while (decimals < 6 && std::fabs(s - std::round(s)) > 1e-6 * std::max(1.0, std::fabs(s))) {
        s *= 10.0;
        ++decimals;
    }
    return QStringLiteral("%.%1f").arg(decimals);
}

/// The font at the pixel size it has on the screen. The control's own items measure and draw
/// their text with it, so the text keeps its size relative to the chart on a device of another
/// resolution (a printer) instead of growing with the device's dots per inch.
QFont pixelFont(const QFont& font) {
    QFont f(font);
    if (f.pixelSize() <= 0) {
        f.setPixelSize(std::max(1, QFontInfo(font).pixelSize()));
    }
    return f;
}

}  // namespace

/// A free text label: the text in a box with a border, drawn over the chart.
class ChartLabelItem : public QGraphicsItem {
public:
    explicit ChartLabelItem(QGraphicsItem* parent) : QGraphicsItem(parent) {}

    void setDesign(const ChartTemplate::Label& d) {
        prepareGeometryChange();
        design_ = d;
        design_.font = pixelFont(d.font);
    }
    const ChartTemplate::Label& design() const { return design_; }
    void setText(const QString& text) {
        prepareGeometryChange();
        design_.text = text;
        update();
    }
    const QString& text() const { return design_.text; }

    QRectF boxRect() const {
        const QFontMetricsF fm(design_.font);
        const qreal w = fm.horizontalAdvance(design_.text) + 2 * kPadX;
        const qreal h = fm.height() + 2 * kPadY;
        return QRectF(0, 0, w, h);
    }
    /// The offset from the anchor point to the box's top left corner.
    QPointF anchorShift() const {
        const QRectF r = boxRect();
        switch (design_.anchor) {
            case ChartTemplate::Anchor::West:
                return {0, -r.height() / 2};
            case ChartTemplate::Anchor::East:
                return {-r.width(), -r.height() / 2};
            case ChartTemplate::Anchor::Center:
                return {-r.width() / 2, -r.height() / 2};
            case ChartTemplate::Anchor::NorthWest:
                return {0, 0};
            case ChartTemplate::Anchor::NorthEast:
                return {-r.width(), 0};
            case ChartTemplate::Anchor::SouthWest:
                return {0, -r.height()};
            case ChartTemplate::Anchor::SouthEast:
                return {-r.width(), -r.height()};
        }
        return {};
    }

    QRectF boundingRect() const override { return boxRect().adjusted(-1, -1, 1, 1); }
    void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) override {
        const QRectF box = boxRect();
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(QPen(design_.border, 1));
        p->setBrush(design_.background);
        p->drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        p->setFont(design_.font);
        p->setPen(design_.color);
        p->drawText(box, Qt::AlignCenter, design_.text);
    }

private:
    static constexpr qreal kPadX = 5;
    static constexpr qreal kPadY = 2;
    ChartTemplate::Label design_;
};

/// The legend under the plot: a short line in each trace's colour, then its name. Drawn by
/// the control itself so that it stays put under the fixed plot area.
class ChartLegendItem : public QGraphicsItem {
public:
    struct Entry {
        QColor color;
        qreal width = 2;
        QString text;
    };

    explicit ChartLegendItem(QGraphicsItem* parent) : QGraphicsItem(parent) {}

    void set(std::vector<Entry> entries, const QFont& font, const QColor& textColor) {
        prepareGeometryChange();
        entries_ = std::move(entries);
        font_ = pixelFont(font);
        textColor_ = textColor;
        update();
    }

    QRectF boundingRect() const override {
        const QFontMetricsF fm(font_);
        qreal w = 0;
        for (const Entry& e : entries_) {
            if (!e.text.isEmpty()) {
                w += kSample + kGap + fm.horizontalAdvance(e.text) + kSpacing;
            }
        }
        return QRectF(0, 0, std::max<qreal>(0, w - kSpacing), fm.height() + 4);
    }

    void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) override {
        const QFontMetricsF fm(font_);
        const qreal mid = (fm.height() + 4) / 2;
        qreal x = 0;
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setFont(font_);
        for (const Entry& e : entries_) {
            if (e.text.isEmpty()) {
                continue;
            }
            p->setPen(QPen(e.color, std::max<qreal>(3, e.width + 1), Qt::SolidLine, Qt::RoundCap));
            p->drawLine(QPointF(x + 2, mid), QPointF(x + kSample - 2, mid));
            x += kSample + kGap;
            const qreal w = fm.horizontalAdvance(e.text);
            p->setPen(textColor_);
            p->drawText(QRectF(x, 0, w + 1, fm.height() + 4), Qt::AlignLeft | Qt::AlignVCenter,
                        e.text);
            x += w + kSpacing;
        }
    }

private:
    static constexpr qreal kSample = 26;
    static constexpr qreal kGap = 6;
    static constexpr qreal kSpacing = 28;
    std::vector<Entry> entries_;
    QFont font_;
    QColor textColor_;
};

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

bool ChartControl::LoadTemplate(const QString& path, QString* why) {
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
    if (g < 1 || g > kGroups) {
        throw AppError::subscriptOutOfRange(kSource);
    }
    return groups_[static_cast<std::size_t>(g - 1)];
}

const ChartControl::Group& ChartControl::group(int g) const {
    return const_cast<ChartControl*>(this)->group(g);
}

void ChartControl::SetBatched(int g, bool on) {
    Group& gr = group(g);
    gr.batched = on;
    if (!on && gr.dirty) {
        pushPoints(gr);
    }
}

bool ChartControl::Batched(int g) const {
    return group(g).batched;
}

void ChartControl::SetSeriesCount(int g, int count) {
    group(g);
    if (count != 1) {
        throw invalidValue();
    }
}

void ChartControl::SetPointCount(int g, int series, int count) {
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

int ChartControl::PointCount(int g) const {
    return static_cast<int>(group(g).x.size());
}

void ChartControl::SetXValues(int g, int series, std::span<const float> values) {
    Group& gr = group(g);
    if (series != 1 || values.size() < gr.x.size()) {
        throw AppError::subscriptOutOfRange(kSource);
    }
    std::copy_n(values.begin(), gr.x.size(), gr.x.begin());
    gr.dirty = true;
    if (!gr.batched) {
        pushPoints(gr);
    }
}

void ChartControl::SetYValues(int g, int series, std::span<const float> values) {
    Group& gr = group(g);
    if (series != 1 || values.size() < gr.y.size()) {
        throw AppError::subscriptOutOfRange(kSource);
    }
    std::copy_n(values.begin(), gr.y.size(), gr.y.begin());
    gr.dirty = true;
    if (!gr.batched) {
        pushPoints(gr);
    }
}

int ChartControl::DrawnPointCount(int g) const {
    return group(g).drawn;
}

void ChartControl::pushPoints(Group& gr) {
    QList<QPointF> usablePoints;
    usablePoints.reserve(static_cast<qsizetype>(gr.x.size()));
    for (std::size_t i = 0; i < gr.x.size(); ++i) {
        const double x = gr.x[i];
        const double y = gr.y[i];
        // A sample without a finite time or value has nowhere to be drawn; the line joins its
        // neighbours instead.
        if (!usable(x) || !usable(y)) {
            continue;
        }
        usablePoints.append(QPointF(std::clamp(x, -kLargestDrawn, kLargestDrawn),
                                    std::clamp(y, -kLargestDrawn, kLargestDrawn)));
    }
    gr.drawn = static_cast<int>(usablePoints.size());
    // Qt Charts works through every point of a series on each repaint, shown or not: a zoomed
    // window hands it only the points of the segments that cross the window.
    const Range window = axes_[0].drawn;
    const auto crosses = [&](qsizetype a, qsizetype b) {
        const double lo = std::min(usablePoints[a].x(), usablePoints[b].x());
        const double hi = std::max(usablePoints[a].x(), usablePoints[b].x());
        return hi >= window.low && lo <= window.high;
    };
    QList<QPointF> points;
    points.reserve(usablePoints.size());
    const qsizetype n = usablePoints.size();
    for (qsizetype i = 0; i < n; ++i) {
        const bool shown = (n == 1 && crosses(i, i)) || (i > 0 && crosses(i - 1, i)) ||
                           (i + 1 < n && crosses(i, i + 1));
        if (shown) {
            points.append(usablePoints[i]);
        }
    }
    gr.series->replace(points);
    gr.dirty = false;
}

void ChartControl::SetSeriesLabel(int g, const QString& text) {
    Group& gr = group(g);
    gr.label = text;
    gr.series->setName(text);
    placeOverlays();
}

QColor ChartControl::GroupColor(int g) const {
    return design_.groups[static_cast<std::size_t>(&group(g) - groups_.data())].color;
}

QString ChartControl::SeriesLabel(int g) const {
    return group(g).label;
}

// ---- axes ----------------------------------------------------------------------------------

ChartControl::AxisState& ChartControl::axisState(const QString& name) {
    if (name == QLatin1String("X")) {
        return axes_[0];
    }
    if (name == QLatin1String("Y")) {
        return axes_[1];
    }
    if (name == QLatin1String("Y2")) {
        return axes_[2];
    }
    throw invalidValue();
}

const ChartControl::AxisState& ChartControl::axisState(const QString& name) const {
    return const_cast<ChartControl*>(this)->axisState(name);
}

void ChartControl::SetAxisRange(const QString& axis, double low, double high) {
    AxisState& a = axisState(axis);
    a.asked = {low, high};
    applyRange(a, &a == &axes_[0]);
    placeOverlays();
}

ChartControl::Range ChartControl::AxisRange(const QString& axis) const {
    return axisState(axis).asked;
}

ChartControl::Range ChartControl::DrawnAxisRange(const QString& axis) const {
    return axisState(axis).drawn;
}

void ChartControl::applyRange(AxisState& a, bool timeAxis) {
    double low = a.asked.low;
    double high = a.asked.high;
    if (!usable(low)) {
        low = usable(high) ? high - 1 : 0;
    }
    if (!usable(high)) {
        high = low + 1;
    }
    low = std::clamp(low, -kLargestDrawn, kLargestDrawn);
    high = std::clamp(high, -kLargestDrawn, kLargestDrawn);
    if (high < low) {
        std::swap(low, high);
    }
    // An empty window (a log of length 0, or the end of a reversed range) still needs a width;
    // one that is too narrow for doubles near its position gets one too.
    const double least = std::max(1e-6, std::fabs(low) * 1e-9);
    if (high - low < least) {
        high = low + std::max(1.0, least);
    }
    a.drawn = {low, high};
    const double span = high - low;
    if (timeAxis) {
        const double step = niceStep(span, 12);
        a.axis->setTickInterval(step);
        a.axis->setTickAnchor(std::floor(low / step) * step);
        a.axis->setLabelFormat(labelFormatFor(step));
    } else {
        a.axis->setLabelFormat(labelFormatFor(span / 10.0));
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

void ChartControl::SetAxisTitle(const QString& axis, const QString& title) {
    AxisState& a = axisState(axis);
    a.title = title;
    a.axis->setTitleText(title);
    a.axis->setTitleVisible(!title.isEmpty());
}

QString ChartControl::AxisTitle(const QString& axis) const {
    return axisState(axis).title;
}

void ChartControl::SetAxisShown(const QString& axis, bool shown) {
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

bool ChartControl::AxisShown(const QString& axis) const {
    return axisState(axis).shown;
}

// ---- marker, labels, header --------------------------------------------------------------

void ChartControl::SetTimeMarker(double time) {
    markerTime_ = time;
    markerSet_ = true;
    placeOverlays();
}

bool ChartControl::TimeMarkerDrawn() const {
    return marker_->isVisible();
}

double ChartControl::TimeMarkerPixel() const {
    return marker_->line().x1();
}

ChartControl::LabelState& ChartControl::label(int n) {
    if (n < 1 || n > kLabels) {
        throw AppError::subscriptOutOfRange(kSource);
    }
    return labels_[static_cast<std::size_t>(n - 1)];
}

const ChartControl::LabelState& ChartControl::label(int n) const {
    return const_cast<ChartControl*>(this)->label(n);
}

void ChartControl::SetLabelPosition(int n, int x, int y) {
    label(n).position = QPointF(x, y);
    placeOverlays();
}

void ChartControl::SetLabelX(int n, int x) {
    label(n).position.setX(x);
    placeOverlays();
}

void ChartControl::SetLabelShown(int n, bool shown) {
    label(n).shown = shown;
    placeOverlays();
}

void ChartControl::SetLabelText(int n, const QString& text) {
    label(n).item->setText(text);
    placeOverlays();
}

QPoint ChartControl::LabelPosition(int n) const {
    return label(n).position.toPoint();
}

bool ChartControl::LabelShown(int n) const {
    return label(n).shown;
}

QString ChartControl::LabelText(int n) const {
    return label(n).item->text();
}

QRectF ChartControl::LabelRect(int n) const {
    const LabelState& l = label(n);
    return l.item->boxRect().translated(l.item->pos());
}

void ChartControl::SetHeaderText(const QString& text) {
    header_->setText(text);
    placeOverlays();
}

QString ChartControl::HeaderText() const {
    return header_->text();
}

// ---- geometry ------------------------------------------------------------------------------

QSize ChartControl::PlotAreaSize() const {
    return plotArea_.size().toSize();
}

QRectF ChartControl::PlotAreaRect() const {
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
    const QSizeF whole = chart_->size();
    plotBackground_->setRect(plot);
    std::vector<ChartLegendItem::Entry> entries;
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        entries.push_back({design_.groups[g].color, design_.groups[g].lineWidth, groups_[g].label});
    }
    legend_->set(std::move(entries), design_.legendFont, design_.axes[0].labelColor);
    const QRectF lr = legend_->boundingRect();
    legend_->setPos(plot.center().x() - lr.width() / 2, whole.height() - lr.height() - 6);
    legend_->setVisible(design_.legendShown);
    const QRectF hr = header_->boundingRect();
    header_->setPos(plot.center().x() - hr.width() / 2,
                    std::max<qreal>(0, plot.top() - hr.height()) / 2);
    for (LabelState& l : labels_) {
        const ChartTemplate::Label& d = l.item->design();
        l.item->setPos(plot.topLeft() + l.position + d.offset + l.item->anchorShift());
        l.item->setVisible(l.shown);
    }
    const Range x = axes_[0].drawn;
    const double t = markerTime_;
    const bool inside = markerSet_ && usable(t) && t >= x.low && t <= x.high;
    if (inside) {
        const double px = plot.left() + (t - x.low) / (x.high - x.low) * plot.width();
        marker_->setLine(px, plot.top(), px, plot.bottom());
    }
    marker_->setVisible(inside);
}

QPointF ChartControl::PixelToData(int g, int px, int py) const {
    const Group& gr = group(g);
    const QPointF scene = mapToScene(QPoint(px, py));
    return chart_->mapToValue(chart_->mapFromScene(scene), gr.series);
}

QPointF ChartControl::DataToPixel(int g, double x, double y) const {
    const Group& gr = group(g);
    const QPointF item = chart_->mapToPosition(QPointF(x, y), gr.series);
    return mapFromScene(chart_->mapToScene(item));
}

ChartControl::NearestPointResult ChartControl::NearestPoint(int g, int px, int py, int mode) const {
    const Group& gr = group(g);
    if (mode != kNearestInTime) {
        throw invalidValue();
    }
    NearestPointResult r;
    r.series = 1;
    const QPointF at = mapToScene(QPoint(px, py));
    if (!plotArea_.adjusted(-0.5, -0.5, 0.5, 0.5).contains(chart_->mapFromScene(at))) {
        return r;
    }
    const double t = PixelToData(g, px, py).x();
    const Range x = axes_[0].drawn;
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < gr.x.size(); ++i) {
        const double xi = gr.x[i];
        if (!usable(xi) || xi < x.low || xi > x.high) {
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
    int button = 0;
    switch (event->button()) {
        case Qt::LeftButton:
            button = 1;
            break;
        case Qt::RightButton:
            button = 2;
            break;
        case Qt::MiddleButton:
            button = 4;
            break;
        default:
            break;
    }
    const Qt::KeyboardModifiers m = event->modifiers();
    const int shift = (m.testFlag(Qt::ShiftModifier) ? 1 : 0) |
                      (m.testFlag(Qt::ControlModifier) ? 2 : 0) |
                      (m.testFlag(Qt::AltModifier) ? 4 : 0);
    const QPointF p = event->position();
    event->accept();
    emit mouseDown(button, shift, p.x() * twipsPerPixelX(), p.y() * twipsPerPixelY());
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

// ---- drawing elsewhere ---------------------------------------------------------------------

void ChartControl::DrawToDevice(QPainter& painter, int content, int fit, int top, int left,
                                int height, int width) {
    if (content != kDrawWholeChart || fit != kDrawFitToRectangle || height <= 0 || width <= 0) {
        throw invalidValue();
    }
    const QSizeF shown = chart_->size();
    const QBrush background = scene()->backgroundBrush();
    // Lay the chart out at the target's shape but at screen scale, so fonts and lines keep
    // their proportions, then let the painter scale it up to the device.
    const qreal logicalWidth = std::max<qreal>(shown.width(), 400);
    const QSizeF logical(logicalWidth, logicalWidth * height / width);
    // The heading band in the chart's own units: its height on the device, scaled as the
    // painter will scale the chart.
    const QPaintDevice* device = painter.device();
    const qreal dpiY = device != nullptr && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
    const qreal band = kHeadingBandTwips * dpiY / 1440.0 * logical.height() / height;
    chart_->resize(logical);
    layoutPlotArea(logical, band);
    // No background: the page is already white, and the heading lines printed before the chart
    // must stay visible.
    scene()->setBackgroundBrush(Qt::NoBrush);
    chart_->scene()->render(&painter, QRectF(left, top, width, height),
                            QRectF(chart_->pos(), logical), Qt::IgnoreAspectRatio);
    scene()->setBackgroundBrush(background);
    chart_->resize(shown);
    layoutPlotArea(shown);
}

void ChartControl::DrawToDevice(QPaintDevice* device, int content, int fit, int top, int left,
                                int height, int width) {
    if (device == nullptr) {
        throw invalidValue();
    }
    QPainter painter(device);
    if (!painter.isActive()) {
        throw AppError(AppError::kInvalidPropertyValue, kSource,
                       QStringLiteral("Cannot draw the chart on this device"));
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    DrawToDevice(painter, content, fit, top, left, height, width);
}

}  // namespace tarvik
