#pragma once

#include <QPixmap>
#include <QPointF>
#include <QString>
#include <QVector>
#include <QWidget>
#include <optional>

#include "realtime/strip_chart_buffer.h"

namespace tarvik {

struct LiveCycle;
struct Settings;

/// The strip chart (View > "Strip Chart"): the last minute of live readings, one lane each for
/// engine speed, road speed, throttle, input 1, input 2 and the two stage duty cycles, with the
/// newest reading written beside each lane. Throttle and the inputs follow the display options
/// (percent or volts, volts or air/fuel ratio) as they are when the chart is drawn, so a change
/// of option redraws the whole minute in the new units.
///
/// A poll cycle only appends to the ring buffer and asks for a repaint; the drawing happens
/// when the event loop gets to it, at most once however many cycles came in between.
///
/// The chart keeps time: ticks that brought no readings (the serial adapter away, an error box
/// on screen) are gaps in the traces, one empty sample per poll interval that went by.
class StripChart : public QWidget {
    Q_OBJECT

public:
    static constexpr int kLaneCount = 7;

    explicit StripChart(const Settings& settings, QWidget* parent = nullptr);

    void addCycle(const LiveCycle& cycle);
    /// A tick at `atUs` (the link's clock) that got no readings.
    void addMissedCycle(qint64 atUs);
    void clear();
    const StripChartBuffer& buffer() const { return buffer_; }

    /// A lane's caption, the range it is drawn over, and the newest reading as it is written
    /// beside the lane ("6500 rpm", "14.7 AFR"; "-" when the newest cycle did not get it).
    struct Lane {
        QString caption;
        QString unit;
        double low = 0;
        double high = 1;
        QString pattern;
    };
    Lane lane(int index) const;
    /// The value lane `index` draws for one sample (NaN: none).
    double laneValue(int index, const StripSample& sample) const;
    QString currentText(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    /// Where lane i's heading and trace go for the widget's current size.
    struct Geometry {
        QRectF heading;
        QRectF plot;
    };
    Geometry geometry(int lane) const;
    /// Empty samples for the poll intervals that passed without a cycle before `atUs`.
    void fillGapBefore(qint64 atUs);
    /// What the static part of the drawing depends on besides the size.
    QString backgroundKey() const;
    void drawBackground(QPainter& p) const;

    const Settings& settings_;
    StripChartBuffer buffer_;
    std::optional<qint64> lastSampleUs_;
    // The lanes, captions, ranges, grid and time axis change only with the size or the display
    // options: drawn once into a pixmap, so a repaint draws just the traces and the newest
    // readings.
    QPixmap background_;
    QString backgroundFor_;
    QVector<QPointF> points_;
};

}  // namespace tarvik
