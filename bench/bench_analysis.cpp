// Speed of the pass analysis over a full data set:
//  (a) finding every pass and its figures in a 2700-row log (in process);
//  (b) `tarvik --report` on a 2700-row log file, the whole process from start to exit
//      (goal: under 150 ms).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "analysis/pass_report.h"
#include "logdata/log_file_writer.h"
#include "pass_logs.h"

using namespace tarvik;

namespace {

struct Figures {
    double median = 0;
    double worst = 0;
};

template <class F>
Figures timeRuns(int runs, F f) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        f();
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const auto data = test::passLog(0.125F, {test::Run{}, test::Run{60.0}, test::Run{150.0}});

    std::size_t passes = 0;
    const Figures inProcess =
        timeRuns(50, [&] { passes = findPasses(*data, LaunchEvent::CarMoves).size(); });
    std::printf("pass report in process (%zu passes, 2700 rows): median %.3f ms, worst %.3f ms\n",
                passes, inProcess.median, inProcess.worst);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("three runs.log"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    LogFileWriter(file).writeAll(*data, QStringLiteral("Orvenna"));
    file.close();
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/tarvik");
    int failures = 0;
    const Figures process = timeRuns(21, [&] {
        QProcess p;
        p.start(program, {QStringLiteral("--report"), path});
        if (!p.waitForFinished(10000) || p.exitCode() != 0) {
            ++failures;
        }
    });
    std::printf("tarvik --report, whole process: median %.1f ms, worst %.1f ms (goal < 150 ms)\n",
                process.median, process.worst);
    return failures == 0 ? 0 : 1;
}
