#include "chart/compare_overlay.h"

#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLineItem>
#include <QGraphicsSimpleTextItem>
#include <QPainter>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/chart_control.h"
#include "chart/cursor_readout.h"
#include "chart/recorded_span.h"
#include "chart/trace_options.h"

namespace tarvik {

namespace {

QValueAxis* axisAt(QChart* chart, Qt::Orientation o, Qt::Alignment side) {
    for (QAbstractAxis* a : chart->axes(o)) {
        if (a->alignment() == side) {
            return qobject_cast<QValueAxis*>(a);
        }
    }
    return nullptr;
}

// The compared trace's shade: the trace's colour taken most of the way towards white.
QColor lighter(const QColor& c) {
    const double keep = 0.55;
    return QColor::fromRgbF(static_cast<float>(c.redF() * keep + (1 - keep)),
                            static_cast<float>(c.greenF() * keep + (1 - keep)),
                            static_cast<float>(c.blueF() * keep + (1 - keep)));
}

// Dashes are cut by this program, not by the painter: stroking a dashed pen along a path of
// thousands of points is several times slower than drawing the same dashes as short lines.
constexpr double kDashOn = 7;
constexpr double kDashOff = 4;

QPen comparedPen(const QColor& c) {
    QPen pen(lighter(c), 2, Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

QPen legendDashPen(const QColor& c) {
    QPen pen = comparedPen(c);
    pen.setDashPattern({kDashOn / 2, kDashOff / 2});
    return pen;
}

// Cuts a polyline into dashes.
void cutDashes(const std::vector<QPointF>& line, std::vector<QLineF>& out) {
    double phase = 0;  // distance into the current on+off period
    for (std::size_t i = 1; i < line.size(); ++i) {
        QPointF a = line[i - 1];
        const QPointF b = line[i];
        double length = QLineF(a, b).length();
        if (length <= 0) {
            continue;
        }
        const QPointF unit = (b - a) / length;
        while (length > 0) {
            const bool on = phase < kDashOn;
            const double left = on ? kDashOn - phase : kDashOn + kDashOff - phase;
            const double step = std::min(left, length);
            const QPointF next = a + unit * step;
            if (on) {
                // A dash that goes on past a corner is drawn as one piece per segment.
                out.push_back(QLineF(a, next));
            }
            phase = std::fmod(phase + step, kDashOn + kDashOff);
            length -= step;
            a = next;
        }
    }
}

double pixelOfTime(const ChartControl& chart, double t) {
    const QRectF plot = chart.plotAreaRect();
    const ChartControl::Range x = chart.drawnAxisRange(ChartAxis::X);
    return plot.left() + (t - x.low) / (x.high - x.low) * plot.width();
}

bool timeShown(const ChartControl& chart, double t) {
    const ChartControl::Range x = chart.drawnAxisRange(ChartAxis::X);
    return std::isfinite(t) && t >= x.low && t <= x.high;
}

void followChart(ChartControl& chart, QObject* receiver, const std::function<void()>& place) {
    QObject::connect(chart.chart(), &QChart::plotAreaChanged, receiver, place);
    if (auto* x = axisAt(chart.chart(), Qt::Horizontal, Qt::AlignBottom)) {
        QObject::connect(x, &QValueAxis::rangeChanged, receiver, place);
    }
}

}  // namespace

/// The comparison's legend, in the plot's top left corner: this log's name after solid
/// samples of the two colours, the compared log's after dashed lighter ones.
class CompareLegendItem : public QGraphicsItem {
public:
    explicit CompareLegendItem(QGraphicsItem* parent) : QGraphicsItem(parent) {
        font_.setFamily(QStringLiteral("Arial"));
        font_.setPixelSize(12);
    }
    void set(const QString& own, const QString& compared, const QString& note, QColor c1,
             QColor c2) {
        prepareGeometryChange();
        own_ = own;
        compared_ = compared;
        note_ = note;
        c1_ = c1;
        c2_ = c2;
        update();
    }
    QRectF boundingRect() const override {
        const QFontMetricsF fm(font_);
        const qreal w = std::max(fm.horizontalAdvance(own_),
                                 fm.horizontalAdvance(compared_ + QStringLiteral("  ") + note_));
        return QRectF(0, 0, kSample * 2 + 14 + w + 10, 2 * fm.height() + 10);
    }
    void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) override {
        const QFontMetricsF fm(font_);
        const QRectF box = boundingRect();
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(QPen(QColor(0xb8, 0xbc, 0xc4), 1));
        p->setBrush(QColor(255, 255, 255, 0xe6));
        p->drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        p->setFont(font_);
        for (int row = 0; row < 2; ++row) {
            const qreal mid = 5 + fm.height() * (row + 0.5);
            qreal x = 6;
            for (const QColor& c : {c1_, c2_}) {
                QPen pen = row == 0 ? QPen(c, 2) : legendDashPen(c);
                p->setPen(pen);
                p->drawLine(QPointF(x, mid), QPointF(x + kSample - 4, mid));
                x += kSample;
            }
            p->setPen(QColor(0x20, 0x20, 0x20));
            const QString text = row == 0 ? own_ : compared_ + QStringLiteral("  ") + note_;
            p->drawText(QRectF(x + 8, mid - fm.height() / 2, box.width(), fm.height()),
                        Qt::AlignLeft | Qt::AlignVCenter, text);
        }
    }

private:
    static constexpr qreal kSample = 22;
    QFont font_;
    QString own_;
    QString compared_;
    QString note_;
    QColor c1_;
    QColor c2_;
};

/// The compared pass's two traces, drawn over the plot as dashed lines. Only the samples in
/// the shown window are drawn, and of those no more than one per pixel column is kept (with
/// its column's lowest and highest value), so that a zoom step costs the same on any log.
class ComparedTracesItem : public QGraphicsItem {
public:
    ComparedTracesItem(ChartControl& chart, QGraphicsItem* parent)
        : QGraphicsItem(parent), chart_(chart) {}

