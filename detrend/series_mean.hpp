// Horizontal line through the mean of a series.
#pragma once

#include <span>

namespace qb {

// Writes the single-precision mean of x (n = x.size()) over every value of y
// (ntot = y.size()). An empty x is fatal: the console shows "error in xmean:
// n=0", pauses and the program stops (qb::ProgramStop).
void xmean(std::span<const float> x, std::span<float> y);

}  // namespace qb
