#include "realtime/strip_chart.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "link/app_error.h"
#include "realtime/gauge_style.h"
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
    buffer_.append(StripSample::from(cycle));
    update();
}

void StripChart::clear() {
    buffer_.clear();
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

void StripChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.setRenderHint(QPainter::Antialiasing, true);

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    QFont bold = font();
    bold.setBold(true);
    const int headingHeight = QFontMetrics(bold).height() + 2;
    const int axisHeight = QFontMetrics(small).height() + 4;
    const QRect area = rect().adjusted(8, 6, -8, -6 - axisHeight);
    const double laneHeight = static_cast<double>(area.height()) / kLaneCount;
    // Each lane: a heading line (caption, range, newest reading), then the trace at full width,
    // so the minute gets all the room the chart has.
    const double plotLeft = area.left();
    const double plotWidth = std::max(1, area.width());
    const double step = plotWidth / (StripChartBuffer::kCapacity - 1);

    for (int i = 0; i < kLaneCount; ++i) {
        const Lane l = lane(i);
        const QColor colour = kTraceColours[i];
        const double top = area.top() + i * laneHeight;
        const QRectF heading(plotLeft, top, plotWidth, headingHeight);
        const QRectF plot(plotLeft, top + headingHeight, plotWidth,
                          std::max(4.0, laneHeight - headingHeight - 5));

        p.setFont(bold);
        p.setPen(gauge_style::faceText());
        p.drawText(heading, Qt::AlignLeft | Qt::AlignVCenter, l.caption);
        const int captionWidth = QFontMetrics(bold).horizontalAdvance(l.caption);
        p.setPen(colour);
        p.drawText(heading, Qt::AlignRight | Qt::AlignVCenter, currentText(i));
        p.setFont(small);
        p.setPen(gauge_style::scaleText());
        p.drawText(heading.adjusted(captionWidth + 8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   formatPattern(l.low, l.pattern) + QStringLiteral(" to ") +
                       formatPattern(l.high, l.pattern) + u' ' + l.unit);

        p.fillRect(plot, kLaneBackground);
        p.setPen(kGrid);
        p.drawLine(QPointF(plot.left(), plot.center().y()),
                   QPointF(plot.right(), plot.center().y()));
        for (int s = 1; s < 6; ++s) {  // a line every ten seconds
            const double x = plot.right() - s * 20 * step;
            p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }

        // The trace, newest at the right edge; a missing reading breaks it, and a reading
        // beyond the lane's range is drawn at its edge.
        const int n = buffer_.size();
        QPainterPath path;
        bool drawing = false;
        for (int k = 0; k < n; ++k) {
            const double v = laneValue(i, buffer_.at(k));
            if (std::isnan(v)) {
                drawing = false;
                continue;
            }
            const double frac = std::clamp((v - l.low) / (l.high - l.low), 0.0, 1.0);
            const QPointF pt(plot.right() - (n - 1 - k) * step,
                             plot.bottom() - 1 - frac * (plot.height() - 2));
            if (drawing) {
                path.lineTo(pt);
            } else {
                path.moveTo(pt);
                drawing = true;
            }
        }
        p.setPen(QPen(colour, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }

    p.setFont(small);
    p.setPen(gauge_style::scaleText());
    const QRectF axis(plotLeft, area.bottom() + 2, plotWidth, axisHeight);
    p.drawText(axis, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("-60 s"));
    p.drawText(axis, Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("-30 s"));
    p.drawText(axis, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("now"));
}

}  // namespace tarvik
