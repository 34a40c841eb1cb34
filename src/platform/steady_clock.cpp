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
        if (left > kFinalStretchUs) {
            // Short sleeps keep the CPU idle; events that arrive meanwhile wait at most one
            // slice. The sleep stops short of the deadline by the final stretch.
            QThread::usleep(
                static_cast<unsigned long>(std::min<qint64>(left - kFinalStretchUs, kSliceUs)));
            continue;
        }
        // The final stretch is watched on the clock: a sleep wakes tens of microseconds late
        // (more on a busy machine), and with two pauses in every exchange that lateness would
        // add several percent to a download. A fraction of each pause is no burden on the CPU.
        while (nowUs() < deadline) {
        }
        return;
    }
}

}  // namespace tarvik
