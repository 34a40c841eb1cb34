#pragma once

#include <QtGlobal>

namespace tarvik {

/// Time as the controller link sees it: a monotonic clock for reply deadlines and a pause that
/// keeps the UI responsive. The real clock runs in real time; the tests' fake clock advances
/// instantly so a 1 s or 5 s deadline costs nothing.
class Clock {
public:
    virtual ~Clock() = default;

    /// Monotonic time in microseconds from an arbitrary origin; never goes back.
    virtual qint64 nowUs() const = 0;

    /// Pauses for `ms` milliseconds while the UI processes its pending events (repaints, key
    /// presses, timer ticks, menu clicks). Returns no earlier than `ms` after the call. Does not
    /// spin a core. `ms` <= 0 processes pending events once and returns.
    virtual void pauseProcessingEvents(int ms) = 0;
};

}  // namespace tarvik
