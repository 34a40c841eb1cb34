#include "platform/serial_devices.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

namespace tarvik {

QString stableDeviceName(const QString& systemLocation, const QString& byIdFolder) {
    const QString target = QFileInfo(systemLocation).canonicalFilePath();
    if (target.isEmpty() || byIdFolder.isEmpty()) {
        return QString();
    }
    const QDir dir(byIdFolder);
    QStringList names = dir.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    for (const QString& name : names) {
        const QString link = dir.filePath(name);
        if (QFileInfo(link).canonicalFilePath() == target) {
            return link;
        }
    }
    return QString();
}

QList<SerialDeviceInfo> QtSerialDeviceList::devices() const {
    QList<SerialDeviceInfo> out;
    for (const QSerialPortInfo& p : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo d;
        d.systemLocation = p.systemLocation();
        const QString stable = stableDeviceName(d.systemLocation, byIdFolder_);
        d.device = stable.isEmpty() ? d.systemLocation : stable;
        d.description = p.description();
        d.manufacturer = p.manufacturer();
        d.serialNumber = p.serialNumber();
        if (p.hasVendorIdentifier()) {
            d.vendorId = p.vendorIdentifier();
        }
        if (p.hasProductIdentifier()) {
            d.productId = p.productIdentifier();
        }
        out.append(d);
    }
    // USB adapters (the likely controller cable) first, then by name.
    std::stable_sort(out.begin(), out.end(),
                     [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) {
                         if (a.vendorId.has_value() != b.vendorId.has_value()) {
                             return a.vendorId.has_value();
                         }
                         return a.device < b.device;
                     });
    return out;
}

}  // namespace tarvik
