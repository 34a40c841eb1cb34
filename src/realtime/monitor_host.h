#pragma once

namespace tarvik {

/// What the real-time monitor asks of the window it runs in: to empty the raw download buffer
/// when monitoring starts (ClearFRAMBuffer), and whether Esc was pressed (AbortRequested; the
/// monitor reads it and never clears it). The main window implements it, the tests a double.
class MonitorHost {
public:
    virtual ~MonitorHost() = default;

    virtual void clearFramBuffer() = 0;
    virtual bool abortRequested() const = 0;
};

}  // namespace tarvik
