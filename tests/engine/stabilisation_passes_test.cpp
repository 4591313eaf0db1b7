// The running-RBAR stabilisation passes, end to end through the engine.
#include <gtest/gtest.h>

#include <tuple>

#include "detrend/robust_statistics.hpp"
#include "engine/series_files.hpp"
#include "platform/record_format.hpp"
#include "tests/engine/engine_harness.hpp"
#include "series/file_names.hpp"

namespace qb::testing {
namespace {

bool finite_and_not_negative(std::span<const float> values) {
  return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v) && v >= 0.0f; });
}

MeanSd after(std::span<const float> values, int skip) { return mnsd(values.subspan(skip)); }

// The header, then one row per year with its depth; RBAR1 and EPS1 of
// every row.
std::vector<std::pair<float, float>> rbar_rows(const std::string& path, const DataSet& data,
                                               std::span<const int> depth) {
  std::vector<std::pair<float, float>> rows;
  const auto lines = lines_of(read_file(path));
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(1 + data.whole.count)) << path;
  if (lines.empty()) return rows;
  EXPECT_EQ(lines[0], " YEAR     NC   RBAR1    EPS1   NEFF1   RBAR2    EPS2   NEFF2");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    int year = 0, nc = 0;
    float rbar1 = 0, eps1 = 0, neff1 = 0, rbar2 = 0, eps2 = 0, neff2 = 0;
    EXPECT_EQ(read_fields("(i5,i7,6f8.3)", lines[i], &year, &nc, &rbar1, &eps1, &neff1, &rbar2, &eps2, &neff2),
              ReadStatus::kOk);
    EXPECT_EQ(year, data.whole.first_year + static_cast<int>(i) - 1);
    EXPECT_EQ(nc, depth[i - 1]);
    rows.emplace_back(rbar1, eps1);
  }
  return rows;
}

struct RealRun {
  const char* name;
  bool regional;
  int curve_option;
  IndexType index_type;
};

// The data set run as the drivers run it: again, with the retry constant
// added, while the engine asks for a retry. Output and report of every call.
AnsweredRun run_to_the_end(const DataSet& loaded, EngineOptions options, EngineState& state) {
  AnsweredRun all;
  for (int counter = 0;;) {
    options.retry_counter = counter;
    options.retry_constant = 0.1f * static_cast<float>(counter);
    DataSet data = loaded;
    for (int j = 0; j < data.ns(); ++j) {
      for (int i = 0; i < data.spans[j].count; ++i) data.x(i, j) += options.retry_constant;
    }
    const AnsweredRun run = run_answered(data, options, state, empty_answers(500));
    all = {run.results, all.shown + run.shown, all.report + run.report};
    if (run.results.outcome != EngineOutcome::kRetryRequested) return all;
    counter = run.results.retry_counter;
  }
}

class StabilisationOnRealData : public ::testing::TestWithParam<std::tuple<RealRun, int, int>> {};

TEST_P(StabilisationOnRealData, WritesTheRbarFilesAndFiniteStabilisedChronologies) {
  ScratchDirectory dir;
  const auto& [real, window, option] = GetParam();
  const DataSet loaded = read_ring_widths(shared_data(real.name));
  ASSERT_GT(loaded.ns(), 0);
  EngineOptions options;
  options.curve_option = real.curve_option;
  options.regional = real.regional;
  options.index_type = real.index_type;
  options.stiffness = 10;
  options.rbar_window = window;
  options.threads = 2;
  options.stabilisation = option;
  options.file_name = real.name;
  EngineState state;
  const AnsweredRun run = run_to_the_end(loaded, options, state);
  const EngineResults& results = run.results;
  const std::string base = dataset_base_name(real.name);

  EXPECT_EQ(file_exists(base + "_Std_RBAR.txt"), window != 0);
  EXPECT_EQ(file_exists(base + "_Ssf_RBAR.txt"), window != 0);
  EXPECT_EQ(count_of(run.shown, "running rbar calculations"), window != 0 ? 2 : 0);
  EXPECT_EQ(count_of(run.shown, "Final RCS chronology detrending?"), window != 0 && real.regional ? 1 : 0);
  // Every default answer accepts the spline: asked in the standard pass of
  // the first run and the signal-free pass of the last; the retry runs
  // between them neither ask nor report.
  EXPECT_EQ(count_of(run.shown, "Happy with this spline stabilization?"), window != 0 && option != 0 ? 2 : 0);
  EXPECT_EQ(count_of(run.report, "SPLINE VARIANCE STABILIZATION APPLIED"), window != 0 && option != 0 ? 1 : 0);
  EXPECT_EQ(results.stabilisation, option);
  if (window == 0) {
    EXPECT_TRUE(results.stabilised.standard.empty() && results.stabilised.signal_free.empty());
    return;
  }
  if (option >= 10 || option <= -10) {
    // A percentage is reported in years.
    const int years = option > 0 ? option : static_cast<int>(-0.01f * option * static_cast<float>(loaded.whole.count));
    EXPECT_EQ(count_of(run.report, format_record("('STABILIZATION APPLIED: ',i4,$)", years)), 1);
  }
  for (const char* suffix : {"_Std_RBAR.txt", "_Ssf_RBAR.txt"}) {
    for (const auto& [rbar, eps] : rbar_rows(base + suffix, loaded, state.rbar_depth)) {
      ASSERT_TRUE(rbar > 0.0f && rbar <= 1.0f && eps >= 0.0f && eps <= 1.0f) << suffix;
    }
  }
  const int nss2 = state.first_run.nss2;
  for (const std::vector<float>& stable : {results.stabilised.standard, results.stabilised.signal_free}) {
    ASSERT_EQ(stable.size(), static_cast<std::size_t>(loaded.whole.count));
    EXPECT_TRUE(finite_and_not_negative(stable));
    EXPECT_NEAR(after(stable, nss2).mean, 1.0f, 0.01f);
  }
  EXPECT_TRUE(finite_and_not_negative(results.signal_free.value));
}

