#pragma once

#include <QElapsedTimer>

#include "platform/clock.h"

namespace tarvik {

/// The real clock: QElapsedTimer's monotonic time, and a pause that processes events, then
/// sleeps in short slices until its deadline (about 2.0-2.2 ms for a 2 ms pause).
class SteadyClock final : public Clock {
public:
    SteadyClock();
    qint64 nowUs() const override;
    void pauseProcessingEvents(int ms) override;

private:
    QElapsedTimer timer_;
};

}  // namespace tarvik
