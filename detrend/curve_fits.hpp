// The per-series detrending curve chosen by a curve option code.
#pragma once

#include <span>

namespace qb {

// Per-series curve option codes.
inline constexpr int kFitNegativeExponential = 1;         // falls back to a line of any slope (3)
inline constexpr int kFitNegativeExponentialOrFlat = 2;   // falls back to a non-rising line (4), then the mean (6)
inline constexpr int kFitLine = 3;                        // any slope
inline constexpr int kFitNonRisingLine = 4;               // a rising line becomes the mean line (6)
inline constexpr int kFitMean = 6;
inline constexpr int kFitSuperSmoother = -5;
inline constexpr int kFitAgeDependentSpline = 8;
inline constexpr int kFitSplineYearsMin = 10;             // codes >= 10: spline of that many years
inline constexpr int kFitSplinePercentMax = -10;          // codes <= -10: spline of that percent of n

// Whether curvefits() has a curve of its own for the code; the others fit
// the mean line in its place.
bool names_series_curve(int option);

// Fits the curve of one series: x holds its n = x.size() values, y receives
// the curve (ntot = y.size() >= n; the curve may be asked for further than the
// data reach). `option` is the code in, and the code actually fitted out:
//   1   negative exponential over ntot; when it fails or is unsuitable
//       (b <= 1e-6 or k < 1e-6) a line of any slope, option := 3;
//   2   as 1, but the fall-back line sets option := 4, and a rising line
//       (slope > 1e-6) becomes the mean line with option := 6;
//   3   least-squares line over ntot;
//   4   as 3; a rising line (slope > 0) becomes the mean line, option := 6;
//   6   mean line over ntot;
//   -5  super smoother (bass `alpha`; span 0.3 below 40 values, else
//       cross-validated); beyond n it is continued by smoothing the data
//       padded with the last smoothed value over ntot points;
//   8   age-dependent spline, periods stiffness, stiffness + 1, ... over n;
//   >= 10   spline with a period of `option` years over n;
//   <= -10  spline with a period of int(|option| / 100 * n) years over n;
//   any other code (5, 7, 9, -1..-4, -6..-9, 0) fits the mean line, option := 6
//   (the curve-fit menu takes none of them).
// The spline codes write y[0..n) only. With fewer than 2 values a line is the
// mean line (code 1 becomes 3, code 2 becomes 4). A spline failure comes back
// in y[0] (spline_failed()).
void curvefits(std::span<const float> x, std::span<float> y, int& option, float alpha, int stiffness);

}  // namespace qb
