// Tree-ring indices: a series relative to its growth curve.
#pragma once

#include <span>

namespace qb {

// Index types.
inline constexpr int kRatioIndices = 1;
inline constexpr int kResidualIndices = 2;

// index[i] from x[i] and curve[i], i < n = x.size() (curve and index hold at
// least n values; every curve value must be non-zero).
//   kRatioIndices (and any mode other than 2): x / curve;
//   kResidualIndices: the residuals x - curve rescaled to the mean and
//   standard deviation of the ratios, values below 0 set to 0. When the
//   ratios or the residuals have no spread, every index is the mean ratio.
void calind(std::span<const float> x, std::span<const float> curve, std::span<float> index, int mode);

}  // namespace qb
