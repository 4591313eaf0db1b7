// Spread against level: for every series the logarithm of its year-to-year
// change against the logarithm of its ring width, with the series' fitted
// line, titled with the line and correlation of all series together.
#pragma once

#include <string>
#include <vector>

#include "detrend/power_transform.hpp"
#include "plots/plot_conventions.hpp"

namespace qb {

struct SpreadLevelPage {
  // x the levels' range, y the spreads' range widened by 1.0 below and 1.5
  // above.
  AxisLimits axes;
  std::string title;                      // "Y=... + ...(x)  Rho= ..." of the pooled fit
  std::vector<std::vector<float>> lines;  // each series' line at its own levels
};

SpreadLevelPage scatplt_page(const SpreadVersusLevel& fit);

// Draws every series' points in blue and its line in red, and runs the plot
// options menu; "s" saves to "fig1b.ps". Fits the power transformation's
// plot seam.
void scatplt(const SpreadVersusLevel& fit);

}  // namespace qb
