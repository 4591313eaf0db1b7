#include "detrend/linear_trend.hpp"

#include <cassert>
#include <cstddef>

namespace qb {

StraightLine trend(std::span<const float> x, std::span<float> y) {
  assert(x.size() >= 2);
  const double n = static_cast<double>(x.size());
  double st = 0.0, stt = 0.0, sx = 0.0, stx = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double t = static_cast<double>(i + 1);
    st += t;
    stt += t * t;
    sx += x[i];
    stx += t * x[i];
  }
  const double slope = (stx - sx * st / n) / (stt - st * st / n);
  const double intercept = sx / n - slope * st / n;
  for (std::size_t i = 0; i < y.size(); ++i) {
    y[i] = static_cast<float>(slope * static_cast<double>(i + 1) + intercept);
  }
  return {static_cast<float>(slope), static_cast<float>(intercept)};
}

}  // namespace qb
