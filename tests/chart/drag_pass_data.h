#pragma once

// A realistic data set for the chart's tests, pictures and benchmark: 2700 samples of a day at
// the strip with two passes. Idle and staging, then a pass through four gears with throttle wide
// open, the arming switch on, both nitrous stages triggered with their duty cycles ramping up,
// a richer air/fuel ratio under nitrous and the battery sagging; then the return road.
#include <QtGlobal>
#include <algorithm>
#include <cmath>

#include "common/rounding.h"
#include "logdata/data_buffer.h"

namespace tarvik::test {

inline void fillDragPass(DataBuffer& d, float interval = 0.1f,
                         const QString& version = QStringLiteral("QX-2")) {
    d.clearDataBuffer();
    d.logInterval = interval;
    d.firmwareId = version + QStringLiteral(" V2.31");
    d.controllerVersion = version;
    d.downloadDate = QStringLiteral("6/14/2024 3:42:10 PM");
    const double passStarts[] = {60.0, 180.0};
    const double ratios[] = {2.97, 2.07, 1.43, 1.00};  // overall ratio per gear (scaled below)
    for (int row = 1; row <= kDataRows; ++row) {
        const double t = row * static_cast<double>(interval);
        double rpm = 900 + 40 * std::sin(t * 1.7);
        double kmh = 0;
        double tps = 0;
        double afr = 14.7 + 0.2 * std::sin(t * 0.9);
        double bat = 13.9;
        int inputs = 0;
        int outputs = 0x08;  // status lamp
        int status = 1;
        double pwm1 = 0;
        double pwm2 = 0;
        for (double start : passStarts) {
            const double s = t - start;
            if (s >= -8 && s < 0) {  // staging: armed, a short purge, revving on the brake
                inputs |= 0x01;
                status = 4;
                rpm = 2200 + 300 * std::sin(s * 3);
                tps = 18;
                if (s > -6 && s < -5) {
                    inputs |= 0x02;
                    outputs |= 0x10;
                }
            } else if (s >= 0 && s < 11.5) {  // the pass
                inputs |= 0x01;
                status = 4;
                tps = 100;
                kmh = 205.0 * (1.0 - std::exp(-s / 5.2));
                int gear = 0;
                double r = 0;
                for (gear = 0; gear < 4; ++gear) {
                    r = kmh * ratios[gear] * 13.2 + 3600;
                    if (r < 7300 || gear == 3) {
                        break;
                    }
                }
                rpm = std::min(r, 7450.0);
                outputs |= s > 0.6 ? 0x01 : 0;
                outputs |= s > 2.8 ? 0x02 : 0;
                pwm1 = s > 0.6 ? std::min(100.0, 40 + 25 * (s - 0.6)) : 0;
                pwm2 = s > 2.8 ? std::min(100.0, 20 + 20 * (s - 2.8)) : 0;
                afr = s > 0.6 ? 12.1 + 0.15 * std::sin(s * 4) : 13.0;
                bat = 13.1 - 0.2 * (s > 0.6);
            } else if (s >= 11.5 && s < 40) {  // braking and the return road
                const double c = s - 11.5;
                kmh = std::max(25.0, 205.0 * std::exp(-c / 4.0));
                rpm = std::max(1100.0, kmh * 1.00 * 13.2 + 800);
                tps = c < 3 ? 0 : 12 + 4 * std::sin(c);
                afr = c < 3 ? 17.5 : 14.9;
                inputs |= c < 2 ? 0x01 : 0;
                status = c < 2 ? 4 : 1;
            }
        }
        d.at(Column::ElapsedTime, row) = static_cast<float>(roundHalfEven(t, 2));
        d.at(Column::RPM, row) = static_cast<float>(std::round(rpm));
        d.at(Column::VSS, row) = static_cast<float>(std::round(kmh / 1.6093) * 1.6093);
        d.at(Column::TPSPercent, row) = static_cast<float>(std::round(tps));
        d.at(Column::Input1Volts, row) = static_cast<float>(std::round((afr - 10) / 2 * 10) / 10);
        d.at(Column::Input2Volts, row) = 0.5f;
        d.at(Column::BatVolts, row) = static_cast<float>(std::round(bat * 10) / 10);
        d.at(Column::InputData, row) = static_cast<float>(inputs);
        d.at(Column::OutputData, row) = static_cast<float>(outputs);
        d.at(Column::Status, row) = static_cast<float>(status);
        d.at(Column::Stage1PWM, row) = static_cast<float>(std::round(pwm1));
        d.at(Column::Stage2PWM, row) = static_cast<float>(std::round(pwm2));
    }
    d.bufferEmpty = false;
}

}  // namespace tarvik::test
