#include "detrend/power_transform.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace qb {
namespace {

// ln 0.05: the floor of a logged series.
constexpr float kLogFloor = -2.9957323f;
constexpr float kLogFloorValue = 0.05f;
constexpr float kPowerFloorValue = 0.01f;
constexpr float kSmallestPower = 0.05f;

}  // namespace

LineFit trend2(std::span<const float> x, std::span<const float> y) {
  const std::size_t n = std::min(x.size(), y.size());
  LineFit fit;
  if (n == 0) return fit;
  const float count = static_cast<float>(n);
  float sx = 0.0f;
  float sy = 0.0f;
  float sxx = 0.0f;
  float sxy = 0.0f;
  for (std::size_t i = 0; i < n; ++i) {
    sx += x[i];
    sy += y[i];
    sxx += x[i] * x[i];
    sxy += x[i] * y[i];
  }
  const float d = sxx - sx * sx / count;
  if (n >= 2 && d != 0.0f) fit.slope = (sxy - sy * sx / count) / d;
  fit.intercept = sy / count - fit.slope * sx / count;
  return fit;
}

PowerTransformResult slpt1(Matrix& x, std::span<const SeriesSpan> spans, int retry, const SpreadLevelPlot& plot) {
  const int nser = static_cast<int>(spans.size());
  if (nser > x.cols()) throw std::invalid_argument("slpt1: more spans than columns");
  PowerTransformResult result;
  SpreadVersusLevel& fit = result.fit;
  float power_sum = 0.0f;
  for (int j = 0; j < nser; ++j) {
    const int length = spans[j].last_year - spans[j].first_year + 1;
    if (length < 1 || length > x.rows()) throw std::invalid_argument("slpt1: series span outside the matrix");
    const std::span<float> values = x.column(j).first(length);
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const float min0 = *low;
    const float range0 = *high - *low;

    const int first = static_cast<int>(fit.levels.size());
    for (int t = 1; t < length; ++t) {
      const float v = values[t];
      const float change = std::fabs(values[t] - values[t - 1]);
      if (v > 0.0f && change > 0.0f) {
        fit.levels.push_back(std::log(v));
        fit.spreads.push_back(std::log(change));
      }
    }
    const int count = static_cast<int>(fit.levels.size()) - first;
    const LineFit line = trend2(std::span<const float>(fit.levels).subspan(first, count),
                                std::span<const float>(fit.spreads).subspan(first, count));
    fit.first_point.push_back(first);
    fit.counts.push_back(count);
    fit.slopes.push_back(line.slope);
    fit.intercepts.push_back(line.intercept);

    float power = 1.0f - line.slope;
    if (power < kSmallestPower) power = 0.0f;
    if (power > 1.0f) power = 1.0f;
    power_sum += power;

    std::vector<float> transformed(values.begin(), values.end());
    for (float& v : transformed) {
      if (power == 0.0f) {
        v = v < kLogFloorValue ? kLogFloor : std::log(v);
      } else {
        v = std::pow(std::max(v, kPowerFloorValue), power);
      }
    }
    const auto [low1, high1] = std::minmax_element(transformed.begin(), transformed.end());
    const float min1 = *low1;
    const float range1 = *high1 - *low1;
    // All transformed values equal: nothing to stretch, the series stays.
    if (!(range1 > 0.0f)) continue;
    for (int t = 0; t < length; ++t) values[t] = (transformed[t] - min1) * range0 / range1 + min0;
  }
  result.mean_power = nser > 0 ? power_sum / static_cast<float>(nser) : 0.0f;
  fit.pooled = pearsn(fit.levels, fit.spreads);
  if (retry == 0 && plot) plot(fit);
  return result;
}

}  // namespace qb
