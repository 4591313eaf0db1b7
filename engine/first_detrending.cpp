#include <algorithm>

#include "detrend/curve_fits.hpp"
#include "detrend/indices.hpp"
#include "detrend/robust_statistics.hpp"
#include "engine/engine_call.hpp"
#include "platform/thread_pool.hpp"
#include "plots/biological_age_plots.hpp"

namespace qb {

namespace {

// Curve option 0 averages the raw measurements; its curves are the mean
// line that the iteration goes on with.
constexpr int kRawAverage = 0;
constexpr int kMeanLine = 6;

}  // namespace

void keep_for_files(SeriesStore& store, int series, std::span<const float> measurements,
                    std::span<const float> curve, std::span<const float> index, float retry_constant) {
  auto data = store.data.column(series);
  auto curves = store.curves.column(series);
  auto indices = store.indices.column(series);
  for (std::size_t i = 0; i < measurements.size(); ++i) {
    data[i] = measurements[i] - retry_constant;
    curves[i] = curve[i] - retry_constant;
    indices[i] = index[i];
  }
}

bool apply_curve_floor(std::span<float> curve, float floor) {
  bool first_raised = false;
  for (std::size_t i = 0; i < curve.size(); ++i) {
    if (curve[i] < floor) {
      curve[i] = floor;
      if (i == 0) first_raised = true;
    }
  }
  return first_raised;
}

void first_detrending(EngineCall& call) {
  EngineState& state = call.state;
  const int option = call.results.curve_option;
  const float constant = call.options.retry_constant;
  SeriesStore& store = state.first_detrending;
  store.reset(state.longest_series, call.ns);

  // Every series is detrended on its own, so the series are spread over the
  // threads.
  parallel_for_runs(call.ns, call.options.threads, [&](int first, int last) {
    std::vector<float> x, curve, index;
    for (int j = first; j < last; ++j) {
      const int n = call.length(j);
      const auto column = call.data.x.column(j);
      x.assign(column.begin(), column.begin() + n);
      state.series_means[j] = mnsd(x).mean;

      const int recorded = option == kRawAverage ? kMeanLine : option;
      state.curve_options.at(j, 0) = recorded;
      state.curve_options.at(j, 1) = recorded;
      state.floors.at(j, 0) = 0;
      state.floors.at(j, 1) = 0;

      // A code that fits nothing leaves the curve as preset, which the floor
      // then raises: never another series' curve.
      if (call.options.regional) {
        regional_series_curve(call, j, curve);
      } else {
        curve.assign(n, 0.0f);
        curvefits(x, curve, state.curve_options.at(j, 1), call.options.alpha, call.options.stiffness);
        if (apply_curve_floor(curve, call.curve_floor(j))) state.floors.at(j, 1) = j + 1;
      }

      index.assign(n, 0.0f);
      if (option == kRawAverage) {
        index = x;
      } else {
        calind(x, curve, index, call.index_mode());
      }
      auto target = call.results.indices.column(j);
      std::copy(index.begin(), index.end(), target.begin());

      keep_for_files(store, j, x, curve, index, constant);
    }
  });

  if (call.options.regional) {
    plt2(call.results.indices, call.data.spans, kMissing);
  }
  write_series_files(call.series_file_names(SeriesPass::kStandard), call.data, store, SeriesPass::kStandard,
                     option != kRawAverage);
}

}  // namespace qb
