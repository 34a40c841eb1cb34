#include "link/delay_timer.h"

#include <limits>

#include "core/app_error.h"

namespace tarvik {

void delayTimer(Clock& clock, qint32 n) {
    // The pause is armed as a signed 32-bit count of microseconds; a count that does not fit
    // is the caller's error, not a shorter or endless pause.
    constexpr qint32 kMaxMs = std::numeric_limits<qint32>::max() / 1000;
    constexpr qint32 kMinMs = std::numeric_limits<qint32>::min() / 1000;
    if (n > kMaxMs || n < kMinMs) {
        throw AppError::overflow(QStringLiteral("Tarvik"));
    }
    clock.pauseProcessingEvents(n);
}

}  // namespace tarvik
