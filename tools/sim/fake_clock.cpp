#include "fake_clock.h"

#include <QCoreApplication>
#include <algorithm>

namespace tarvik::sim {

void FakeClock::pauseProcessingEvents(int ms) {
    ++pauses_;
    const qint64 us = static_cast<qint64>(std::max(ms, 0)) * 1000;
    nowUs_ += us;
    pausedUs_ += us;
    if (processEvents_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents();
    }
    if (onPause_) {
        onPause_(ms);
    }
}

void FakeClock::advanceUs(qint64 us) {
    nowUs_ += std::max<qint64>(us, 0);
}

void FakeClock::setNowUs(qint64 us) {
    nowUs_ = std::max(nowUs_, us);
}

}  // namespace tarvik::sim
