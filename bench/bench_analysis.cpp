// Speed of the pass analysis over a full data set:
//  (a) finding every pass and its figures in a 2700-row log (in process);
//  (b) `tarvik --report` on a 2700-row log file, the whole process from start to exit
//      (goal: under 150 ms);
//  (c) the computed channels over 2700 samples: the four ready-made ones (goal: under 5 ms),
//      200 channels each using the one above, and one 10 KB expression.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "analysis/computed_channels.h"
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

// Checking (compiling) the channels and evaluating them, printed as one line each.
void computedChannels(const char* what, const std::vector<ComputedChannel>& channels,
                      const DataBuffer& data, int runs) {
    std::size_t problems = 0;
    const Figures check =
        timeRuns(runs, [&] { problems = ComputedChannelSet(channels).problems().size(); });
    const ComputedChannelSet set(channels);
    std::size_t samples = 0;
    const Figures eval = timeRuns(runs, [&] { samples = set.evaluate(data).back().size(); });
    std::printf(
        "%s (%zu samples, %zu problems): check median %.3f ms, worst %.3f ms; "
        "evaluate median %.3f ms, worst %.3f ms\n",
        what, samples, problems, check.median, check.worst, eval.median, eval.worst);
}

void computedChannelFigures(const DataBuffer& data) {
    computedChannels("4 ready-made channels (goal: evaluate < 5 ms)", readyMadeChannels(), data,
                     50);
    std::vector<ComputedChannel> chain{{QStringLiteral("c1"), {}, QStringLiteral("rpm")}};
    for (int i = 2; i <= 200; ++i) {
        chain.push_back(
            {QStringLiteral("c%1").arg(i), {}, QStringLiteral("c%1 + ddt(c%1) / 100").arg(i - 1)});
    }
    computedChannels("200 channels, each using the one above", chain, data, 5);
    QString longest = QStringLiteral("rpm");
    while (longest.size() + 10 <= kMaxExpressionLength) {
        longest += QStringLiteral(" + mph * 2");
    }
    computedChannels("one 10 KB expression", {{QStringLiteral("Long"), {}, longest}}, data, 5);
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
    computedChannelFigures(*data);

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
