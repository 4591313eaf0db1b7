#include <algorithm>
#include <string>

#include "detrend/running_rbar.hpp"
#include "engine/chronology_scaling.hpp"
#include "engine/engine_call.hpp"
#include "engine/engine_plots.hpp"
#include "platform/console.hpp"
#include "platform/large_buffer.hpp"
#include "platform/record_format.hpp"
#include "platform/text_file.hpp"
#include "plots/plot_conventions.hpp"

namespace qb {

namespace {

struct RbarTexts {
  std::string_view file_suffix;
  std::string_view rbar_title;
  std::string_view second_rbar_legend;
  std::string_view comparison_title;
  std::string_view original_legend;
  std::string_view stable_legend;
};

RbarTexts standard_texts(const EngineCall& call) {
  return {raw_or_standard(call, "_Raw_RBAR.txt", "_Std_RBAR.txt"),
          raw_or_standard(call, "Raw Data Indices Running Average Correlations",
                          "Standard Indices Running Average Correlations"),
          " Constant Sample RBAR",
          raw_or_standard(call, "Original Vs. Running RBAR Stabilized Raw Data Indices",
                          "Original Vs. Running RBAR Stabilized Standard Indices"),
          raw_or_standard(call, "Original RAW Chronology", "Original STD Chronology"),
          raw_or_standard(call, "Stable RAW Chronology", "Stable STD Chronology")};
}

RbarTexts signal_free_texts(const EngineCall& call) {
  return {"_Ssf_RBAR.txt",
          "Signal Free Indices Running Correlations",
          "Constant Sample RBAR",
          "Original vs. Running RBAR Stabilized Signal Free Indices",
          raw_or_standard(call, "Orig Mean-Adjust RAW", "Orig Signal Free STD"),
          raw_or_standard(call, "Stab Mean-Adjust RAW", "Stab Signal Free STD")};
}

// Running Rbar of the index matrix into the pass's running RBAR file; the
// chronology it adjusts is the one the pass works on.
RunningRbar running_rbar(EngineCall& call, std::string_view suffix) {
  TextOutput file = TextOutput::create_or_throw(call.base_name + std::string(suffix));
  RunningRbarOptions options;
  options.window_length = call.options.rbar_window;
  // Windows one year apart.
  options.window_overlap = call.options.rbar_window - 1;
  options.quiet = call.results.retry_counter != 0;
  options.threads = call.options.threads;
  RunningRbar rbar = runbar(call.results.indices, call.data.spans, call.data.whole, call.state.rbar_depth,
                            call.state.rbar_chronology, options, file);
  file.close();
  // The windows' work storage, a few megabytes per thread on a large set,
  // is not kept resident through the iteration that follows.
  release_free_memory();
  return rbar;
}

std::vector<float> eps_of(std::span<const float> rbar, std::span<const int> depth) {
  std::vector<float> eps(rbar.size());
  for (std::size_t r = 0; r < rbar.size(); ++r) {
    eps[r] = expressed_population_signal(static_cast<float>(depth[r]), rbar[r]);
  }
  return eps;
}

void draw_rbar_and_eps(const EngineCall& call, const RunningRbar& rbar, const RbarTexts& texts) {
  // Without a yielding window there is no Rbar to draw: the plots stay
  // empty rather than show the no-value code as data.
  const bool any_window = !rbar.windows.empty();
  const std::span<const float> rbar1 = any_window ? std::span<const float>(rbar.rbar1) : std::span<const float>();
  const std::span<const float> rbar2 = any_window ? std::span<const float>(rbar.rbar2) : std::span<const float>();

  const std::string window =
      format_record(rbar.window_length < 100 ? "(i2,' Yrs)',$)" : "(i3,' Yrs)',$)", rbar.window_length);
  const std::string rbar_legend = "Running RBAR (" + window;
  const std::vector<float> none{kNoSeries};
  draw_over_years(call, rbar1, rbar2, none,
                  {texts.rbar_title, "RBAR", rbar_legend, texts.second_rbar_legend, 1, 2, 2});

  const std::vector<float> eps1 = eps_of(rbar1, call.state.rbar_depth);
  const std::vector<float> eps2 = eps_of(rbar2, call.state.rbar_depth);
  const std::string eps_legend = " Running EPS (" + window;
  const std::vector<float> threshold = constant_line(call, kEpsThresholdLine);
  draw_over_years(call, eps1, eps2, threshold,
                  {texts.rbar_title, "EPS", eps_legend, "  Constant Sample EPS", 1, 2, 2});
}

void draw_comparison(const EngineCall& call, std::span<const float> original, std::span<const float> stable,
                     const RbarTexts& texts) {
  const std::vector<float> one = constant_line(call, 1.0f);
  draw_over_years(call, original, stable, one,
                  {texts.comparison_title, "Indices", texts.original_legend, texts.stable_legend, 1, 1, 2});
}

// Both stabilised chronologies brought to mean 1.0 with the spread of the
// standard chronology before the iteration (ratios of a first run), else
// each with the spread of its own unstabilised chronology.
void variance_matching(EngineCall& call) {
  EngineState& state = call.state;
  EngineResults& results = call.results;
  const int nss2 = state.first_run.nss2;
  const float s0 = statistics_after(state.pre_iteration_standard, nss2).sd;
  const float s8 = statistics_after(results.standard.value, nss2).sd;
  const float s9 = statistics_after(results.signal_free.value, nss2).sd;
  std::vector<float>& a = results.stabilised.standard;
  std::vector<float>& b = results.stabilised.signal_free;
  const MeanSd from_a = statistics_after(a, nss2);
  const MeanSd from_b = statistics_after(b, nss2);
  const bool first_run_spread = call.ratios() && state.convergence_retry == 0;
  rescale(a, from_a, {1.0f, first_run_spread ? s0 : s8}, NegativeValues::kSetToZero);
  rescale(b, from_b, {1.0f, first_run_spread ? s0 : s9}, NegativeValues::kSetToZero);
}

}  // namespace

void standard_stabilisation_pass(EngineCall& call) {
  EngineState& state = call.state;
  EngineResults& results = call.results;
  const RbarTexts texts = standard_texts(call);
  if (call.first_run) {
    console().write(raw_or_standard(call, "(/1x,'Perform raw data indices running rbar calculations')",
                                    "(/1x,'Perform standard indices running rbar calculations')"));
  }
  RunningRbar rbar = running_rbar(call, texts.file_suffix);
  if (call.first_run) draw_rbar_and_eps(call, rbar, texts);

  std::vector<float>& stable = results.stabilised.standard;
  stable = std::move(rbar.adjusted2);
  std::vector<float>& standard = results.standard.value;
  const int nss1 = state.first_run.nss1;
  const float standard_mean = statistics_after(standard, nss1).mean;
  const float stable_mean = statistics_after(stable, nss1).mean;
  centre_on_one(standard, standard_mean, NegativeValues::kSetToZero);
  centre_on_one(stable, stable_mean, NegativeValues::kSetToZero);
  if (call.first_run) draw_comparison(call, standard, stable, texts);

  // A convergence retry keeps the running-RBAR chronology: the spline
  // stabilisation is a choice made in the first run's dialogue.
  if (call.first_run) spline_stabilisation(call, StabilisationPass::kStandard, stable);
}

void signal_free_stabilisation_pass(EngineCall& call) {
  EngineState& state = call.state;
  EngineResults& results = call.results;
  const RbarTexts texts = signal_free_texts(call);
  console().write("(/1x,'Perform signal free indices running rbar calculations')");
  RunningRbar rbar = running_rbar(call, texts.file_suffix);
  draw_rbar_and_eps(call, rbar, texts);

  std::vector<float>& stable = results.stabilised.signal_free;
  stable = std::move(rbar.adjusted2);
  for (float& value : stable) value = std::max(value, 0.0f);
  // Back to the level of the chronology the last iteration built.
  const float level = mnsd(stable).mean;
  for (float& value : stable) value = std::max(value - level + state.chronology_mean, 0.0f);

  std::vector<float>& signal_free = results.signal_free.value;
  const int nss1 = state.first_run.nss1;
  console().write("(/1x,'Orig/Stab Means1: ',2f8.4)", statistics_after(signal_free, nss1).mean,
                  statistics_after(stable, nss1).mean);
  centre_on_one(signal_free, statistics_after(signal_free, nss1).mean, NegativeValues::kSetToZero);
  centre_on_one(stable, statistics_after(stable, nss1).mean, NegativeValues::kSetToZero);
  console().write("(/1x,'Orig/Stab Means2: ',2f8.4)", statistics_after(signal_free, nss1).mean,
                  statistics_after(stable, nss1).mean);
  draw_comparison(call, signal_free, stable, texts);

  spline_stabilisation(call, StabilisationPass::kSignalFree, stable);
  constexpr int kRegionalAgeDependentSpline = -2;
  constexpr int kMeanLine = 6;
  if (results.curve_option == kRegionalAgeDependentSpline || results.curve_option == kMeanLine) {
    final_detrending(call, stable);
  }
  variance_matching(call);
}

}  // namespace qb
