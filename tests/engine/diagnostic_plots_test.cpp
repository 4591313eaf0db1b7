// The plots after the signal-free iteration and their preparation.
#include "engine/diagnostic_plots.hpp"

#include <gtest/gtest.h>

#include "detrend/robust_statistics.hpp"
#include "platform/record_format.hpp"
#include "tests/engine/engine_harness.hpp"

namespace qb::testing {
namespace {

TEST(IterationPlots, SplinePeriodsAndStackedDifferences) {
  const std::vector<std::pair<int, int>> periods{{100, 10}, {101, 30}, {2000, 50}, {2001, 100}};
  for (const auto& [years, period] : periods) EXPECT_EQ(iteration_smoothing_period(years), period) << years;

  // Each iteration's differences lose their mean; the last sits at 0, each
  // earlier one 0.1 lower; rows past the chronology are left alone.
  Matrix differences(3, 3, 5.0f);
  for (int k = 0; k < 3; ++k) differences(1, k) = 7.0f;
  stack_iteration_differences(differences, 3, 2);
  EXPECT_FLOAT_EQ(differences(0, 2), -1.0f);
  EXPECT_FLOAT_EQ(differences(0, 1), -1.1f);
  EXPECT_FLOAT_EQ(differences(1, 0), 0.8f);
  EXPECT_EQ(differences(2, 0), 5.0f);
}

// The lines drawn on the page whose title (written first) is `title`.
int lines_on_page(const RecordingCanvas& canvas, const std::string& title) {
  int lines = -1;
  for (const PlotCall& call : canvas.calls()) {
    if (call.name == "plinit") lines = -1;
    if (call.name == "plmtex" && call.text.ends_with("," + title + ")")) lines = 0;
    if (call.name == "plline" && lines >= 0) ++lines;
    if (call.name == "plend" && lines >= 0) return lines;
  }
  return lines;
}

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
  // Each series before and after, and the 1.0 line on the indices.
  EXPECT_EQ(lines_on_page(canvas, "Original and Final Signal Free Raw Data"), 16);
  EXPECT_EQ(lines_on_page(canvas, "Original and Final Signal Free Indices"), 17);
  EXPECT_TRUE(drew(canvas, "Iteration: " + i3(count)));
  EXPECT_TRUE(drew(canvas, "Original & Signal Free Chronology, Iter =" + i3(count)));
  EXPECT_TRUE(drew(canvas, "Iteration Convergence Statistics, Iter =" + i3(count)));
  EXPECT_EQ(lines_on_page(canvas, "Signal Free Chronology Iteration Differences"), count);
  // The 1.0 line and iterations 0 to the last.
  EXPECT_EQ(lines_on_page(canvas, "Signal Free Chronology Iterations: 30-Yr Splines"), count + 2);
  EXPECT_TRUE(drew(canvas, "  Iteration: " + i3(count)));
}

TEST(DiagnosticPlots, RegionalRunsOverlayNoSeriesAndBiweightMeansAreRobust) {
  ScratchDirectory dir;
  RecordingCanvas canvas;
  DataSet data = common_signal_site(8, 200, 3);
  EngineOptions options = plotted(-2, kSummaryBiweightMean);
  options.regional = true;
  options.stiffness = 10;
  // The interactive program's biweight plots: the signal-free one is drawn
  // only without a regional curve.
  options.biweight_plots = true;
  EngineState state;
  const AnsweredRun run = run_answered(data, options, state, empty_answers(200));
  EXPECT_FALSE(drew(canvas, "Original and Final Signal Free Raw Data"));
  EXPECT_TRUE(drew(canvas, "Robust Original & Signal Free Chronology, Iter =" + i3(run.results.iterations)));
  EXPECT_EQ(lines_on_page(canvas, "Biweights For Standard Chronology"), 5);
  EXPECT_TRUE(drew(canvas, "Iteration:   0  hh,med,hl,min biwgts"));
  EXPECT_FALSE(drew(canvas, "Biweights For Signal Free Chronology"));
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
