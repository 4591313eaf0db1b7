#include <string>

#include "engine/chronology_scaling.hpp"
#include "engine/engine_call.hpp"
#include "engine/engine_plots.hpp"
#include "platform/record_format.hpp"

namespace qb {

namespace {

void draw_chronologies(const EngineCall& call) {
  const EngineResults& results = call.results;
  const std::string title =
      call.options.mean_type == kSummaryArithmeticMean
          ? format_record("('Original & Signal Free Chronology, Iter =',i3,$)", results.iterations)
          : format_record("('Robust Original & Signal Free Chronology, Iter =',i3,$)", results.iterations);
  const std::vector<float> one = constant_line(call, 1.0f);
  draw_over_years(call, results.standard.value, results.signal_free.value, one,
                  {title, "Indices", raw_or_standard(call, "Original RAW Chronology", "Original STD Chronology"),
                   raw_or_standard(call, "Mean Adjust RAW Chron", "Signal Free STD Chron"), 1, 1, 2});
}

}  // namespace

void adjust_chronologies(EngineCall& call) {
  EngineState& state = call.state;
  EngineResults& results = call.results;
  std::vector<float>& standard = results.standard.value;
  std::vector<float>& signal_free = results.signal_free.value;
  const int nss2 = state.first_run.nss2;
  // Only a caller that starts a data set with a retry leaves no first-run
  // copy; its own standard chronology then stands in for it.
  if (state.pre_iteration_standard.size() != standard.size()) state.pre_iteration_standard = standard;
  const MeanSd pre_iteration = statistics_after(state.pre_iteration_standard, nss2);
  const MeanSd of_standard = statistics_after(standard, nss2);
  const MeanSd of_signal_free = statistics_after(signal_free, nss2);

  if (state.convergence_retry != 0) {
    // The retry constant changed the data's level and spread; the first
    // run's standard chronology sets the spread every run reports.
    const MeanSd target{1.0f, pre_iteration.sd};
    rescale(standard, of_standard, target, NegativeValues::kKeep);
    rescale(signal_free, of_signal_free, target, NegativeValues::kSetToZero);
  } else {
    standard = state.pre_iteration_standard;
    centre_on_one(standard, pre_iteration.mean, NegativeValues::kKeep);
    centre_on_one(signal_free, of_signal_free.mean, NegativeValues::kKeep);
  }
  state.rbar_chronology = signal_free;
  draw_chronologies(call);
}

}  // namespace qb