// Converged after six retries; regional; converged at once; given up after
// the eleventh rise.
INSTANTIATE_TEST_SUITE_P(DataSets, StabilisationOnRealData,
                         ::testing::Combine(::testing::Values(RealRun{"ca533.rwl", false, -67, IndexType::kResiduals},
                                                              RealRun{"co021.rwl", true, -2, IndexType::kRatios},
                                                              RealRun{"nm580.rwl", false, -67, IndexType::kRatios},
                                                              RealRun{"co021.rwl", false, 8, IndexType::kRatios}),
                                            ::testing::Values(0, 51), ::testing::Values(0, 1, 30, -20)));

// Made-up sites converge with the negative exponential, without a rise.
EngineOptions made_up(int curve_option, int option) {
  EngineOptions options;
  options.curve_option = curve_option;
  options.mean_type = kSummaryArithmeticMean;
  options.rbar_window = 51;
  options.threads = 2;
  options.stabilisation = option;
  options.file_name = "site.rwl";
  return options;
}

TEST(StabilisationPasses, WithoutAYieldingWindowNothingIsDrawnAndNothingStabilisedByRbar) {
  ScratchDirectory dir;
  RecordingCanvas canvas;
  // Two series give one pair: never the three correlations a window needs.
  DataSet data = common_signal_site(2, 120, 0);
  EngineState state;
  const AnsweredRun run = run_answered(data, made_up(1, 0), state, empty_answers(100));
  EXPECT_FALSE(drew(canvas, "Standard Indices Running Average Correlations"));
  EXPECT_FALSE(drew(canvas, "Signal Free Indices Running Correlations"));
  const auto lines = lines_of(read_file("site_Ssf_RBAR.txt"));
  for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(count_of(lines[i], "-99.900"), 6) << lines[i];
  // Only the variance matching rescales the chronology: to the spread of
  // the standard chronology.
  const int nss2 = state.first_run.nss2;
  const std::vector<float>& signal_free = run.results.signal_free.value;
  const std::vector<float>& stable = run.results.stabilised.signal_free;
  ASSERT_EQ(stable.size(), signal_free.size());
  const MeanSd own = after(signal_free, nss2);
  const float s0 = after(state.pre_iteration_standard, nss2).sd;
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
  EXPECT_TRUE(file_exists("site_Raw_RBAR.txt") && file_exists("site_Ssf_RBAR.txt"));
  EXPECT_FALSE(file_exists("site_Std_RBAR.txt"));
  EXPECT_EQ(count_of(run.shown, " Perform raw data indices running rbar calculations"), 1);
  EXPECT_TRUE(drew(canvas, "Raw Data Indices Running Average Correlations"));
  EXPECT_TRUE(drew(canvas, "Orig Mean-Adjust RAW"));
}

// The pages drawn, each as the calls between plinit and plend.
std::vector<std::vector<PlotCall>> pages_of(const RecordingCanvas& canvas) {
  std::vector<std::vector<PlotCall>> pages;
  for (const PlotCall& call : canvas.calls()) {
    if (call.name == "plinit") pages.emplace_back();
    if (!pages.empty()) pages.back().push_back(call);
  }
  return pages;
}
bool page_has(const std::vector<PlotCall>& page, const std::string& call_text) {
  return std::any_of(page.begin(), page.end(), [&](const PlotCall& call) { return call.text == call_text; });
}
std::vector<PlotCall> lines_of_page(const std::vector<PlotCall>& page) {
  std::vector<PlotCall> lines;
  for (const PlotCall& call : page) {
    if (call.name == "plline") lines.push_back(call);
  }
  return lines;
}

