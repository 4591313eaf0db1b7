// The running-RBAR stabilisation passes: the running RBAR files, the
// stabilised chronologies and their dialogue, end to end through the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "detrend/robust_statistics.hpp"
#include "engine/series_files.hpp"
#include "engine/sigfree.hpp"
#include "platform/record_format.hpp"
#include "tests/engine/engine_harness.hpp"
#include "tests/plots/recording_canvas.hpp"
#include "tests/support/test_support.hpp"

namespace qb::testing {
namespace {

int count_of(const std::string& text, const std::string& what) {
  int count = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

bool finite_and_not_negative(std::span<const float> values) {
  return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v) && v >= 0.0f; });
}

float mean_after(std::span<const float> values, int skip) { return mnsd(values.subspan(skip)).mean; }
float sd_after(std::span<const float> values, int skip) { return mnsd(values.subspan(skip)).sd; }

bool drew_title(const RecordingCanvas& canvas, const std::string& title) {
  for (const PlotCall& call : canvas.calls_named("plmtex")) {
    if (call.text.ends_with("," + title + ")")) return true;
  }
  return false;
}

// A running RBAR file: its header and one row per year of the data set, the
// depth of the year in NC. Returns the rows' RBAR1 and EPS1.
struct RbarRows {
  std::vector<float> rbar1, eps1, rbar2;
};
RbarRows expect_rbar_file(const std::string& path, const DataSet& data, std::span<const int> depth) {
  RbarRows rows;
  const auto lines = lines_of(read_file(path));
  const int years = data.whole.last_year - data.whole.first_year + 1;
  EXPECT_EQ(static_cast<int>(lines.size()), 1 + years) << path;
  if (lines.empty()) return rows;
  EXPECT_EQ(lines[0], " YEAR     NC   RBAR1    EPS1   NEFF1   RBAR2    EPS2   NEFF2");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    int year = 0, nc = 0;
    float rbar1 = 0, eps1 = 0, neff1 = 0, rbar2 = 0, eps2 = 0, neff2 = 0;
    EXPECT_EQ(lines[i].size(), 60u);
    EXPECT_EQ(read_fields("(i5,i7,6f8.3)", lines[i], &year, &nc, &rbar1, &eps1, &neff1, &rbar2, &eps2, &neff2),
              ReadStatus::kOk);
    EXPECT_EQ(year, data.whole.first_year + static_cast<int>(i) - 1);
    EXPECT_EQ(nc, depth[i - 1]);
    rows.rbar1.push_back(rbar1);
    rows.eps1.push_back(eps1);
    rows.rbar2.push_back(rbar2);
  }
  return rows;
}

// A data set and the detrending it is run with.
struct RealRun {
  const char* name;
  bool regional;
  int curve_option;
  IndexType index_type;
};

EngineOptions options_for(const RealRun& real, int window, int stabilisation) {
  EngineOptions options;
  options.curve_option = real.curve_option;
  options.regional = real.regional;
  options.index_type = real.index_type;
  options.stiffness = 10;
  options.mean_type = kSummaryBiweightMean;
  options.rbar_window = window;
  options.rbar_threads = 2;
  options.stabilisation = stabilisation;
  options.file_name = real.name;
  return options;
}

// A data set run as the drivers run it: again with the retry constant for
// every retry the engine asks for. The console output and the report of
// every call are kept.
AnsweredRun run_to_the_end(const DataSet& loaded, EngineOptions options, EngineState& state) {
  AnsweredRun all;
  int counter = 0;
  while (true) {
    const float constant = 0.1f * static_cast<float>(counter);
    DataSet data = loaded;
    for (int j = 0; j < data.ns(); ++j) {
      for (int i = 0; i < data.spans[j].count; ++i) data.x(i, j) += constant;
    }
    options.retry_counter = counter;
    options.retry_constant = constant;
    const AnsweredRun run = run_answered(data, options, state, empty_answers(500));
    all.results = run.results;
    all.shown += run.shown;
    all.report += run.report;
    if (run.results.outcome != EngineOutcome::kRetryRequested) return all;
    counter = run.results.retry_counter;
  }
}

class StabilisationOnRealData : public ::testing::TestWithParam<std::tuple<RealRun, int, int>> {};

