#include "sim_serial_port.h"

#include "core/app_error.h"

namespace tarvik::sim {

SimSerialPort::SimSerialPort(ControllerModel& model, FakeClock& clock, QObject* parent)
    : QObject(parent), model_(model), clock_(clock) {}

void SimSerialPort::open(const QString& deviceName) {
    device_ = deviceName;
    if (open_) {
        throw AppError(8005, QStringLiteral("Serial Port"), QStringLiteral("Port already open"));
    }
    if (pulledOut_) {
        error_ = QStringLiteral("No such file or directory");
        lastFailure_ = PortOpenFailure::NoSuchDevice;
        throw AppError(8002, QStringLiteral("Serial Port"),
                       QStringLiteral("Cannot open serial port %1: %2").arg(deviceName, error_));
    }
    if (!openFailure_.isEmpty()) {
        error_ = openFailure_;
        lastFailure_ = openCause_;
        throw AppError(
            8002, QStringLiteral("Serial Port"),
            QStringLiteral("Cannot open serial port %1: %2").arg(deviceName, openFailure_));
    }
    open_ = true;
    lost_ = false;
    lastFailure_ = PortOpenFailure::None;
    ++opens_;
    rx_.clear();
}

void SimSerialPort::pullOut() {
    pulledOut_ = true;
    if (open_) {
        lost_ = true;
        error_ = QStringLiteral("Input/output error");
        close();
    }
}

bool SimSerialPort::requestLowLatency() {
    ++lowLatencyRequests_;
    return open_ && lowLatencyAccepted_;
}

void SimSerialPort::close() {
    if (open_) {
        ++closes_;
    }
    open_ = false;
    rx_.clear();
    // Bytes in flight to a closed port are lost.
    model_.resetLine();
}

void SimSerialPort::collect() {
    if (!open_) {
        return;
    }
    model_.takeDue(clock_.nowUs(), rx_);
    if (rx_.size() > kReceiveBufferSize) {
        rx_.truncate(kReceiveBufferSize);
        injectLineEvent(line_event::kReceiveBufferOverflow);
    }
}

void SimSerialPort::discardInput() {
    collect();
    rx_.clear();
}

int SimSerialPort::bytesWaiting() {
    collect();
    return open_ ? static_cast<int>(rx_.size()) : 0;
}

quint8 SimSerialPort::readByte() {
    if (!open_) {
        throw AppError(8018, QStringLiteral("Serial Port"),
                       QStringLiteral("Operation valid only when the port is open"));
    }
    collect();
    if (rx_.isEmpty()) {
        throw AppError(8015, QStringLiteral("Serial Port"),
                       QStringLiteral("No byte waiting on serial port %1").arg(device_));
    }
    const auto b = static_cast<quint8>(rx_.front());
    rx_.remove(0, 1);
    return b;
}

void SimSerialPort::writeByte(quint8 byte) {
    if (!open_) {
        throw AppError(8018, QStringLiteral("Serial Port"),
                       QStringLiteral("Operation valid only when the port is open"));
    }
    written_.push_back({clock_.nowUs(), byte});
    model_.receive(byte, clock_.nowUs());
    if (pullAfterWrites_ > 0 && --pullAfterWrites_ == 0) {
        pullOut();
    }
}

bool SimSerialPort::waitForMoreBytes(int msecs) {
    if (!open_) {
        return false;
    }
    collect();
    const qsizetype before = rx_.size();
    const qint64 end = clock_.nowUs() + static_cast<qint64>(std::max(msecs, 0)) * 1000;
    const std::optional<qint64> due = model_.nextDueUs();
    if (due && *due <= end) {
        clock_.setNowUs(*due);
        collect();
    } else {
        clock_.setNowUs(end);
    }
    return rx_.size() > before;
}

std::vector<quint8> SimSerialPort::writtenBytes() const {
    std::vector<quint8> bytes;
    bytes.reserve(written_.size());
    for (const Written& w : written_) {
        bytes.push_back(w.byte);
    }
    return bytes;
}

void SimSerialPort::injectReceived(const QByteArray& bytes) {
    rx_.append(bytes);
}

void SimSerialPort::injectLineEvent(int code) {
    QMetaObject::invokeMethod(
        this, [this, code] { deliverLineEvent(code); }, Qt::QueuedConnection);
}

void SimSerialPort::deliverLineEvent(int code) {
    if (handler_) {
        handler_(code);
    }
}

}  // namespace tarvik::sim
