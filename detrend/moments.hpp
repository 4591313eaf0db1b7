// Summary statistics of a series (single precision).
#pragma once

#include <span>

namespace qb {

// kUndefinedStatistic (-99.0) marks a statistic the sample cannot give.
struct Moments {
  float ave = 0.0f;    // mean
  float adev = 0.0f;   // mean absolute deviation
  float sdev = 0.0f;   // standard deviation (n - 1)
  float var = 0.0f;    // variance (n - 1)
  float skew = 0.0f;   // skewness with a small-sample factor
  float curt = 0.0f;   // kurtosis with a small-sample factor, 3 not subtracted
  float msens = 0.0f;  // mean sensitivity
  float ar1 = 0.0f;    // first-order autocorrelation
};

// Statistics of x (n = x.size()). n = 0: all -99; n = 1: all but ave -99;
// variance 0: sdev, skew, curt and ar1 -99. x is standardised in place for
// the autocorrelation and restored, so its values may come back changed by
// the rounding of two single-precision operations.
Moments moment(std::span<float> x);

}  // namespace qb
