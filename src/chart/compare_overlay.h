#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <memory>
#include <optional>

#include "chart/pass_alignment.h"
#include "logdata/data_buffer.h"

#include <QLineF>
#include <QList>
#include <QPen>
#include <QPointF>
#include <vector>

class QGraphicsLineItem;
class QGraphicsSimpleTextItem;

namespace tarvik {

class ChartControl;
class CompareLegendItem;
class ComparedTracesItem;
struct TraceOption;

/// A vertical cursor over the plot at a time, with its letter at the top; hidden while its time
/// is outside the shown window. Follows the time axis and the plot area.
class ChartCursor : public QObject {
    Q_OBJECT

public:
    ChartCursor(ChartControl& chart, const QString& letter, const QColor& color);

    void setTime(std::optional<double> time);
    std::optional<double> time() const { return time_; }
    /// True when drawn (set, and inside the shown window).
    bool drawn() const;
    /// The line's horizontal position in chart pixels.
    double pixel() const;
    /// Follows a time kept elsewhere (the chart's own marker), drawing only the letter.
    void followMarker(bool on) {
        followMarker_ = on;
        place();
    }
    /// Keeps the two cursors' letters apart: when the lines stand so close that the letters
    /// would print over each other, each letter moves to the outer side of its line.
    void keepLetterApartFrom(ChartCursor& other);
    /// The letter's box in the chart's coordinates.
    QRectF letterRect() const;

    void place();

private:
    void centreLetter();
    static void separateLetters(ChartCursor& a, ChartCursor& b);

    ChartControl& chart_;
    QGraphicsLineItem* line_ = nullptr;
    QGraphicsSimpleTextItem* letter_ = nullptr;
    std::optional<double> time_;
    bool followMarker_ = false;
    double linePixel_ = 0;
    ChartCursor* partner_ = nullptr;
};

/// A second pass drawn over the chart: the same two traces, dashed, in lighter shades of the
/// traces' colours, moved in time so that both launches fall together; a legend over the
/// plot names both files.
class CompareOverlay : public QObject {
    Q_OBJECT

public:
    explicit CompareOverlay(ChartControl& chart);
    ~CompareOverlay() override;

    /// Shows `data` (called `name`) aligned by `alignment`; `ownName` names this log.
    void show(std::unique_ptr<DataBuffer> data, const QString& name, const QString& ownName);
    void remove();
    bool shown() const { return data_ != nullptr; }
    const DataBuffer* data() const { return data_.get(); }
    const QString& name() const { return name_; }

    void setAlignment(const PassAlignment& a);
    const PassAlignment& alignment() const { return alignment_; }

    /// Draws the compared pass with these options (as the chart shows its own traces).
    void setTraces(const TraceOption& trace1, const TraceOption& trace2);

    /// The compared pass's values of trace 1 and 2 at a time of this log (nothing where the
    /// pass has no sample within one of its intervals).
    std::optional<float> valueAt(int trace, double time) const;

    /// The compared trace's points on this log's time axis (its times moved by the
    /// alignment), samples without a finite time or value left out.
    const QList<QPointF>& points(int trace) const;
    /// The pen each dash of the trace is drawn with: a lighter shade of the trace's colour.
    QPen pen(int trace) const;
    /// The dashes drawn for the trace in the shown window, in chart pixels.
    std::vector<QLineF> dashes(int trace) const;

private:
    void rebuildPoints();
    void placeLegend();

    ChartControl& chart_;
    std::unique_ptr<DataBuffer> data_;
    std::array<std::array<float, kDataRows>, 2> values_{};
    ComparedTracesItem* traces_ = nullptr;
    CompareLegendItem* legend_ = nullptr;
    PassAlignment alignment_;
    QString name_;
    QString ownName_;
};

}  // namespace tarvik
