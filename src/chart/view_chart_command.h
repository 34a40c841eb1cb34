#pragma once

#include <QString>
#include <functional>

#include "chart/frm_chart1.h"

class QWidget;

namespace tarvik {

/// "View Chart (Downloaded Data)": stops the real-time monitor, refuses an empty data buffer,
/// and otherwise shows the chart window modally until the user leaves it. Run from the menu and
/// at the end of a download or a file read.
class ViewChartCommand {
public:
    static const QString kTitle;

    /// `stopMonitor` ends real-time monitoring if it runs; `owner` is the window the chart
    /// window blocks while it is open.
    ViewChartCommand(ChartServices services, std::function<void()> stopMonitor,
                     QWidget* owner = nullptr)
        : services_(std::move(services)), stopMonitor_(std::move(stopMonitor)), owner_(owner) {}

    /// How the loaded window is run; by default modally until it is closed. Tests replace it.
    void setRunWindow(std::function<void(FrmChart1&)> runner) { run_ = std::move(runner); }
    /// Called with each new chart window before it is shown (printing hooks itself in here).
    void setPrepareWindow(std::function<void(FrmChart1&)> prepare) {
        prepare_ = std::move(prepare);
    }

    /// View Chart: stops the monitor, says so when the buffer is empty, else opens the window.
    void run();

private:
    ChartServices services_;
    std::function<void()> stopMonitor_;
    QWidget* owner_;
    std::function<void(FrmChart1&)> run_;
    std::function<void(FrmChart1&)> prepare_;
};

}  // namespace tarvik
