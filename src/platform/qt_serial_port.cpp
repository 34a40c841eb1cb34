#include "platform/qt_serial_port.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <cstring>

#include "core/app_error.h"

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <unistd.h>
#endif
#if defined(Q_OS_LINUX)
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace tarvik {

namespace {

// The serial control's own error numbers, so the error box reads the same on every platform.
constexpr std::uint32_t kPortOpenError = 8002;
constexpr std::uint32_t kPortNotOpen = 8018;
constexpr std::uint32_t kPortIoError = 8015;

AppError portError(std::uint32_t code, const QString& text) {
    return AppError(code, QStringLiteral("Serial Port"), text);
}

#if defined(Q_OS_UNIX)
// Only a character device can be a serial port; a file or folder named in the settings is
// refused before Qt would open it and write to it.
PortOpenFailure checkBeforeOpen(const QString& deviceName) {
    if (deviceName.trimmed().isEmpty()) {
        return PortOpenFailure::NoSuchDevice;
    }
    struct stat st {};
    // A bare name ("ttyUSB0") is a device in /dev, as QSerialPort takes it.
    const QByteArray path = QFile::encodeName(
        deviceName.contains(u'/') ? deviceName : QStringLiteral("/dev/") + deviceName);
    if (::stat(path.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return PortOpenFailure::NoSuchDevice;
        }
        return errno == EACCES ? PortOpenFailure::PermissionDenied : PortOpenFailure::Other;
    }
    return S_ISCHR(st.st_mode) ? PortOpenFailure::None : PortOpenFailure::NotASerialDevice;
}
#endif

// Qt reports a device in use and one the user may not open with the same error; the device's
// permissions tell them apart.
PortOpenFailure classify(const QString& deviceName, QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return PortOpenFailure::NoSuchDevice;
        case QSerialPort::PermissionError:
#if defined(Q_OS_UNIX)
            if (::access(QFile::encodeName(deviceName.contains(u'/')
                                               ? deviceName
                                               : QStringLiteral("/dev/") + deviceName)
                             .constData(),
                         R_OK | W_OK) != 0 &&
                errno == EACCES) {
                return PortOpenFailure::PermissionDenied;
            }
#endif
            return PortOpenFailure::Busy;
        case QSerialPort::UnsupportedOperationError:
            return PortOpenFailure::NotASerialDevice;  // no terminal behind it (/dev/null)
        default:
            return PortOpenFailure::Other;
    }
}

AppError notOpen() {
    return portError(kPortNotOpen, QStringLiteral("Operation valid only when the port is open"));
}

}  // namespace

class QtSerialPort::Call {
public:
    explicit Call(QtSerialPort& port) : port_(port) { ++port_.inCall_; }
    ~Call() {
        if (--port_.inCall_ == 0) {
            port_.closeIfLost();
        }
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

private:
    QtSerialPort& port_;
};

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent) {
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

bool QtSerialPort::hungUp() const {
#if defined(Q_OS_LINUX)
    if (!port_.isOpen()) {
        return false;
    }
    // A pulled adapter's tty and a pseudo-terminal whose other end closed both report a hang-up
    // (reads then return nothing, writes fail with EIO).
    pollfd p{static_cast<int>(port_.handle()), 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return false;
#endif
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if (lost_ || !port_.isOpen()) {
        return;
    }
    const bool gone =
        error == QSerialPort::ResourceError ||
        ((error == QSerialPort::ReadError || error == QSerialPort::WriteError) && hungUp());
    if (!gone) {
        return;
    }
    lost_ = true;
    lastError_ = port_.errorString();
    if (inCall_ > 0 || closeQueued_) {
        return;  // the call under way closes it once Qt has returned
    }
    // Reported from Qt's read notifier, which still has work to do after telling us: close the
    // port as soon as it has returned, before the next event.
    closeQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            closeQueued_ = false;
            closeIfLost();
        },
        Qt::QueuedConnection);
}

void QtSerialPort::closeIfLost() {
    if (lost_ && port_.isOpen()) {
        port_.close();
        rx_.clear();
    }
}

