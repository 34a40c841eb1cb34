#pragma once

#include <QByteArray>
#include <QObject>
#include <vector>

#include "controller_model.h"
#include "fake_clock.h"
#include "platform/serial_port.h"

namespace tarvik::sim {

/// An in-process serial port wired to a ControllerModel, on a FakeClock: waiting for a reply
/// moves the clock to the reply (or to the end of the wait) at once. Tests inspect what was
/// written and inject stale bytes, open failures and line events.
class SimSerialPort final : public QObject, public SerialPort {
    Q_OBJECT

public:
    static constexpr int kReceiveBufferSize = 256;

    struct Written {
        qint64 us;
        quint8 byte;
    };

    SimSerialPort(ControllerModel& model, FakeClock& clock, QObject* parent = nullptr);

    void open(const QString& deviceName) override;
    void close() override;
    bool isOpen() const override { return open_; }
    QString deviceName() const override { return device_; }
    void discardInput() override;
    int bytesWaiting() override;
    quint8 readByte() override;
    void writeByte(quint8 byte) override;
    bool waitForMoreBytes(int msecs) override;
    void setLineEventHandler(LineEventHandler handler) override { handler_ = std::move(handler); }
    QString errorString() const override { return error_; }
    bool deviceLost() const override { return lost_; }
    bool requestLowLatency() override;

    // --- Test controls -----------------------------------------------------------------------
    /// Every byte written since the last clearWritten(), with the time it was written.
    const std::vector<Written>& written() const { return written_; }
    std::vector<quint8> writtenBytes() const;
    void clearWritten() { written_.clear(); }
    /// Bytes put straight into the receive buffer, as if left over from an earlier exchange.
    void injectReceived(const QByteArray& bytes);
    /// The next opens fail with the platform text `text` ("" to stop failing).
    /// Every open fails with this text ("" to open again) and this cause.
    void failOpens(const QString& text, PortOpenFailure cause = PortOpenFailure::Other) {
        openFailure_ = text;
        openCause_ = cause;
    }
    PortOpenFailure lastOpenFailure() const override { return lastFailure_; }
    /// The adapter is pulled out: the port closes itself (what the controller was sending is
    /// lost, what it had received it has acted on), and every open fails with "no such
    /// device" until plugBackIn().
    void pullOut();
    void plugBackIn() { pulledOut_ = false; }
    /// Pulls the adapter out right after the next `n` bytes written have reached the controller.
    void pullOutAfterWrites(int n) { pullAfterWrites_ = n; }
    bool pulledOut() const { return pulledOut_; }
    /// How often the low-latency request was made, and whether the "driver" takes it.
    int lowLatencyRequests() const { return lowLatencyRequests_; }
    void setLowLatencyAccepted(bool accepted) { lowLatencyAccepted_ = accepted; }
    /// Delivers a line event through the event loop, as a real port does.
    void injectLineEvent(int code);
    /// Delivers a line event right now (as if the event loop had just dispatched it).
    void deliverLineEvent(int code);
    int openCount() const { return opens_; }
    int closeCount() const { return closes_; }

private:
    void collect();

    ControllerModel& model_;
    FakeClock& clock_;
    bool open_ = false;
    QString device_;
    QString error_;
    QString openFailure_;
    PortOpenFailure openCause_ = PortOpenFailure::None;
    PortOpenFailure lastFailure_ = PortOpenFailure::None;
    bool lost_ = false;
    bool pulledOut_ = false;
    int pullAfterWrites_ = 0;
    int lowLatencyRequests_ = 0;
    bool lowLatencyAccepted_ = false;
    QByteArray rx_;
    LineEventHandler handler_;
    std::vector<Written> written_;
    int opens_ = 0;
    int closes_ = 0;
};

}  // namespace tarvik::sim
