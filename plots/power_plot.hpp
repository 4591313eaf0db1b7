// The power spectra of two chronologies against frequency, the power on a
// base-10 logarithmic scale.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "plots/plot_conventions.hpp"

namespace qb {

struct SpectrumPlot {
  std::span<const float> frequency;     // cycles per year, one per point drawn
  std::span<const float> first_power;   // drawn blue
  std::span<const float> second_power;  // drawn red
  std::string_view first_legend;        // 18 characters, blue
  std::string_view second_legend;       // 18 characters, red
};

// Consecutive frequencies whose power has a logarithm (is above 0).
struct LogPowerStretch {
  std::vector<float> frequency;
  std::vector<float> log_power;  // log10 of the power
};

struct SpectrumPage {
  // x exactly the frequencies' range, y the log powers' range, no margin.
  AxisLimits axes;
  std::vector<LogPowerStretch> first;
  std::vector<LogPowerStretch> second;
};

// A power of 0 or below has no logarithm: it is left out of the range and
// breaks its curve.
SpectrumPage plt6_page(const SpectrumPlot& plot);

// Draws both spectra and runs the plot options menu; "s" saves to
// "fig1b.ps".
void plt6(const SpectrumPlot& plot);

}  // namespace qb
