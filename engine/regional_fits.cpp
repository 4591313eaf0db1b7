// Regional fits of the engine: the regional curve of a matrix of series,
// and the store that keeps every fit of a call for the regional curves file
// and plots.
#include <algorithm>

#include "detrend/regional_curve.hpp"
#include "engine/engine_call.hpp"
#include "plots/biological_age_plots.hpp"

namespace qb {

void fit_regional_curve(EngineCall& call, const Matrix& series, int& option) {
  EngineState& state = call.state;
  RegionalCurveOptions fit;
  fit.option = option;
  fit.alpha = call.options.alpha;
  fit.window = call.options.smoothing_window;
  fit.pith_shift = call.options.pith_offset_file;
  fit.cutoff_age = state.regional_cutoff_age;
  fit.stiffness = call.options.stiffness;
  std::vector<int> offsets(call.ns);
  for (int j = 0; j < call.ns; ++j) offsets[j] = call.pith_offset(j);

  RegionalCurve curve = rcurve(series, call.data.spans, offsets, fit);
  option = fit.option;

  // Every fit of a data set covers the same biological ages; the store is
  // sized once for the oldest ring.
  int bound = 0;
  for (int j = 0; j < call.ns; ++j) bound = std::max(bound, offsets[j] + call.length(j));
  bound = std::max(bound, curve.length);
  state.regional_age_bound = bound;
  state.raw_curve.assign(bound, kMissing);
  state.fitted_curve.assign(bound, kMissing);
  const int raw_ages = std::min<int>(curve.length, static_cast<int>(curve.raw.size()));
  const int fitted_ages = std::min<int>(curve.length, static_cast<int>(curve.fitted.size()));
  std::copy(curve.raw.begin(), curve.raw.begin() + raw_ages, state.raw_curve.begin());
  std::copy(curve.fitted.begin(), curve.fitted.begin() + fitted_ages, state.fitted_curve.begin());
  state.regional_curve_length = curve.length;
  state.regional_shift = curve.shift;
}

void regional_series_curve(const EngineCall& call, int series, std::span<const float> fitted,
                           std::vector<float>& curve) {
  const int p = call.pith_offset(series);
  const int n = call.length(series);
  curve.assign(fitted.begin() + p, fitted.begin() + p + n);
  // A regional curve that runs down to exactly 0 (running medians or lowess
  // over a stretch of zero rings) would make every index of the series a
  // division by zero; such a ring takes the series' curve floor instead.
  // Values below 0 stay as they are: the user was warned that the curve
  // goes negative.
  for (float& value : curve) {
    if (value == 0.0f) value = call.curve_floor(series);
  }
}

void store_regional_curve(EngineCall& call) {
  EngineState& state = call.state;
  RegionalCurveSlot slot;
  slot.raw.assign(state.regional_age_bound, kMissing);
  slot.fitted.assign(state.regional_age_bound, kMissing);
  for (int a = state.regional_shift; a < state.regional_curve_length; ++a) {
    slot.raw[a] = state.raw_curve[a];
    slot.fitted[a] = state.fitted_curve[a];
  }
  state.regional_curves.push_back(std::move(slot));
}

void draw_regional_fit(const EngineState& state, std::string_view title) {
  RegionalCurveFitPlot plot;
  plot.regional_curve = state.raw_curve;
  plot.fitted_curve = state.fitted_curve;
  plot.first_position = 1;
  plot.last_position = state.regional_curve_length;
  plot.missing = kMissing;
  plot.title = title;
  plot.age_offset = state.regional_shift;
  plt1(plot);
}

void pass_curve(const EngineCall& call, int series, std::vector<float>& curve) {
  const EngineState& state = call.state;
  if (call.options.regional) {
    regional_series_curve(call, series, state.pass_fits[state.series_fit[series]], curve);
    return;
  }
  const auto column = state.series_curves.column(series).first(call.length(series));
  curve.assign(column.begin(), column.end());
}

}  // namespace qb
