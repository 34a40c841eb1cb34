#pragma once

namespace tarvik {

/// What the real-time monitor asks of the window it runs in: to empty the raw download buffer
/// when monitoring starts (ClearFRAMBuffer), and whether Esc was pressed (AbortRequested). The
/// monitor clears the flag when it starts, as the download does, so an Esc pressed while nothing
/// ran cannot hold the new panel's gauges; while the panel runs it only reads it. The main window
/// implements it, the tests a double.
class MonitorHost {
public:
    virtual ~MonitorHost() = default;

    virtual void clearFramBuffer() = 0;
    virtual bool abortRequested() const = 0;
    virtual void clearAbortRequest() = 0;
};

}  // namespace tarvik
