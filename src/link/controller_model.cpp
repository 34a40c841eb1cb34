#include "link/controller_model.h"

namespace tarvik {

ControllerModel controllerModelOf(const QString& firmwareId) {
    if (firmwareId.contains(QLatin1String("QX-1"), Qt::CaseInsensitive)) {
        return ControllerModel::QX1;
    }
    if (firmwareId.contains(QLatin1String("QX-2"), Qt::CaseInsensitive)) {
        return ControllerModel::QX2;
    }
    return ControllerModel::Unknown;
}

QString controllerModelName(ControllerModel model) {
    switch (model) {
        case ControllerModel::QX1:
            return QStringLiteral("QX-1");
        case ControllerModel::QX2:
            return QStringLiteral("QX-2");
        case ControllerModel::Unknown:
            break;
    }
    return QStringLiteral("Unknown");
}

ControllerModel controllerModelNamed(QStringView name) {
    if (name == QLatin1String("QX-1")) {
        return ControllerModel::QX1;
    }
    if (name == QLatin1String("QX-2")) {
        return ControllerModel::QX2;
    }
    return ControllerModel::Unknown;
}

}  // namespace tarvik