TEST(StabilisationPasses, RbarAndEpsPlotsNameTheWindowAndDrawEpsFromDepthAndRbar) {
  for (const auto& [window, written] : {std::pair{51, "51 Yrs)"}, std::pair{101, "101 Yrs)"}}) {
    ScratchDirectory dir;
    RecordingCanvas canvas;
    DataSet data = common_signal_site(8, 300, 2);
    EngineOptions options = made_up(1, 0);
    options.rbar_window = window;
    EngineState state;
    run_answered(data, options, state, empty_answers(100));
    std::vector<std::vector<PlotCall>> rbar_pages;
    for (const auto& page : pages_of(canvas)) {
      if (page_has(page, "plmtex(b,-35.5,0.5,0.5,Standard Indices Running Average Correlations)")) {
        rbar_pages.push_back(page);
      }
    }
    ASSERT_EQ(rbar_pages.size(), 2u) << window;
    const auto& rbar = rbar_pages[0];
    const auto& eps = rbar_pages[1];
    EXPECT_TRUE(page_has(rbar, std::string("plmtex(b,-33.75,0.06,0,Running RBAR (") + written + ")")) << window;
    EXPECT_TRUE(page_has(rbar, "plmtex(b,-33.75,0.55,0, Constant Sample RBAR)"));
    EXPECT_TRUE(page_has(eps, std::string("plmtex(b,-33.75,0.06,0, Running EPS (") + written + ")")) << window;
    EXPECT_TRUE(page_has(eps, "plmtex(b,-33.75,0.55,0,  Constant Sample EPS)"));
    // The EPS threshold is dashed; both EPS curves follow from the depth and
    // the Rbar curves of the page before: N r / ((1 - r) + N r).
    EXPECT_TRUE(page_has(eps, "pllsty(3)"));
    const auto rbar_lines = lines_of_page(rbar);
    const auto eps_lines = lines_of_page(eps);
    ASSERT_EQ(rbar_lines.size(), 2u);
    ASSERT_EQ(eps_lines.size(), 3u);
    EXPECT_TRUE(std::all_of(eps_lines[0].y.begin(), eps_lines[0].y.end(), [](float v) { return v == 0.85f; }));
    for (int curve = 0; curve < 2; ++curve) {
      const std::vector<float>& r = rbar_lines[curve].y;
      const std::vector<float>& drawn = eps_lines[curve + 1].y;
      ASSERT_EQ(drawn.size(), state.rbar_depth.size());
      for (std::size_t year = 0; year < drawn.size(); ++year) {
        const float n = static_cast<float>(state.rbar_depth[year]);
        ASSERT_FLOAT_EQ(drawn[year], n * r[year] / ((1.0f - r[year]) + n * r[year])) << year;
      }
    }
  }
}

TEST(StabilisationPasses, AConvergenceRetryKeepsTheRunningRbarStandardChronology) {
  ScratchDirectory dir;
  const DataSet site = common_signal_site(8, 200, 2);
  std::vector<std::vector<float>> stable_standard;
  for (int option : {0, 1}) {
    DataSet data = site;
    EngineState state;
    run_answered(data, made_up(1, option), state, empty_answers(100));
    EngineOptions retry = made_up(1, option);
    retry.retry_counter = 1;
    data = site;
    RecordingCanvas canvas;
    const AnsweredRun run = run_answered(data, retry, state, empty_answers(100));
    ASSERT_EQ(state.convergence_retry, 1);
    // Silent until the signal-free pass, which asks as on a first run.
    EXPECT_EQ(count_of(run.shown, "Running RBAR window length"), 1);
    EXPECT_FALSE(drew(canvas, "Standard Indices Running Average Correlations"));
    EXPECT_EQ(count_of(run.report, "APPLIED"), 0);
    EXPECT_EQ(count_of(run.shown, "Happy with this spline stabilization?"), option);
    stable_standard.push_back(run.results.stabilised.standard);
  }
  EXPECT_EQ(stable_standard[0], stable_standard[1]);
}

TEST(StabilisationPasses, AFirstRunReturnsThePreIterationStandardAndMatchesItsSpread) {
  ScratchDirectory dir;
  DataSet data = common_signal_site(8, 200, 3);
  EngineState state;
  const AnsweredRun run = run_answered(data, made_up(1, 1), state, empty_answers(100));
  const int nss2 = state.first_run.nss2;
  ASSERT_GT(nss2, 0);
  // The standard pass shifted the standard chronology; the adjustment takes
  // it back from the copy made before the iteration.
  const std::vector<float>& pre = state.pre_iteration_standard;
  const MeanSd before = after(pre, nss2);
  const std::vector<float>& standard = run.results.standard.value;
  for (std::size_t r = 0; r < standard.size(); ++r) ASSERT_EQ(standard[r], pre[r] - before.mean + 1.0f) << r;
  EXPECT_NEAR(after(run.results.stabilised.standard, nss2).sd, before.sd, 1e-4f);
  EXPECT_NEAR(after(run.results.stabilised.signal_free, nss2).sd, before.sd, 1e-4f);
}

}  // namespace
}  // namespace qb::testing
