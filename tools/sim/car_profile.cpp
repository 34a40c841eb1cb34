#include "car_profile.h"

#include <algorithm>
#include <cmath>

namespace tarvik::sim {

namespace {

constexpr double kPassSeconds = 11.0;
// Seconds into the pass at which each gear ends, and the gear's road speed per 1000 rpm in km/h.
constexpr double kShiftAt[] = {2.1, 4.6, 7.8, kPassSeconds};
constexpr double kKmhPer1000[] = {9.5, 15.0, 21.5, 29.5};
constexpr double kRedline = 7200;
constexpr double kShiftDrop[] = {4400, 4900, 5300, 0};

quint8 toByte(double v) {
    return static_cast<quint8>(std::clamp(std::lround(v), 0L, 255L));
}

double wobble(double t, double period, double amount) {
    return amount * std::sin(2.0 * M_PI * t / period);
}

quint8 voltsByte(double volts) {
    return toByte(volts * 255.0 / 5.0);
}

// Air/fuel ratio as the wide-band sensor's voltage: ratio = volts x 2 + 10.
quint8 afrByte(double ratio) {
    return voltsByte((ratio - 10.0) / 2.0);
}

CarSample idle(double t, bool armed) {
    CarSample s;
    s.rpm = static_cast<quint16>(900 + wobble(t, 3.7, 40) + wobble(t, 0.9, 15));
    s.tps = toByte(28 + wobble(t, 5.1, 1));
    s.input1 = afrByte(14.6 + wobble(t, 2.3, 0.4));
    s.input2 = voltsByte(2.9 + wobble(t, 7.0, 0.05));
    s.battery = toByte(13.9 * 255.0 / 18.0 + wobble(t, 11.0, 1));
    s.inputBits = armed ? 0x01 : 0x00;
    s.outputBits = armed ? 0x08 : 0x00;
    s.status = armed ? 3 : 1;
    return s;
}

CarSample pass(double tp, bool speedInMph) {
    CarSample s;
    int gear = 0;
    while (gear < 3 && tp >= kShiftAt[gear]) {
        ++gear;
    }
    const double gearStart = gear == 0 ? 0.0 : kShiftAt[gear - 1];
    const double gearEnd = kShiftAt[gear];
    const double startRpm = gear == 0 ? 4200 : kShiftDrop[gear - 1];
    const double endRpm = gear == 3 ? 6900 : kRedline;
    const double f = std::clamp((tp - gearStart) / (gearEnd - gearStart), 0.0, 1.0);
    const double rpm = startRpm + (endRpm - startRpm) * std::sqrt(f);
    const double kmh = gear == 0 && tp < 0.3 ? tp * 20 : rpm / 1000.0 * kKmhPer1000[gear];
    s.rpm = static_cast<quint16>(rpm);
    s.speed = toByte(speedInMph ? kmh * 0.621388 : kmh);
    s.tps = 226;
    // Stage 1 comes in after the launch, stage 2 once the car has some speed; both ramp.
    const bool stage1 = tp >= 0.8;
    const bool stage2 = tp >= 3.2;
    s.stage1Pwm = stage1 ? toByte(std::min(100.0, 35 + (tp - 0.8) * 30)) : 0;
    s.stage2Pwm = stage2 ? toByte(std::min(100.0, 20 + (tp - 3.2) * 25)) : 0;
    s.outputBits = static_cast<quint8>(0x08 | (stage1 ? 0x01 : 0) | (stage2 ? 0x02 : 0) |
                                       (tp >= 9.5 ? 0x04 : 0));
    s.inputBits = 0x01;
    s.input1 = afrByte(stage2 ? 11.4 + wobble(tp, 0.7, 0.2) : stage1 ? 11.9 : 12.6);
    s.input2 = voltsByte(3.4 - 0.05 * tp + wobble(tp, 1.3, 0.04));
    s.battery = toByte((12.7 - (stage2 ? 0.3 : 0)) * 255.0 / 18.0);
    s.status = 4;
    return s;
}

CarSample around(double tp, bool speedInMph) {
    // tp: seconds relative to the pass start (negative before it, past kPassSeconds after it).
    if (tp >= 0 && tp < kPassSeconds) {
        return pass(tp, speedInMph);
    }
    if (tp >= -12 && tp < -9) {  // purge before staging
        CarSample s = idle(tp, true);
        s.inputBits |= 0x02;
        s.outputBits |= 0x10;
        s.status = 2;
        return s;
    }
    if (tp >= -9 && tp < -5) {  // burnout
        CarSample s = idle(tp, true);
        s.rpm = static_cast<quint16>(5200 + wobble(tp, 0.5, 200));
        s.tps = 170;
        s.speed = 8;
        s.input1 = afrByte(13.1);
        return s;
    }
    if (tp >= -5 && tp < 0) {  // staged, two-stepping
        CarSample s = idle(tp, true);
        s.rpm = static_cast<quint16>(tp > -2 ? 4200 : 1200);
        s.tps = tp > -2 ? 215 : 40;
        return s;
    }
    if (tp >= kPassSeconds && tp < kPassSeconds + 8) {  // shut-down and the slow-down lane
        const double d = tp - kPassSeconds;
        CarSample s = idle(tp, false);
        const double kmh = std::max(25.0, 190.0 - d * 21);
        s.rpm = static_cast<quint16>(std::max(1100.0, 4200 - d * 380));
        s.speed = toByte(speedInMph ? kmh * 0.621388 : kmh);
        s.status = d < 2 ? 5 : 1;  // the window timer runs out once the pass is over
        s.input1 = afrByte(16.5);
        return s;
    }
    if (tp >= kPassSeconds + 8 && tp < kPassSeconds + 30) {  // the return road
        CarSample s = idle(tp, false);
        const double kmh = 25 + wobble(tp, 9, 6);
        s.rpm = static_cast<quint16>(1700 + wobble(tp, 9, 250));
        s.speed = toByte(speedInMph ? kmh * 0.621388 : kmh);
        s.tps = toByte(60 + wobble(tp, 4, 15));
        return s;
    }
    return idle(tp, false);
}

}  // namespace

CarSample carAt(double t, const double* passStarts, int passCount, bool speedInMph) {
    // The nearest pass decides what the car is doing.
    double best = 1e9;
    for (int i = 0; i < passCount; ++i) {
        const double tp = t - passStarts[i];
        if (tp >= -12 && tp < kPassSeconds + 30) {
            best = tp;
            break;
        }
    }
    return best < 1e8 ? around(best, speedInMph) : idle(t, false);
}

CarSample liveCarAt(double t, bool speedInMph, double cycleSeconds) {
    const double tc = std::fmod(t, cycleSeconds);
    return around(tc - 14.0, speedInMph);
}

}  // namespace tarvik::sim
