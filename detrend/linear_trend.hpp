// Least-squares straight line of a series on time t = 1, 2, ...
#pragma once

#include <span>

namespace qb {

struct StraightLine {
  float slope = 0.0f;
  float intercept = 0.0f;
};

// Fits x (n = x.size() >= 2 values) and writes y(t) = slope t + intercept over
// every value of y (ntot = y.size(), which may exceed n; nothing written when
// y is empty). With fewer than 2 values the slope is undefined: callers fall
// back to the mean line (xmean) instead.
StraightLine trend(std::span<const float> x, std::span<float> y);

}  // namespace qb
