#include "logdata/fram_decoder.h"

#include "common/rounding.h"
#include "core/app_error.h"
#include "link/controller_model.h"

namespace tarvik {

namespace {
// Miles per hour to kilometres per hour, as the controller's speed byte is scaled.
}  // namespace

float TPSRange(const std::array<float, 2>& tpsScaleFactors) {
    const float range = tpsScaleFactors[1] - tpsScaleFactors[0];
    return range == 0.0f ? 0.1f : range;
}

int ringStart(const FramBuffer& fram) {
    return fram.at(fram_layout::kRingStartLow) + 256 * fram.at(fram_layout::kRingStartHigh);
}

int recordAddress(int ringStart, int row) {
    const int p = ringStart + fram_layout::kRecordSize * (row - 1);
    return p <= fram_layout::kLastSlot ? p : p - fram_layout::kRingBytes;
}

namespace fram_convert {

float rpm(quint8 low, quint8 high, bool rpmDouble) {
    const int value = low + 256 * high;
    return static_cast<float>(rpmDouble ? 2 * value : value);
}

float vss(quint8 b, bool vssInMph) {
    return vssInMph ? static_cast<float>(b * kKmPerMile) : static_cast<float>(b);
}

float tpsPercent(quint8 b, float zeroPoint, float tpsRange) {
    const double percent = roundHalfEven((static_cast<double>(b) - static_cast<double>(zeroPoint)) *
                                             100.0 / static_cast<double>(tpsRange),
                                         0);
    if (percent < 0) {
        return 0.0f;
    }
    if (percent > 100) {
        return 100.0f;
    }
    return static_cast<float>(percent);
}

float inputVolts(quint8 b) {
    return static_cast<float>(roundHalfEven(b * 5.0 / 255.0, 1));
}

float batteryVolts(quint8 b) {
    return static_cast<float>(roundHalfEven(b * 18.0 / 255.0, 1));
}

}  // namespace fram_convert

void decodeFram(const FramBuffer& fram, const FramDecodeSettings& settings, DataBuffer& buffer) {
    const int start = ringStart(fram);
    const float zero = settings.tpsScaleFactors[0];
    const float range = TPSRange(settings.tpsScaleFactors);
    for (int row = 1; row <= kDataRows; ++row) {
        const int p = recordAddress(start, row);
        if (p + fram_layout::kRecordSize > FramBuffer::kSize) {
            throw AppError(AppError::kSubscriptOutOfRange, QStringLiteral("Download Data"),
                           QStringLiteral("Subscript out of range: the controller's log start "
                                          "address %1 puts record %2 past the end of its memory.")
                               .arg(start)
                               .arg(row));
        }
        const quint8* r = fram.bytes().data() + p;
        const std::size_t i = static_cast<std::size_t>(row - 1);
        using C = Column;
        buffer.column(C::RPM)[i] = fram_convert::rpm(r[0], r[1], settings.rpmDouble);
        buffer.column(C::VSS)[i] = fram_convert::vss(r[2], settings.vssInMph);
        buffer.column(C::TPSPercent)[i] = fram_convert::tpsPercent(r[3], zero, range);
        buffer.column(C::Input1Volts)[i] = fram_convert::inputVolts(r[4]);
        buffer.column(C::Input2Volts)[i] = fram_convert::inputVolts(r[5]);
        buffer.column(C::BatVolts)[i] = fram_convert::batteryVolts(r[6]);
        buffer.column(C::InputData)[i] = r[7];
        buffer.column(C::OutputData)[i] = r[8];
        buffer.column(C::Status)[i] = r[9];
        buffer.column(C::Stage1PWM)[i] = r[10];
        buffer.column(C::Stage2PWM)[i] = r[11];
    }
}

void fillElapsedTimes(DataBuffer& buffer) {
    const double interval = buffer.logInterval;
    auto& times = buffer.column(Column::ElapsedTime);
    for (int k = 1; k <= kDataRows; ++k) {
        times[static_cast<std::size_t>(k - 1)] = static_cast<float>(roundHalfEven(interval * k, 2));
    }
}

}  // namespace tarvik
