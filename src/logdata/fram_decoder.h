#pragma once

#include <QString>
#include <array>

#include "link/controller_model.h"
#include "logdata/data_buffer.h"

namespace tarvik {

/// Where the controller keeps its log in FRAM: the oldest record's address at 35 (low byte)
/// and 36 (high byte), then a ring of 2700 twelve-byte records from address 368 on.
namespace fram_layout {
inline constexpr int kRingStartLow = 35;
inline constexpr int kRingStartHigh = 36;
inline constexpr int kRingBase = 368;
inline constexpr int kRecordSize = 12;
inline constexpr int kRecordCount = kDataRows;
inline constexpr int kRingBytes = kRecordSize * kRecordCount;           // 32400
inline constexpr int kLastSlot = kRingBase + kRingBytes - kRecordSize;  // 32756
}  // namespace fram_layout

/// What the decoding needs to know about the controller that logged the records.
struct FramDecodeSettings {
    /// Raw throttle bytes at 0 % and 100 % (TPSScaleFactors).
    std::array<float, 2> tpsScaleFactors{kDefaultTpsZeroPoint, kDefaultTpsFullPoint};
    bool rpmDouble = false;  ///< the controller halves engine speed before logging it
    bool vssInMph = false;   ///< the controller logs road speed in miles per hour
};

/// The span of the throttle scale in single precision; a span of exactly 0 becomes 0.1 so a
/// controller with equal factors still gives 0 % or 100 % instead of a division by zero.
float TPSRange(const std::array<float, 2>& tpsScaleFactors);

/// The address of the oldest record, as the controller stores it (low byte first).
int ringStart(const FramBuffer& fram);

/// The FRAM address of the record that becomes row `row` (1-based): the ring is read oldest
/// first from RingStart, wrapping from its end back to its start at 368.
int recordAddress(int ringStart, int row);

/// Decodes the 2700 records of the log ring into columns 2 to 12 of the buffer, oldest first.
/// Throws AppError "Subscript out of range" (before reading anything out of the image) when a
/// record falls past the end of the FRAM, which only a corrupt RingStart above 32768 can cause;
/// rows decoded before that one keep their values.
void decodeFram(const FramBuffer& fram, const FramDecodeSettings& settings, DataBuffer& buffer);

/// Row k's elapsed time: k x LogInterval, rounded to hundredths (halves to even).
void fillElapsedTimes(DataBuffer& buffer);

/// One record's conversions, for the tests and the decoder alike.
namespace fram_convert {
float rpm(quint8 low, quint8 high, bool rpmDouble);
float vss(quint8 b, bool vssInMph);
float tpsPercent(quint8 b, float zeroPoint, float tpsRange);
float inputVolts(quint8 b);
float batteryVolts(quint8 b);
}  // namespace fram_convert

}  // namespace tarvik
