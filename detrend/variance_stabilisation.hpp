// Variance stabilisation of a mean chronology: each year's deviation from the
// mean is divided by a smooth curve fitted to the absolute deviations, and the
// result is brought back to the mean and standard deviation the chronology
// had before. This removes the slow changes in spread that a changing number
// of series leaves in a chronology.
#pragma once

#include <span>

#include "detrend/moments.hpp"

namespace qb {

// Statistics over the years with depth > 0, with the definitions of moment()
// (the years taken in order, neighbours being consecutive such years): mean;
// and, from two such years on, the standard deviation and variance (n - 1),
// mean absolute deviation, skewness, kurtosis, mean sensitivity and lag-1
// autocorrelation. kUndefinedStatistic where the years cannot give a value
// (no year: everything; one year: all but the mean; no spread: standard
// deviation, skewness, kurtosis and autocorrelation). x is not changed.
Moments moment1(std::span<const float> x, std::span<const int> depth);

// Stabilisation with a data-adaptive spread curve: Friedman's super smoother
// of the absolute deviations (span by cross-validation, or 0.3 with fewer
// than 40 years of depth >= 5; bass 3), refined by the age-dependent spline
// (periods 20, 21, ...), its rising tail held flat from the last local
// minimum and splined again. The deviations are taken about the mean of the
// years of depth >= 5 when there are more than n/3 of them, else about the
// mean of all years, and xs is restandardised the same way; negative values
// become 0.
// n = x.size(); curve and xs hold n values, depth at least n. On return x
// holds the absolute deviations and curve the spread curve. Returns false,
// with xs the chronology unchanged, when no usable spread curve exists (a
// spline failure, a curve not positive everywhere, no spread left).
bool stabit(std::span<float> x, std::span<float> curve, std::span<float> xs, std::span<const int> depth);

// Stabilisation with one smoothing spline of the absolute deviations, 50 %
// response at `stiffness` years; a stiffness of -10 or less is a percentage of
// the chronology length and is returned converted to years. Only the years
// with depth > 0 are stabilised: there x receives the absolute deviations and
// xs the stabilised chronology; other years of x and xs are left as they are.
// Returns false, with xs the chronology unchanged, when the spline fails or
// leaves nothing to divide by.
bool stabit1(std::span<float> x, std::span<float> curve, std::span<float> xs, std::span<const int> depth,
             int& stiffness);

}  // namespace qb
