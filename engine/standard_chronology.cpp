#include <algorithm>

#include "detrend/robust_statistics.hpp"
#include "engine/engine_call.hpp"
#include "engine/engine_plots.hpp"
#include "engine/leading_rows.hpp"
#include "platform/console.hpp"
#include "plots/time_series_plot.hpp"

namespace qb {

void realign_to_calendar_rows(Matrix& matrix, const std::vector<SeriesSpan>& spans, int ify) {
  for (int j = 0; j < static_cast<int>(spans.size()); ++j) {
    const int d = spans[j].first_year - ify;
    if (d <= 0) continue;
    const int n = spans[j].last_year - spans[j].first_year + 1;
    // From the last ring down, so that no value is overwritten before it moves.
    for (int i = n - 1; i >= 0; --i) matrix(d + i, j) = matrix(i, j);
    for (int i = 0; i < d; ++i) matrix(i, j) = kMissing;
  }
}

LeadingRows count_leading_rows(std::span<const int> depth) {
  LeadingRows rows;
  const int nyr = static_cast<int>(depth.size());
  while (rows.nss1 < nyr && depth[rows.nss1] == 1) ++rows.nss1;
  // A set covered by one series in every year (a single tree) has no
  // lead-in to set apart: every statistic after it would be taken over no
  // years at all.
  if (rows.nss1 == nyr) rows.nss1 = 0;
  while (rows.nss2 < nyr && depth[rows.nss2] < 6) ++rows.nss2;
  if (rows.nss2 == nyr) rows.nss2 = rows.nss1;
  return rows;
}

FirstRunValues first_run_values(std::span<const float> standard, LeadingRows rows) {
  const int nyr = static_cast<int>(standard.size());
  FirstRunValues values;
  values.counted = true;
  values.nss1 = rows.nss1;
  values.nss2 = rows.nss2;
  values.nn1 = nyr - rows.nss1;
  values.nn2 = nyr - rows.nss2;
  values.m1 = mnsd(standard.subspan(rows.nss1)).mean;
  // Too few years after the low-depth lead-in to measure convergence on:
  // fall back to the rows after the single-series lead-in.
  if (values.nn2 < 20) {
    values.nss2 = values.nss1;
    values.nn2 = values.nn1;
  }
  return values;
}

namespace {

void draw_standard_chronology(const EngineCall& call, std::span<const float> standard) {
  const std::vector<float> ones = constant_line(call, 1.0f);
  YearPlotTexts texts;
  texts.title = raw_or_standard(call, "Original Non-Variance Stabilized Raw Data Indices",
                                "Original Non-Variance Stabilized Standard Indices");
  texts.y_label = "Indices";
  draw_over_years(call, standard, ones, ones, texts);
}

// The series alone in the first years is rescaled on its values after them,
// where other series share the chronology with it.
void remeasure_leading_series(EngineCall& call) {
  EngineState& state = call.state;
  const int nss1 = state.first_run.nss1;
  if (nss1 <= 0) return;
  for (int j = 0; j < call.ns; ++j) {
    if (call.data.spans[j].first_year != call.ify) continue;
    const int n = call.length(j);
    const auto column = call.data.x.column(j);
    const int skip = n > nss1 ? nss1 : 0;
    state.series_means[j] = mnsd(column.subspan(skip, n - skip)).mean;
    state.marked_series = j;
  }
}

}  // namespace

void standard_chronology(EngineCall& call) {
  EngineState& state = call.state;
  EngineResults& results = call.results;
  const int nyr = call.nyr;

  realign_to_calendar_rows(call.data.x, call.data.spans, call.ify);
  realign_to_calendar_rows(results.indices, call.data.spans, call.ify);

  RowSummary summary = call.summarise_rows(results.indices, call.options.mean_type);
  std::vector<float>& standard = results.standard.value;
  standard = std::move(summary.location);
  results.standard.sd = std::move(summary.scale);
  results.sample_depth = std::move(summary.count);
  state.weight_summary = std::move(summary.weights);
  if (call.options.biweight_plots && call.options.mean_type == kSummaryBiweightMean && call.first_run) {
    draw_biweights(call, call.entry_curve_option == 0 ? "Biweights For Raw Data Chronology"
                                                      : "Biweights For Standard Chronology");
  }

  // A retry run centres its chronology with the mean the previous call left,
  // so that every run of the data set sits on the same level. An iteration
  // of residual indices builds its chronologies on another level than the
  // standard residuals: centred on it, the standard chronology would lose
  // every year below that level to the floor of 0 (at worst all of them), so
  // residual retries take the first run's own mean.
  if (call.first_run) state.chronology_mean = mnsd(standard).mean;
  const float centre = call.first_run || call.ratios() ? state.chronology_mean : state.first_run.standard_mean;
  for (float& value : standard) value = std::max(value - centre + 1.0f, 0.0f);
  state.rbar_chronology = standard;
  state.rbar_depth.assign(results.sample_depth.begin(), results.sample_depth.end());

  if (call.first_run) {
    const LeadingRows counted = count_leading_rows(results.sample_depth);
    console().write("(/1x,'nss1,nss2 skip first number of years: ',i3,2x,i3)", counted.nss1, counted.nss2);
    state.first_run = first_run_values(standard, counted);
    state.first_run.standard_mean = state.chronology_mean;
    for (float& value : standard) value = value - state.first_run.m1 + 1.0f;
    state.pre_iteration_standard = standard;
  }
  const FirstRunValues& lead = state.first_run;

  results.iteration_chronologies = std::move(state.recycled.iteration_chronologies);
  results.iteration_chronologies.resize(nyr, kMaxIterations + 1);
  if (static_cast<int>(state.pre_iteration_standard.size()) == nyr) {
    std::copy(state.pre_iteration_standard.begin(), state.pre_iteration_standard.end(),
              results.iteration_chronologies.column(0).begin());
  }

  remeasure_leading_series(call);

  const float m = mnsd(std::span<const float>(standard).subspan(lead.nss1, lead.nn1)).mean;
  std::vector<float>& current = results.signal_free.value;
  current = standard;
  if (call.options.hald_mean_adjust == 'y') {
    for (float& value : current) value = value - m + 1.0f;
  }
  for (float& value : current) value = std::max(value, 0.0f);
  results.signal_free.sd.assign(nyr, kMissing);
  state.previous_chronology = current;

  if (call.first_run) draw_standard_chronology(call, standard);
}

}  // namespace qb
