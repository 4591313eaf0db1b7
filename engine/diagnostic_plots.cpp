#include <algorithm>
#include <string>

#include "detrend/smoothing_spline.hpp"
#include "engine/chronology_scaling.hpp"
#include "engine/engine_call.hpp"
#include "engine/engine_plots.hpp"
#include "engine/diagnostic_plots.hpp"
#include "platform/bounds.hpp"
#include "platform/console.hpp"
#include "platform/record_format.hpp"
#include "platform/thread_pool.hpp"
#include "plots/plot_conventions.hpp"
#include "plots/series_overlay_plots.hpp"
#include "plots/time_series_plot.hpp"

namespace qb {

int iteration_smoothing_period(int years) {
  if (years <= 100) return 10;
  if (years <= 500) return 30;
  if (years <= 2000) return 50;
  return 100;
}

void stack_iteration_differences(Matrix& differences, int count, int years) {
  for (int j = 1; j <= count; ++j) {
    auto column = differences.column(count - j).first(static_cast<std::size_t>(years));
    const float mean = mnsd(column).mean;
    const float offset = 0.1f * static_cast<float>(j - 1);
    for (float& value : column) value = value - mean - offset;
  }
}

namespace {

void draw_convergence_statistics(const EngineCall& call) {
  const EngineResults& results = call.results;
  // After a rise the statistics of the risen iteration are kept but not
  // counted.
  const int count = std::min(results.iterations, static_cast<int>(results.convergence.size()));
  std::vector<float> means(count), medians(count);
  for (int k = 0; k < count; ++k) {
    means[k] = results.convergence[k].weighted_mean;
    medians[k] = results.convergence[k].weighted_median;
  }
  const std::vector<float> zero = constant_line(call, 0.0f);
  const std::string title = format_record("('Iteration Convergence Statistics, Iter =',i3,$)", results.iterations);
  TimeSeriesPlot plot;
  plot.first = means;
  plot.second = medians;
  plot.reference = zero;
  plot.first_x = 1;
  plot.x_label = "Iterations";
  plot.y_label = "Absolute Differences";
  plot.title = title;
  plot.first_legend = "   Mean ABS Diff Test";
  plot.second_legend = "Median ABS Diff Test";
  plot.first_width = 2;
  plot.second_width = 2;
  plot.reference_width = 2;
  plot1(plot);
}

void draw_iteration_differences(EngineCall& call) {
  const int count = call.results.iterations;
  Matrix& differences = call.state.iteration_differences;
  stack_iteration_differences(differences, count, call.nyr);
  const std::vector<float> none{kNoSeries};
  CurveFamilyPlot plot;
  plot.years = call.nyr;
  plot.curves = count;
  plot.first_year = call.ify;
  plot.reference = none;
  plot.texts = {"Years", "Absolute Differences", "Signal Free Chronology Iteration Differences", "First Iteration",
                "   Final Iteration"};
  spaghetti(differences, plot);
}

// The chronology of every iteration smoothed by a spline. After a
// convergence retry the iteration chronologies are first brought to the
// level and spread of iteration 0, the standard chronology of the first run.
void draw_smoothed_iterations(EngineCall& call) {
  EngineState& state = call.state;
  EngineResults& results = call.results;
  const int count = results.iterations;
  const int nss2 = state.first_run.nss2;
  const std::size_t years = static_cast<std::size_t>(call.nyr);
  Matrix& chronologies = results.iteration_chronologies;
  const MeanSd reference = statistics_after(chronologies.column(0).first(years), nss2);
  const int period = iteration_smoothing_period(call.nyr);
  state.smoothed_iterations = Matrix(call.nyr, count + 1);
  for (int k = 0; k <= count; ++k) {
    auto chronology = chronologies.column(k).first(years);
    if (state.convergence_retry != 0 && k >= 1) {
      rescale(chronology, statistics_after(chronology, nss2), reference, NegativeValues::kSetToZero);
    }
    auto smoothed = state.smoothed_iterations.column(k);
    spline1(chronology, smoothed, period);
    // Too short a chronology for the spline: it is drawn as it stands.
    if (spline_failed(smoothed.front())) std::copy(chronology.begin(), chronology.end(), smoothed.begin());
  }
  const std::string title = "Signal Free Chronology Iterations: " + std::to_string(period) + "-Yr Splines";
  const std::string last = format_record("('  Iteration: ',i3,$)", count);
  const std::vector<float> one = constant_line(call, 1.0f);
  CurveFamilyPlot plot;
  plot.years = call.nyr;
  plot.curves = count + 1;
  plot.first_year = call.ify;
  plot.reference = one;
  plot.texts = {"Years", "Indices", title, " Iteration:   0", last};
  spaghetti(state.smoothed_iterations, plot);
}

}  // namespace

void draw_biweights(const EngineCall& call, std::string_view title) {
  const std::string legend =
      format_record("('Iteration: ',i3,2x,'hh,med,hl,min biwgts',$)", call.results.iterations);
  const std::vector<float> one = constant_line(call, 1.0f);
  CurveFamilyPlot plot;
  plot.years = call.nyr;
  plot.curves = call.state.weight_summary.cols();
  plot.first_year = call.ify;
  plot.reference = one;
  plot.texts = {"Years", "Biweights", title, legend, ""};
  spaghetti(call.state.weight_summary, plot);
}

void series_overlay_plots(const EngineCall& call, Matrix& storage) {
  const EngineState& state = call.state;
  const int ns = call.ns;
  const float constant = call.options.retry_constant;
  const bool raw_average = call.entry_curve_option == 0;

  // The first detrending's curves are fitted again rather than kept through
  // the iteration beside its own; any message of theirs was shown the first
  // time.
  Matrix& first_curves = storage;
  first_curves.resize(state.longest_series, ns);
  parallel_for_runs(ns, call.options.threads, [&](int begin, int end) {
    ConsoleRecording shown_before;
    ConsoleRecordingScope quiet(shown_before);
    std::vector<float> curve;
    for (int j = begin; j < end; ++j) {
      int option = state.curve_options.at(j, 0);
      first_curve(call, j, call.measurements(j), option, curve);
      std::copy(curve.begin(), curve.end(), first_curves.column(j).begin());
    }
  });

  std::vector<float> first_buffer, second_buffer, curve;
  const auto less_constant = [&](std::vector<float>& values) {
    for (float& value : values) value = value - constant;
    return std::span<const float>(values);
  };
  const auto first_data = [&](int j) {
    const auto x = call.measurements(j);
    first_buffer.assign(x.begin(), x.end());
    return less_constant(first_buffer);
  };
  const auto last_data = [&](int j) {
    iteration_signal_free(call, j, second_buffer);
    return less_constant(second_buffer);
  };
  const auto first_curve_values = [&](int j) {
    const auto column = first_curves.column(j).first(call.length(j));
    first_buffer.assign(column.begin(), column.end());
    return less_constant(first_buffer);
  };
  const auto last_curve_values = [&](int j) {
    pass_curve(call, j, second_buffer);
    return less_constant(second_buffer);
  };
  const auto first_indices = [&](int j) {
    first_index(call, raw_average, call.measurements(j), first_curves.column(j).first(call.length(j)),
                first_buffer);
    return std::span<const float>(first_buffer);
  };
  const auto last_indices = [&](int j) {
    pass_curve(call, j, curve);
    first_index(call, false, call.measurements(j), curve, second_buffer);
    return std::span<const float>(second_buffer);
  };

  const std::string last = format_record("('Iteration: ',i3,$)", call.results.iterations);
  const std::vector<float> none{kNoSeries};
  const std::vector<float> one = constant_line(call, 1.0f);
  SeriesPairPlot plot;
  plot.spans = call.data.spans;
  plot.whole = call.data.whole;
  plot.mean = none;
  plot.texts = {"Years", "Measurements", "Original and Final Signal Free Raw Data", "Iteration:   0", last};
  linguine2(first_data, last_data, plot);
  plot.texts.title = "Original and Final Signal Free Curvefits";
  linguine2(first_curve_values, last_curve_values, plot);
  plot.mean = one;
  plot.texts.title = "Original and Final Signal Free Indices";
  linguine2(first_indices, last_indices, plot);
}

void iteration_plots(EngineCall& call) {
  draw_convergence_statistics(call);
  draw_iteration_differences(call);
  draw_smoothed_iterations(call);
}

}  // namespace qb
