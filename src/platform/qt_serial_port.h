#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <array>

#include "platform/serial_port.h"

namespace tarvik {

/// SerialPort over QSerialPort: real serial devices, USB adapters and pseudo-terminals.
///
/// QSerialPort moves bytes into its buffer only inside the event loop or inside its wait calls,
/// so waitForMoreBytes() blocks in waitForReadyRead() with the time left, and every write is
/// flushed at once. Line errors come from the kernel's counters on Linux (TIOCGICOUNT; a
/// pseudo-terminal has none) and from ClearCommError on Windows.
///
/// A device that goes away (an adapter pulled out, the other end of a pseudo-terminal closed)
/// is closed at once: Qt would otherwise report the hung-up line from the event loop over and
/// over, keeping a core busy, and the handle would stay on a device that no longer exists.
class QtSerialPort final : public QObject, public SerialPort {
    Q_OBJECT

public:
    /// The receive buffer the link expects; more bytes waiting than this is an overflow.
    static constexpr int kReceiveBufferSize = 256;
    static constexpr qint32 kBaudRate = 56000;

    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    void open(const QString& deviceName) override;
    void close() override;
    bool isOpen() const override;
    QString deviceName() const override { return deviceName_; }
    void discardInput() override;
    int bytesWaiting() override;
    quint8 readByte() override;
    void writeByte(quint8 byte) override;
    bool waitForMoreBytes(int msecs) override;
    void setLineEventHandler(LineEventHandler handler) override { handler_ = std::move(handler); }
    QString errorString() const override { return lastError_; }
    PortOpenFailure lastOpenFailure() const override { return openFailure_; }
    bool deviceLost() const override { return lost_; }
    bool requestLowLatency() override;

private:
    /// Marks a call of ours into QSerialPort: Qt reports errors from inside its calls, and the
    /// port is closed only once Qt has returned.
    class Call;
    void onError(QSerialPort::SerialPortError error);
    /// The line has hung up or the handle is dead (Linux: poll says so).
    bool hungUp() const;
    void closeIfLost();
    void onReadyRead();
    /// Moves what Qt has received into the 256-byte receive buffer.
    void takeIncoming();
    void pollLineErrors();
    void post(int code);

    QSerialPort port_;
    QString deviceName_;
    QString lastError_;
    PortOpenFailure openFailure_ = PortOpenFailure::None;
    QByteArray rx_;
    LineEventHandler handler_;
    bool countersAvailable_ = false;
    std::array<long long, 4> counters_{};  // frame, overrun, buffer overrun, parity
    bool lost_ = false;
    int inCall_ = 0;
    bool closeQueued_ = false;
};

}  // namespace tarvik
