// Centring and spread rescaling of chronologies, the small steps that bring
// every chronology the engine returns to a mean of 1.0 on the well-replicated
// years and, where asked, to the spread of a reference chronology.
#pragma once

#include <span>

#include "detrend/robust_statistics.hpp"

namespace qb {

// Whether negative results are set to 0.0 (a chronology of ring-width indices
// is never negative) or left as they are.
enum class NegativeValues { kKeep, kSetToZero };

// Mean and sample standard deviation of the values after the first `skip`
// (all values when skip is 0 or not below the length).
MeanSd statistics_after(std::span<const float> values, int skip);

// value := value - mean + 1.0.
void centre_on_one(std::span<float> values, float mean, NegativeValues negatives);

// value := (value - from.mean) / from.sd x to.sd + to.mean. A chronology
// without spread (from.sd not positive) has none to rescale: it is only
// moved to the new mean, never divided by zero.
void rescale(std::span<float> values, MeanSd from, MeanSd to, NegativeValues negatives);

}  // namespace qb
