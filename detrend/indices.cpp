#include "detrend/indices.hpp"

#include <cassert>
#include <cstddef>

#include "detrend/moments.hpp"
#include "platform/bounds.hpp"

namespace qb {

void calind(std::span<const float> x, std::span<const float> curve, std::span<float> index, int mode) {
  const std::size_t n = x.size();
  assert(curve.size() >= n && index.size() >= n);
  for (std::size_t i = 0; i < n; ++i) index[i] = x[i] / curve[i];
  if (mode != kResidualIndices) return;

  // Residual indices are brought to the mean and spread of the ratio
  // indices of the same series, so both kinds share one scale.
  const std::span<float> values = index.first(n);
  const Moments ratios = moment(values);
  for (std::size_t i = 0; i < n; ++i) index[i] = index[i] * curve[i] - curve[i];
  const Moments residuals = moment(values);
  // Without spread in either set there is nothing to rescale: every index
  // takes the mean ratio (dividing by the -99 marker would flip and inflate
  // the residuals).
  const bool no_spread = ratios.sdev == kUndefinedStatistic || residuals.sdev == kUndefinedStatistic;
  for (std::size_t i = 0; i < n; ++i) {
    float v = no_spread ? ratios.ave : (index[i] - residuals.ave) / residuals.sdev * ratios.sdev + ratios.ave;
    if (v < 0.0f) v = 0.0f;
    index[i] = v;
  }
}

}  // namespace qb
