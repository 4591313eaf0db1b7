#include "detrend/moments.hpp"

#include <cmath>
#include <cstddef>

#include "platform/bounds.hpp"

namespace qb {

Moments moment(std::span<float> x) {
  Moments m;
  const std::size_t count = x.size();
  if (count == 0) {
    m = {kUndefinedStatistic, kUndefinedStatistic, kUndefinedStatistic, kUndefinedStatistic,
         kUndefinedStatistic, kUndefinedStatistic, kUndefinedStatistic, kUndefinedStatistic};
    return m;
  }
  const float n = static_cast<float>(count);
  float sum = 0.0f;
  for (float v : x) sum += v;
  m.ave = sum / n;
  if (count == 1) {
    m.adev = m.sdev = m.var = m.skew = m.curt = m.msens = m.ar1 = kUndefinedStatistic;
    return m;
  }

  for (std::size_t i = 0; i < count; ++i) {
    const float s = x[i] - m.ave;
    m.adev += std::fabs(s);
    float p = s * s;
    m.var += p;
    p *= s;
    m.skew += p;
    p *= s;
    m.curt += p;
    if (i + 1 < count) {
      // Mean sensitivity: relative change between neighbours, over years
      // whose local mean is positive.
      const float h = (x[i] + x[i + 1]) * 0.5f;
      if (h > 0.0f) m.msens += std::fabs((x[i + 1] - x[i]) / h);
    }
  }
  m.var = m.var / (n - 1.0f);
  m.msens = m.msens / (n - 1.0f);
  m.adev = m.adev / n;
  const float population_var = m.var * (n - 1.0f) / n;
  if (m.var <= 0.0f) {
    m.sdev = m.skew = m.curt = m.ar1 = kUndefinedStatistic;
    return m;
  }

  m.sdev = std::sqrt(m.var);
  const float skew_factor =
      count >= 3 ? std::sqrt(std::fabs((n - 1.0f) * n)) / (n - 2.0f) * (8.5f / n + 1.0f) : 1.0f;
  const float curt_factor =
      count >= 4 ? n * n * (n + 1.0f) / ((n - 2.0f) * (n - 1.0f) * (n - 3.0f)) : 1.0f;
  m.skew = m.skew / (m.sdev * m.sdev * m.sdev * n) * skew_factor;
  m.curt = m.curt / (m.var * m.var * n) * curt_factor;

  // Lag-one autocorrelation of the series standardised by the population
  // deviation, computed in place to need no work array.
  const float pop_sdev = std::sqrt(population_var);
  for (float& v : x) v = (v - m.ave) / pop_sdev;
  float lag = 0.0f;
  for (std::size_t i = 1; i < count; ++i) lag += x[i - 1] * x[i];
  m.ar1 = lag / n;
  for (float& v : x) v = v * pop_sdev + m.ave;
  return m;
}

}  // namespace qb
