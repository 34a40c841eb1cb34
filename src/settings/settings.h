#pragma once

#include <QtGlobal>

namespace tarvik {

/// Keys of the per-user settings store, all in section "Properties".
namespace settings_keys {
inline constexpr char kSection[] = "Properties";
inline constexpr char kCommPort[] = "CommPort";
inline constexpr char kTachRedline[] = "Tach_Redline";
inline constexpr char kTachMax[] = "Tach_Max";
inline constexpr char kSpeedoRedline[] = "Speedo_Redline";
inline constexpr char kSpeedoMax[] = "Speedo_Max";
inline constexpr char kTpsPercentDisplay[] = "TPS_Percent_Display";
inline constexpr char kInput1AnalogDisplay[] = "Input1_Analog_Display";
inline constexpr char kInput2AnalogDisplay[] = "Input2_Analog_Display";
inline constexpr char kMaxRPMDisplay[] = "MaxRPMDisplay";
inline constexpr char kMaxVSSDisplay[] = "MaxVSSDisplay";
}  // namespace settings_keys

/// The program-wide user choices, read once at start-up and written key by key when the user
/// changes one. A value that failed to load (and was ignored) stays 0 or false.
struct Settings {
    qint16 commPort = 0;
    float tachRedline = 0;
    float tachMax = 0;
    float speedoRedline = 0;
    float speedoMax = 0;
    bool tpsPercentDisplay = false;
    bool input1AnalogDisplay = false;
    bool input2AnalogDisplay = false;
    qint16 maxRPMDisplay = 0;
    qint16 maxVSSDisplay = 0;
};

/// Defaults of a store that holds no such key.
namespace settings_defaults {
inline constexpr qint16 kCommPort = 1;
inline constexpr float kTachRedline = 6500;
inline constexpr float kTachMax = 10000;
inline constexpr float kSpeedoRedline = 85;
inline constexpr float kSpeedoMax = 140;
inline constexpr bool kTpsPercentDisplay = true;
inline constexpr bool kInput1AnalogDisplay = true;
inline constexpr bool kInput2AnalogDisplay = true;
inline constexpr qint16 kMaxRPMDisplay = 10000;
inline constexpr qint16 kMaxVSSDisplay = 140;
}  // namespace settings_defaults

/// The chart maxima are the only values brought into range at load.
inline constexpr qint16 kMaxRPMLow = 4000;
inline constexpr qint16 kMaxRPMHigh = 20000;
inline constexpr qint16 kMaxVSSLow = 50;
inline constexpr qint16 kMaxVSSHigh = 250;

}  // namespace tarvik
