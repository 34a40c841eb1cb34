#pragma once

/// Rounding as the program does it everywhere: halves go to the even neighbour.
namespace tarvik {

/// Rounds v to `places` decimal places (places >= 0), ties to even. NaN and infinities pass
/// through unchanged.
double roundHalfEven(double v, int places = 0);

/// The whole part, rounded towards minus infinity (what the program calls "whole part").
double wholePart(double v);

}  // namespace tarvik
