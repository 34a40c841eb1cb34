#include "platform/port_names.h"

#include "platform/settings_backing.h"

namespace tarvik {

QString portDeviceName(int portNumber, const SettingsBacking* settings) {
#ifdef Q_OS_WIN
    Q_UNUSED(settings);
    return QStringLiteral("COM") + QString::number(portNumber);
#else
    if (settings != nullptr) {
        const std::optional<QString> configured = settings->read(
            QStringLiteral("Ports"), QStringLiteral("Com") + QString::number(portNumber));
        if (configured && !configured->trimmed().isEmpty()) {
            return configured->trimmed();
        }
    }
    return QStringLiteral("/dev/ttyS") + QString::number(portNumber - 1);
#endif
}

}  // namespace tarvik
