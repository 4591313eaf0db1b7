// From the fifth iteration on, a series whose curve option changed since the
// previous iteration (a fit that fell back) or sits at the mean line is
// refitted with a fixed choice, so that a fit flipping between its own curve
// and its fall-back cannot keep the iteration from settling.
#pragma once

namespace qb {

// The curve option a refit takes: a spline of 66 % of the series length for
// the negative exponential, else the mean line.
inline constexpr int kChangedSpline = -66;
inline constexpr int kChangedMeanLine = 6;

// Whether the series is refitted in `iteration`: the switch is 'n', the
// iteration is the fifth or later, and the option recorded for this
// iteration differs from the previous one's or the previous one's is the
// mean line.
bool curve_change_due(char curve_change_switch, int iteration, int option_now, int option_before);

int changed_curve_option(int curve_option_argument);

}  // namespace qb
