#pragma once

#include "platform/clock.h"

namespace tarvik {

/// The paced pause of the protocol: n milliseconds during which the UI processes its events.
/// Throws AppError "Overflow" when n x 1000 microseconds does not fit a signed 32-bit count
/// (the caller's trap reports it). n <= 0 processes pending events once.
void delayTimer(Clock& clock, qint32 n);

}  // namespace tarvik
