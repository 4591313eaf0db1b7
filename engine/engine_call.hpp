// One call of the engine as its stages see it: the data set, the options,
// the carried state, the report file and the results being built, with the
// whole-set span and the values that change during the call.
//
// Every stage is one function over an EngineCall; sigfree.cpp runs them in
// order.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "detrend/robust_statistics.hpp"
#include "engine/engine_state.hpp"
#include "engine/series_files.hpp"
#include "engine/sigfree.hpp"
#include "platform/report_file.hpp"
#include "series/data_set.hpp"

namespace qb {

struct EngineCall {
  EngineCall(DataSet& data_set, const EngineOptions& engine_options, EngineState& engine_state,
             ReportFile& report_file, EngineResults& engine_results);

  DataSet& data;
  const EngineOptions& options;
  EngineState& state;
  ReportFile& report;
  EngineResults& results;

  // Whole-set span: calendar row r is year ify + r.
  int ify = 0;
  int nyr = 0;
  int ns = 0;
  // The curve option as the driver passed it; results.curve_option is the
  // working copy that fall-backs rewrite.
  int entry_curve_option = 0;
  // A first run of the data set (not a retry and not a call after a request
  // for another regional curve) draws the set-up plot.
  bool draws_first_plot = false;
  // Retry counter 0: the leading-row counts and the chronology mean are
  // computed afresh.
  bool first_run = false;
  std::string base_name;
  // The calendar rows each series covers: the rows a per-row summary of a
  // calendar-row matrix visits.
  std::vector<RowRange> calendar_rows;

  int first_row(int series) const { return data.spans[series].first_year - ify; }
  int length(int series) const { return state.series_lengths[series]; }
  // A series' measurements once realigned to calendar rows.
  std::span<const float> measurements(int series) const {
    return data.x.column(series).subspan(first_row(series), length(series));
  }
  int pith_offset(int series) const;
  float curve_floor(int series) const;
  bool ratios() const { return options.index_type == IndexType::kRatios; }
  // The mode calind takes: 1 ratios, 2 residuals.
  int index_mode() const { return ratios() ? 1 : 2; }
  std::array<std::string, 3> series_file_names(SeriesPass pass) const;
  // The per-row robust summary of a calendar-row matrix of the set's series.
  RowSummary summarise_rows(const Matrix& matrix, int option) const;
};

// Set-up: sample depth, mean segment length and mean tree age per row, and
// the set-up plot of a first run.
void set_up(EngineCall& call);

// Regional curve standardisation only: the initial regional curve and its
// dialogue. False when the user asked for a different regional
// curve.
bool initial_regional_curve(EngineCall& call);

// The first detrending: every series detrended, indices in series-relative rows, the
// standard series files written.
void first_detrending(EngineCall& call);

// Raises every curve value below the floor to it; true when the first value
// was raised.
bool apply_curve_floor(std::span<float> curve, float floor);

// The first detrending's curve of one series (not regional) from its
// measurements x, fitted with `option` in/out and raised to the series'
// floor; true when the first value was raised.
bool first_curve(const EngineCall& call, int series, std::span<const float> x, int& option,
                 std::vector<float>& curve);
// The first detrending's index of one series: the measurements themselves
// for a raw-data average, else the indices of x over the curve.
void first_index(const EngineCall& call, bool raw_average, std::span<const float> x, std::span<const float> curve,
                 std::vector<float>& index);

// The curve of one series (series-relative) in the latest pass: the first
// detrending's, or after an iteration the last iteration's.
void pass_curve(const EngineCall& call, int series, std::vector<float>& curve);

// The signal-free measurements of one series (series-relative) as the
// latest iteration took them, before any curve was fitted to them.
void iteration_signal_free(const EngineCall& call, int series, std::vector<float>& values);

// Realignment to calendar rows, the standard chronology, the
// leading-row counts and the first current chronology.
void standard_chronology(EngineCall& call);

// Moves each series from series-relative rows to calendar rows in place.
void realign_to_calendar_rows(Matrix& matrix, const std::vector<SeriesSpan>& spans, int ify);

// The signal-free iteration until it converges, reaches the
// iteration limit or rises. Returns how it ended.
EngineOutcome signal_free_iteration(EngineCall& call);

// The index matrix of the last iteration made again from its curves, in
// the storage results.indices holds.
void index_last_iteration(EngineCall& call);

// After the iteration: the final signal-free chronology, the regional curves file and
// plots (without a regional curve, the series overlay plots), and the outcome message.
void after_iteration(EngineCall& call);

// Running RBAR window set: the standard chronology stabilised by running
// Rbar and, as the user accepts it, by a spline of its spread.
void standard_stabilisation_pass(EngineCall& call);

// The standard and signal-free chronologies centred on 1.0 (after a
// convergence retry: brought to the first run's spread), then compared in a
// plot.
void adjust_chronologies(EngineCall& call);

// Running RBAR window set: the signal-free chronology stabilised like the
// standard one, the optional final detrending of a regional or mean-line
// chronology, and both stabilised chronologies matched in spread.
void signal_free_stabilisation_pass(EngineCall& call);

enum class StabilisationPass { kStandard, kSignalFree };

// The spline stabilisation of `column` (a running-RBAR stabilised
// chronology) with the stabilisation option, its plots and the question
// whether the user is happy with it; a "no" lets the user choose another
// option. With option 0, or when the user settles on it, the column is left
// as it is.
void spline_stabilisation(EngineCall& call, StabilisationPass pass, std::vector<float>& column);

// Offers to remove a smoothing spline from the stabilised signal-free
// chronology; the detrended chronology replaces it when the user accepts.
void final_detrending(EngineCall& call, std::vector<float>& chronology);

// The interactive program's plot of the biweight weights of the latest
// chronology (Tukey biweight mean only).
void draw_biweights(const EngineCall& call, std::string_view title);

// Without a regional curve: the series' measurements, curves and indices
// of the first detrending against those of the last iteration. The first
// detrending's curves are fitted again into `storage`.
void series_overlay_plots(const EngineCall& call, Matrix& storage);

// The convergence statistics, the iteration differences and the smoothed
// chronology of every iteration.
void iteration_plots(EngineCall& call);

// One regional fit of a matrix of series (series-relative rows) into
// state.raw_curve / state.fitted_curve, with the given in/out option.
void fit_regional_curve(EngineCall& call, const Matrix& series, int& option);

// A regional fit by biological age along one series' rings (biological
// ages from its pith offset on).
void regional_series_curve(const EngineCall& call, int series, std::span<const float> fitted,
                           std::vector<float>& curve);

// Copies the current fit into a new slot of the regional curve store.
void store_regional_curve(EngineCall& call);

// Draws the current regional fit by biological age.
void draw_regional_fit(const EngineState& state, std::string_view title);

}  // namespace qb