bool QtSerialPort::requestLowLatency() {
#if defined(Q_OS_LINUX)
    if (!port_.isOpen()) {
        return false;
    }
    // USB-serial drivers that support it shorten their latency timer (ftdi_sio to 1 ms); others,
    // built-in ports and pseudo-terminals refuse (ENOTTY, EINVAL), which changes nothing.
    const int fd = static_cast<int>(port_.handle());
    serial_struct ss{};
    if (::ioctl(fd, TIOCGSERIAL, &ss) != 0) {
        return false;
    }
    if ((ss.flags & ASYNC_LOW_LATENCY) != 0) {
        return true;
    }
    ss.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &ss) == 0;
#else
    return false;
#endif
}

QtSerialPort::~QtSerialPort() {
    port_.close();
}

void QtSerialPort::open(const QString& deviceName) {
    deviceName_ = deviceName;
    if (port_.isOpen()) {
        throw portError(8005, QStringLiteral("Port already open"));
    }
    Call call(*this);
    rx_.clear();
    lost_ = false;
    openFailure_ = PortOpenFailure::None;
#if defined(Q_OS_UNIX)
    openFailure_ = checkBeforeOpen(deviceName);
    if (openFailure_ != PortOpenFailure::None) {
        lastError_ = openFailure_ == PortOpenFailure::NotASerialDevice
                         ? QStringLiteral("Not a serial device")
                     : openFailure_ == PortOpenFailure::NoSuchDevice
                         ? QStringLiteral("No such file or directory")
                     : openFailure_ == PortOpenFailure::PermissionDenied
                         ? QStringLiteral("Permission denied")
                         : QStringLiteral("Cannot read the device's details");
        throw portError(
            kPortOpenError,
            QStringLiteral("Cannot open serial port %1: %2").arg(deviceName, lastError_));
    }
#endif
    port_.setPortName(deviceName);
    if (!port_.open(QIODevice::ReadWrite)) {
        lastError_ = port_.errorString();
        openFailure_ = classify(deviceName, port_.error());
        port_.clearError();
        throw portError(
            kPortOpenError,
            QStringLiteral("Cannot open serial port %1: %2").arg(deviceName, lastError_));
    }
    const bool lineSet = port_.setBaudRate(kBaudRate) && port_.setDataBits(QSerialPort::Data8) &&
                         port_.setParity(QSerialPort::NoParity) &&
                         port_.setStopBits(QSerialPort::OneStop) &&
                         port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!lineSet) {
        lastError_ = port_.errorString();
        openFailure_ = PortOpenFailure::Other;
        port_.close();
        throw portError(kPortOpenError, QStringLiteral("Cannot set up serial port %1 for 56000 "
                                                       "baud, 8 data bits, no parity: %2")
                                            .arg(deviceName, lastError_));
    }
    // A pseudo-terminal or a three-wire adapter has no modem lines; that is no reason to fail.
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(false);
    port_.clearError();
    lastError_.clear();
    port_.clear(QSerialPort::AllDirections);

    countersAvailable_ = false;
#if defined(Q_OS_LINUX)
    serial_icounter_struct c{};
    if (::ioctl(static_cast<int>(port_.handle()), TIOCGICOUNT, &c) == 0) {
        countersAvailable_ = true;
        counters_ = {c.frame, c.overrun, c.buf_overrun, c.parity};
    }
#elif defined(Q_OS_WIN)
    countersAvailable_ = true;
#endif
}

