#include "realtime/bar_gauge.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "common/number_format.h"
#include "realtime/gauge_style.h"

namespace tarvik {

BarGauge::BarGauge(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void BarGauge::setFaceText(const QString& text) {
    gauge_style::setAndUpdate(*this, faceText_, text);
}

void BarGauge::setScale(double low, double high) {
    setSections({Section{low, high, 1}});
}

void BarGauge::setSections(const std::vector<Section>& sections) {
    if (sections.empty()) {
        return;
    }
    gauge_style::setAndUpdate(*this, sections_, sections);
}

void BarGauge::setLabels(const std::vector<double>& values) {
    gauge_style::setAndUpdate(*this, labels_, values);
}

void BarGauge::setLabelPattern(const QString& pattern) {
    gauge_style::setAndUpdate(*this, labelPattern_, pattern);
}

void BarGauge::setBands(const std::vector<Band>& bands) {
    gauge_style::setAndUpdate(*this, bands_, bands);
}

void BarGauge::setReadoutPattern(const QString& pattern) {
    gauge_style::setAndUpdate(*this, readoutPattern_, pattern);
}

void BarGauge::setSection(int section) {
    gauge_style::setAndUpdate(*this, section_, section);
}

void BarGauge::setPointerValue(double value) {
    gauge_style::setAndUpdate(*this, pointerValue_, value);
}

void BarGauge::setSecondSelector(int selector) {
    gauge_style::setAndUpdate(*this, secondSelector_, selector);
}

int BarGauge::effectiveSection(int section) const {
    return std::clamp(section, 0, static_cast<int>(sections_.size()) - 1);
}

namespace {

constexpr double kFaceWide = 100;

bool usable(const BarGauge::Section& s) {
    return std::isfinite(s.low) && std::isfinite(s.high) && s.low != s.high;
}

double usableShare(const BarGauge::Section& s) {
    return std::isfinite(s.share) && s.share > 0 ? s.share : 0;
}

// Where value lies between low and high, 0..1, pinned to the ends; low may exceed high.
double pinnedRatio(double value, double low, double high) {
    const double t = (value - low) / (high - low);
    if (std::isnan(t)) {
        return 0;
    }
    return std::clamp(t, 0.0, 1.0);
}

}  // namespace

double BarGauge::fractionOf(double value, int section) const {
    if (std::isnan(value)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    double total = 0;
    for (const Section& s : sections_) {
        total += usableShare(s);
    }
    const auto count = static_cast<double>(sections_.size());
    const int index = effectiveSection(section);
    double start = 0;
    for (int i = 0; i < index; ++i) {
        start +=
            total > 0 ? usableShare(sections_[static_cast<std::size_t>(i)]) / total : 1.0 / count;
    }
    const Section& s = sections_[static_cast<std::size_t>(index)];
    const double share = total > 0 ? usableShare(s) / total : 1.0 / count;
    if (!usable(s)) {
        return start;
    }
    return std::clamp(start + pinnedRatio(value, s.low, s.high) * share, 0.0, 1.0);
}

double BarGauge::scaleFraction(double value) const {
    if (std::isnan(value)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    // The first section that holds the value; outside every section the value goes to the
    // nearer end of the whole scale.
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (usable(s) && value >= std::min(s.low, s.high) && value <= std::max(s.low, s.high)) {
            return fractionOf(value, static_cast<int>(i));
        }
    }
    // Scales run upwards from their first section; a value below its start goes to the bottom.
    const Section& first = sections_.front();
    const double start = usable(first) ? std::min(first.low, first.high) : first.low;
    return value < start ? 0.0 : 1.0;
}

double BarGauge::pointerFraction() const {
    return fractionOf(pointerValue_, section_);
}

QSize BarGauge::sizeHint() const {
    return {84, 250};
}

QSize BarGauge::minimumSizeHint() const {
    return {48, 160};
}

QColor BarGauge::columnColor() const {
    // A banded gauge lights its column in the colour of the band the reading is in, so a lean
    // mixture or a low battery shows at a glance.
    if (!std::isnan(pointerValue_)) {
        for (const Band& band : bands_) {
            if (pointerValue_ >= std::min(band.from, band.to) &&
                pointerValue_ <= std::max(band.from, band.to)) {
                return band.color;
            }
        }
    }
    return gauge_style::pointer();
}

void BarGauge::paintEvent(QPaintEvent*) {
    if (width() < 2 || height() < 2) {
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Logical face: 100 units wide and between kMinTall and kMaxTall units tall, scaled to the
    // widget and centred in it, so the gauge keeps its proportions at any size.
    constexpr double kMinTall = 220;
    constexpr double kMaxTall = 520;
    double scale = width() / kFaceWide;
    double tall = height() / scale;
    if (tall < kMinTall) {
        tall = kMinTall;
        scale = height() / kMinTall;
    } else if (tall > kMaxTall) {
        tall = kMaxTall;
    }
    p.translate((width() - kFaceWide * scale) / 2, (height() - tall * scale) / 2);
    p.scale(scale, scale);

    const QRectF face = paintFace(p, tall);
    const bool readout = !readoutPattern_.isEmpty();
    const double scaleTop = face.top() + 34;
    const double scaleBottom = face.bottom() - (readout ? 38 : 14);
    const ScaleGeometry geometry{scaleTop, scaleBottom};
    paintBands(p, geometry);
    paintTicksAndLabels(p, geometry);
    paintTrackAndReading(p, geometry);
    if (readout) {
        gauge_style::drawReadout(p,
                                 QRectF(face.left() + 8, face.bottom() - 30, face.width() - 16, 24),
                                 formatPattern(pointerValue_, readoutPattern_));
    }
}

QRectF BarGauge::paintFace(QPainter& p, double tall) const {
    namespace gs = gauge_style;
    const QRectF outer(1, 1, kFaceWide - 2, tall - 2);
    QLinearGradient bezel(outer.topLeft(), outer.bottomRight());
    bezel.setColorAt(0, gs::bezelLight());
    bezel.setColorAt(0.5, gs::bezelDark());
    bezel.setColorAt(1, gs::bezelLight().darker(140));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawRoundedRect(outer, 9, 9);
    const QRectF face = outer.adjusted(3, 3, -3, -3);
    QLinearGradient faceFill(face.topLeft(), face.bottomLeft());
    faceFill.setColorAt(0, gs::faceTop());
    faceFill.setColorAt(1, gs::faceBottom());
    p.setBrush(faceFill);
    p.drawRoundedRect(face, 7, 7);
    gs::drawFittedText(p, QRectF(face.left() + 4, face.top() + 5, face.width() - 8, 18), faceText_,
                       gs::font(14, true), gs::faceText());
    return face;
}

void BarGauge::paintBands(QPainter& p, const ScaleGeometry& g) const {
    constexpr double kBandLeft = 79;
    constexpr double kBandWidth = 6;
    for (const Band& band : bands_) {
        const double a = scaleFraction(band.from);
        const double b = scaleFraction(band.to);
        if (std::isnan(a) || std::isnan(b)) {
            continue;
        }
        p.setPen(Qt::NoPen);
        p.setBrush(band.color);
        p.drawRect(QRectF(kBandLeft, std::min(g.yOf(a), g.yOf(b)), kBandWidth,
                          std::fabs(g.yOf(a) - g.yOf(b))));
    }
}

void BarGauge::paintTicksAndLabels(QPainter& p, const ScaleGeometry& g) const {
    namespace gs = gauge_style;
    constexpr double kLabelRight = 40;
    constexpr double kTickLeftMajor = 43;
    constexpr double kTickLeftMinor = 47;
    constexpr double kTickRight = 52;
    // A major tick at each label, a minor one half way between labels.
    std::vector<double> sorted = labels_;
    sorted.erase(
        std::remove_if(sorted.begin(), sorted.end(), [](double v) { return !std::isfinite(v); }),
        sorted.end());
    std::sort(sorted.begin(), sorted.end());
    p.setPen(QPen(gs::tick(), 1.1));
    for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
        const double y = g.yOf(scaleFraction((sorted[i] + sorted[i + 1]) / 2));
        p.drawLine(QPointF(kTickLeftMinor, y), QPointF(kTickRight, y));
    }
    p.setPen(QPen(gs::tick(), 1.8));
    const QFont labelFont = gs::font(12, false);
    for (double v : sorted) {
        const double y = g.yOf(scaleFraction(v));
        p.drawLine(QPointF(kTickLeftMajor, y), QPointF(kTickRight, y));
    }
    for (double v : sorted) {
        const double y = g.yOf(scaleFraction(v));
        gs::drawFittedText(p, QRectF(4, y - 8, kLabelRight - 4, 16),
                           formatPattern(v, labelPattern_), labelFont, gs::scaleText(),
                           Qt::AlignRight | Qt::AlignVCenter);
    }
}

void BarGauge::paintTrackAndReading(QPainter& p, const ScaleGeometry& g) const {
    const QRectF track(55, g.top - 3, 20, g.span() + 6);
    p.setPen(QPen(gauge_style::trackEdge(), 1));
    p.setBrush(gauge_style::trackFill());
    p.drawRoundedRect(track, 3, 3);

    const double fraction = pointerFraction();
    if (std::isnan(fraction)) {
        return;
    }
    const double y = g.yOf(fraction);
    const QColor lit = columnColor();
    const QRectF inner = track.adjusted(2.5, 2.5, -2.5, -2.5);
    if (secondSelector_ != Marker) {
        const QRectF column(inner.left(), y, inner.width(), std::max(0.0, inner.bottom() - y));
        QLinearGradient fill(column.topLeft(), column.topRight());
        fill.setColorAt(0, lit.darker(150));
        fill.setColorAt(0.45, lit.lighter(125));
        fill.setColorAt(1, lit.darker(150));
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRect(column);
    }
    // The bright line at the reading, and an arrow on the tick side, for reading it exactly.
    p.setPen(QPen(QColor(255, 255, 255), 2.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(inner.left(), y), QPointF(inner.right(), y));
    QPolygonF arrow;
    arrow << QPointF(track.left() - 0.5, y) << QPointF(track.left() - 7, y - 4.5)
          << QPointF(track.left() - 7, y + 4.5);
    p.setPen(Qt::NoPen);
    p.setBrush(gauge_style::pointer());
    p.drawPolygon(arrow);
}

}  // namespace tarvik
