// Heapsort of a single-precision vector, used by the lowess and running-median
// smoothers of the regional curve.
#pragma once

#include <span>

namespace qb {

// Ascending sort in place (Williams' heapsort with the classic sift-down).
void sort(std::span<float> a);

}  // namespace qb
