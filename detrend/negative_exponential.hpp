// Negative exponential growth curve y(t) = a exp(-b t) + k, t = 1, 2, ...
#pragma once

#include <span>

#include "detrend/curve_coefficients.hpp"

namespace qb {

// Fits x (n = x.size() values) by a step search on b, with a and k from the
// linear least-squares solution at each trial b, and writes the curve over
// every value of y (ntot = y.size(), which may exceed n).
//
// Success: c[kCoefA] = a, c[kCoefRate] = b, c[kCoefLevel] = k,
// c[kCoefSixth] = search iterations, c[kCoefSeventh] = sum of x; the other
// slots are not written. A fit that converges with k > 9999, a <= 0 or b < 0
// comes back with b = 0 (the constant a + k), which callers treat as unsuitable.
//
// Failure: c[kCoefRate] = kFailedFit and y[0] = kFailedFit; nothing else is
// written. Fewer than 20 values (console line ">> sbr curve:  only nn values,
// no exponential curve fit"), no convergence in 34 steps (console line
// ">> sbr curve: over 34 iterations"), an overflowing exponential, or a first
// or last ten values averaging 0 or less (no message for these two).
void curve(std::span<const float> x, std::span<float> y, CurveCoefficients& c);

}  // namespace qb
