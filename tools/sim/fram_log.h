#pragma once

#include <QtGlobal>
#include <vector>

namespace tarvik::sim {

/// Where the FRAM log lives: the oldest record's address at 35/36 (low, high), 2700 records of
/// 12 bytes from 368 on.
namespace fram_layout {
constexpr int kRingStartLow = 35;
constexpr int kRingStartHigh = 36;
constexpr int kRingBase = 368;
constexpr int kRecordSize = 12;
constexpr int kRecordCount = 2700;
}  // namespace fram_layout

/// A 32768-byte FRAM image holding a day at the strip: four drag passes with idling, purges,
/// burnouts and the drive back between them, sampled every `intervalSeconds`. The oldest
/// record sits in slot `oldestSlot`, so a slot other than 0 makes the log wrap round the ring.
/// `speedInMph` logs road speed in miles per hour (the controller's general-mode flag).
std::vector<quint8> makeStripDayLog(double intervalSeconds, int oldestSlot, bool speedInMph);

/// An erased log: every record zero, the ring starting at its first slot.
std::vector<quint8> makeErasedLog();

}  // namespace tarvik::sim
