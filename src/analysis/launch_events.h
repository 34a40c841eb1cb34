#pragma once

#include <QString>
#include <QStringView>
#include <optional>

#include "logdata/data_buffer.h"

namespace tarvik {

/// What marks the start of a pass in a log.
enum class LaunchEvent {
    /// The car moves off after standing still for a second, and goes on to 60 mph within ten
    /// seconds: the launch is the last standstill sample. Needs no nitrous and no throttle
    /// sensor, so it finds every real pass and nothing else.
    CarMoves,
    /// The stage 1 solenoid switches on (output bit 0x01 rises).
    Stage1On,
    /// The throttle rises to 90 % or more.
    ThrottleOpen,
};

/// 60 mph in the data set's unit (km/h).
inline constexpr double kSixtyMphKmh = 96.5606;
/// A car that moves off has stood still at least this long before.
inline constexpr double kStandstillSeconds = 1.0;
/// ...and reaches 60 mph within this long after it first moves.
inline constexpr double kReachSixtySeconds = 10.0;
/// The throttle opening that counts as wide open.
inline constexpr float kWideOpenThrottle = 90.0F;
/// Elapsed times are singles: comparisons of time spans allow them this much rounding.
inline constexpr double kTimeSlack = 1e-4;

/// The event's name as menus and settings show it: "Car Moves", "Stage 1 On",
/// "Throttle Wide Open".
QString launchEventName(LaunchEvent event);
/// The event a name stands for; nothing for any other text.
std::optional<LaunchEvent> launchEventNamed(QStringView name);

/// Whether every bit of `mask` is set in a data set's bit column value. The value is rounded to
/// a whole number first (ties to even); one that is not finite or does not fit 32 bits has no
/// bits set.
bool bitsSet(float value, int mask);

/// The first launch of the kind `event` whose event falls on a row after `afterRow` (1-based;
/// 0 searches from the start), among the data set's rows 1..rows. Returns the row at which the
/// launch is timed: for "Car Moves" the last standstill row before the car moved, for the
/// others the row at which the output or the throttle first shows it. An event needs a row
/// before it: a log that begins with the stage on (or the car moving) did not record that
/// launch.
std::optional<int> nextLaunch(const DataBuffer& data, LaunchEvent event, int afterRow = 0);

/// The data set's rows that hold samples, 1..this (DataBuffer::rows held to 0..2700).
int usedRows(const DataBuffer& data);

}  // namespace tarvik
