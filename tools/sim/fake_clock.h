#pragma once

#include <functional>

#include "platform/clock.h"

namespace tarvik::sim {

/// A clock for tests: time moves only when something waits or pauses, and then instantly, so a
/// 5 s deadline costs no real time. A pause still lets queued events run (line events, work
/// waiting for the link) and can run the test's own code "during the pause".
class FakeClock final : public Clock {
public:
    qint64 nowUs() const override { return nowUs_; }
    void pauseProcessingEvents(int ms) override;

    void advanceUs(qint64 us);
    void setNowUs(qint64 us);

    /// Runs inside every pause, after the time has moved (for example to simulate a key press
    /// or a timer tick arriving during a command's pause).
    void setOnPause(std::function<void(int ms)> hook) { onPause_ = std::move(hook); }
    /// Whether pauses process the application's pending events (default true).
    void setProcessEvents(bool on) { processEvents_ = on; }
    int pauseCount() const { return pauses_; }
    /// The length of the pause whose events are being processed now; -1 outside any pause.
    int pausingMs() const { return pausingMs_; }
    /// Pauses of at least 1 ms (the paced pauses, without the single turns of the event loop).
    int timedPauseCount() const { return timedPauses_; }
    qint64 pausedUs() const { return pausedUs_; }

    /// The longest stretch of clock time without a turn of the event loop since
    /// startEventGapWatch(), the stretch up to now included.
    void startEventGapWatch();
    qint64 longestEventGapUs() const;

private:
    qint64 nowUs_ = 1'000'000;
    std::function<void(int)> onPause_;
    bool processEvents_ = true;
    int pauses_ = 0;
    int timedPauses_ = 0;
    qint64 lastTurnUs_ = 0;
    qint64 longestGapUs_ = 0;
    qint64 pausedUs_ = 0;
    int pausingMs_ = -1;
};

}  // namespace tarvik::sim
