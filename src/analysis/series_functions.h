#pragma once

#include "analysis/computed_channels.h"

namespace tarvik {

// The series functions of computed channels, over a value series `x` and the samples' times
// `t` (seconds). Each result is as long as the shorter of its inputs; an empty sample (NaN)
// stays empty and makes empty what is worked out from it, and a result that is not finite is
// empty.

/// ddt(x): the derivative per second, (x[k+1] - x[k-1]) / (t[k+1] - t[k-1]); at the first and
/// the last sample the one-sided difference with the neighbour. A single sample has none.
Series seriesDerivative(const Series& x, const Series& t);

/// integ(x): the running trapezoid integral from the first sample, 0 there. After an empty
/// sample the area is unknown, so every later sample is empty too.
Series seriesIntegral(const Series& x, const Series& t);

/// smooth(x, n): the centred moving average over n samples, n rounded up to odd, over fewer
/// samples at the ends; empty samples in the window are left out of the mean, and an empty
/// sample stays empty. n below 1 counts as 1.
Series seriesSmooth(const Series& x, int n);

}  // namespace tarvik
