// The final detrending of the stabilised signal-free chronology.
#include <gtest/gtest.h>

#include "tests/engine/engine_harness.hpp"

namespace qb::testing {
namespace {

const std::string kQuestion = "Final RCS chronology detrending? Y/<N>";
const std::string kPeriodPrompt = "Okay, enter spline detrending in years";

EngineOptions detrending(int curve_option, int window) {
  EngineOptions options;
  options.curve_option = curve_option;
  options.mean_type = kSummaryArithmeticMean;
  options.rbar_window = window;
  options.threads = 2;
  options.stabilisation = 1;
  options.file_name = "site.rwl";
  return options;
}

TEST(FinalDetrending, AskedOnlyWithAWindowAndForTheRegionalSplineOrTheMeanLine) {
  ScratchDirectory dir;
  const DataSet site = common_signal_site(8, 200, 2);
  EngineOptions regional = detrending(-2, 0);
  regional.regional = true;
  // Raw averages (0) run the iteration with the mean line (6).
  for (const auto& [options, asked] : {std::pair{regional, false}, std::pair{detrending(0, 51), true},
                                       std::pair{detrending(-67, 51), false}}) {
    DataSet data = site;
    EngineState state;
    const AnsweredRun run = run_answered(data, options, state, empty_answers(200));
    EXPECT_EQ(count_of(run.shown, kQuestion), asked ? 1 : 0) << options.curve_option;
  }
}

TEST(FinalDetrending, APercentageOfTheLengthAndRefusedPeriodsAskAgainWithoutAMessage) {
  ScratchDirectory dir;
  RecordingCanvas canvas;
  const DataSet site = common_signal_site(8, 455, 2);
  DataSet data = site;
  EngineState state;
  // Before the question: seven plots and a question in the standard pass,
  // the chronology comparison, five plots and a question in the signal-free
  // pass. Then yes, -10 % of 455 years, two plots; not happy, 5 (refused),
  // 30 years, two plots, happy.
  const std::string answers = empty_answers(15) + "y\n-10\n\n\nn\n5\n30\n" + empty_answers(40);
  const AnsweredRun run = run_answered(data, detrending(6, 51), state, answers);
  // Each prompt follows an answer directly: no message in between.
  EXPECT_EQ(count_of(run.shown, kPeriodPrompt), 3);
  EXPECT_EQ(count_of(run.shown, "==> \n " + kPeriodPrompt), 3);
  EXPECT_EQ(count_of(run.shown, "Happy with the final RCS detrending? <Y>/N"), 2);
  EXPECT_TRUE(drew(canvas, "Spline in Yrs:    45"));
  EXPECT_TRUE(drew(canvas, "Spline in Yrs:    30"));

  // The accepted detrending replaces the stabilised chronology, which the
  // variance matching then keeps at or above 0.
  data = site;
  EngineState declined_state;
  const AnsweredRun declined = run_answered(data, detrending(6, 51), declined_state, empty_answers(200));
  const std::vector<float>& detrended = run.results.stabilised.signal_free;
  EXPECT_NE(detrended, declined.results.stabilised.signal_free);
  EXPECT_TRUE(std::all_of(detrended.begin(), detrended.end(), [](float v) { return std::isfinite(v) && v >= 0.0f; }));
}

}  // namespace
}  // namespace qb::testing