void QtSerialPort::close() {
    if (port_.isOpen()) {
        port_.close();
    }
    rx_.clear();
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

void QtSerialPort::discardInput() {
    if (!port_.isOpen()) {
        return;
    }
    Call call(*this);
    port_.clear(QSerialPort::Input);
    port_.readAll();
    rx_.clear();
}

int QtSerialPort::bytesWaiting() {
    if (!port_.isOpen()) {
        return 0;
    }
    Call call(*this);
    takeIncoming();
    return static_cast<int>(rx_.size());
}

quint8 QtSerialPort::readByte() {
    if (!port_.isOpen()) {
        throw notOpen();
    }
    Call call(*this);
    takeIncoming();
    if (rx_.isEmpty()) {
        throw portError(kPortIoError,
                        QStringLiteral("No byte waiting on serial port %1").arg(deviceName_));
    }
    const auto b = static_cast<quint8>(rx_.front());
    rx_.remove(0, 1);
    return b;
}

void QtSerialPort::writeByte(quint8 byte) {
    if (!port_.isOpen()) {
        throw notOpen();
    }
    Call call(*this);
    const char c = static_cast<char>(byte);
    bool sent = port_.write(&c, 1) == 1;
    // QSerialPort sends only from the event loop or a wait: push the byte out now.
    if (sent) {
        port_.flush();
        if (port_.bytesToWrite() > 0) {
            sent = port_.waitForBytesWritten(1000);
        }
    }
    if (!sent) {
        lastError_ = port_.errorString();
        if (!lost_ && (port_.error() == QSerialPort::ResourceError || hungUp())) {
            lost_ = true;
        }
        port_.clearError();
        throw portError(
            kPortIoError,
            QStringLiteral("Write to serial port %1 failed: %2").arg(deviceName_, lastError_));
    }
}

bool QtSerialPort::waitForMoreBytes(int msecs) {
    if (!port_.isOpen()) {
        return false;
    }
    Call call(*this);
    takeIncoming();
    const qsizetype before = rx_.size();
    QDeadlineTimer deadline(std::max(msecs, 0));
    for (;;) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0) {
            break;
        }
        if (port_.waitForReadyRead(static_cast<int>(left))) {
            takeIncoming();
            if (rx_.size() > before) {
                return true;
            }
            continue;
        }
        const QSerialPort::SerialPortError error = port_.error();
        if (error == QSerialPort::TimeoutError || error == QSerialPort::NoError) {
            port_.clearError();
            break;
        }
        lastError_ = port_.errorString();
        if (!lost_ && (error == QSerialPort::ResourceError || hungUp())) {
            lost_ = true;
        }
        port_.clearError();
        if (lost_) {
            // The device has gone (the other end of a pseudo-terminal closed, an adapter was
            // pulled): the port closes as this call returns, and the caller learns it at once.
            return false;
        }
        // Some other failure, which Qt may report at once on every call: sleep out the time
        // instead of asking again, so the caller's deadline ends the wait.
        const qint64 rest = deadline.remainingTime();
        if (rest > 0) {
            QThread::msleep(static_cast<unsigned long>(rest));
        }
        break;
    }
    takeIncoming();
    return rx_.size() > before;
}

void QtSerialPort::onReadyRead() {
    Call call(*this);
    takeIncoming();
}

void QtSerialPort::takeIncoming() {
    if (!port_.isOpen()) {
        return;
    }
    pollLineErrors();
    if (port_.bytesAvailable() > 0) {
        rx_.append(port_.readAll());
    }
    if (rx_.size() > kReceiveBufferSize) {
        // The receive buffer holds 256 bytes; what came after is lost, as on the wire.
        rx_.truncate(kReceiveBufferSize);
        post(line_event::kReceiveBufferOverflow);
    }
}

void QtSerialPort::pollLineErrors() {
    if (!countersAvailable_) {
        return;
    }
#if defined(Q_OS_LINUX)
    serial_icounter_struct c{};
    if (::ioctl(static_cast<int>(port_.handle()), TIOCGICOUNT, &c) != 0) {
        return;
    }
    const std::array<long long, 4> now = {c.frame, c.overrun, c.buf_overrun, c.parity};
    constexpr std::array<int, 4> codes = {line_event::kFramingError, line_event::kHardwareOverrun,
                                          line_event::kReceiveBufferOverflow,
                                          line_event::kParityError};
    for (size_t i = 0; i < now.size(); ++i) {
        if (now[i] != counters_[i]) {
            post(codes[i]);
        }
    }
    counters_ = now;
#elif defined(Q_OS_WIN)
    DWORD errors = 0;
    COMSTAT stat{};
    if (!ClearCommError(reinterpret_cast<HANDLE>(port_.handle()), &errors, &stat)) {
        return;
    }
    if (errors & CE_FRAME)
        post(line_event::kFramingError);
    if (errors & CE_OVERRUN)
        post(line_event::kHardwareOverrun);
    if (errors & CE_RXOVER)
        post(line_event::kReceiveBufferOverflow);
    if (errors & CE_RXPARITY)
        post(line_event::kParityError);
#endif
}

void QtSerialPort::post(int code) {
    // Line events reach the handler from the event loop, like any other event, never from
    // inside a read or a wait.
    QMetaObject::invokeMethod(
        this,
        [this, code] {
            if (handler_) {
                handler_(code);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace tarvik
