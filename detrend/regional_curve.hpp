// Regional curve standardisation: every series aligned by biological
// (cambial) age, averaged per age into the regional curve, and one growth
// curve fitted to that mean.
#pragma once

#include <span>
#include <vector>

#include "detrend/curve_coefficients.hpp"
#include "series/data_set.hpp"
#include "series/matrix.hpp"

namespace qb {

// Regional curve option codes (a code set of its own, not the per-series one).
inline constexpr int kRegionalSuperSmoother = -5;
inline constexpr int kRegionalLowess = -4;
inline constexpr int kRegionalRunningMedians = -3;
inline constexpr int kRegionalAgeDependentSpline = -2;
inline constexpr int kRegionalFirstDifferences = -1;
inline constexpr int kRegionalNegativeExponential = 1;        // falls back to a line of any slope (4)
inline constexpr int kRegionalNegativeExponentialOrFlat = 2;  // falls back to a non-rising line (5)
inline constexpr int kRegionalGeneralNegativeExponential = 3;  // a exp(r t) + k by simplex; falls back to 4
inline constexpr int kRegionalLine = 4;
inline constexpr int kRegionalNonRisingLine = 5;              // a rising line becomes the mean (6)
inline constexpr int kRegionalMean = 6;
inline constexpr int kRegionalHugershoff = 7;
inline constexpr int kRegionalGeneralExponential = 8;          // a t exp(r t) + k by simplex
inline constexpr int kRegionalSplineYearsMin = 10;            // codes >= 10: spline of that many years
inline constexpr int kRegionalSplinePercentMax = -10;         // codes <= -10: spline of that percent of the curve

// Whether detrend2() has a curve of its own for the code (0, 9 and -6..-9
// have none: they reach a spline without a period, which fails).
bool names_regional_curve(int option);

struct RegionalCurveOptions {
  int option = kRegionalAgeDependentSpline;  // in/out: a fall-back rewrites it
  float alpha = 0.0f;   // super smoother bass; lowess writes its smoothing fraction here
  int window = 0;       // lowess / running-median window: > 0 points, < 0 percent of the
                        // curve; an even median window comes back one smaller
  int stiffness = 10;   // first period of the age-dependent spline
  bool pith_shift = false;  // start the curve at the youngest age present
  int cutoff_age = 0;       // fit ages 1..cut-off only, flat beyond (0 none)
};

// The regional curve by biological age: element a - 1 holds age a.
struct RegionalCurve {
  std::vector<float> raw;     // mean per age as the fit left it; kMissing where no series reaches
  std::vector<float> fitted;  // the fitted curve; ages 1..shift hold kMissing
  int length = 0;             // the largest biological age reached (0 without series)
  int shift = 0;              // smallest pith offset with pith_shift, else 0
  CurveCoefficients coefficients{};
};

// Series i holds its values in rows 0..length-1 of column i (series-relative
// rows), its length being last - first + 1 of spans[i]; value j (0-based) has
// biological age offsets[i] + j + 1. A cut-off age outside 1..curve length
// is ignored.
RegionalCurve rcurve(const Matrix& x, std::span<const SeriesSpan> spans, std::span<const int> offsets,
                     RegionalCurveOptions& options);

// Fits the regional curve y (n = curve.size() values; y.size() >= n) by the
// regional code options.option over its first nfit values. The parametric
// curves and lines are written over all n values, the smoothers over nfit.
// Code -1 replaces y by rescaled first differences (y[0] missing) and lowers
// nfit by one. When a smoother fails the straight line is fitted instead,
// option becomes 4 and one console line says so.
void detrend2(std::span<float> y, std::span<float> curve, int& nfit, CurveCoefficients& c,
              RegionalCurveOptions& options);

// Single-precision mean of x; an empty x is fatal ("error in xmean2: n=0").
float xmean2(std::span<const float> x);

}  // namespace qb
