// The answers that decide how a data set is standardised, owned by the
// driver for the whole run. The list-file program asks most of them for its
// first data set only and keeps them for the data sets that follow.
#pragma once

#include <array>
#include <vector>

#include "detrend/robust_statistics.hpp"

namespace qb {

struct AnalysisOptions {
  // Indices as residuals from the curve (true) or as ratios to it.
  bool residuals = false;
  // Adaptive power transformation of the measurements before every engine run.
  bool power_transform = false;

  // Detrending curve code: the per-series code set, or the regional curve's
  // code set while `regional` is set.
  int curve_option = 0;
  // Super smoother bass ("tweeter") 0-9; the engine takes it as a real number.
  int alpha = 0;
  // Start stiffness of the age-dependent spline, in years.
  int stiffness = 0;
  // Window of the regional lowess or running-median curve, or the alpha of
  // the regional super smoother.
  int rcs_window = 0;
  // Regional curve standardisation: one curve by biological age for all series.
  bool regional = false;
  // The engine asked for another regional curve; the next choice of the
  // regional option then shows the regional curve sub-menu.
  bool different_regional_curve = false;
  // Rings missing to the pith, one per series slot; all 0 unless read from a
  // pith offset file.
  std::vector<int> pith_offsets;
  bool pith_offset_file = false;

  // kSummaryArithmeticMean or kSummaryBiweightMean.
  int mean_type = 0;
  // Running RBAR window in years; 0 runs no variance stabilisation.
  int rbar_window = 0;
  // Extra spline stabilisation: 0 none, 1 age-dependent spline, >= 10 a
  // spline of that many years, <= -10 of that percent of the length.
  int stabilisation = 0;
  // The stabilisation option as chosen; the engine may change the working one.
  int saved_stabilisation = 0;
  // Convergence threshold of the mean absolute difference between
  // successive chronologies.
  float threshold = 0.0001f;
  // The engine's three fixed switches: curve-change refit, mean rescaling,
  // smoothing of the chronology differences.
  std::array<char, 3> engine_switches{'n', 'y', 'y'};
  // 'y' for Hald's convergence tweaks, 'n' for the original criteria; the
  // engine's two copies of the answer take the same value.
  char hald = 'y';

  // 1 ratios, 2 residuals, 3 residuals of power-transformed data.
  int index_mode() const { return !residuals ? 1 : (power_transform ? 3 : 2); }
};

}  // namespace qb
