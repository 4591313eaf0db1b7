// Preparation of the plots that show how the signal-free iteration went.
#pragma once

#include "series/matrix.hpp"

namespace qb {

// Period in years of the splines that smooth the iteration chronologies for
// their plot: longer chronologies take stiffer splines.
int iteration_smoothing_period(int years);

// Stacks the first `count` columns of the iteration differences for their
// plot: each column loses its mean over the first `years` rows, and each
// iteration sits 0.1 below the next, the last one at 0.
void stack_iteration_differences(Matrix& differences, int count, int years);

}  // namespace qb