    std::array<QList<QPointF>, 2> points;
    std::array<QPen, 2> pens;

    void changed() {
        prepareGeometryChange();
        update();
    }
    QRectF boundingRect() const override { return chart_.plotAreaRect(); }

    std::vector<QLineF> dashes(int g) const {
        std::vector<QLineF> out;
        const QList<QPointF>& pts = points[static_cast<std::size_t>(g)];
        if (pts.isEmpty()) {
            return out;
        }
        const QRectF plot = chart_.plotAreaRect();
        const ChartControl::Range x = chart_.drawnAxisRange(ChartAxis::X);
        const ChartControl::Range y = chart_.drawnAxisRange(g == 0 ? ChartAxis::Y : ChartAxis::Y2);
        const double sx = plot.width() / (x.high - x.low);
        const double sy = plot.height() / (y.high - y.low);
        auto pixel = [&](const QPointF& p) {
            return QPointF(plot.left() + (p.x() - x.low) * sx,
                           plot.bottom() - (p.y() - y.low) * sy);
        };
        // The times rise, so the window's samples are one run (and one either side of it).
        auto first = std::lower_bound(pts.begin(), pts.end(), x.low,
                                      [](const QPointF& p, double t) { return p.x() < t; });
        auto last = std::upper_bound(first, pts.end(), x.high,
                                     [](double t, const QPointF& p) { return t < p.x(); });
        if (first != pts.begin()) {
            --first;
        }
        if (last != pts.end()) {
            ++last;
        }
        std::vector<QPointF> line;
        line.reserve(static_cast<std::size_t>(std::min<qsizetype>(last - first, 4000)));
        double column = std::numeric_limits<double>::quiet_NaN();
        QPointF low;
        QPointF high;
        auto flush = [&] {
            if (std::isnan(column)) {
                return;
            }
            line.push_back(low);
            if (high != low) {
                line.push_back(high);
            }
        };
        for (auto it = first; it != last; ++it) {
            const QPointF p = pixel(*it);
            const double c = std::floor(p.x());
            if (c != column) {
                flush();
                column = c;
                low = high = p;
            } else if (p.y() > low.y()) {
                low = p;
            } else if (p.y() < high.y()) {
                high = p;
            }
        }
        flush();
        cutDashes(line, out);
        return out;
    }

