#include "chart/zoom_window.h"

#include <algorithm>
#include <cmath>

#include "chart/recorded_span.h"

namespace tarvik {

LogExtent logExtent(const DataBuffer& data, double totalSpan, double start) {
    LogExtent e;
    e.low = std::isfinite(start) ? start : 0.0;
    e.high = std::isfinite(totalSpan) ? std::max(e.low, totalSpan) : e.low;
    for (float t : recordedPart(data, Column::ElapsedTime)) {
        if (std::isfinite(t)) {
            e.low = std::min(e.low, static_cast<double>(t));
            e.high = std::max(e.high, static_cast<double>(t));
        }
    }
    const double interval = data.logInterval;
    e.minWidth = std::isfinite(interval) && interval > 0 ? 5 * interval : 0;
    return e;
}

ViewWindow holdInside(ViewWindow w, const LogExtent& e) {
    const double whole = e.high - e.low;
    if (!std::isfinite(w.low) || !std::isfinite(w.high)) {
        return {e.low, e.high};
    }
    if (w.high < w.low) {
        std::swap(w.low, w.high);
    }
    const double width = std::clamp(w.width(), std::min(e.minWidth, whole), whole);
    if (width >= whole) {
        return {e.low, e.high};
    }
    // Grow or shrink about the centre, then move back inside.
    double low = w.centre() - width / 2;
    low = std::clamp(low, e.low, e.high - width);
    return {low, low + width};
}

ViewWindow zoomAround(ViewWindow w, double anchor, double factor, const LogExtent& e) {
    if (!std::isfinite(anchor) || !std::isfinite(factor) || factor <= 0) {
        return holdInside(w, e);
    }
    anchor = std::clamp(anchor, w.low, w.high);
    const double whole = e.high - e.low;
    double width = std::clamp(w.width() * factor, std::min(e.minWidth, whole), whole);
    // Keep the anchor at the same fraction of the window.
    const double at = w.width() > 0 ? (anchor - w.low) / w.width() : 0.5;
    const double low = anchor - at * width;
    ViewWindow z{low, low + width};
    if (z.low < e.low) {
        z = {e.low, e.low + width};
    }
    if (z.high > e.high) {
        z = {e.high - width, e.high};
    }
    return holdInside(z, e);
}

ViewWindow panBy(ViewWindow w, double seconds, const LogExtent& e) {
    if (!std::isfinite(seconds)) {
        return holdInside(w, e);
    }
    return holdInside({w.low + seconds, w.high + seconds}, e);
}

ViewWindow windowBetween(double a, double b, const LogExtent& e) {
    return holdInside({std::min(a, b), std::max(a, b)}, e);
}

ViewWindow centredOn(ViewWindow w, double centre, const LogExtent& e) {
    const double half = w.width() / 2;
    return holdInside({centre - half, centre + half}, e);
}

ScrollSpan zoomedScrollSpan(const ViewWindow& w, const LogExtent& e) {
    // Whole seconds inside the int range; the window was held inside the extent already.
    auto whole = [](double seconds) {
        const double r = std::round(seconds);
        return std::isfinite(r) ? static_cast<int>(std::clamp(r, -1e9, 1e9)) : 0;
    };
    ScrollSpan s;
    const double half = std::isfinite(w.width()) ? std::max(0.0, w.width() / 2) : 0.0;
    if (w.width() >= e.high - e.low) {
        s.minimum = s.maximum = whole(w.centre());
    } else {
        // Outwards, so that the ends of the bar reach the ends of the log.
        s.minimum = whole(std::floor(e.low + half));
        s.maximum = std::max(s.minimum, whole(std::ceil(e.high - half)));
    }
    s.pageStep = std::max(1, whole(w.width()));
    s.singleStep = std::max(1, whole(w.width() / 5));
    return s;
}

void ZoomHistory::push(const ViewState& s) {
    states_.push_back(s);
    if (states_.size() > kLimit) {
        states_.pop_front();
    }
}

std::optional<ViewState> ZoomHistory::pop() {
    if (states_.empty()) {
        return std::nullopt;
    }
    ViewState s = states_.back();
    states_.pop_back();
    return s;
}

}  // namespace tarvik
