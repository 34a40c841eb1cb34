#include "realtime/strip_chart.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "core/app_error.h"
#include "realtime/gauge_style.h"
#include "realtime/live_cycle.h"
#include "realtime/real_time_monitor.h"
#include "settings/settings.h"

namespace tarvik {

namespace {

const QColor kBackground(0x16, 0x18, 0x1b);
const QColor kLaneBackground(0x05, 0x06, 0x07);
const QColor kGrid(0x33, 0x37, 0x3d);
// One colour per lane, bright enough on the dark dashboard and told apart at a glance.
const QColor kTraceColours[StripChart::kLaneCount] = {
    QColor(0xff, 0x6b, 0x3d), QColor(0x4d, 0xb8, 0xff), QColor(0x7d, 0xe0, 0x5a),
    QColor(0xff, 0xd2, 0x3f), QColor(0xe0, 0x7d, 0xff), QColor(0xff, 0x4d, 0x6d),
    QColor(0x3d, 0xe0, 0xd0)};

}  // namespace

StripChart::StripChart(const Settings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
    setObjectName(QStringLiteral("stripChart"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

QSize StripChart::sizeHint() const {
    return {420, 7 * 64};
}

QSize StripChart::minimumSizeHint() const {
    return {300, 7 * 34};
}

void StripChart::addCycle(const LiveCycle& cycle) {
    fillGapBefore(cycle.startedUs);
    buffer_.append(StripSample::from(cycle));
    lastSampleUs_ = cycle.startedUs;
    update();
}

void StripChart::addMissedCycle(qint64 atUs) {
    fillGapBefore(atUs);
    buffer_.append(StripSample{});
    lastSampleUs_ = atUs;
    update();
}

void StripChart::fillGapBefore(qint64 atUs) {
    if (!lastSampleUs_ || atUs <= *lastSampleUs_) {
        return;
    }
    constexpr qint64 kIntervalUs = static_cast<qint64>(RealTimeMonitor::kPollIntervalMs) * 1000;
    // Intervals that went by without a sample, to the nearest whole one; never more than the
    // chart holds.
    const qint64 missed = (atUs - *lastSampleUs_ + kIntervalUs / 2) / kIntervalUs - 1;
    for (qint64 k = 0; k < std::min<qint64>(missed, StripChartBuffer::kCapacity); ++k) {
        buffer_.append(StripSample{});
    }
}

void StripChart::clear() {
    buffer_.clear();
    lastSampleUs_.reset();
    update();
}

StripChart::Lane StripChart::lane(int index) const {
    const Settings& s = settings_;
    switch (index) {
        case 0:
            return {QStringLiteral("Engine speed"), QStringLiteral("rpm"), 0,
                    std::max(1000.0, static_cast<double>(s.tachMax)), QStringLiteral("####0")};
        case 1:
            return {QStringLiteral("Road speed"), QStringLiteral("mph"), 0,
                    std::max(10.0, static_cast<double>(s.speedoMax)), QStringLiteral("##0")};
        case 2:
            return s.tpsPercentDisplay ? Lane{QStringLiteral("Throttle"), QStringLiteral("%"), 0,
                                              100, QStringLiteral("##0")}
                                       : Lane{QStringLiteral("Throttle"), QStringLiteral("V"), 0, 5,
                                              QStringLiteral("0.00")};
        case 3:
        case 4: {
            const bool analog = index == 3 ? s.input1AnalogDisplay : s.input2AnalogDisplay;
            const QString caption =
                index == 3 ? QStringLiteral("Input 1") : QStringLiteral("Input 2");
            return analog ? Lane{caption, QStringLiteral("V"), 0, 5, QStringLiteral("0.00")}
                          : Lane{caption, QStringLiteral("AFR"), 10, 20, QStringLiteral("#0.0")};
        }
        case 5:
            return {QStringLiteral("Stage 1"), QStringLiteral("%"), 0, 100, QStringLiteral("##0")};
        case 6:
            return {QStringLiteral("Stage 2"), QStringLiteral("%"), 0, 100, QStringLiteral("##0")};
        default:
            throw AppError::subscriptOutOfRange(QStringLiteral("Strip Chart"));
    }
}

double StripChart::laneValue(int index, const StripSample& sample) const {
    const Settings& s = settings_;
    switch (index) {
        case 0:
            return sample.rpm;
        case 1:
            return sample.roadSpeedMph;
        case 2:
            return s.tpsPercentDisplay ? sample.throttlePercent : sample.throttleVolts;
        case 3:
        case 4: {
            const bool analog = index == 3 ? s.input1AnalogDisplay : s.input2AnalogDisplay;
            const double volts = index == 3 ? sample.input1Volts : sample.input2Volts;
            // The air/fuel ratio as the panel's gauge computes it.
            return analog ? volts : volts * 2.0 + 10.0;
        }
        case 5:
            return sample.stage1Duty;
        case 6:
            return sample.stage2Duty;
        default:
            throw AppError::subscriptOutOfRange(QStringLiteral("Strip Chart"));
    }
}

QString StripChart::currentText(int index) const {
    const Lane l = lane(index);
    if (buffer_.size() == 0) {
        return QStringLiteral("-");
    }
    const double v = laneValue(index, buffer_.newest());
    if (std::isnan(v)) {
        return QStringLiteral("-");
    }
    return formatPattern(v, l.pattern) + u' ' + l.unit;
}

namespace {

QFont smallFont(const QFont& base) {
    QFont f = base;
    f.setPointSizeF(f.pointSizeF() * 0.85);
    return f;
}

QFont boldFont(const QFont& base) {
    QFont f = base;
    f.setBold(true);
    return f;
}

}  // namespace

StripChart::Geometry StripChart::geometry(int index) const {
    // Each lane: a heading line (caption, range, newest reading), then the trace at full width,
    // so the minute gets all the room the chart has.
    const int headingHeight = QFontMetrics(boldFont(font())).height() + 2;
    const int axisHeight = QFontMetrics(smallFont(font())).height() + 4;
    const QRect area = rect().adjusted(8, 6, -8, -6 - axisHeight);
    const double laneHeight = static_cast<double>(area.height()) / kLaneCount;
    const double top = area.top() + index * laneHeight;
    const double width = std::max(1, area.width());
    return {QRectF(area.left(), top, width, headingHeight),
            QRectF(area.left(), top + headingHeight, width,
                   std::max(4.0, laneHeight - headingHeight - 5))};
}

QString StripChart::backgroundKey() const {
    QString key = QStringLiteral("%1x%2").arg(width()).arg(height());
    for (int i = 0; i < kLaneCount; ++i) {
        const Lane l = lane(i);
        key += u'|' + l.unit + QString::number(l.low) + u'-' + QString::number(l.high);
    }
    return key;
}

void StripChart::drawBackground(QPainter& p) const {
    p.fillRect(rect(), kBackground);
    const QFont small = smallFont(font());
    const QFont bold = boldFont(font());
    const double step = geometry(0).plot.width() / (StripChartBuffer::kCapacity - 1);
    for (int i = 0; i < kLaneCount; ++i) {
        const Lane l = lane(i);
        const Geometry g = geometry(i);
        p.setFont(bold);
        p.setPen(gauge_style::faceText());
        p.drawText(g.heading, Qt::AlignLeft | Qt::AlignVCenter, l.caption);
        const int captionWidth = QFontMetrics(bold).horizontalAdvance(l.caption);
        p.setFont(small);
        p.setPen(gauge_style::scaleText());
        p.drawText(g.heading.adjusted(captionWidth + 8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   formatPattern(l.low, l.pattern) + QStringLiteral(" to ") +
                       formatPattern(l.high, l.pattern) + u' ' + l.unit);
        p.fillRect(g.plot, kLaneBackground);
        p.setPen(kGrid);
        p.drawLine(QPointF(g.plot.left(), g.plot.center().y()),
                   QPointF(g.plot.right(), g.plot.center().y()));
        for (int s = 1; s < 6; ++s) {  // a line every ten seconds
            const double x = g.plot.right() - s * 20 * step;
            p.drawLine(QPointF(x, g.plot.top()), QPointF(x, g.plot.bottom()));
        }
    }
    const Geometry last = geometry(kLaneCount - 1);
    const QRectF axis(last.plot.left(), last.plot.bottom() + 7, last.plot.width(),
                      QFontMetrics(small).height());
    p.setFont(small);
    p.setPen(gauge_style::scaleText());
    p.drawText(axis, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("-60 s"));
    p.drawText(axis, Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("-30 s"));
    p.drawText(axis, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("now"));
}

void StripChart::paintEvent(QPaintEvent*) {
    const QString key = backgroundKey();
    const qreal dpr = devicePixelRatioF();
    if (key != backgroundFor_ || background_.devicePixelRatio() != dpr) {
        background_ = QPixmap(size() * dpr);
        background_.setDevicePixelRatio(dpr);
        QPainter bp(&background_);
        drawBackground(bp);
        backgroundFor_ = key;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, background_);

    const QFont bold = boldFont(font());
    p.setFont(bold);
    const int n = buffer_.size();
    for (int i = 0; i < kLaneCount; ++i) {
        const Lane l = lane(i);
        const Geometry g = geometry(i);
        const QColor colour = kTraceColours[i];
        p.setPen(colour);
        p.drawText(g.heading, Qt::AlignRight | Qt::AlignVCenter, currentText(i));

        // The trace, newest at the right edge; a missing reading breaks it, and a reading
        // beyond the lane's range is drawn at its edge.
        const double step = g.plot.width() / (StripChartBuffer::kCapacity - 1);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(colour, 1.6));
        points_.clear();
        auto flush = [&] {
            if (points_.size() > 1) {
                p.drawPolyline(points_.constData(), static_cast<int>(points_.size()));
            } else if (points_.size() == 1) {
                p.drawPoint(points_.front());  // a reading between two gaps
            }
            points_.clear();
        };
        for (int k = 0; k < n; ++k) {
            const double v = laneValue(i, buffer_.at(k));
            if (std::isnan(v)) {
                flush();
                continue;
            }
            const double frac = std::clamp((v - l.low) / (l.high - l.low), 0.0, 1.0);
            points_.append(QPointF(g.plot.right() - (n - 1 - k) * step,
                                   g.plot.bottom() - 1 - frac * (g.plot.height() - 2)));
        }
        flush();
        p.setRenderHint(QPainter::Antialiasing, false);
    }
}

}  // namespace tarvik
