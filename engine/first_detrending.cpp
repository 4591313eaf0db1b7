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

bool first_curve(const EngineCall& call, int series, std::span<const float> x, int& option,
                 std::vector<float>& curve) {
  // A code that fits nothing leaves the curve as preset, which the floor
  // then raises: never another series' curve.
  curve.assign(x.size(), 0.0f);
  curvefits(x, curve, option, call.options.alpha, call.options.stiffness);
  return apply_curve_floor(curve, call.curve_floor(series));
}

void first_index(const EngineCall& call, bool raw_average, std::span<const float> x, std::span<const float> curve,
                 std::vector<float>& index) {
  if (raw_average) {
    index.assign(x.begin(), x.end());
    return;
  }
  index.assign(x.size(), 0.0f);
  calind(x, curve, index, call.index_mode());
}

void first_detrending(EngineCall& call) {
  EngineState& state = call.state;
  const int option = call.results.curve_option;
  const bool raw_average = option == kRawAverage;
  const int recorded = raw_average ? kMeanLine : option;
  if (call.options.regional) {
    state.pass_fits.assign(1, state.fitted_curve);
    state.series_fit.assign(call.ns, 0);
  } else {
    state.series_curves.resize(state.longest_series, call.ns);
  }

  // Every series is detrended on its own, so the series are spread over the
  // threads.
  parallel_for_runs(call.ns, call.options.threads, [&](int first, int last) {
    std::vector<float> curve, index;
    for (int j = first; j < last; ++j) {
      const int n = call.length(j);
      const std::span<const float> x = call.data.x.column(j).first(n);
      state.series_means[j] = mnsd(x).mean;

      state.curve_options.at(j, 0) = recorded;
      state.curve_options.at(j, 1) = recorded;
      state.floors.at(j, 0) = 0;
      state.floors.at(j, 1) = 0;
      if (call.options.regional) {
        regional_series_curve(call, j, state.fitted_curve, curve);
      } else {
        if (first_curve(call, j, x, state.curve_options.at(j, 1), curve)) state.floors.at(j, 1) = j + 1;
        std::copy(curve.begin(), curve.end(), state.series_curves.column(j).begin());
      }
      first_index(call, raw_average, x, curve, index);
      std::copy(index.begin(), index.end(), call.results.indices.column(j).begin());
    }
  });

  if (call.options.regional) {
    plt2(call.results.indices, call.data.spans, kMissing);
  }
  // The matrices still hold each series from row 0.
  const float constant = call.options.retry_constant;
  const auto values = [&](int j, SeriesFile file, std::vector<float>& out) {
    const int n = call.length(j);
    switch (file) {
      case SeriesFile::kData: {
        const auto x = call.data.x.column(j).first(n);
        out.resize(n);
        for (int i = 0; i < n; ++i) out[i] = x[i] - constant;
        return;
      }
      case SeriesFile::kCurves:
        pass_curve(call, j, out);
        for (float& value : out) value = value - constant;
        return;
      case SeriesFile::kIndices: {
        const auto index = call.results.indices.column(j).first(n);
        out.assign(index.begin(), index.end());
        return;
      }
    }
  };
  write_series_files(call.series_file_names(SeriesPass::kStandard), call.data, SeriesPass::kStandard,
                     !raw_average, values, call.options.threads);
}

}  // namespace qb