TEST_P(StabilisationOnRealData, WritesTheRbarFilesAndFiniteStabilisedChronologies) {
  ScratchDirectory dir;
  const auto& [real, window, stabilisation] = GetParam();
  const DataSet loaded = read_ring_widths(shared_data(real.name));
  ASSERT_GT(loaded.ns(), 0);
  EngineState state;
  const AnsweredRun run = run_to_the_end(loaded, options_for(real, window, stabilisation), state);
  const EngineResults& results = run.results;
  const std::string base = data_set_base_name(real.name);
  const int years = loaded.whole.last_year - loaded.whole.first_year + 1;
  const int questions = count_of(run.shown, "Happy with this spline stabilization?");

  if (window == 0) {
    EXPECT_FALSE(file_exists(base + "_Std_RBAR.txt"));
    EXPECT_FALSE(file_exists(base + "_Ssf_RBAR.txt"));
    EXPECT_EQ(count_of(run.shown, "running rbar calculations"), 0);
    EXPECT_EQ(questions, 0);
    EXPECT_EQ(count_of(run.shown, "Final RCS chronology detrending?"), 0);
    EXPECT_TRUE(results.stabilised.standard.empty());
    EXPECT_TRUE(results.stabilised.signal_free.empty());
    return;
  }

  for (const char* suffix : {"_Std_RBAR.txt", "_Ssf_RBAR.txt"}) {
    const RbarRows rows = expect_rbar_file(base + suffix, loaded, state.rbar_depth);
    for (std::size_t r = 0; r < rows.rbar1.size(); ++r) {
      ASSERT_GT(rows.rbar1[r], 0.0f) << suffix << " " << r;
      ASSERT_LE(rows.rbar1[r], 1.0f);
      ASSERT_GE(rows.eps1[r], 0.0f);
      ASSERT_LE(rows.eps1[r], 1.0f);
    }
  }
  // The regional run asks for the final detrending; the default declines it.
  EXPECT_EQ(count_of(run.shown, "Final RCS chronology detrending?"), real.regional ? 1 : 0);

  const int nss2 = state.first_run.nss2;
  for (const std::vector<float>* chronology : {&results.stabilised.standard, &results.stabilised.signal_free}) {
    ASSERT_EQ(static_cast<int>(chronology->size()), years);
    EXPECT_TRUE(finite_and_not_negative(*chronology));
    EXPECT_NEAR(mean_after(*chronology, nss2), 1.0f, 0.01f);
  }
  EXPECT_TRUE(finite_and_not_negative(results.signal_free.value));

  // Every default answer accepts the spline: asked in the standard pass of
  // the first run and in the signal-free pass of the last; the retry runs
  // between them stabilise without asking or reporting.
  EXPECT_EQ(results.stabilisation, stabilisation);
  EXPECT_EQ(questions, stabilisation == 0 ? 0 : 2);
  const int applied = count_of(run.report, "SPLINE VARIANCE STABILIZATION APPLIED");
  EXPECT_EQ(applied, stabilisation == 0 ? 0 : 1);
  if (stabilisation != 0 && stabilisation != 1) {
    // A percentage is reported in years.
    const int stiffness =
        stabilisation > 0 ? stabilisation : static_cast<int>(-0.01f * stabilisation * static_cast<float>(years));
    EXPECT_EQ(count_of(run.report, format_record("('STABILIZATION APPLIED: ',i4,$)", stiffness)), 1);
  }
}

std::string real_run_name(const ::testing::TestParamInfo<std::tuple<RealRun, int, int>>& info) {
  const auto& [real, window, stabilisation] = info.param;
  const std::string name(real.name);
  return name.substr(0, name.find('.')) + (real.regional ? "_regional" : "_curve") +
         std::to_string(std::abs(real.curve_option)) + "_window" + std::to_string(window) + "_option" +
         (stabilisation < 0 ? "minus" : "") + std::to_string(std::abs(stabilisation));
}

// Converged after six retries; regional; converged at once; given up after
// the eleventh rise.
INSTANTIATE_TEST_SUITE_P(
    DataSets, StabilisationOnRealData,
    ::testing::Combine(::testing::Values(RealRun{"ca533.rwl", false, -67, IndexType::kResiduals},
                                         RealRun{"co021.rwl", true, -2, IndexType::kRatios},
                                         RealRun{"nm580.rwl", false, -67, IndexType::kRatios},
                                         RealRun{"co021.rwl", false, 8, IndexType::kRatios}),
                       ::testing::Values(0, 51), ::testing::Values(0, 1, 30, -20)),
    real_run_name);

// A curve these made-up sites converge with, without a rise.
constexpr int kNegativeExponential = 1;

EngineOptions made_up(int curve_option, int stabilisation) {
  EngineOptions options;
  options.curve_option = curve_option;
  options.mean_type = kSummaryArithmeticMean;
  options.rbar_window = 51;
  options.rbar_threads = 2;
  options.stabilisation = stabilisation;
  options.file_name = "site.rwl";
  return options;
}

