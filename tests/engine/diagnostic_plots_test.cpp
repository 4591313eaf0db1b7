// The plots after the signal-free iteration and their preparation.
#include "engine/diagnostic_plots.hpp"

#include <gtest/gtest.h>

#include "detrend/robust_statistics.hpp"
#include "engine/sigfree.hpp"
#include "platform/record_format.hpp"
#include "tests/engine/engine_harness.hpp"
#include "tests/plots/recording_canvas.hpp"
#include "tests/support/test_support.hpp"

namespace qb::testing {
namespace {

TEST(IterationPlots, LongerChronologiesTakeStifferSplines) {
  EXPECT_EQ(iteration_smoothing_period(100), 10);
  EXPECT_EQ(iteration_smoothing_period(101), 30);
  EXPECT_EQ(iteration_smoothing_period(500), 30);
  EXPECT_EQ(iteration_smoothing_period(501), 50);
  EXPECT_EQ(iteration_smoothing_period(2000), 50);
  EXPECT_EQ(iteration_smoothing_period(2001), 100);
}

TEST(IterationPlots, DifferencesAreCentredAndStackedBelowTheLastIteration) {
  Matrix one(4, 3, 0.0f);
  for (int r = 0; r < 4; ++r) one(r, 0) = static_cast<float>(r);
  stack_iteration_differences(one, 1, 4);
  EXPECT_EQ(one(0, 0), -1.5f);
  EXPECT_EQ(one(3, 0), 1.5f);

  Matrix three(2, 3, 0.0f);
  for (int k = 0; k < 3; ++k) {
    three(0, k) = 1.0f;
    three(1, k) = 3.0f;
  }
  // Rows past the chronology are left alone.
  Matrix longer(3, 3, 5.0f);
  stack_iteration_differences(three, 3, 2);
  stack_iteration_differences(longer, 2, 2);
  EXPECT_FLOAT_EQ(three(0, 2), -1.0f);
  EXPECT_FLOAT_EQ(three(0, 1), -1.1f);
  EXPECT_FLOAT_EQ(three(1, 0), 0.8f);
  EXPECT_EQ(longer(2, 0), 5.0f);
}

// The pages drawn, by the title written inside the frame.
struct Page {
  std::string title;
  std::vector<std::string> legends;
  int lines = 0;
};
std::vector<Page> pages_of(const RecordingCanvas& canvas) {
  std::vector<Page> pages;
  for (const PlotCall& call : canvas.calls()) {
    if (call.name == "plinit") pages.emplace_back();
    if (pages.empty()) continue;
    if (call.name == "plline") ++pages.back().lines;
    if (call.name != "plmtex") continue;
    // plmtex(side,displacement,position,justification,text)
    std::size_t at = 0;
    for (int comma = 0; comma < 4; ++comma) at = call.text.find(',', at) + 1;
    const std::string value = call.text.substr(at, call.text.size() - at - 1);
    if (call.text.starts_with("plmtex(b,-35.5")) {
      pages.back().title = value;
    } else {
      pages.back().legends.push_back(value);
    }
  }
  return pages;
}
const Page* page_titled(const std::vector<Page>& pages, const std::string& title) {
  for (const Page& page : pages) {
    if (page.title == title) return &page;
  }
  return nullptr;
}

// An iteration count as the plot texts write it.
std::string i3(int count) { return format_record("(i3,$)", count); }

EngineOptions plotted(int curve_option, int mean_type) {
  EngineOptions options;
  options.curve_option = curve_option;
  options.mean_type = mean_type;
  options.file_name = "site.rwl";
  return options;
}

TEST(DiagnosticPlots, PerSeriesRunsOverlayTheSeriesAndEveryRunPlotsTheIterations) {
  ScratchDirectory dir;
  RecordingCanvas canvas;
  DataSet data = common_signal_site(8, 200, 3);
  EngineState state;
  const AnsweredRun run = run_answered(data, plotted(1, kSummaryArithmeticMean), state, empty_answers(50));
  const int count = run.results.iterations;
  ASSERT_GE(count, 2);
  const auto pages = pages_of(canvas);
  const std::string last = "Iteration: " + i3(count);
  for (const char* title : {"Original and Final Signal Free Raw Data", "Original and Final Signal Free Curvefits",
                            "Original and Final Signal Free Indices"}) {
    const Page* page = page_titled(pages, title);
    ASSERT_NE(page, nullptr) << title;
    EXPECT_EQ(page->legends, (std::vector<std::string>{"Iteration:   0", last}));
  }
  // Each series twice, and the mean line on the indices.
  EXPECT_EQ(page_titled(pages, "Original and Final Signal Free Raw Data")->lines, 16);
  EXPECT_EQ(page_titled(pages, "Original and Final Signal Free Indices")->lines, 17);

  EXPECT_NE(page_titled(pages, "Original & Signal Free Chronology, Iter =" + i3(count)), nullptr);
  EXPECT_NE(page_titled(pages, "Iteration Convergence Statistics, Iter =" + i3(count)), nullptr);
  const Page* differences = page_titled(pages, "Signal Free Chronology Iteration Differences");
  ASSERT_NE(differences, nullptr);
  EXPECT_EQ(differences->lines, count);
  const Page* smoothed = page_titled(pages, "Signal Free Chronology Iterations: 30-Yr Splines");
  ASSERT_NE(smoothed, nullptr);
  EXPECT_EQ(smoothed->lines, count + 2);  // the 1.0 line and iterations 0..count
  EXPECT_EQ(smoothed->legends.back(), "  Iteration: " + i3(count));
}

TEST(DiagnosticPlots, RegionalRunsDrawNoSeriesOverlayAndBiweightMeansAreRobust) {
  ScratchDirectory dir;
  RecordingCanvas canvas;
  DataSet data = common_signal_site(8, 200, 3);
  EngineOptions options = plotted(-2, kSummaryBiweightMean);
  options.regional = true;
  options.stiffness = 10;
  EngineState state;
  const AnsweredRun run = run_answered(data, options, state, empty_answers(200));
  const auto pages = pages_of(canvas);
  EXPECT_EQ(page_titled(pages, "Original and Final Signal Free Raw Data"), nullptr);
  EXPECT_NE(page_titled(pages, "Robust Original & Signal Free Chronology, Iter =" + i3(run.results.iterations)),
            nullptr);
  // Only the interactive program shows the biweight weights.
  EXPECT_EQ(page_titled(pages, "Biweights For Standard Chronology"), nullptr);
}

TEST(DiagnosticPlots, TheInteractiveProgramShowsTheBiweightsOfBothChronologies) {
  ScratchDirectory dir;
  RecordingCanvas canvas;
  DataSet data = common_signal_site(8, 200, 3);
  EngineOptions options = plotted(1, kSummaryBiweightMean);
  options.biweight_plots = true;
  EngineState state;
  const AnsweredRun run = run_answered(data, options, state, empty_answers(200));
  const auto pages = pages_of(canvas);
  const Page* standard = page_titled(pages, "Biweights For Standard Chronology");
  ASSERT_NE(standard, nullptr);
  EXPECT_EQ(standard->legends.front(), "Iteration:   0  hh,med,hl,min biwgts");
  EXPECT_EQ(standard->lines, 5);
  const Page* signal_free = page_titled(pages, "Biweights For Signal Free Chronology");
  ASSERT_NE(signal_free, nullptr);
  EXPECT_EQ(signal_free->legends.front(), "Iteration: " + i3(run.results.iterations) + "  hh,med,hl,min biwgts");
}

TEST(DiagnosticPlots, AConvergenceRetryBringsEveryIterationToTheSpreadOfIterationZero) {
  ScratchDirectory dir;
  const DataSet site = common_signal_site(8, 200, 3);
  DataSet data = site;
  EngineState state;
  run_answered(data, plotted(1, kSummaryArithmeticMean), state, empty_answers(50));
  EngineOptions retry = plotted(1, kSummaryArithmeticMean);
  retry.retry_counter = 2;
  retry.retry_constant = 0.2f;
  data = site;
  for (int j = 0; j < data.ns(); ++j) {
    for (int i = 0; i < data.spans[j].count; ++i) data.x(i, j) += 0.2f;
  }
  const AnsweredRun run = run_answered(data, retry, state, empty_answers(50));
  ASSERT_EQ(state.convergence_retry, 2);
  const int nss2 = state.first_run.nss2;
  const Matrix& chronologies = run.results.iteration_chronologies;
  const std::size_t years = static_cast<std::size_t>(site.whole.count);
  const MeanSd zero = mnsd(chronologies.column(0).first(years).subspan(nss2));
  for (int k = 1; k <= run.results.iterations; ++k) {
    const MeanSd own = mnsd(chronologies.column(k).first(years).subspan(nss2));
    EXPECT_NEAR(own.mean, zero.mean, 1e-4f) << k;
    EXPECT_NEAR(own.sd, zero.sd, 1e-4f) << k;
  }
}

}  // namespace
}  // namespace qb::testing
