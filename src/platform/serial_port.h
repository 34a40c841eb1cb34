#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

namespace tarvik {

/// Line events a serial port reports besides received bytes. The numbers are the codes the
/// line-error handler chooses by; any other code it receives is ignored.
namespace line_event {
constexpr int kFramingError = 1004;
constexpr int kHardwareOverrun = 1006;
constexpr int kReceiveBufferOverflow = 1008;
constexpr int kParityError = 1009;
constexpr int kDeviceControlBlockError = 1011;
}  // namespace line_event

/// Why a port could not be opened, so the link can tell the user what to do about it.
enum class PortOpenFailure {
    None,
    NoSuchDevice,      ///< nothing at that name: adapter unplugged, or the wrong port
    PermissionDenied,  ///< the user may not open it
    Busy,              ///< another program has it open
    NotASerialDevice,  ///< a file, a folder or another kind of device
    Other,
};

/// The serial port as the controller link needs it: one port at a time, opened by device name,
/// with the line set-up fixed by the implementation (56000 baud, 8N1, no flow control, DTR on,
/// RTS off, null bytes kept, a 256-byte receive buffer).
///
/// All calls are made on the UI thread. No call here processes UI events.
class SerialPort {
public:
    using LineEventHandler = std::function<void(int code)>;

    virtual ~SerialPort() = default;

    /// Opens the named device with the fixed line set-up. Throws AppError carrying the port's own
    /// error text and the device name when it cannot be opened. Opening an open port is an error.
    virtual void open(const QString& deviceName) = 0;
    /// Closes the port; does nothing when it is closed. Bytes waiting are lost.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    /// The device name of the last open (successful or not).
    virtual QString deviceName() const = 0;

    /// Drops every byte received and not yet read (the waiting count becomes 0). Does nothing
    /// on a closed port.
    virtual void discardInput() = 0;
    /// Bytes received and not yet read (at most 256: the excess is dropped and reported as a
    /// receive-buffer overflow). 0 on a closed port.
    virtual int bytesWaiting() = 0;
    /// Removes and returns the oldest waiting byte. Throws AppError when the port is closed or
    /// nothing is waiting.
    virtual quint8 readByte() = 0;
    /// Writes one byte; it has left the program when this returns. Throws AppError when the
    /// port is closed or the write fails.
    virtual void writeByte(quint8 byte) = 0;

    /// Blocks until more bytes than are waiting now have arrived or `msecs` milliseconds have
    /// passed, whichever is first, without processing UI events and without spinning a core.
    /// Returns whether new bytes arrived. Returns false at once on a closed port. A device that
    /// goes away while waiting closes the port and ends the wait at once (see deviceLost()); a
    /// port that fails otherwise sleeps out the time rather than returning early over and over,
    /// so a caller's deadline loop always ends at its deadline.
    virtual bool waitForMoreBytes(int msecs) = 0;

    /// The port closed itself because its device went away or broke (a USB adapter pulled out,
    /// the other end of a pseudo-terminal gone): reads and writes failed with an I/O error or
    /// the line hung up. The port is closed at once, from inside the failing call or from the
    /// event loop, so no handle is held on a dead device. True from then until the next
    /// successful open().
    virtual bool deviceLost() const { return false; }

    /// Asks the driver of the open port to pass received bytes on at once rather than holding
    /// the last ones for its latency timer (many USB-serial adapters wait up to 16 ms). Returns
    /// whether the driver took the request; built-in ports, pseudo-terminals and many drivers
    /// refuse, which is no fault.
    virtual bool requestLowLatency() { return false; }

    /// Line events (the codes in line_event) are delivered to this handler on the UI thread from
    /// the event loop, never from inside another call of this interface.
    virtual void setLineEventHandler(LineEventHandler handler) = 0;

    /// The text of the last error the port reported ("" when none).
    virtual QString errorString() const = 0;
    /// Why the last failed open() failed (Other when the port cannot tell).
    virtual PortOpenFailure lastOpenFailure() const { return PortOpenFailure::Other; }
};

}  // namespace tarvik
