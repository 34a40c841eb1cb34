#include "fake_clock.h"

#include <QCoreApplication>
#include <algorithm>

namespace tarvik::sim {

void FakeClock::pauseProcessingEvents(int ms) {
    ++pauses_;
    // A pause turns the event loop as it begins and until it ends.
    longestGapUs_ = std::max(longestGapUs_, nowUs_ - lastTurnUs_);
    const qint64 us = static_cast<qint64>(std::max(ms, 0)) * 1000;
    if (us > 0) {
        ++timedPauses_;
    }
    nowUs_ += us;
    lastTurnUs_ = nowUs_;
    pausedUs_ += us;
    if (processEvents_ && QCoreApplication::instance() != nullptr) {
        const int outer = pausingMs_;
        pausingMs_ = ms;
        QCoreApplication::processEvents();
        pausingMs_ = outer;
    }
    if (onPause_) {
        onPause_(ms);
    }
}

void FakeClock::startEventGapWatch() {
    lastTurnUs_ = nowUs_;
    longestGapUs_ = 0;
}

qint64 FakeClock::longestEventGapUs() const {
    return std::max(longestGapUs_, nowUs_ - lastTurnUs_);
}

void FakeClock::advanceUs(qint64 us) {
    nowUs_ += std::max<qint64>(us, 0);
}

void FakeClock::setNowUs(qint64 us) {
    nowUs_ = std::max(nowUs_, us);
}

}  // namespace tarvik::sim
