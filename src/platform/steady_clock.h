#pragma once

#include <QElapsedTimer>

#include "platform/clock.h"

namespace tarvik {

/// The real clock: QElapsedTimer's monotonic time, and a pause that processes events, sleeps in
/// short slices until just before its deadline and watches the clock for the last stretch, so a
/// 2 ms pause lasts 2.0 ms and not a few percent more, without keeping a core busy.
class SteadyClock final : public Clock {
public:
    /// Longest sleep between two turns of the event loop within a pause.
    static constexpr qint64 kSliceUs = 1000;
    /// The end of a pause that is watched on the clock instead of slept.
    static constexpr qint64 kFinalStretchUs = 150;

    SteadyClock();
    qint64 nowUs() const override;
    void pauseProcessingEvents(int ms) override;

private:
    QElapsedTimer timer_;
};

}  // namespace tarvik
