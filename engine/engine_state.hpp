// What the engine keeps for one data set between and during its calls.
//
// A few values carry over from the first run of a data set to its retry runs
// (marked below); everything else is work storage that every call sets
// before it reads it. The driver makes a fresh EngineState for every data
// set, so nothing of one data set reaches the next.
#pragma once

#include <array>
#include <vector>

#include "detrend/robust_statistics.hpp"
#include "platform/bounds.hpp"
#include "series/matrix.hpp"

namespace qb {

// Leading calendar rows of low sample depth, counted on the first run of a
// data set and reused by its retry runs.
struct FirstRunValues {
  bool counted = false;
  int nss1 = 0;  // leading rows covered by exactly one series
  int nss2 = 0;  // leading rows covered by fewer than six series
  int nn1 = 0;   // rows after nss1
  int nn2 = 0;   // rows after nss2
  float m1 = 0.0f;  // mean standard chronology after nss1
  // Mean over all rows of the standard chronology as the rows summarise it,
  // before any centring: the level of residual indices.
  float standard_mean = 0.0f;
};

// One regional fit by biological age (position a - 1 holds age a).
struct RegionalCurveSlot {
  std::vector<float> raw;
  std::vector<float> fitted;
};

// Per-series option and floor history, entries 0..kMaxIterations + 1:
// entries 0 and 1 come from the first detrending, entry k + 1 from
// iteration k.
inline constexpr int kRecordEntries = kMaxIterations + 2;

class SeriesRecord {
 public:
  void reset(int series) { entries_.assign(static_cast<std::size_t>(series) * kRecordEntries, 0); }
  int& at(int series, int entry) { return entries_[static_cast<std::size_t>(series) * kRecordEntries + entry]; }
  int at(int series, int entry) const {
    return entries_[static_cast<std::size_t>(series) * kRecordEntries + entry];
  }

 private:
  std::vector<int> entries_;
};

// The smallest value of each convergence statistic so far in a call.
struct RunningMinima {
  static constexpr float kStart = 9999.0f;
  std::array<float, 4> value{kStart, kStart, kStart, kStart};
};

// A chronology as the per-row robust summary gives it.
struct ChronologyRows {
  std::vector<float> location;
  std::vector<float> scale;
  std::vector<int> count;
};

struct EngineState {
  // --- Carried over from call to call of one data set ---------------------

  // Set when the user asked for a different regional curve; it also tells a
  // call after that request from a first run.
  bool different_regional_curve = false;
  FirstRunValues first_run;
  // Mean over all rows of the chronology built last (the standard chronology
  // of a first run, then each iteration's); a retry run with ratios centres
  // its standard chronology with it.
  float chronology_mean = 0.0f;
  // The first run's standard chronology centred after nss1: iteration
  // chronology 0 of every run of the data set.
  std::vector<float> pre_iteration_standard;

  // Storage only: the driver hands back the matrices of the previous call's
  // results, and the next call writes its own into them instead of mapping
  // the memory afresh.
  struct RecycledMatrices {
    Matrix indices;
    Matrix iteration_chronologies;
  };
  RecycledMatrices recycled;

  // --- Set by every call before use ---------------------------------------

  // Per calendar row: mean segment length and mean tree age of the series
  // covering it.
  std::vector<float> mean_segment_length;
  std::vector<float> mean_tree_age;
  // Per series: number of rings, measured mean (after nss1 for the marked
  // series), and which series starts alone in the first year.
  std::vector<int> series_lengths;
  std::vector<float> series_means;
  int marked_series = -1;
  // The curve option each series was fitted with, and the series' number
  // (1-based) where its curve's first value was raised to the floor, else 0.
  SeriesRecord curve_options;
  SeriesRecord floors;

  // Regional curve of the first detrending and of every refit since.
  std::vector<RegionalCurveSlot> regional_curves;
  // Biological ages the regional curves cover, and the age of the last fit.
  int regional_age_bound = 0;
  int regional_curve_length = 0;
  int regional_shift = 0;
  // Regional curve answers of the current call.
  int regional_cutoff_age = 0;
  bool regional_truncated = false;
  bool plot_tree_rings = false;

  // The current fit by biological age (regional path).
  std::vector<float> raw_curve;
  std::vector<float> fitted_curve;

  int longest_series = 0;

  // Only what cannot be derived again is kept per series: a data set's
  // matrices dominate the memory of a run. The series files and plots take
  // the rest (measurements less the retry constant, signal-free
  // measurements, indices) from these and the calendar-row matrices.
  //
  // Per-series curves: the fitted curve of every series (series-relative
  // rows, floor applied), of the first detrending and then of the latest
  // iteration. Released with `signal_free` once the series files and the
  // overlay plots of the last iteration are done.
  Matrix series_curves;
  // Regional curve: the fits by biological age the latest pass indexed with
  // (a refit within an iteration adds one), and the one each series took.
  std::vector<std::vector<float>> pass_fits;
  std::vector<int> series_fit;
  // The chronology and sample depth the latest iteration took the signal
  // out with.
  std::vector<float> iteration_chronology;
  std::vector<int> iteration_depth;
  // Regional curve: signal-free measurements (series-relative rows) of the
  // latest iteration.
  Matrix signal_free;

  // The chronology the next changes are taken against.
  std::vector<float> previous_chronology;
  // Column k - 1: previous minus new chronology of iteration k, unsmoothed.
  Matrix iteration_differences;
  // Per-row spline stiffness of the difference smoothing.
  std::vector<int> stiffness;
  RunningMinima minima;
  // The retry counter as the iteration found it when it ended by
  // convergence or at the limit; the counter itself after a give-up.
  int convergence_retry = 0;

  // The chronology a stabilisation pass works on (the centred standard
  // chronology, then each iteration's, then the adjusted signal-free
  // chronology) and the sample depth of the standard chronology.
  std::vector<float> rbar_chronology;
  std::vector<int> rbar_depth;
  // The per-row summary of the latest iteration's indices, before any
  // flooring or centring, and its biweight weight summary.
  ChronologyRows last_summary;
  Matrix weight_summary;

  // Column k: the smoothed chronology of iteration k, as the last plot of
  // the iterations draws it.
  Matrix smoothed_iterations;
};

}  // namespace qb
