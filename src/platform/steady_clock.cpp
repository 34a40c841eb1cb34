#include "platform/steady_clock.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

namespace tarvik {

SteadyClock::SteadyClock() {
    timer_.start();
}

qint64 SteadyClock::nowUs() const {
    return timer_.nsecsElapsed() / 1000;
}

void SteadyClock::pauseProcessingEvents(int ms) {
    const qint64 deadline = nowUs() + static_cast<qint64>(std::max(ms, 0)) * 1000;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const qint64 left = deadline - nowUs();
        if (left <= 0) {
            return;
        }
        // Short sleeps keep both the CPU idle and the overshoot small; events that arrive
        // meanwhile wait at most one slice.
        QThread::usleep(static_cast<unsigned long>(std::min<qint64>(left, 250)));
    }
}

}  // namespace tarvik
