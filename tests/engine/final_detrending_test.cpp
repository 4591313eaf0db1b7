// The final detrending of the stabilised signal-free chronology.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/sigfree.hpp"
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

const std::string kQuestion = "Final RCS chronology detrending? Y/<N>";
const std::string kPeriodPrompt = "Okay, enter spline detrending in years";

EngineOptions mean_line(int curve_option, int window) {
  EngineOptions options;
  options.curve_option = curve_option;
  options.mean_type = kSummaryArithmeticMean;
  options.rbar_window = window;
  options.rbar_threads = 2;
  options.stabilisation = 1;
  options.file_name = "site.rwl";
  return options;
}

// "y" takes the default of every plot menu and yes of every yes/no
// question, and is no period: the period prompt waits for a number.
std::string yes(int count) {
  std::string answers;
  for (int k = 0; k < count; ++k) answers += "y\n";
  return answers;
}

TEST(FinalDetrending, AskedOnlyWithAWindowAndForTheRegionalSplineOrTheMeanLine) {
  ScratchDirectory dir;
  const DataSet site = common_signal_site(8, 200, 2);
  struct Case {
    EngineOptions options;
    bool asked;
  };
  EngineOptions regional = mean_line(-2, 0);
  regional.regional = true;
  EngineOptions spline = mean_line(-67, 51);
  // Raw averages run the iteration with the mean line.
  const std::vector<Case> cases{{regional, false}, {mean_line(0, 51), true}, {mean_line(6, 51), true},
                                {spline, false}};
  for (const Case& c : cases) {
    DataSet data = site;
    EngineState state;
    const AnsweredRun run = run_answered(data, c.options, state, empty_answers(200));
    EXPECT_EQ(count_of(run.shown, kQuestion), c.asked ? 1 : 0) << c.options.curve_option;
  }
}

TEST(FinalDetrending, APercentageOfTheLengthAndRefusedPeriodsAskAgainWithoutAMessage) {
  ScratchDirectory dir;
  RecordingCanvas canvas;
  const DataSet site = common_signal_site(8, 455, 2);
  DataSet data = site;
  EngineState state;
  // Before the detrending question: the seven plots and the question of the
  // standard pass, the chronology comparison, the five plots and the
  // question of the signal-free pass.
  constexpr int kAnswersBeforeTheQuestion = 15;
  // Yes to the detrending, -10 % of 455 years; not happy, then 5 (refused)
  // and 30 years, happy.
  const std::string answers = yes(kAnswersBeforeTheQuestion + 1) + "-10\n" + yes(2) + "n\n5\n30\n" + yes(40);
  const AnsweredRun run = run_answered(data, mean_line(6, 51), state, answers);
  EXPECT_EQ(count_of(run.shown, kPeriodPrompt), 3);
  // Each prompt follows an answer directly: no message in between.
  EXPECT_EQ(count_of(run.shown, "==> \n " + kPeriodPrompt), 3);
  EXPECT_EQ(count_of(run.shown, "Happy with the final RCS detrending? <Y>/N"), 2);
  std::vector<std::string> legends;
  for (const PlotCall& call : canvas.calls_named("plmtex")) {
    if (call.text.find("Spline in Yrs:") != std::string::npos) legends.push_back(call.text);
  }
  // Both stabilisation passes' spline plots use the age-dependent spline.
  ASSERT_EQ(legends.size(), 2u);
  EXPECT_TRUE(legends[0].ends_with(",Spline in Yrs:    45)"));
  EXPECT_TRUE(legends[1].ends_with(",Spline in Yrs:    30)"));

  // Declining leaves the stabilised chronology undetrended; both end at mean
  // 1.0 and never below 0.
  data = site;
  EngineState declined_state;
  const AnsweredRun declined = run_answered(data, mean_line(6, 51), declined_state, empty_answers(200));
  const std::vector<float>& detrended = run.results.stabilised.signal_free;
  ASSERT_EQ(detrended.size(), declined.results.stabilised.signal_free.size());
  EXPECT_NE(detrended, declined.results.stabilised.signal_free);
  EXPECT_TRUE(std::all_of(detrended.begin(), detrended.end(), [](float v) { return std::isfinite(v) && v >= 0.0f; }));
}

}  // namespace
}  // namespace qb::testing
