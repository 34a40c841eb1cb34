#pragma once

#include <QString>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "logdata/data_buffer.h"

namespace tarvik::test {

/// One run down the strip for a made-up log: the car stands until `start`, accelerates at
/// `accel` m/s² for `pull` seconds, holds that speed for `hold` seconds, then brakes at 8 m/s²
/// to a stop. Stage 1 (and stage 2 when `stage2`) are on from `stageOn` seconds after the start
/// for `stageFor` seconds; the throttle is at 100 % from the start until braking.
struct Run {
    double start = 5.0;
    double accel = 8.0;
    double pull = 12.0;
    double hold = 2.0;
    double stageOn = -1;  ///< < 0: the stages stay off
    double stageFor = 0;
    bool stage2 = false;

    double speedKmh(double t) const {
        const double top = accel * pull;
        const double pulled = t - start;
        if (pulled <= 0) {
            return 0;
        }
        if (pulled <= pull) {
            return accel * pulled * 3.6;
        }
        const double braking = pulled - pull - hold;
        return std::max(0.0, top - std::max(0.0, braking) * 8.0) * 3.6;
    }
    bool throttleOpen(double t) const { return t > start && t <= start + pull + hold; }
    bool stageOnAt(double t) const {
        return stageOn >= 0 && t >= start + stageOn - 1e-9 && t < start + stageOn + stageFor - 1e-9;
    }
};

/// A made-up log of `runs`: row k at k x `interval` seconds, engine speed rising with road
/// speed, the battery sagging while the stages are on, `rows` rows holding samples.
inline std::shared_ptr<DataBuffer> passLog(float interval, std::vector<Run> runs,
                                           int rows = kDataRows) {
    auto data = std::make_shared<DataBuffer>();
    data->clearDataBuffer();
    data->logInterval = interval;
    data->rows = rows;
    for (int row = 1; row <= kDataRows; ++row) {
        const float time = interval * static_cast<float>(row);
        const double t = static_cast<double>(time);
        double kmh = 0;
        int outputs = 0;
        bool open = false;
        for (const Run& r : runs) {
            kmh = std::max(kmh, r.speedKmh(t));
            open = open || r.throttleOpen(t);
            if (r.stageOnAt(t)) {
                outputs |= r.stage2 ? 0x03 : 0x01;
            }
        }
        data->at(Column::ElapsedTime, row) = time;
        data->at(Column::VSS, row) = static_cast<float>(kmh);
        data->at(Column::RPM, row) = static_cast<float>(kmh > 0 ? 2500 + kmh * 25 : 900);
        data->at(Column::TPSPercent, row) = open ? 100.0F : 0.0F;
        data->at(Column::BatVolts, row) = outputs != 0 ? 12.4F : 13.8F;
        data->at(Column::OutputData, row) = static_cast<float>(outputs);
        data->at(Column::Status, row) = 4;
    }
    data->firmwareId = QStringLiteral("QX-2 V4.1");
    data->controllerVersion = QStringLiteral("QX-2");
    data->downloadDate = QStringLiteral("05/03/2026 14:02:11");
    data->bufferEmpty = false;
    return data;
}

}  // namespace tarvik::test
