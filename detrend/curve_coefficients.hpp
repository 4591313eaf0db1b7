// The seven-slot coefficient record of a growth-curve fit.
#pragma once

#include <array>

namespace qb {

// Slots (0-based) and what the parametric fits keep in them; the nonlinear
// growth curves use slots 0..6 in their own order.
//   kCoefA          a of a*exp(-b t) + k
//   kCoefRate       b (the decay rate); kFailedFit when the fit failed
//   kCoefSlope      slope of a straight line
//   kCoefFourth     not used by the exponential and the line
//   kCoefLevel      k of the exponential, intercept of a line, mean of a mean line
//   kCoefSixth      search iterations used by the exponential
//   kCoefSeventh    sum of the data values (exponential)
using CurveCoefficients = std::array<float, 7>;

inline constexpr int kCoefA = 0;
inline constexpr int kCoefRate = 1;
inline constexpr int kCoefSlope = 2;
inline constexpr int kCoefFourth = 3;
inline constexpr int kCoefLevel = 4;
inline constexpr int kCoefSixth = 5;
inline constexpr int kCoefSeventh = 6;

}  // namespace qb
