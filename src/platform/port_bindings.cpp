#include "platform/port_bindings.h"

#include <QFileInfo>

#include "platform/port_names.h"
#include "platform/serial_devices.h"
#include "platform/settings_backing.h"

namespace tarvik {

namespace {

constexpr int kPortCount = 255;

bool sameDevice(const QString& name, const SerialDeviceInfo& device, const QString& canonical) {
    if (name == device.device || name == device.systemLocation) {
        return true;
    }
    if (canonical.isEmpty()) {
        return false;
    }
    return QFileInfo(name).canonicalFilePath() == canonical;
}

}  // namespace

QList<int> portsBoundTo(const SerialDeviceInfo& device, const SettingsBacking& settings) {
    QList<int> ports;
    const QString canonical = QFileInfo(device.systemLocation).canonicalFilePath();
    for (int n = 1; n <= kPortCount; ++n) {
        if (sameDevice(portDeviceName(n, &settings), device, canonical)) {
            ports.append(n);
        }
    }
    return ports;
}

void bindPort(SettingsBacking& settings, int portNumber, const QString& device) {
    settings.write(QStringLiteral("Ports"), QStringLiteral("Com") + QString::number(portNumber),
                   device);
}

}  // namespace tarvik
