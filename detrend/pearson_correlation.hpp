// Pearson's product-moment correlation of two equally long vectors, with the
// least-squares line of the second on the first.
#pragma once

#include <span>

namespace qb {

struct PearsonFit {
  float r = 0.0f;          // correlation
  float intercept = 0.0f;  // a of y = a + b x
  float slope = 0.0f;      // b of y = a + b x
};

// Single precision throughout, sums in index order (running-Rbar windows rely
// on the exact rounding). Only the first min(x.size(), y.size()) values are
// used. When either vector has no spread the correlation is undefined: r and
// the slope are then 0 and the intercept is the mean of y.
PearsonFit pearsn(std::span<const float> x, std::span<const float> y);

}  // namespace qb
