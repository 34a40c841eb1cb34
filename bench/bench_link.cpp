// Speed of the controller link against tarvik-sim over a pseudo-terminal:
//  (a) 512 FRAM blocks of 64 bytes after one SetAddress(0), against the pacing floor of two
//      2 ms pauses per block (goal: ratio <= 1.10);
//  (b) CPU time spent during one ClearControllerBuffer, a 5 s wait (goal: < 0.1 s);
//  (c) DelayTimer(2) median and 99th percentile over 1000 calls (goals: 2.0-2.2 ms, < 3 ms).
#include <sys/resource.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/user_dialogs.h"
#include "failing_dialogs.h"
#include "link/controller.h"
#include "link/delay_timer.h"
#include "link/serial_link.h"
#include "platform/qt_serial_port.h"
#include "platform/steady_clock.h"

using namespace tarvik;

namespace {

using bench::FailingDialogs;

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString simPath = QStringLiteral(TARVIK_SIM_PATH);
    QProcess sim;
    sim.start(simPath, {});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(simPath));
        return 1;
    }
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();

    QtSerialPort port;
    SteadyClock clock;
    FailingDialogs dialogs;
    SerialLink link(port, clock, dialogs, [device](int) { return device; });
    Controller controller(link);

    // (a) The download's FRAM read.
    QElapsedTimer t;
    t.start();
    controller.setAddress(0);
    const qint64 afterAddress = t.nsecsElapsed();
    bool ok = controller.linkOk();
    for (int block = 0; block < 512 && ok; ++block) {
        controller.readFramBlock(64);
        ok = controller.linkOk();
    }
    const double blocksMs = static_cast<double>(t.nsecsElapsed() - afterAddress) / 1e6;
    const double floorMs = 512 * 2 * 2.0;
    std::printf(
        "FRAM read, 512 x 64 bytes: %.1f ms; pacing floor %.0f ms; ratio %.3f (goal <= 1.10)%s\n",
        blocksMs, floorMs, blocksMs / floorMs, ok ? "" : "  [FAILED]");
    link.closePort();

    // (b) The erase: a 5 s wait that must not burn the CPU.
    const double cpu0 = cpuSeconds();
    t.restart();
    controller.clearControllerBuffer();
    const double wallS = static_cast<double>(t.elapsed()) / 1000.0;
    const double cpu = cpuSeconds() - cpu0;
    std::printf("ClearControllerBuffer: %.2f s wall, %.4f s CPU (goal < 0.1 s)%s\n", wallS, cpu,
                controller.linkOk() ? "" : "  [FAILED]");

    // (c) The paced pause.
    std::vector<double> ms;
    ms.reserve(1000);
    for (int i = 0; i < 1000; ++i) {
        const qint64 start = clock.nowUs();
        delayTimer(clock, 2);
        ms.push_back(static_cast<double>(clock.nowUs() - start) / 1000.0);
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "DelayTimer(2) over 1000 calls: median %.3f ms, p99 %.3f ms, max %.3f ms "
        "(goals 2.0-2.2 ms, p99 < 3 ms)\n",
        ms[500], ms[989], ms.back());

    sim.terminate();
    sim.waitForFinished(3000);
    return ok && dialogs.boxes == 0 ? 0 : 1;
}
