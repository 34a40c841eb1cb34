#include "chart/marker_status.h"

namespace tarvik {

QString markerStatusText(float status) {
    if (status == 0.0f) {
        return QStringLiteral("Power Off");
    }
    if (status == 1.0f) {
        return QStringLiteral("Power On - Not Armed");
    }
    if (status == 2.0f) {
        return QStringLiteral("Auto Purge");
    }
    if (status >= 3.0f && status <= 4.0f) {
        return QStringLiteral("Ready");
    }
    if (status == 5.0f) {
        return QStringLiteral("Timeout");
    }
    if (status == 6.0f) {
        return QStringLiteral("Power Ground Fault");
    }
    return QStringLiteral("Invalid");
}

}  // namespace tarvik
