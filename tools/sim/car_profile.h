#pragma once

#include <QtGlobal>

namespace tarvik::sim {

/// What the controller measures at one moment, as the raw bytes it logs and reports.
struct CarSample {
    quint16 rpm = 0;        ///< engine speed
    quint8 speed = 0;       ///< road speed in the unit the controller is set to
    quint8 tps = 0;         ///< raw throttle reading
    quint8 input1 = 0;      ///< analog input 1 (wide-band air/fuel signal), byte x 5 / 255 V
    quint8 input2 = 0;      ///< analog input 2, byte x 5 / 255 V
    quint8 battery = 0;     ///< supply, byte x 18 / 255 V
    quint8 inputBits = 0;   ///< 0x01 arming, 0x02 purge, 0x04 general-purpose input
    quint8 outputBits = 0;  ///< 0x01 stage 1, 0x02 stage 2, 0x04 GP out, 0x08 lamp, 0x10 purge
    quint8 status = 0;      ///< status code
    quint8 stage1Pwm = 0;   ///< stage 1 duty cycle, percent
    quint8 stage2Pwm = 0;   ///< stage 2 duty cycle, percent
};

/// A car at the drag strip: idling in the lanes, a purge, a burnout, then a quarter-mile pass
/// through four gears with the nitrous stages coming in, and the drive back. `t` is seconds
/// since the start of the day's log; a pass starts at each time in passStarts.
/// `speedInMph` chooses the unit of the road-speed byte.
CarSample carAt(double t, const double* passStarts, int passCount, bool speedInMph);

/// The live car: the same story repeating every `cycleSeconds`, one pass each time.
CarSample liveCarAt(double t, bool speedInMph, double cycleSeconds = 40.0);

}  // namespace tarvik::sim