TEST(StabilisationPasses, WithoutAYieldingWindowNothingIsDrawnAndNothingStabilisedByRbar) {
  ScratchDirectory dir;
  RecordingCanvas canvas;
  // Two series give one pair: never the three correlations a window needs.
  DataSet data = common_signal_site(2, 120, 0);
  EngineState state;
  const AnsweredRun run = run_answered(data, made_up(kNegativeExponential, 0), state, empty_answers(100));
  EXPECT_FALSE(drew_title(canvas, "Standard Indices Running Average Correlations"));
  EXPECT_FALSE(drew_title(canvas, "Signal Free Indices Running Correlations"));
  EXPECT_TRUE(drew_title(canvas, "Original vs. Running RBAR Stabilized Signal Free Indices"));
  for (const std::string& line : lines_of(read_file("site_Ssf_RBAR.txt"))) {
    if (line.starts_with(" YEAR")) continue;
    EXPECT_EQ(count_of(line, "-99.900"), 6) << line;
  }
  // The running-RBAR chronology is the chronology itself: only the variance
  // matching rescales it, to the spread of the standard chronology.
  const int nss2 = state.first_run.nss2;
  const std::vector<float>& signal_free = run.results.signal_free.value;
  const std::vector<float>& stable = run.results.stabilised.signal_free;
  ASSERT_EQ(stable.size(), signal_free.size());
  EXPECT_TRUE(finite_and_not_negative(stable));
  const MeanSd own = mnsd(std::span<const float>(signal_free).subspan(nss2));
  const float s0 = sd_after(state.pre_iteration_standard, nss2);
  for (std::size_t r = 0; r < stable.size(); ++r) {
    ASSERT_NEAR(stable[r], (signal_free[r] - own.mean) / own.sd * s0 + 1.0f, 1e-4f) << r;
  }
}

TEST(StabilisationPasses, RawAveragesTakeTheRawDataNamesInTheStandardPassOnly) {
  ScratchDirectory dir;
  RecordingCanvas canvas;
  DataSet data = common_signal_site(8, 200, 2);
  EngineState state;
  const AnsweredRun run = run_answered(data, made_up(0, 0), state, empty_answers(100));
  EXPECT_TRUE(file_exists("site_Raw_RBAR.txt"));
  EXPECT_FALSE(file_exists("site_Std_RBAR.txt"));
  EXPECT_TRUE(file_exists("site_Ssf_RBAR.txt"));
  EXPECT_EQ(count_of(run.shown, " Perform raw data indices running rbar calculations"), 1);
  EXPECT_EQ(count_of(run.shown, " Perform signal free indices running rbar calculations"), 1);
  EXPECT_TRUE(drew_title(canvas, "Raw Data Indices Running Average Correlations"));
  EXPECT_TRUE(drew_title(canvas, "Orig Mean-Adjust RAW"));
  EXPECT_TRUE(drew_title(canvas, "Mean Adjust RAW Chron"));
}

TEST(StabilisationPasses, AConvergenceRetryKeepsTheRunningRbarStandardChronology) {
  ScratchDirectory dir;
  const DataSet site = common_signal_site(8, 200, 2);
  std::vector<std::vector<float>> stable_standard;
  for (int option : {0, 1}) {
    DataSet data = site;
    EngineState state;
    run_answered(data, made_up(kNegativeExponential, option), state, empty_answers(100));
    EngineOptions retry = made_up(kNegativeExponential, option);
    retry.retry_counter = 1;
    data = site;
    RecordingCanvas canvas;
    const AnsweredRun run = run_answered(data, retry, state, empty_answers(100));
    EXPECT_EQ(count_of(run.shown, "Perform standard indices"), 0);
    // Only the signal-free pass, after the iteration has reset the counter.
    EXPECT_EQ(count_of(run.shown, "Running RBAR window length"), 1);
    EXPECT_FALSE(drew_title(canvas, "Standard Indices Running Average Correlations"));
    EXPECT_FALSE(drew_title(canvas, "Spline Detrending of Running RBAR Stabilized Indices"));
    EXPECT_EQ(count_of(run.report, "APPLIED"), 0);
    // The signal-free pass asks as on a first run.
    EXPECT_EQ(count_of(run.shown, "Happy with this spline stabilization?"), option);
    EXPECT_EQ(state.convergence_retry, 1);
    stable_standard.push_back(run.results.stabilised.standard);
  }
  EXPECT_EQ(stable_standard[0], stable_standard[1]);
}

TEST(StabilisationPasses, AFirstRunReturnsThePreIterationStandardAndMatchesItsSpread) {
  ScratchDirectory dir;
  DataSet data = common_signal_site(8, 200, 3);
  EngineState state;
  const AnsweredRun run = run_answered(data, made_up(kNegativeExponential, 1), state, empty_answers(100));
  const int nss2 = state.first_run.nss2;
  ASSERT_GT(nss2, 0);
  // The standard pass shifted the standard chronology; the adjustment takes
  // it back from the copy made before the iteration.
  const std::vector<float>& pre = state.pre_iteration_standard;
  const float m0 = mean_after(pre, nss2);
  const std::vector<float>& standard = run.results.standard.value;
  for (std::size_t r = 0; r < standard.size(); ++r) ASSERT_EQ(standard[r], pre[r] - m0 + 1.0f) << r;
  // Ratios of a first run: both stabilised chronologies take its spread.
  const float s0 = sd_after(pre, nss2);
  EXPECT_NEAR(sd_after(run.results.stabilised.standard, nss2), s0, 1e-4f);
  EXPECT_NEAR(sd_after(run.results.stabilised.signal_free, nss2), s0, 1e-4f);
}

}  // namespace
}  // namespace qb::testing
