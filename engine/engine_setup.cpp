#include <algorithm>

#include "detrend/robust_statistics.hpp"
#include "engine/engine_call.hpp"
#include "plots/time_series_plot.hpp"

namespace qb {

namespace {

// The measurements must have a row for every calendar year so that the
// realignment can move each series in place.
void ensure_calendar_rows(Matrix& x, int nyr, int ns) {
  if (x.rows() >= nyr && x.cols() >= ns) return;
  if (x.cols() >= ns) {
    // In place: the storage of the previous call's realigned matrix is
    // large enough, and memory already in use costs nothing to write.
    x.add_rows(nyr);
    return;
  }
  Matrix grown(std::max(nyr, x.rows()), std::max(ns, x.cols()));
  for (int j = 0; j < x.cols(); ++j) {
    std::copy(x.column(j).begin(), x.column(j).end(), grown.column(j).begin());
  }
  x = std::move(grown);
}

}  // namespace

void set_up(EngineCall& call) {
  EngineState& state = call.state;
  EngineResults& results = call.results;
  const int nyr = call.nyr;
  const int ns = call.ns;

  ensure_calendar_rows(call.data.x, nyr, ns);
  state.regional_curves.clear();
  state.series_lengths.assign(ns, 0);
  state.longest_series = 0;
  state.series_means.assign(ns, 0.0f);
  state.marked_series = -1;
  state.curve_options.reset(ns);
  state.floors.reset(ns);
  results.indices = std::move(state.recycled.indices);
  results.indices.resize(nyr, ns);

  // Each series' segment length on every row it covers: their per-row mean
  // is the mean segment length, their count the sample depth.
  for (int j = 0; j < ns; ++j) {
    const SeriesSpan& span = call.data.spans[j];
    const int n = span.last_year - span.first_year + 1;
    state.series_lengths[j] = n;
    state.longest_series = std::max(state.longest_series, n);
    const int d = call.first_row(j);
    for (int i = 0; i < n; ++i) results.indices(d + i, j) = static_cast<float>(n);
  }
  RowSummary segments = call.summarise_rows(results.indices, kSummaryArithmeticMean);
  state.mean_segment_length = std::move(segments.location);
  results.sample_depth = std::move(segments.count);

  // Ring numbers counted from each series' first year: their mean is the
  // mean tree age of the row.
  for (int j = 0; j < ns; ++j) {
    const int d = call.first_row(j);
    for (int i = 0; i < call.length(j); ++i) results.indices(d + i, j) = static_cast<float>(i + 1);
  }
  RowSummary ages = call.summarise_rows(results.indices, kSummaryArithmeticMean);
  state.mean_tree_age = std::move(ages.location);

  if (call.draws_first_plot) {
    const std::vector<float> reference(nyr, 0.0f);
    TimeSeriesPlot plot;
    plot.first = state.mean_segment_length;
    plot.second = state.mean_tree_age;
    plot.reference = reference;
    plot.first_x = call.ify;
    plot.x_label = "Years";
    plot.y_label = "Years";
    plot.title = "Mean Segment Length And Mean Tree Age";
    plot.first_legend = " Mean Segment Length";
    plot.second_legend = "Mean Approx Tree Age";
    plot.first_width = 1;
    plot.second_width = 1;
    plot.reference_width = 0;
    plot1(plot);
  }
}

}  // namespace qb
