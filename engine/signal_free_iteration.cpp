#include <algorithm>
#include <cstring>

#include "detrend/curve_fits.hpp"
#include "detrend/indices.hpp"
#include "detrend/robust_statistics.hpp"
#include "engine/convergence.hpp"
#include "engine/curve_change_rule.hpp"
#include "engine/engine_call.hpp"
#include "engine/signal_free_series.hpp"
#include "platform/console.hpp"
#include "platform/record_format.hpp"
#include "platform/thread_pool.hpp"
#include "plots/biological_age_plots.hpp"

namespace qb {

namespace {

constexpr int kRawAverage = 0;
constexpr int kMeanLine = 6;

// Buffers of one series, reused from series to series.
struct SeriesWork {
  std::vector<float> s, curve, index;
};

bool refit_due(const EngineCall& call, int series, int iteration) {
  return curve_change_due(call.options.curve_change, iteration, call.state.curve_options.at(series, iteration + 1),
                          call.state.curve_options.at(series, iteration));
}

// The series' signal-free measurements, rescaled as the options ask.
void take_out_signal(const EngineCall& call, int j, std::vector<float>& s) {
  const int n = call.length(j);
  const int d = call.first_row(j);
  const auto measured = call.measurements(j);
  const auto chronology = std::span<const float>(call.state.iteration_chronology).subspan(d, n);
  const auto depth = std::span<const int>(call.state.iteration_depth).subspan(d, n);
  s.resize(n);
  signal_free_measurements(measured, chronology, depth, call.ratios(), s);
  if (call.options.mean_rescaling == 'y') {
    const int skip = j == call.state.marked_series ? call.state.first_run.nss1 : 0;
    rescale_to_series_mean(s, call.state.series_means[j], call.ratios(), skip);
  }
}

// Indices of the original measurements over the curve.
void index_series(EngineCall& call, int j, SeriesWork& work) {
  work.index.assign(call.length(j), 0.0f);
  calind(call.measurements(j), work.curve, work.index, call.index_mode());
  std::copy(work.index.begin(), work.index.end(), call.results.indices.column(j).begin() + call.first_row(j));
}

// Every series is fitted and indexed on its own, so the series are spread
// over the threads.
void per_series_iteration(EngineCall& call, int iteration) {
  EngineState& state = call.state;
  parallel_for_runs(call.ns, call.options.threads, [&](int first, int last) {
    SeriesWork work;
    for (int j = first; j < last; ++j) {
      const int n = call.length(j);
      state.floors.at(j, iteration + 1) = 0;
      iteration_signal_free(call, j, work.s);

      int& recorded = state.curve_options.at(j, iteration + 1);
      recorded = call.results.curve_option;
      work.curve.assign(n, 0.0f);
      curvefits(work.s, work.curve, recorded, call.options.alpha, call.options.stiffness);
      if (refit_due(call, j, iteration)) {
        recorded = changed_curve_option(call.results.curve_option);
        work.curve.assign(n, 0.0f);
        curvefits(work.s, work.curve, recorded, call.options.alpha, call.options.stiffness);
      }
      if (apply_curve_floor(work.curve, call.curve_floor(j))) state.floors.at(j, iteration + 1) = j + 1;
      std::copy(work.curve.begin(), work.curve.end(), state.series_curves.column(j).begin());
      index_series(call, j, work);
    }
  });
}

std::string regional_iteration_title(int iteration) {
  return format_record("('Iteration ',i4,'  Regional Curve MVF ',$)", iteration);
}

bool same_bits(std::span<const float> a, std::span<const float> b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

void regional_iteration(EngineCall& call, int iteration) {
  EngineState& state = call.state;
  parallel_for_runs(call.ns, call.options.threads, [&](int first, int last) {
    std::vector<float> s;
    for (int j = first; j < last; ++j) {
      auto column = state.signal_free.column(j);
      take_out_signal(call, j, s);
      std::copy(s.begin(), s.end(), column.begin());
      std::fill(column.begin() + static_cast<std::ptrdiff_t>(s.size()), column.end(), kMissing);
      state.curve_options.at(j, iteration + 1) = call.results.curve_option;
    }
  });

  const std::string title = regional_iteration_title(iteration);
  fit_regional_curve(call, state.signal_free, call.results.curve_option);
  if (state.plot_tree_rings) {
    draw_regional_fit(state, title);
  }
  store_regional_curve(call);
  state.pass_fits.assign(1, state.fitted_curve);
  state.series_fit.assign(call.ns, 0);

  // A refit of the regional curve changes the curve of the series after it,
  // so the refits go in series order; the series' indices depend on nothing
  // but their own fit and follow in parallel, except those a plot shows.
  std::vector<char> indexed(call.ns, 0);
  SeriesWork work;
  const std::string series_title = format_record("('Iteration #',i4,$)", iteration);
  for (int j = 0; j < call.ns; ++j) {
    if (refit_due(call, j, iteration)) {
      int& recorded = state.curve_options.at(j, iteration + 1);
      recorded = changed_curve_option(call.results.curve_option);
      fit_regional_curve(call, state.signal_free, recorded);
      draw_regional_fit(state, title);
      store_regional_curve(call);
      // Refits of the same matrix with the same option give the same curve.
      if (!same_bits(state.fitted_curve, state.pass_fits.back())) state.pass_fits.push_back(state.fitted_curve);
    }
    state.series_fit[j] = static_cast<int>(state.pass_fits.size()) - 1;
    if (!state.plot_tree_rings) continue;

    const int p = call.pith_offset(j);
    pass_curve(call, j, work.curve);
    index_series(call, j, work);
    indexed[j] = 1;
    SeriesCurvePlot plot;
    plot.index = work.index;
    plot.measurements = call.measurements(j);
    plot.fitted_curve = state.fitted_curve;
    plot.span = call.data.spans[j];
    plot.missing = kMissing;
    plot.curve_positions = state.regional_curve_length - state.regional_shift;
    plot.id = call.data.ids[j];
    plot.title = series_title;
    plot.pith_offset = p;
    plot.age_offset = state.regional_shift;
    if (plt3(plot) == PlotMenuExit::kNoMorePlots) state.plot_tree_rings = false;
  }
  parallel_for_runs(call.ns, call.options.threads, [&](int first, int last) {
    SeriesWork work;
    for (int j = first; j < last; ++j) {
      if (indexed[j]) continue;
      pass_curve(call, j, work.curve);
      index_series(call, j, work);
    }
  });
}

}  // namespace

void iteration_signal_free(const EngineCall& call, int series, std::vector<float>& values) {
  if (call.options.regional) {
    const auto column = call.state.signal_free.column(series).first(call.length(series));
    values.assign(column.begin(), column.end());
    return;
  }
  take_out_signal(call, series, values);
  if (!call.ratios()) shift_above_zero(values);
}

void index_last_iteration(EngineCall& call) {
  call.results.indices.resize(call.nyr, call.ns);
  parallel_for_runs(call.ns, call.options.threads, [&](int first, int last) {
    SeriesWork work;
    for (int j = first; j < last; ++j) {
      pass_curve(call, j, work.curve);
      index_series(call, j, work);
    }
  });
}

namespace {

// The chronology of the iteration's indices, floored at 0 and, with the mean
// adjustment, centred on 1.0 with its low-depth lead-in held at the first
// iteration's values.
void new_chronology(EngineCall& call, int iteration) {
  EngineState& state = call.state;
  EngineResults& results = call.results;
  RowSummary summary = call.summarise_rows(results.indices, call.options.mean_type);
  state.last_summary = {summary.location, summary.scale, summary.count};
  std::vector<float>& chronology = results.signal_free.value;
  chronology = std::move(summary.location);
  results.signal_free.sd = std::move(summary.scale);
  results.sample_depth = std::move(summary.count);
  state.weight_summary = std::move(summary.weights);

  state.chronology_mean = mnsd(chronology).mean;
  for (float& value : chronology) value = std::max(value, 0.0f);
  auto column = results.iteration_chronologies.column(iteration);
  std::copy(chronology.begin(), chronology.end(), column.begin());
  state.rbar_chronology = chronology;

  const FirstRunValues& lead = state.first_run;
  const float m = mnsd(std::span<const float>(chronology).subspan(lead.nss1, lead.nn1)).mean;
  if (call.options.hald_mean_adjust != 'y') return;
  for (float& value : chronology) value = std::max(value - m + 1.0f, 0.0f);
  std::copy(chronology.begin(), chronology.end(), column.begin());
  if (iteration >= 2) {
    const auto before = results.iteration_chronologies.column(iteration - 1);
    for (int r = 0; r < lead.nss2; ++r) {
      chronology[r] = before[r];
      column[r] = before[r];
    }
  }
}

EngineOutcome give_up_after_rises(EngineCall& call) {
  console().write("(/1x,'OKAY, ADDING A CONSTANT TO THE DATA USUALLY RESULTS IN CONVERGENCE')");
  console().write("(1x,'EVENTUALLY WHEN USING FLEXIBLE DATA-ADAPTIVE CURVE FITS LIKE THE')");
  console().write("(1x,'SPLINE OR FRIEDMAN SMOOTHER. BUT NOT THIS TIME. EVEN SO, THE FINAL')");
  console().write("(1x,'CONVERGENCE TRACE MAY BE CLOSE ENOUGH TO FLAT TO BE ACCEPTABLE.'/)");
  console().pause(" Hit return to continue ...");
  call.state.convergence_retry = call.results.retry_counter;
  return EngineOutcome::kRetriesExhausted;
}

// Retries the driver may ask for before the engine gives up.
constexpr int kMaxRetries = 10;

EngineOutcome after_rise(EngineCall& call) {
  EngineResults& results = call.results;
  if (results.retry_counter <= kMaxRetries) {
    constexpr const char* kWarning = "(/1x,'WARNING: CONVERGENCE TESTS ARE NOT MONOTONIC DECREASING, ITER:',t67,i3)";
    console().write(kWarning, results.iterations);
    call.report.write(kWarning, results.iterations);
  }
  results.signal_free.value = call.state.previous_chronology;
  ++results.retry_counter;
  --results.iterations;
  if (results.retry_counter <= kMaxRetries) return EngineOutcome::kRetryRequested;
  return give_up_after_rises(call);
}

void prepare_iteration(EngineCall& call) {
  EngineState& state = call.state;
  EngineResults& results = call.results;
  if (results.curve_option == kRawAverage) results.curve_option = kMeanLine;
  results.iterations = 0;
  results.convergence.clear();
  state.minima = RunningMinima{};
  state.iteration_differences.resize(call.nyr, kMaxIterations, 0.0f);
  if (call.options.regional) state.signal_free.resize(state.longest_series, call.ns);
  call.report.write("(/36x,'| -------- SIGNAL FREE CONVERGENCE STATISTICS ------- |')");
  call.report.write("(36x,'UW MN ABSD     UW MD ABSD     WT MN ABSD     WT MD ABSD')");
}

EngineOutcome iterate(EngineCall& call) {
  EngineState& state = call.state;
  EngineResults& results = call.results;
  while (true) {
    const int iteration = ++results.iterations;
    state.iteration_chronology = results.signal_free.value;
    state.iteration_depth = results.sample_depth;
    if (call.options.regional) {
      regional_iteration(call, iteration);
    } else {
      per_series_iteration(call, iteration);
    }
    new_chronology(call, iteration);
    const ConvergenceStatistics statistics = measure_change(call, iteration);
    const auto marks = update_running_minima(state.minima, statistics);
    results.convergence.push_back(statistics);
    call.report.file().put(convergence_line(iteration, statistics, marks));

    const char hald_median = call.options.hald_median;
    const float tested = tested_statistic(statistics, iteration, call.entry_curve_option, hald_median);
    const float previous_tested =
        iteration >= 2 ? tested_statistic(results.convergence[iteration - 2], iteration, call.entry_curve_option,
                                          hald_median)
                       : tested;
    const ConvergenceStep step = convergence_step(iteration, tested, previous_tested, call.options.threshold);
    switch (step) {
      case ConvergenceStep::kConverged:
      case ConvergenceStep::kIterationLimit:
        state.convergence_retry = results.retry_counter;
        results.retry_counter = 0;
        return step == ConvergenceStep::kConverged ? EngineOutcome::kConverged : EngineOutcome::kIterationLimit;
      case ConvergenceStep::kGoOn:
        state.previous_chronology = results.signal_free.value;
        break;
      case ConvergenceStep::kRise:
        return after_rise(call);
    }
  }
}

}  // namespace

EngineOutcome signal_free_iteration(EngineCall& call) {
  prepare_iteration(call);
  const EngineOutcome outcome = iterate(call);
  // Every iteration replaces the files, so only the last one's remain: they
  // are written once, when the iteration has ended.
  const float constant = call.options.retry_constant;
  const auto values = [&](int j, SeriesFile file, std::vector<float>& out) {
    switch (file) {
      case SeriesFile::kData:
        iteration_signal_free(call, j, out);
        break;
      case SeriesFile::kCurves:
        pass_curve(call, j, out);
        break;
      case SeriesFile::kIndices: {
        const auto index = call.results.indices.column(j).subspan(call.first_row(j), call.length(j));
        out.assign(index.begin(), index.end());
        return;
      }
    }
    for (float& value : out) value = value - constant;
  };
  write_series_files(call.series_file_names(SeriesPass::kSignalFree), call.data, SeriesPass::kSignalFree, true,
                     values, call.options.threads);
  return outcome;
}

}  // namespace qb
