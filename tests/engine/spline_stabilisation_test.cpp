// The spline stabilisation of the running-RBAR chronologies and its dialogue.
#include <gtest/gtest.h>

#include "platform/program_stop.hpp"
#include "tests/engine/engine_harness.hpp"

namespace qb::testing {
namespace {

EngineOptions stabilising(int option) {
  EngineOptions options;
  options.curve_option = 6;
  options.mean_type = kSummaryArithmeticMean;
  options.rbar_window = 51;
  options.threads = 2;
  options.stabilisation = option;
  options.file_name = "site.rwl";
  return options;
}

// A first run shows seven plots before its first question: set-up, standard
// chronology, RBAR, EPS, comparison, spline, detrended.
const std::string kBeforeTheQuestion = empty_answers(7);
const std::string kQuestion = "Happy with this spline stabilization? <Y>/N";
const std::string kOptionMenu = "Additional spline variance stabilization?";

TEST(SplineStabilisationDialogue, NoLetsTheUserChooseAnotherSplineAndAsksAgain) {
  ScratchDirectory dir;
  RecordingCanvas canvas;
  DataSet data = common_signal_site(8, 300, 2);
  EngineState state;
  // A stray answer, then no; 5 names no spline, -20 is 20 % of 300 years.
  const AnsweredRun run =
      run_answered(data, stabilising(1), state, kBeforeTheQuestion + "x\nn\n5\n-20\n" + empty_answers(60));
  EXPECT_EQ(count_of(run.shown, " Y or <RET> for Yes or N for no, okay?"), 1);
  EXPECT_EQ(count_of(run.shown, kOptionMenu), 2);
  // Twice before the new spline, once after it, once in the signal-free pass.
  EXPECT_EQ(count_of(run.shown, kQuestion), 4);
  EXPECT_EQ(run.results.stabilisation, -20);
  EXPECT_EQ(count_of(run.report, "DEFAULT AGE-DEPENDENT SPLINE VARIANCE STABILIZATION APPLIED"), 1);
  EXPECT_EQ(count_of(run.report, " DEFAULT SPLINE VARIANCE STABILIZATION CHANGED TO:   -20"), 1);
  EXPECT_EQ(count_of(run.report, "FIXED FILTER SPLINE VARIANCE STABILIZATION APPLIED:   60"), 1);
  const auto texts = texts_drawn(canvas);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Spline in Yrs:    60"), 2);
}

TEST(SplineStabilisationDialogue, NoThenZeroKeepsTheRunningRbarChronologies) {
  ScratchDirectory dir;
  const DataSet site = common_signal_site(8, 300, 2);
  DataSet data = site;
  EngineState state;
  const AnsweredRun changed =
      run_answered(data, stabilising(1), state, kBeforeTheQuestion + "n\n0\n" + empty_answers(60));
  EXPECT_EQ(changed.results.stabilisation, 0);
  EXPECT_EQ(count_of(changed.report, " DEFAULT SPLINE VARIANCE STABILIZATION CHANGED TO:     0"), 1);
  EXPECT_EQ(count_of(changed.shown, kQuestion), 1);

  data = site;
  EngineState other;
  const AnsweredRun unstabilised = run_answered(data, stabilising(0), other, empty_answers(60));
  EXPECT_EQ(count_of(unstabilised.shown, kQuestion), 0);
  EXPECT_EQ(changed.results.stabilised.standard, unstabilised.results.stabilised.standard);
  EXPECT_EQ(changed.results.stabilised.signal_free, unstabilised.results.stabilised.signal_free);

  data = site;
  EngineState stopped;
  try {
    run_answered(data, stabilising(1), stopped, kBeforeTheQuestion + "n\n/\n");
    FAIL() << "a slash at the option menu must end the program";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_code, kExitNormal);
  }
}

}  // namespace
}  // namespace qb::testing
