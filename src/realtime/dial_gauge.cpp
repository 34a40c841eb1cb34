#include "realtime/dial_gauge.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "realtime/gauge_style.h"

namespace tarvik {

DialGauge::DialGauge(QWidget* parent) : QWidget(parent) {}

void DialGauge::setFaceTexts(const QString& upper, const QString& lower) {
    upperText_ = upper;
    lowerText_ = lower;
    update();
}

void DialGauge::setMajorStep(double step, int minorDivisions) {
    minorDivisions_ = minorDivisions;
    gauge_style::setAndUpdate(*this, majorStep_, step);
}

void DialGauge::setMaximum(double maximum) {
    gauge_style::setAndUpdate(*this, maximum_, maximum);
}

void DialGauge::setRedline(double redline) {
    gauge_style::setAndUpdate(*this, redline_, redline);
}

void DialGauge::setValue(double value) {
    gauge_style::setAndUpdate(*this, value_, value);
}

void DialGauge::setCaption(const QString& text) {
    gauge_style::setAndUpdate(*this, caption_, text);
}

void DialGauge::setRefresh(int refresh) {
    refresh_ = refresh;
    if (refresh != 0 && isVisible()) {
        repaint();
    }
}

namespace {

constexpr double kStartDeg = 225;  // the scale starts at the lower left ...
constexpr double kSweepDeg = 270;  // ... and runs clockwise to the lower right
constexpr double kPi = 3.14159265358979323846;
// The scale is drawn in a logical dial 200 units across, centred, origin at the hub.
constexpr double kTickOuter = 86;
constexpr double kRedInner = 72;
constexpr double kLabelRadius = 60;

// A point at a radius along the scale direction for a fraction of the sweep (y grows down).
QPointF polar(double radius, double fraction) {
    const double a = (kStartDeg - kSweepDeg * fraction) * kPi / 180;
    return {radius * std::cos(a), -radius * std::sin(a)};
}

// A ring segment between two radii over a range of the sweep.
QPainterPath ringSegment(double inner, double outer, double from, double to) {
    QPainterPath path;
    const double startDeg = kStartDeg - kSweepDeg * from;
    const double spanDeg = -kSweepDeg * (to - from);
    path.arcMoveTo(QRectF(-outer, -outer, 2 * outer, 2 * outer), startDeg);
    path.arcTo(QRectF(-outer, -outer, 2 * outer, 2 * outer), startDeg, spanDeg);
    path.arcTo(QRectF(-inner, -inner, 2 * inner, 2 * inner), startDeg + spanDeg, -spanDeg);
    path.closeSubpath();
    return path;
}

}  // namespace

double DialGauge::needleFraction() const {
    if (!std::isfinite(maximum_) || maximum_ <= 0 || std::isnan(value_)) {
        return 0;
    }
    return std::clamp(value_ / maximum_, 0.0, 1.0);
}

QSize DialGauge::sizeHint() const {
    return {250, 250};
}

QSize DialGauge::minimumSizeHint() const {
    return {150, 150};
}

void DialGauge::paintEvent(QPaintEvent*) {
    const double side = std::min(width(), height());
    if (side < 2) {
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.translate(width() / 2.0, height() / 2.0);
    p.scale(side / 200.0, side / 200.0);

    paintFace(p);
    const bool hasScale = std::isfinite(maximum_) && maximum_ > 0;
    if (hasScale && !std::isnan(redline_) && redline_ < maximum_) {
        const double from = std::clamp(redline_ / maximum_, 0.0, 1.0);
        p.setBrush(gauge_style::redZone());
        p.drawPath(ringSegment(kRedInner, kTickOuter, from, 1.0));
    }
    p.setPen(QPen(gauge_style::tick(), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-kTickOuter, -kTickOuter, 2 * kTickOuter, 2 * kTickOuter),
              static_cast<int>(kStartDeg * 16), static_cast<int>(-kSweepDeg * 16));
    if (hasScale) {
        const double step = labelStep();
        paintTicks(p, step);
        paintLabels(p, step);
    }
    paintTextsAndNeedle(p);
}

void DialGauge::paintFace(QPainter& p) const {
    namespace gs = gauge_style;
    QLinearGradient bezel(QPointF(-100, -100), QPointF(100, 100));
    bezel.setColorAt(0, gs::bezelLight());
    bezel.setColorAt(0.5, gs::bezelDark());
    bezel.setColorAt(1, gs::bezelLight().darker(130));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawEllipse(QPointF(0, 0), 99, 99);
    QRadialGradient face(QPointF(0, -20), 110);
    face.setColorAt(0, gs::faceTop());
    face.setColorAt(1, gs::faceBottom());
    p.setBrush(face);
    p.drawEllipse(QPointF(0, 0), 94, 94);
}

double DialGauge::labelStep() const {
    double step = std::isfinite(majorStep_) && majorStep_ > 0 ? majorStep_ : 1;
    // A maximum far beyond the step (a damaged setting) would mean thousands of ticks: widen
    // the step until the dial stays readable.
    while (maximum_ / step > 60) {
        step *= 10;
    }
    return step;
}

void DialGauge::paintTicks(QPainter& p, double step) const {
    const int majors = static_cast<int>(std::floor(maximum_ / step + 1e-9));
    const int minors = std::clamp(minorDivisions_, 1, 10);
    p.setPen(QPen(gauge_style::tick(), 1.0, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i <= majors * minors; ++i) {
        const double v = step * i / minors;
        if (i % minors == 0 || v > maximum_ + 1e-9) {
            continue;
        }
        const double f = v / maximum_;
        p.drawLine(polar(kTickOuter, f), polar(kTickOuter - 6, f));
    }
    // Minor ticks after the last major up to a maximum between two majors.
    for (int j = 1; j < minors; ++j) {
        const double v = step * majors + step * j / minors;
        if (v <= maximum_ + 1e-9) {
            p.drawLine(polar(kTickOuter, v / maximum_), polar(kTickOuter - 6, v / maximum_));
        }
    }
    p.setPen(QPen(gauge_style::tick(), 2.6, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i <= majors; ++i) {
        const double f = step * i / maximum_;
        p.drawLine(polar(kTickOuter, f), polar(kTickOuter - 13, f));
    }
}

void DialGauge::paintLabels(QPainter& p, double step) const {
    const int majors = static_cast<int>(std::floor(maximum_ / step + 1e-9));
    // Labels every major tick, or every second, fifth ... when they would crowd each other.
    const QFont labelFont = gauge_style::font(15, true);
    const QFontMetricsF fm(labelFont);
    const double widest =
        std::max(fm.horizontalAdvance(formatPattern(step * majors, QStringLiteral("#0.#"))),
                 fm.horizontalAdvance(QStringLiteral("00")));
    const double gap = kLabelRadius * kSweepDeg * kPi / 180 * step / maximum_;
    int every = 1;
    for (int candidate : {1, 2, 5, 10, 20, 50}) {
        every = candidate;
        // Labels stand on an arc, so neighbours are offset in height as well as width: most of
        // the widest label's width is enough room.
        if (gap * candidate >= widest * 0.85 + 2) {
            break;
        }
    }
    for (int i = 0; i <= majors; i += every) {
        const double v = step * i;
        const QPointF at = polar(kLabelRadius, v / maximum_);
        gauge_style::drawFittedText(p, QRectF(at.x() - 22, at.y() - 10, 44, 20),
                                    formatPattern(v, QStringLiteral("#0.#")), labelFont,
                                    gauge_style::scaleText());
    }
}

void DialGauge::paintTextsAndNeedle(QPainter& p) const {
    namespace gs = gauge_style;
    // Face texts below the hub, where the needle seldom stands, then the read-out.
    gs::drawFittedText(p, QRectF(-40, 23, 80, 17), upperText_, gs::font(13, true), gs::faceText());
    gs::drawFittedText(p, QRectF(-40, 39, 80, 12), lowerText_, gs::font(10, false), gs::faceText());
    gs::drawReadout(p, QRectF(-30, 53, 60, 24), caption_);

    // Needle with its shadow, then the hub.
    const double angle = -(kStartDeg - kSweepDeg * needleFraction());  // clockwise degrees
    QPolygonF needle;
    needle << QPointF(-16, -3.2) << QPointF(78, -0.9) << QPointF(82, 0) << QPointF(78, 0.9)
           << QPointF(-16, 3.2);
    p.save();
    p.translate(2, 3);
    p.rotate(angle);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawPolygon(needle);
    p.restore();
    p.save();
    p.rotate(angle);
    QLinearGradient needleFill(QPointF(0, -3), QPointF(0, 3));
    needleFill.setColorAt(0, gs::pointer().lighter(130));
    needleFill.setColorAt(1, gs::pointer().darker(130));
    p.setPen(QPen(gs::pointer().darker(160), 0.6));
    p.setBrush(needleFill);
    p.drawPolygon(needle);
    p.restore();
    QRadialGradient hub(QPointF(-3, -3), 12);
    hub.setColorAt(0, QColor(0x9a, 0xa0, 0xa8));
    hub.setColorAt(1, QColor(0x1c, 0x1e, 0x21));
    p.setPen(QPen(QColor(0, 0, 0), 0.8));
    p.setBrush(hub);
    p.drawEllipse(QPointF(0, 0), 9, 9);

    // Glass: a faint highlight over the upper half.
    QLinearGradient glass(QPointF(0, -94), QPointF(0, 10));
    glass.setColorAt(0, QColor(255, 255, 255, 30));
    glass.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawEllipse(QRectF(-80, -92, 160, 110));
}

}  // namespace tarvik
