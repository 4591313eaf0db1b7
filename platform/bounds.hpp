// Fixed bounds of a run and the sentinel values that files and plots rely on.
#pragma once

namespace qb {

// Years a series or a data set may span.
inline constexpr int kMaxYears = 9000;
// Columns of the series tables; one row of the span table holds the span of
// the whole set, so at most kMaxSeries - 1 series fit.
inline constexpr int kMaxSeries = 3000;
inline constexpr int kMaxSeriesInSet = kMaxSeries - 1;
// Signal-free iterations after the standard chronology.
inline constexpr int kMaxIterations = 100;

// "No value" in every matrix and vector of the system.
inline constexpr float kMissing = -999.0f;
// A fit that failed.
inline constexpr float kFailedFit = -999.0f;
// First curve value of a spline that had too few points, or whose system was
// not positive definite.
inline constexpr float kSplineTooFewPoints = -9998.0f;
inline constexpr float kSplineNotPositiveDefinite = -9999.0f;
// Undefined statistics.
inline constexpr float kUndefinedStatistic = -99.0f;

inline constexpr bool is_missing(float v) { return v == kMissing; }
inline bool spline_failed(float first_curve_value) {
  return first_curve_value == kSplineTooFewPoints ||
         first_curve_value == kSplineNotPositiveDefinite;
}

}  // namespace qb
