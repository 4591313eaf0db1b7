// One series with the common signal taken out: its measurements divided by
// (ratios) or less (residuals) the current chronology, rescaled to the
// series' own level.
#pragma once

#include <span>

namespace qb {

// s(i) from the measurements x(i) and the chronology c(i) and sample depth
// of the same calendar rows. A year that only this series covers keeps its
// measurement: there the chronology is the series itself. Ratios are taken
// only where the chronology is above 0, so a chronology floored at 0 never
// divides.
void signal_free_measurements(std::span<const float> x, std::span<const float> chronology,
                              std::span<const int> depth, bool ratios, std::span<float> s);

// Brings s back to the series' measured mean: ratios s / mean(s) x M,
// residuals s - mean(s) + M. With skip > 0 only the values after the first
// `skip` are measured and rescaled (the series alone in the first years of
// the set). A ratio series of mean 0 is left as it is.
void rescale_to_series_mean(std::span<float> s, float series_mean, bool ratios, int skip);

// Residuals are fitted as positive values: when any value is negative, the
// most negative one's size is added to every value.
void shift_above_zero(std::span<float> s);

}  // namespace qb
