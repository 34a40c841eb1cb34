#pragma once

#include <QString>
#include <QStringView>

namespace tarvik {

/// The controller models the program tells apart. Only a QX-2 has the two stage outputs whose
/// duty cycles the panel shows; a QX-1 log holds no stage data worth charting.
enum class ControllerModel { Unknown, QX1, QX2 };

/// The model a firmware identification text names: QX-1 if it contains "QX-1", else QX-2 if it
/// contains "QX-2", else Unknown; letter case ignored. A text naming both is a QX-1.
ControllerModel controllerModelOf(const QString& firmwareId);

/// "QX-1", "QX-2" or "Unknown": the name log files, recordings and kept downloads carry.
QString controllerModelName(ControllerModel model);

/// The model a stored name stands for ("QX-1", "QX-2"); Unknown for any other text.
ControllerModel controllerModelNamed(QStringView name);

/// Road speed: the controller counts in mph when its general-mode flag says so, and the data
/// set keeps km/h. These are the program's two factors for the two directions.
inline constexpr double kKmPerMile = 1.6093;
inline constexpr double kMphPerKmh = 0.621388;

/// The raw throttle bytes at 0 % and 100 % assumed when the controller's own calibration
/// cannot be read.
inline constexpr float kDefaultTpsZeroPoint = 26.0F;
inline constexpr float kDefaultTpsFullPoint = 230.0F;

}  // namespace tarvik
