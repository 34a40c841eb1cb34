#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tarvik::test {

/// tarvik-sim running in the background on a pseudo-terminal; stopped with SIGTERM when this
/// goes out of scope.
class SimProcess {
public:
    explicit SimProcess(const QStringList& options = {}) {
        process_.start(QStringLiteral(TARVIK_SIM_PATH), options);
        if (process_.waitForStarted(5000) && process_.waitForReadyRead(5000)) {
            // The device path is the first line the simulator prints.
            while (!process_.canReadLine() && process_.waitForReadyRead(1000)) {
            }
            device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
        }
    }
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const QString& device() const { return device_; }
    qint64 pid() const { return process_.processId(); }
    void stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(3000)) {
                process_.kill();
                process_.waitForFinished(3000);
            }
        }
    }
    int exitCode() const { return process_.exitCode(); }

private:
    QProcess process_;
    QString device_;
};

}  // namespace tarvik::test
