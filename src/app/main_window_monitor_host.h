#pragma once

#include "logdata/data_buffer.h"
#include "realtime/monitor_host.h"

namespace tarvik {

/// The real-time monitor's view of the main window: its FRAM image and its Esc flag.
class MainWindowMonitorHost final : public MonitorHost {
public:
    MainWindowMonitorHost(FramBuffer& fram, bool& abortRequested)
        : fram_(fram), abortRequested_(abortRequested) {}

    void clearFramBuffer() override { fram_.clearFramBuffer(); }
    bool abortRequested() const override { return abortRequested_; }
    void clearAbortRequest() override { abortRequested_ = false; }

private:
    FramBuffer& fram_;
    bool& abortRequested_;
};

}  // namespace tarvik
