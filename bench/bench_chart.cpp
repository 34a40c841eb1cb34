// Speed of the chart window offscreen over a full 2700-row data set:
//  (a) from View Chart to the first painted chart (goal: < 150 ms);
//  (b) a trace change, including the repaint (goal: < 20 ms);
//  (c) one scroll step, including the repaint (goal: < 10 ms);
//  (d) with a comparison shown (four traces of 2700 points), one wheel zoom step including the
//      repaint (goal: median < 8 ms, p99 < 16 ms);
//  (e) "Compare With..." to the first painted comparison (goal: < 150 ms).
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "../tests/chart/drag_pass_data.h"
#include "chart/chart_analysis.h"
#include "chart/chart_control.h"
#include "chart/compare_overlay.h"
#include "chart/frm_chart1.h"
#include "chart/view_chart_command.h"
#include "core/user_dialogs.h"
#include "failing_dialogs.h"
#include "logdata/log_file_writer.h"
#include "platform/settings_backing.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

using namespace tarvik;

namespace {

using bench::FailingDialogs;

class NoSettings final : public SettingsBacking {
public:
    std::optional<QString> read(const QString&, const QString&) const override {
        return std::nullopt;
    }
    void write(const QString&, const QString&, const QString&) override {}
    QStringList keys(const QString&) const override { return {}; }
    void replaceSection(const QString&, const QList<QPair<QString, QString>>&) override {}
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double worst(const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
}

double percentile99(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, v.size() * 99 / 100)];
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    DataBuffer data;
    test::fillDragPass(data, 6.0f);  // 16200 s, the longest log the scroll bar holds
    Settings settings;
    settings.maxRPMDisplay = 10000;
    settings.maxVSSDisplay = 140;
    NoSettings backing;
    SettingsStore store(backing);
    FailingDialogs dialogs;
    ChartServices services{data, settings, store, dialogs, QString()};

    // (a) View Chart to the first paint, several times (each opening is a fresh window).
    std::vector<double> opens;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer t;
        bool painted = false;
        double ms = 0;
        t.start();
        ViewChartCommand cmd(services, [] {});
        cmd.setPrepareWindow([&](FrmChart1& w) {
            QObject::connect(&w.chart(), &ChartControl::painted, [&] {
                if (!painted) {
                    painted = true;
                    ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
                }
            });
        });
        cmd.setRunWindow([&](FrmChart1& w) {
            while (!painted) {
                QApplication::processEvents();
                w.chart().viewport()->repaint();
            }
        });
        cmd.run();
        opens.push_back(ms);
    }

    // (b) and (c) on one open window.
    FrmChart1 w(services);
    w.show();
    w.Form_Load();
    QApplication::processEvents();
    w.chart().viewport()->repaint();
    const char* options[] = {"optTrace1TPS", "optTrace1Input1AFR", "optTrace1RPM",
                             "optTrace1VSS", "optTrace1Bat",       "optTrace1RPM"};
    const char* options2[] = {"optTrace2ArmIn", "optTrace2TPS", "optTrace2Stage1PWM",
                              "optTrace2VSS",   "optTrace2GPO", "optTrace2VSS"};
    std::vector<double> traces;
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < 6; ++i) {
            for (const char* name : {options[i], options2[i]}) {
                auto* b = w.findChild<QRadioButton*>(QLatin1String(name));
                QElapsedTimer t;
                t.start();
                b->click();
                w.chart().viewport()->repaint();
                traces.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
            }
        }
    }
    auto* scr = w.findChild<QScrollBar*>(QStringLiteral("scrChart2D1"));
    w.findChild<QRadioButton*>(QStringLiteral("optTimeScale2"))->click();
    scr->setValue(0);
    std::vector<double> scrolls;
    for (int i = 0; i < 300; ++i) {
        QElapsedTimer t;
        t.start();
        scr->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        w.chart().viewport()->repaint();
        scrolls.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }

    // Wheel steps over the two traces alone, for reference.
    auto wheelSteps = [&w](int count) {
        w.findChild<QAction*>(QStringLiteral("cmdWholeLog"))->trigger();
        QWidget* vp = w.chart().viewport();
        const QPointF at = w.chart().plotAreaRect().center();
        std::vector<double> times;
        for (int i = 0; i < count; ++i) {
            // Ten notches in, ten out, over and over.
            const int delta = (i / 10) % 2 == 0 ? 120 : -120;
            QElapsedTimer t;
            t.start();
            QWheelEvent e(at, vp->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(vp, &e);
            vp->repaint();
            times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        }
        return times;
    };
    const std::vector<double> plainWheels = wheelSteps(200);

    // (e) Compare With to the first painted comparison, then (d) wheel steps with it shown.
    QTemporaryDir dir;
    DataBuffer other;
    test::fillDragPass(other, 6.0f);
    for (int row = 1; row <= kDataRows; ++row) {
        other.at(Column::RPM, row) *= 1.04f;
    }
    const QString comparedPath = dir.filePath(QStringLiteral("pass2.log"));
    {
        QFile f(comparedPath);
        if (!f.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(comparedPath));
            return 1;
        }
        LogFileWriter(f).writeAll(other, QStringLiteral("Orvenna"));
    }
    dialogs.openAnswer = comparedPath;
    auto* compare = w.findChild<QAction*>(QStringLiteral("cmdCompareWith"));
    auto* remove = w.findChild<QAction*>(QStringLiteral("cmdRemoveComparison"));
    std::vector<double> compares;
    bool painted = false;
    QObject::connect(&w.chart(), &ChartControl::painted, [&] { painted = true; });
    for (int i = 0; i < 7; ++i) {
        remove->trigger();
        QApplication::processEvents();
        w.chart().viewport()->repaint();
        QElapsedTimer t;
        t.start();
        compare->trigger();
        painted = false;
        while (!painted) {
            QApplication::processEvents();
            w.chart().viewport()->repaint();
        }
        compares.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    if (!w.analysis().comparison().shown()) {
        std::fprintf(stderr, "the comparison was not shown\n");
        return 1;
    }
    const std::vector<double> wheels = wheelSteps(400);

    std::printf("chart: View Chart to first paint  median %.1f ms, worst %.1f ms (goal < 150 ms)\n",
                median(opens), worst(opens));
    std::printf("chart: trace change with repaint  median %.1f ms, worst %.1f ms (goal < 20 ms)\n",
                median(traces), worst(traces));
    std::printf("chart: scroll step with repaint   median %.2f ms, worst %.2f ms (goal < 10 ms)\n",
                median(scrolls), worst(scrolls));
    std::printf("chart: wheel zoom step, two traces median %.2f ms, p99 %.2f ms\n",
                median(plainWheels), percentile99(plainWheels));
    std::printf(
        "chart: wheel zoom step, compared  median %.2f ms, p99 %.2f ms (goal < 8 / 16 ms)\n",
        median(wheels), percentile99(wheels));
    std::printf(
        "chart: Compare With to first paint median %.1f ms, worst %.1f ms (goal < 150 ms)\n",
        median(compares), worst(compares));
    const bool ok = median(opens) < 150 && median(traces) < 20 && median(scrolls) < 10 &&
                    median(wheels) < 8 && percentile99(wheels) < 16 && median(compares) < 150;
    return ok ? 0 : 1;
}
