#include "engine/sigfree.hpp"

#include "engine/engine_call.hpp"
#include "platform/console.hpp"
#include "platform/large_buffer.hpp"
#include "series/file_names.hpp"

namespace qb {

EngineCall::EngineCall(DataSet& data_set, const EngineOptions& engine_options, EngineState& engine_state,
                       ReportFile& report_file, EngineResults& engine_results)
    : data(data_set), options(engine_options), state(engine_state), report(report_file), results(engine_results) {
  ify = data.whole.first_year;
  nyr = data.whole.last_year - data.whole.first_year + 1;
  ns = data.ns();
  entry_curve_option = options.curve_option;
  first_run = options.retry_counter == 0;
  draws_first_plot = first_run && !state.different_regional_curve;
  base_name = dataset_base_name(options.file_name);
  results.curve_option = options.curve_option;
  results.retry_counter = options.retry_counter;
  results.stabilisation = options.stabilisation;
  calendar_rows.reserve(static_cast<std::size_t>(ns));
  for (const SeriesSpan& span : data.spans) {
    calendar_rows.push_back({span.first_year - ify, span.last_year - ify + 1});
  }
}

int EngineCall::pith_offset(int series) const {
  return series < static_cast<int>(options.pith_offsets.size()) ? options.pith_offsets[series] : 0;
}

float EngineCall::curve_floor(int series) const {
  return series < static_cast<int>(options.curve_floor.size()) ? options.curve_floor[series] : kDefaultCurveFloor;
}

RowSummary EngineCall::summarise_rows(const Matrix& matrix, int option) const {
  return robsum(matrix, nyr, ns, option, calendar_rows, options.threads);
}

std::array<std::string, 3> EngineCall::series_file_names(SeriesPass pass) const {
  return qb::series_file_names(base_name, pass, options.index_type, options.power_transformed);
}

namespace {

// What the series files and plots were derived from is not needed past the
// iteration's plots: the running Rbar of the next stage, and the next call,
// find the memory free.
void release_series_storage(EngineState& state) {
  state.series_curves = Matrix();
  state.signal_free = Matrix();
}

// A data set the engine cannot standardise at all: the driver never passes
// one, so this is a guard against a caller's mistake, not a dialogue.
void check_data_set(const DataSet& data) {
  const int nyr = data.whole.last_year - data.whole.first_year + 1;
  if (data.ns() < 1 || nyr < 1 || data.ns() > kMaxSeriesInSet || nyr > kMaxYears) {
    console().write("(/1x,'Cannot standardise a data set of',i6,' series over',i6,' years')", data.ns(), nyr);
    console().stop({}, kExitAbnormal);
  }
}

}  // namespace

EngineResults sigfree(DataSet& data, const EngineOptions& options, EngineState& state, ReportFile& report) {
  check_data_set(data);
  // What the loading of the set and the previous call freed goes back to
  // the system before the call builds its own matrices.
  release_free_memory();
  EngineResults results;
  EngineCall call(data, options, state, report, results);

  set_up(call);
  create_series_files(call.series_file_names(SeriesPass::kStandard), data.titles[0]);
  if (options.regional && !initial_regional_curve(call)) {
    results.outcome = EngineOutcome::kDifferentRegionalCurve;
    return results;
  }
  first_detrending(call);
  standard_chronology(call);
  // A window of 0 stabilises nothing.
  const bool stabilise = options.rbar_window != 0;
  if (stabilise) standard_stabilisation_pass(call);
  results.outcome = signal_free_iteration(call);
  if (results.outcome == EngineOutcome::kRetryRequested) {
    release_series_storage(state);
    return results;
  }
  after_iteration(call);
  release_series_storage(state);
  adjust_chronologies(call);
  if (stabilise) signal_free_stabilisation_pass(call);
  iteration_plots(call);
  return results;
}

}  // namespace qb
