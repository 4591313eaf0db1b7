// The signal-free engine: one call standardises one loaded data set.
//
// `sigfree` detrends every series (one curve per series, or one regional
// curve by biological age), builds the standard chronology, then repeats the
// signal-free step -- measurements divided by (or less) the current
// chronology, curves refitted, new indices, new chronology -- until the
// chosen convergence statistic falls to the threshold, the iteration limit is
// reached, or a rise of the statistic hands a retry back to the driver. With
// a running RBAR window it also stabilises the variance of both chronologies
// (running inter-series correlation and, as the user accepts it, a spline of
// their spread) and writes the running RBAR files.
//
// The driver owns one EngineState per data set and passes it to every call of
// that data set: the values a first run computes (leading years of low sample
// depth, the chronology mean, the pre-iteration standard chronology) carry
// over to the retry runs through it. A new data set takes a new EngineState.
#pragma once

#include <string>
#include <vector>

#include "detrend/robust_statistics.hpp"
#include "engine/engine_state.hpp"
#include "platform/report_file.hpp"
#include "series/data_set.hpp"
#include "series/matrix.hpp"

namespace qb {

enum class IndexType { kRatios, kResiduals };

// What the driver chose for the data set. The defaults are the values both
// programs pass where they ask nothing.
struct EngineOptions {
  // Per-series curve option, or the regional curve option when `regional` is
  // set; 0 averages the raw measurements (the iteration then runs with 6).
  int curve_option = 8;
  // Regional curve standardisation: one curve by biological age for all series.
  bool regional = false;
  // kSummaryArithmeticMean or kSummaryBiweightMean.
  int mean_type = kSummaryBiweightMean;
  IndexType index_type = IndexType::kRatios;
  // With residuals, the series files carry the power-transformed names.
  bool power_transformed = false;
  float threshold = 0.0001f;
  // Running RBAR window in years; 0 runs no stabilisation pass.
  int rbar_window = 0;
  // Threads the engine may use (its results do not depend on them); 0: one
  // per hardware thread.
  int threads = 0;
  // Spline stabilisation of the spread of the chronologies: 0 none, 1 the
  // age-dependent spline, 10 or more a spline of that many years, -10 or
  // less a spline of that percentage of the chronology length.
  int stabilisation = 0;
  // Super smoother bass value.
  float alpha = 0.0f;
  // Window of the running-median and lowess regional curves.
  int smoothing_window = 0;
  // Start stiffness of the age-dependent spline.
  int stiffness = 20;
  // Lower bound of each series' fitted curve, one per series; series without
  // an entry take kDefaultCurveFloor.
  std::vector<float> curve_floor;
  // Rings missing to the pith of each series; series without an entry take 0.
  std::vector<int> pith_offsets;
  // Pith offsets come from a pith offset file.
  bool pith_offset_file = false;
  // 'n' refits a series whose curve option changed (or fell back to the mean
  // line) from the fifth iteration on; any other value never does.
  char curve_change = 'n';
  // 'y' rescales each signal-free series to its measured mean.
  char mean_rescaling = 'y';
  // 'y' removes an age-dependent spline from the chronology changes before
  // they are measured.
  char difference_smoothing = 'y';
  // 'y' leaves the leading years of low sample depth out of the statistics.
  char hald_tweaks = 'y';
  // 'y' centres the chronology on 1.0 before each division and holds its
  // leading years.
  char hald_mean_adjust = 'y';
  // 'y' tests median statistics, 'n' mean statistics, anything else always
  // the unweighted mean.
  char hald_median = 'y';
  // Number of rises met so far for this data set (0 on its first run).
  int retry_counter = 0;
  // The constant the driver added to every measurement (0.1 x retry counter);
  // subtracted again from what goes to the series files.
  float retry_constant = 0.0f;
  // The data-set file name; the output files are named after it.
  std::string file_name;
  // The interactive program also shows the biweight weights of the Tukey
  // biweight chronologies.
  bool biweight_plots = false;
};

inline constexpr float kDefaultCurveFloor = 0.02f;

enum class EngineOutcome {
  kConverged,              // the tested statistic fell to the threshold
  kIterationLimit,         // kMaxIterations iterations without convergence
  kRetryRequested,         // rise after iteration 6: rerun with the next retry constant
  kRetriesExhausted,       // a rise after the tenth retry: finished with the last iteration
  kDifferentRegionalCurve  // the user asked for another regional curve
};

// One chronology and its standard deviation, by calendar row.
struct ChronologyBlock {
  std::vector<float> value;
  std::vector<float> sd;
};

// The variance-stabilised chronologies, by calendar row.
struct StabilisedChronologies {
  std::vector<float> standard;
  std::vector<float> signal_free;
};

struct EngineResults {
  EngineOutcome outcome = EngineOutcome::kConverged;
  // The standard (first-pass) chronology, centred on 1.0 after its leading
  // rows of low sample depth (after a convergence retry: with the spread of
  // the first run's standard chronology).
  ChronologyBlock standard;
  // The final signal-free chronology, centred or rescaled in the same way
  // (after kRetryRequested: the chronology of the last iteration that did
  // not rise). With a running RBAR window it is never negative.
  ChronologyBlock signal_free;
  // With a running RBAR window: both chronologies with their variance
  // stabilised, then matched to the spread of the standard chronology with
  // mean 1.0 and no negative value. Empty without a window; a call that
  // returns for a retry has stabilised the standard chronology only.
  StabilisedChronologies stabilised;
  // Series per calendar row.
  std::vector<int> sample_depth;
  // Calendar rows x series: the indices of the last iteration.
  Matrix indices;
  // Calendar rows x (kMaxIterations + 1): column k the chronology of
  // iteration k, column 0 the centred standard chronology.
  Matrix iteration_chronologies;
  // Entry k - 1 holds the statistics of iteration k.
  std::vector<ConvergenceStatistics> convergence;
  // Iterations run (lowered by one after a rise).
  int iterations = 0;
  // 0 after convergence or at the iteration limit; the retry count after a
  // rise (1..10 asks for a retry, 11 or more means the engine gave up).
  int retry_counter = 0;
  // The curve option as the call leaves it (fall-backs, 0 run as 6).
  int curve_option = 0;
  // The stabilisation option last accepted in a stabilisation dialogue.
  int stabilisation = 0;
};

// Standardises `data`: the measurements come in series-relative rows and are
// left realigned to calendar rows (the driver rebuilds them before every
// call). The engine asks its questions on the console and writes its report
// lines to `report`.
EngineResults sigfree(DataSet& data, const EngineOptions& options, EngineState& state, ReportFile& report);

}  // namespace qb
