#include "engine/engine_call.hpp"
#include "engine/regional_curves_file.hpp"
#include "platform/console.hpp"
#include "plots/plot_menu.hpp"
#include "plots/regional_curve_plots.hpp"

namespace qb {

namespace {

void regional_curves_output(EngineCall& call) {
  const EngineState& state = call.state;
  write_regional_curves_file(call.base_name + "_RCScurves.txt", state.regional_curves,
                             state.regional_curve_length);
  std::vector<RegionalCurveIteration> curves;
  curves.reserve(state.regional_curves.size());
  for (const RegionalCurveSlot& slot : state.regional_curves) curves.push_back({slot.raw, slot.fitted});
  RegionalCurveSet set;
  set.curves = curves;
  set.ages = state.regional_curve_length - state.regional_shift;
  set.age_offset = state.regional_shift;
  set.missing = kMissing;
  plt4(set);
  plt5(set);
}

void outcome_message(EngineCall& call) {
  const float threshold = call.options.threshold;
  const int iterations = call.results.iterations;
  if (iterations < kMaxIterations) {
    console().write("(/1x,'Final iteration with convergence (<',f6.4,' change): ',i2)", threshold, iterations);
    call.report.write("(/1x,'FINAL ITERATION WITH CONVERGENCE (<',f6.4,' CHANGE): ',i2)", threshold, iterations);
    return;
  }
  constexpr const char* kLimit = "(/1x,'Maximum iterations used without converging (<',f6.4,' change): ',i3)";
  constexpr const char* kAdvice =
      "(/1x,'If you are not satisfied, try a simpler (more monotonic) curve ','fit like a negative'/"
      "1x,'exponential curve, or if you were computing ','ratios, try computing power transformed'/"
      "1x,'residuals instead with ','the same curvefit option that did not converge. Often works.')";
  console().write(kLimit, threshold, iterations);
  console().write(kAdvice);
  call.report.echo(kLimit, threshold, iterations);
  call.report.echo(kAdvice);
}

}  // namespace

void after_iteration(EngineCall& call) {
  EngineState& state = call.state;
  EngineResults& results = call.results;
  // The final chronology is the summary of the last iteration's indices,
  // neither floored nor centred; after a give-up it replaces the restored
  // previous chronology. The index matrix holds exactly the last
  // iteration's indices, so the summary that iteration took is that of the
  // signal-free indices too.
  results.signal_free.value = state.last_summary.location;
  results.signal_free.sd = state.last_summary.scale;
  results.sample_depth = state.last_summary.count;

  if (call.options.regional) {
    regional_curves_output(call);
  } else {
    if (call.options.biweight_plots && call.options.mean_type == kSummaryBiweightMean) {
      draw_biweights(call, "Biweights For Signal Free Chronology");
    }
    // The overlay plots fit the first detrending's curves again into the
    // storage of the index matrix, which is then taken again from the last
    // curves: no more matrices of the set's size are alive than during the
    // iteration. They are drawn once, without a menu: on a screen that shows
    // nothing they are not made.
    if (!screen_draws_nothing()) {
      Matrix storage = std::move(results.indices);
      series_overlay_plots(call, storage);
      results.indices = std::move(storage);
      index_last_iteration(call);
    }
  }
  outcome_message(call);
}

}  // namespace qb
