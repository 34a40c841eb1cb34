#pragma once

#include <QtGlobal>
#include <cstddef>
#include <deque>
#include <optional>

#include "logdata/data_buffer.h"

namespace tarvik {

/// A shown part of the time axis, in seconds.
struct ViewWindow {
    double low = 0;
    double high = 0;
    double width() const { return high - low; }
    double centre() const { return (low + high) / 2; }
    bool operator==(const ViewWindow&) const = default;
};

/// Where a zoomed window may go: from the log's first to its last moment, and no narrower than
/// five samples.
struct LogExtent {
    double low = 0;
    double high = 0;
    double minWidth = 0;
};

/// The extent of a data set: from `start` (0, or where a recording that begins later begins; an
/// earlier first time moves it) to the scale's end of the log (or a later last time); the least
/// width is five log intervals. Only the recorded rows count, and times that are not finite are
/// left out; an interval that is not a positive finite number gives no least width.
LogExtent logExtent(const DataBuffer& data, double totalSpan, double start = 0);

/// The window held inside the extent: at least the least width (but never wider than the
/// whole log), moved rather than cut when it overhangs an end. A window with a bound that is
/// not finite becomes the whole log.
ViewWindow holdInside(ViewWindow w, const LogExtent& e);

/// Zooms by `factor` (below 1 in, above 1 out) keeping `anchor` where it is on the screen.
ViewWindow zoomAround(ViewWindow w, double anchor, double factor, const LogExtent& e);

/// Moves the window by `seconds`, keeping its width.
ViewWindow panBy(ViewWindow w, double seconds, const LogExtent& e);

/// The window between two times given in either order (a zoom box).
ViewWindow windowBetween(double a, double b, const LogExtent& e);

/// The window of the same width centred on `centre`.
ViewWindow centredOn(ViewWindow w, double centre, const LogExtent& e);

/// The scroll bar of a zoomed window: its positions are the whole seconds the window's centre
/// can take inside the extent, and its page (the thumb) is the window's width, so that the
/// thumb shows how much of the log is in view and fills the bar for the whole log.
struct ScrollSpan {
    int minimum = 0;
    int maximum = 0;
    int pageStep = 1;
    int singleStep = 1;
};
ScrollSpan zoomedScrollSpan(const ViewWindow& w, const LogExtent& e);

/// What "Back" returns to: the window and the time scale that was chosen with it (-1 for a
/// zoomed window that is none of the three).
struct ViewState {
    ViewWindow window;
    int scale = -1;
    float scaleWidth = 300;
};

/// The windows left by zooming and panning, newest last; the oldest are forgotten past a
/// limit.
class ZoomHistory {
public:
    static constexpr std::size_t kLimit = 200;
    void push(const ViewState& s);
    std::optional<ViewState> pop();
    std::size_t size() const { return states_.size(); }
    bool empty() const { return states_.empty(); }

private:
    std::deque<ViewState> states_;
};

}  // namespace tarvik
