#pragma once

#include <QString>
#include <atomic>

#include "controller_model.h"
#include "line_model.h"

namespace tarvik::sim {

/// Serves a ControllerModel on the master side of a pseudo-terminal. The program under test
/// opens the slave device like any serial port.
class PtyServer {
public:
    explicit PtyServer(ControllerModel& model) : model_(model) {}
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    /// Creates the pseudo-terminal in raw mode; returns false with errorString() on failure.
    bool open();
    /// The slave device's path ("/dev/pts/N").
    const QString& devicePath() const { return path_; }
    /// The line and adapter the bytes travel through (by default: at once).
    LineModel& line() { return line_; }
    QString errorString() const { return error_; }

    /// Serves until `stop` becomes true (checked at least every 200 ms and whenever a signal
    /// interrupts the wait).
    void serve(const std::atomic<bool>& stop);

private:
    qint64 nowUs() const;

    ControllerModel& model_;
    LineModel line_;
    int master_ = -1;
    int slave_ = -1;
    QString path_;
    QString error_;
};

}  // namespace tarvik::sim
