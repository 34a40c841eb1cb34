#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace tarvik {

/// One serial device present on the computer.
struct SerialDeviceInfo {
    /// The name to bind a port to: on Linux the stable /dev/serial/by-id/... link when there is
    /// one (it stays the same whichever USB socket the adapter is in), else the device path.
    QString device;
    /// The device path the system gave it this time (/dev/ttyUSB0, COM3).
    QString systemLocation;
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
};

/// Lists the serial devices present. The program uses QSerialPortInfo; tests list made-up ones.
class SerialDeviceList {
public:
    virtual ~SerialDeviceList() = default;
    virtual QList<SerialDeviceInfo> devices() const = 0;
};

/// The devices QSerialPortInfo finds, with the stable by-id names from `byIdFolder`.
class QtSerialDeviceList final : public SerialDeviceList {
public:
    explicit QtSerialDeviceList(QString byIdFolder = QStringLiteral("/dev/serial/by-id"))
        : byIdFolder_(std::move(byIdFolder)) {}
    QList<SerialDeviceInfo> devices() const override;

private:
    QString byIdFolder_;
};

/// The link in `byIdFolder` that leads to `systemLocation`, or "" when there is none.
QString stableDeviceName(const QString& systemLocation, const QString& byIdFolder);

}  // namespace tarvik
