// The spline stabilisation of the running-RBAR chronologies and its dialogue.
#include <gtest/gtest.h>

#include "engine/sigfree.hpp"
#include "platform/program_stop.hpp"
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

int legends_reading(const RecordingCanvas& canvas, const std::string& legend) {
  int count = 0;
  for (const PlotCall& call : canvas.calls_named("plmtex")) count += call.text.ends_with("," + legend + ")");
  return count;
}

EngineOptions stabilising(int option) {
  EngineOptions options;
  options.curve_option = 6;
  options.mean_type = kSummaryArithmeticMean;
  options.rbar_window = 51;
  options.rbar_threads = 2;
  options.stabilisation = option;
  options.file_name = "site.rwl";
  return options;
}

// Before the first question of a first run: the set-up, standard
// chronology, RBAR, EPS, comparison, spline and detrended plots.
constexpr int kMenusBeforeTheQuestion = 7;
const std::string kQuestion = "Happy with this spline stabilization? <Y>/N";
const std::string kOptionMenu = "Additional spline variance stabilization?";

std::string answers_no_then(const std::string& options) {
  std::string answers;
  for (int k = 0; k <= kMenusBeforeTheQuestion; ++k) answers += "n\n";
  return answers + options + empty_answers(60);
}

TEST(SplineStabilisationDialogue, NoThenAPercentageRestabilisesWithThatManyYears) {
  ScratchDirectory dir;
  RecordingCanvas canvas;
  DataSet data = common_signal_site(8, 300, 2);
  EngineState state;
  // "5" names no spline: the menu comes again.
  const AnsweredRun run = run_answered(data, stabilising(1), state, answers_no_then("5\n-20\n"));

  EXPECT_EQ(count_of(run.shown, kOptionMenu), 2);
  EXPECT_EQ(run.results.stabilisation, -20);
  EXPECT_EQ(count_of(run.report, "DEFAULT AGE-DEPENDENT SPLINE VARIANCE STABILIZATION APPLIED"), 1);
  EXPECT_EQ(count_of(run.report, " DEFAULT SPLINE VARIANCE STABILIZATION CHANGED TO:   -20"), 1);
  // 20 % of 300 years, in the report and in the spline legend of both passes.
  EXPECT_EQ(count_of(run.report, "FIXED FILTER SPLINE VARIANCE STABILIZATION APPLIED:   60"), 1);
  EXPECT_EQ(legends_reading(canvas, "Spline in Yrs:    60"), 2);
  // Asked again after the new stabilisation, and once in the signal-free pass.
  EXPECT_EQ(count_of(run.shown, kQuestion), 3);
}

TEST(SplineStabilisationDialogue, NoThenZeroKeepsTheRunningRbarChronologies) {
  ScratchDirectory dir;
  const DataSet site = common_signal_site(8, 300, 2);
  DataSet data = site;
  EngineState state;
  const AnsweredRun changed = run_answered(data, stabilising(1), state, answers_no_then("0\n"));
  EXPECT_EQ(changed.results.stabilisation, 0);
  EXPECT_EQ(count_of(changed.report, " DEFAULT SPLINE VARIANCE STABILIZATION CHANGED TO:     0"), 1);
  EXPECT_EQ(count_of(changed.shown, kQuestion), 1);

  data = site;
  EngineState unstabilised_state;
  const AnsweredRun unstabilised = run_answered(data, stabilising(0), unstabilised_state, empty_answers(60));
  EXPECT_EQ(count_of(unstabilised.shown, kQuestion), 0);
  EXPECT_EQ(changed.results.stabilised.standard, unstabilised.results.stabilised.standard);
  EXPECT_EQ(changed.results.stabilised.signal_free, unstabilised.results.stabilised.signal_free);
}

TEST(SplineStabilisationDialogue, AnyOtherAnswerGetsTheHintAndTheQuestionAgain) {
  ScratchDirectory dir;
  DataSet data = common_signal_site(8, 300, 2);
  EngineState state;
  const AnsweredRun run =
      run_answered(data, stabilising(30), state, empty_answers(kMenusBeforeTheQuestion) + "x\n" + empty_answers(60));
  EXPECT_EQ(count_of(run.shown, " Y or <RET> for Yes or N for no, okay?"), 1);
  EXPECT_EQ(count_of(run.shown, kQuestion), 3);
  EXPECT_EQ(run.results.stabilisation, 30);
}

TEST(SplineStabilisationDialogue, ASlashAtTheOptionMenuEndsTheProgram) {
  ScratchDirectory dir;
  DataSet data = common_signal_site(8, 300, 2);
  EngineState state;
  try {
    run_answered(data, stabilising(1), state, answers_no_then("/\n"));
    FAIL() << "the program went on";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_code, kExitNormal);
  }
}

}  // namespace
}  // namespace qb::testing
