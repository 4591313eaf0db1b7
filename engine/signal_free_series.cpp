#include "engine/signal_free_series.hpp"

#include <algorithm>
#include <cmath>

#include "detrend/robust_statistics.hpp"

namespace qb {

void signal_free_measurements(std::span<const float> x, std::span<const float> chronology,
                              std::span<const int> depth, bool ratios, std::span<float> s) {
  for (std::size_t i = 0; i < x.size(); ++i) {
    s[i] = x[i];
    if (depth[i] <= 1) continue;
    if (ratios) {
      if (chronology[i] > 0.0f) s[i] = x[i] / chronology[i];
    } else {
      s[i] = x[i] - chronology[i];
    }
  }
}

void rescale_to_series_mean(std::span<float> s, float series_mean, bool ratios, int skip) {
  if (skip < 0 || skip >= static_cast<int>(s.size())) skip = 0;
  const std::span<float> part = s.subspan(static_cast<std::size_t>(skip));
  const float mean = mnsd(part).mean;
  if (ratios) {
    if (mean == 0.0f) return;
    for (float& v : part) v = v / mean * series_mean;
  } else {
    for (float& v : part) v = v - mean + series_mean;
  }
}

void shift_above_zero(std::span<float> s) {
  if (s.empty()) return;
  const float lowest = *std::min_element(s.begin(), s.end());
  if (lowest >= 0.0f) return;
  const float shift = std::fabs(lowest);
  for (float& v : s) v += shift;
}

}  // namespace qb
