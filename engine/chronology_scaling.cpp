#include "engine/chronology_scaling.hpp"

#include <cmath>

namespace qb {

MeanSd statistics_after(std::span<const float> values, int skip) {
  if (skip <= 0 || skip >= static_cast<int>(values.size())) return mnsd(values);
  return mnsd(values.subspan(static_cast<std::size_t>(skip)));
}

void centre_on_one(std::span<float> values, float mean, NegativeValues negatives) {
  for (float& value : values) {
    value = value - mean + 1.0f;
    if (negatives == NegativeValues::kSetToZero && value < 0.0f) value = 0.0f;
  }
}

void rescale(std::span<float> values, MeanSd from, MeanSd to, NegativeValues negatives) {
  const bool spread = from.sd > 0.0f && std::isfinite(from.sd);
  for (float& value : values) {
    value = spread ? (value - from.mean) / from.sd * to.sd + to.mean : value - from.mean + to.mean;
    if (negatives == NegativeValues::kSetToZero && value < 0.0f) value = 0.0f;
  }
}

}  // namespace qb
