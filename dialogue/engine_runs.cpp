#include "dialogue/engine_runs.hpp"

#include <algorithm>
#include <string>

#include "detrend/power_transform.hpp"
#include "plots/spread_level_plot.hpp"

namespace qb {
namespace {

constexpr int kRegionalCurveOption = -2;
constexpr int kRawDataAverage = 0;

// Every run starts from the selected series as they were saved: the previous
// run has realigned (and perhaps power transformed) the matrix in place.
void rebuild_measurements(DataSet& data, const Matrix& saved, float constant) {
  data.x = saved;
  for (int s = 0; s < data.ns(); ++s) {
    const SeriesSpan& span = data.spans[static_cast<std::size_t>(s)];
    const int n = std::min(span.last_year - span.first_year + 1, data.x.rows());
    const auto column = data.x.column(s);
    for (int row = 0; row < n; ++row) column[static_cast<std::size_t>(row)] += constant;
  }
}

float transform_power(const EngineRunInputs& in, int retry_counter) {
  if (retry_counter == 0) in.report.write("(/1x,'THE SERIES HAVE HAD ADAPTIVE POWER TRANSFORMATIONS APPLIED')");
  // The interactive program shows how the spread of each series follows its
  // level before the first run; the list-file program does not.
  SpreadLevelPlot plot;
  if (in.kind == ProgramKind::kInteractive) plot = scatplt;
  return slpt1(in.data.x, in.data.spans, retry_counter, plot).mean_power;
}

void echo_run(const EngineRunInputs& in, const AnalysisOptions& options, int retry_counter, float mean_power) {
  const float constant = retry_constant(retry_counter);
  const bool first = retry_counter == 0;
  const char* constant_line = first ? "(/1x,'CONSTANT ADDED TO ALL MEASUREMENTS TO AID CONVERGENCE(?): ',t63,f8.3)"
                                    : "(1x,'CONSTANT ADDED TO ALL MEASUREMENTS TO AID CONVERGENCE(?): ',t63,f8.3)";
  in.console.write(constant_line, constant);
  in.report.write(constant_line, constant);
  if (options.power_transform) {
    in.report.write("(1x,'THE MEAN ADAPTIVE POWER TRANSFORM POWER APPLIED IS: ',t63,f8.3)", mean_power);
  }
  if (first) in.console.write("(/1x,'OKAY, LET US BEGIN:')");
}

// What the engine hands back through the options it was given.
void take_back(AnalysisOptions& options, const EngineRuns& runs) {
  const EngineResults& results = runs.results;
  // The engine runs a raw-data average with the mean line in its iteration
  // and reports that option back; the data set is still standardised as a
  // raw-data average, so retries and the chronology labels keep 0.
  if (runs.saved_curve_option != kRawDataAverage) options.curve_option = results.curve_option;
  options.stabilisation = results.stabilisation;
  if (options.regional) {
    options.different_regional_curve = results.outcome == EngineOutcome::kDifferentRegionalCurve;
  }
}

}  // namespace

float retry_constant(int retry_counter) { return 0.1f * static_cast<float>(retry_counter); }

EngineOptions engine_options(ProgramKind kind, const AnalysisOptions& options, int series_count,
                             std::string_view data_set_name, int retry_counter) {
  EngineOptions engine;
  engine.curve_option = options.curve_option;
  engine.regional = options.regional;
  engine.mean_type = options.mean_type;
  engine.index_type = options.residuals ? IndexType::kResiduals : IndexType::kRatios;
  engine.power_transformed = options.power_transform;
  engine.threshold = options.threshold;
  engine.rbar_window = options.rbar_window;
  engine.stabilisation = options.stabilisation;
  engine.alpha = static_cast<float>(options.alpha);
  engine.smoothing_window = options.rcs_window;
  engine.stiffness = options.stiffness;
  engine.curve_floor.assign(static_cast<std::size_t>(std::max(series_count, 0)), kDefaultCurveFloor);
  engine.pith_offsets = options.pith_offsets;
  engine.pith_offset_file = options.pith_offset_file;
  engine.curve_change = options.engine_switches[0];
  engine.mean_rescaling = options.engine_switches[1];
  engine.difference_smoothing = options.engine_switches[2];
  engine.hald_tweaks = options.hald;
  engine.hald_mean_adjust = options.hald;
  engine.hald_median = options.hald;
  engine.retry_counter = retry_counter;
  engine.retry_constant = retry_constant(retry_counter);
  engine.file_name = std::string(data_set_name);
  engine.biweight_plots = kind == ProgramKind::kInteractive;
  return engine;
}

void run_engine(const EngineRunInputs& in, AnalysisOptions& options, EngineRuns& runs,
                const std::function<void()>& choose_different_regional_curve) {
  while (true) {
    rebuild_measurements(in.data, in.saved_measurements, retry_constant(runs.retry_counter));
    const float mean_power = options.power_transform ? transform_power(in, runs.retry_counter) : 0.0f;
    echo_run(in, options, runs.retry_counter, mean_power);

    runs.saved_curve_option = options.curve_option;
    // The previous call's matrices would otherwise stay alive beside the
    // new call's own; they become the storage of the next call's.
    runs.engine.recycled = {std::move(runs.results.indices), std::move(runs.results.iteration_chronologies)};
    runs.results = EngineResults{};
    runs.results = sigfree(in.data, engine_options(in.kind, options, in.data.ns(), in.data_set_name, runs.retry_counter),
                           runs.engine, in.report);
    take_back(options, runs);

    if (runs.results.outcome == EngineOutcome::kDifferentRegionalCurve) {
      runs.retry_counter = 0;
      options.curve_option = kRegionalCurveOption;
      options.regional = true;
      choose_different_regional_curve();
      continue;
    }
    runs.retry_counter = runs.results.retry_counter;
    if (runs.retry_counter >= 1 && runs.retry_counter <= kMaxConvergenceRetries) continue;
    return;
  }
}

}  // namespace qb
