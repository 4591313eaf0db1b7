// How the regional curve changed over the signal-free iterations: one small
// panel per iteration with its fit, and all curves overlaid in one panel.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "platform/bounds.hpp"
#include "plots/plot_conventions.hpp"

namespace qb {

// One iteration's regional curve and its fit, indexed by biological age
// (element a - 1 holds age a).
struct RegionalCurveIteration {
  std::span<const float> raw;
  std::span<const float> fitted;
};

struct RegionalCurveSet {
  std::span<const RegionalCurveIteration> curves;  // the initial curve first, then each iteration
  int ages = 0;                                    // ages drawn from the age offset + 1 on
  int age_offset = 0;                              // smallest pith offset of the data set
  float missing = kMissing;
};

struct PanelGrid {
  int columns = 0;
  int rows = 0;
};

// Panels for a number of curves; none for more than 20.
std::optional<PanelGrid> plt4_grid(int curves);

// The y range over every value of every curve and fit; 0.0 never becomes the
// minimum (the regional curves hold 0.0 where they have no data).
AxisLimits regional_curve_range(const RegionalCurveSet& set);

// The points of one curve where its regional curve has a value (and, with
// skip_zero, is not 0.0): x biological age, first the curve, second the fit.
struct CurvePointsOfIteration {
  std::vector<float> x;
  std::vector<float> raw;
  std::vector<float> fitted;
};
CurvePointsOfIteration regional_curve_points(const RegionalCurveSet& set, std::size_t iteration, bool skip_zero);

// One panel per curve (grid by plt4_grid), saved to "fig1". More than 20
// curves: a message and a pause instead.
void plt4(const RegionalCurveSet& set);

// Every regional curve in one panel, the initial one blue, the last red, the
// others black; saved to "fig1".
void plt5(const RegionalCurveSet& set);

}  // namespace qb
