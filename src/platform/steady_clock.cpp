#include "platform/steady_clock.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

#if defined(Q_OS_LINUX)
#include <sys/prctl.h>
#endif

namespace tarvik {

SteadyClock::SteadyClock() {
    timer_.start();
}

qint64 SteadyClock::nowUs() const {
    return timer_.nsecsElapsed() / 1000;
}

void SteadyClock::pauseProcessingEvents(int ms) {
#if defined(Q_OS_LINUX)
    // The protocol's pauses are 2 ms; the kernel's default 50 us slack on every short sleep
    // would stretch each one by several percent. The setting is per thread (the UI thread).
    thread_local const bool slackSet = ::prctl(PR_SET_TIMERSLACK, 5000UL, 0, 0, 0) == 0;
    Q_UNUSED(slackSet);
#endif
    const qint64 deadline = nowUs() + static_cast<qint64>(std::max(ms, 0)) * 1000;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const qint64 left = deadline - nowUs();
        if (left <= 0) {
            return;
        }
        // Short sleeps keep both the CPU idle and the overshoot small; events that arrive
        // meanwhile wait at most one slice.
        QThread::usleep(static_cast<unsigned long>(std::min<qint64>(left, 1000)));
    }
}

}  // namespace tarvik