    void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) override {
        p->save();
        p->setClipRect(chart_.plotAreaRect());
        p->setRenderHint(QPainter::Antialiasing, true);
        for (int g = 0; g < 2; ++g) {
            const std::vector<QLineF> d = dashes(g);
            p->setPen(pens[static_cast<std::size_t>(g)]);
            p->drawLines(d.data(), static_cast<int>(d.size()));
        }
        p->restore();
    }

private:
    ChartControl& chart_;
};

// ---- cursor --------------------------------------------------------------------------------

ChartCursor::ChartCursor(ChartControl& chart, const QString& letter, const QColor& color)
    : QObject(&chart), chart_(chart) {
    line_ = new QGraphicsLineItem(chart.chart());
    QPen pen(color, 2, Qt::DashDotLine);
    pen.setCapStyle(Qt::FlatCap);
    line_->setPen(pen);
    line_->setZValue(15);
    line_->setVisible(false);
    letter_ = new QGraphicsSimpleTextItem(letter, chart.chart());
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13);
    f.setBold(true);
    letter_->setFont(f);
    letter_->setBrush(color);
    letter_->setZValue(16);
    letter_->setVisible(false);
    followChart(chart, this, [this] { place(); });
}

void ChartCursor::setTime(std::optional<double> time) {
    time_ = time;
    place();
}

bool ChartCursor::drawn() const {
    return letter_->isVisible();
}

double ChartCursor::pixel() const {
    return linePixel_;
}

QRectF ChartCursor::letterRect() const {
    return letter_->boundingRect().translated(letter_->pos());
}

void ChartCursor::keepLetterApartFrom(ChartCursor& other) {
    partner_ = &other;
    other.partner_ = this;
    place();
}

void ChartCursor::centreLetter() {
    const QRectF r = letter_->boundingRect();
    letter_->setPos(linePixel_ - r.width() / 2, chart_.plotAreaRect().top() - r.height() - 1);
}

void ChartCursor::separateLetters(ChartCursor& a, ChartCursor& b) {
    if (!a.drawn() || !b.drawn()) {
        return;
    }
    a.centreLetter();
    b.centreLetter();
    constexpr double kGap = 3;
    if (!a.letterRect().adjusted(-kGap, 0, kGap, 0).intersects(b.letterRect())) {
        return;
    }
    // The earlier line keeps its letter on its left, the later one on its right; the letters
    // meet no nearer than the gap, around the middle of the two lines.
    ChartCursor& left = a.linePixel_ <= b.linePixel_ ? a : b;
    ChartCursor& right = &left == &a ? b : a;
    const double middle = (left.linePixel_ + right.linePixel_) / 2;
    const QRectF l = left.letter_->boundingRect();
    left.letter_->setX(std::min(left.linePixel_ - l.width() / 2, middle - kGap / 2 - l.width()));
    const QRectF r = right.letter_->boundingRect();
    right.letter_->setX(std::max(right.linePixel_ - r.width() / 2, middle + kGap / 2));
}

void ChartCursor::place() {
    const std::optional<double> t =
        followMarker_ ? std::optional<double>(chart_.timeMarker()) : time_;
    // Decided from the time axis itself: the chart's own marker may not have been placed
    // for the new window yet when this runs.
    const bool inside = t && timeShown(chart_, *t);
    if (inside) {
        const QRectF plot = chart_.plotAreaRect();
        linePixel_ = pixelOfTime(chart_, *t);
        line_->setLine(linePixel_, plot.top(), linePixel_, plot.bottom());
        centreLetter();
    }
    line_->setVisible(inside && !followMarker_);
    letter_->setVisible(inside);
    if (partner_ != nullptr) {
        separateLetters(*this, *partner_);
    }
}

