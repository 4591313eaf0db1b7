// Cubic smoothing splines of an equally spaced series whose frequency
// response is 50 % at a chosen period (Reinsch's smoothing spline in the
// parametrisation by Cook and Peters that dendrochronologists use).
//
// The smooth is x - D'u, where D takes second differences and u solves the
// pentadiagonal system (D D' + v T) u = D x, T being the tridiagonal
// (1/3, 4/3, 1/3). The smoothing value v of a row follows from its period P:
// f = 2 pi / P, v = 6 (cos f - 1)^2 / (cos f + 2). A long period gives a
// stiff curve (a straight line in the limit), period 2 gives v = 24.
//
// All three routines share one banded Cholesky solver. It is linear in the
// number of points and works in per-thread storage sized once to kMaxYears,
// so a call allocates nothing.
//
// Failure is reported in the first curve value (test it with spline_failed()
// from platform/bounds.hpp):
//   ys[0] == kSplineTooFewPoints (-9998)        fewer than 4 points; nothing
//                                               else of ys is written;
//   ys[0] == kSplineNotPositiveDefinite (-9999) the system is not positive
//                                               definite; the console shows
//                                               ">> sbr spline: matrix not
//                                               positive definite" and the
//                                               rest of ys is not written.
// A series longer than kMaxYears (9000) is fatal: the console shows
// "*** series too long for spline subroutine ***" and the program stops
// (qb::ProgramStop).
//
// A period below 1 year is fitted as period 1, which gives v = 0: the
// least-squares straight line.
#pragma once

#include <span>

namespace qb {

// Spline of x with the fixed period `period` (years). n = x.size(); ys must
// hold at least n values and receives ys[0..n).
void spline(std::span<const float> x, std::span<float> ys, int period);

// As above; `smoothing_value` receives the v of the period (as float) when
// 4 <= n <= 9000 and is left untouched for fewer than 4 points.
void spline(std::span<const float> x, std::span<float> ys, int period, float& smoothing_value);

// Spline with a coded period: 8 means 20 years, 9 a period that grows along
// the series (row i, 0-based, uses min(i + 9, n) years), any other value is
// the period in years.
void spline1(std::span<const float> x, std::span<float> ys, int code);

// Spline with a period for every row: row i (0-based, i = 0..n-3, the second
// difference x[i] - 2 x[i+1] + x[i+2]) uses periods[i]; periods must hold at
// least n - 2 values (the last two of an n-value list are not used).
void spline2(std::span<const float> x, std::span<float> ys, std::span<const int> periods);

// Periods of the age-dependent spline: periods[0] = start and each further
// entry one year more (start, start + 1, ..., start + n - 1). periods[0] is
// set even when n < 1, so `periods` must hold at least max(n, 1) values.
void lsmake(int n, int start, std::span<int> periods);

}  // namespace qb
