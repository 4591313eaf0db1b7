#include <algorithm>
#include <string>

#include "detrend/smoothing_spline.hpp"
#include "engine/chronology_scaling.hpp"
#include "engine/engine_call.hpp"
#include "engine/engine_plots.hpp"
#include "engine/diagnostic_plots.hpp"
#include "platform/bounds.hpp"
#include "platform/record_format.hpp"
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

void series_overlay_plots(const EngineCall& call) {
  const EngineState& state = call.state;
  const std::string last = format_record("('Iteration: ',i3,$)", call.results.iterations);
  const std::vector<float> none{kNoSeries};
  const std::vector<float> one = constant_line(call, 1.0f);
  SeriesPairPlot plot;
  plot.spans = call.data.spans;
  plot.whole = call.data.whole;
  plot.mean = none;
  plot.texts = {"Years", "Measurements", "Original and Final Signal Free Raw Data", "Iteration:   0", last};
  linguine2(state.first_detrending.data, state.last_iteration.data, plot);
  plot.texts.title = "Original and Final Signal Free Curvefits";
  linguine2(state.first_detrending.curves, state.last_iteration.curves, plot);
  plot.mean = one;
  plot.texts.title = "Original and Final Signal Free Indices";
  linguine2(state.first_detrending.indices, state.last_iteration.indices, plot);
}

void iteration_plots(EngineCall& call) {
  draw_convergence_statistics(call);
  draw_iteration_differences(call);
  draw_smoothed_iterations(call);
}

}  // namespace qb