// ---- comparison ----------------------------------------------------------------------------

CompareOverlay::CompareOverlay(ChartControl& chart) : QObject(&chart), chart_(chart) {
    legend_ = new CompareLegendItem(chart.chart());
    legend_->setZValue(25);
    legend_->setVisible(false);
    // Under the traces of this log, over the plot's background.
    traces_ = new ComparedTracesItem(chart, chart.chart());
    traces_->setZValue(1);
    traces_->setVisible(false);
    followChart(chart, this, [this] {
        placeLegend();
        traces_->changed();
    });
    for (QAbstractAxis* a : chart.chart()->axes(Qt::Vertical)) {
        if (auto* v = qobject_cast<QValueAxis*>(a)) {
            connect(v, &QValueAxis::rangeChanged, this, [this] { traces_->changed(); });
        }
    }
}

CompareOverlay::~CompareOverlay() = default;

void CompareOverlay::show(std::unique_ptr<DataBuffer> data, const QString& name,
                          const QString& ownName) {
    remove();
    data_ = std::move(data);
    name_ = name;
    ownName_ = ownName;
    traces_->pens = {comparedPen(chart_.groupColor(1)), comparedPen(chart_.groupColor(2))};
    traces_->setVisible(true);
    legend_->setVisible(true);
    placeLegend();
}

void CompareOverlay::remove() {
    traces_->points = {};
    traces_->setVisible(false);
    data_.reset();
    alignment_ = {};
    legend_->setVisible(false);
}

void CompareOverlay::setAlignment(const PassAlignment& a) {
    alignment_ = a;
    rebuildPoints();
    placeLegend();
}

void CompareOverlay::setTraces(const TraceOption& trace1, const TraceOption& trace2) {
    if (!data_) {
        return;
    }
    buildTrace(trace1, *data_, values_[0]);
    buildTrace(trace2, *data_, values_[1]);
    rebuildPoints();
}

void CompareOverlay::rebuildPoints() {
    if (!data_) {
        return;
    }
    // The compared pass's padding rows are no samples: they are neither drawn nor read.
    const std::span<const float> times = recordedPart(*data_, Column::ElapsedTime);
    for (std::size_t g = 0; g < 2; ++g) {
        traces_->points[g] =
            alignedPoints(times, recordedPart(*data_, values_[g]), alignment_.shift);
    }
    traces_->changed();
}

std::optional<float> CompareOverlay::valueAt(int trace, double time) const {
    if (!data_ || (trace != 1 && trace != 2)) {
        return std::nullopt;
    }
    const double interval = data_->logInterval;
    const double tolerance = std::isfinite(interval) && interval > 0 ? interval : 0;
    return valueAtTime(recordedPart(*data_, Column::ElapsedTime),
                       recordedPart(*data_, values_[static_cast<std::size_t>(trace - 1)]),
                       alignment_.shift, time, tolerance);
}

const QList<QPointF>& CompareOverlay::points(int trace) const {
    return traces_->points[trace == 2 ? 1 : 0];
}

QPen CompareOverlay::pen(int trace) const {
    return traces_->pens[trace == 2 ? 1 : 0];
}

std::vector<QLineF> CompareOverlay::dashes(int trace) const {
    return traces_->dashes(trace == 2 ? 1 : 0);
}

void CompareOverlay::placeLegend() {
    if (!data_) {
        return;
    }
    QString note = alignment_.atLaunch ? QStringLiteral("(launches together")
                                       : QStringLiteral("(starts together: no launch in both");
    if (alignment_.nudge != 0) {
        note += QStringLiteral(", %1%2 samples")
                    .arg(alignment_.nudge > 0 ? QStringLiteral("+") : QString())
                    .arg(alignment_.nudge);
    }
    note += QLatin1Char(')');
    legend_->set(ownName_, name_, note, chart_.groupColor(1), chart_.groupColor(2));
    const QRectF plot = chart_.plotAreaRect();
    legend_->setPos(plot.topLeft() + QPointF(8, 8));
}

}  // namespace tarvik
