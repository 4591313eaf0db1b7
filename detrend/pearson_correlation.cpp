#include "detrend/pearson_correlation.hpp"

#include <algorithm>
#include <cmath>

namespace qb {

PearsonFit pearsn(std::span<const float> x, std::span<const float> y) {
  const std::size_t n = std::min(x.size(), y.size());
  PearsonFit fit;
  if (n == 0) return fit;
  const float count = static_cast<float>(n);
  float sum_x = 0.0f;
  float sum_y = 0.0f;
  for (std::size_t t = 0; t < n; ++t) {
    sum_x += x[t];
    sum_y += y[t];
  }
  const float mean_x = sum_x / count;
  const float mean_y = sum_y / count;
  float sxx = 0.0f;
  float syy = 0.0f;
  float sxy = 0.0f;
  for (std::size_t t = 0; t < n; ++t) {
    const float dx = x[t] - mean_x;
    const float dy = y[t] - mean_y;
    sxx += dx * dx;
    syy += dy * dy;
    sxy += dx * dy;
  }
  fit.intercept = mean_y;
  const float spread = std::sqrt(sxx * syy);
  if (!(sxx > 0.0f) || !(syy > 0.0f) || !(spread > 0.0f)) return fit;
  fit.r = sxy / spread;
  const float dof = count - 1.0f;
  fit.slope = std::sqrt(syy / dof) / std::sqrt(sxx / dof) * fit.r;
  fit.intercept = mean_y - fit.slope * mean_x;
  return fit;
}

}  // namespace qb
