#include "dialogue/chronology_menus.hpp"

#include <gtest/gtest.h>

#include "tests/dialogue/menu_test_support.hpp"

namespace qb {
namespace {

using testing::occurrences;
using testing::ReportCapture;
using testing::ScriptedConsole;

// Runs one menu on fresh options with the scripted answers.
template <class Menu>
AnalysisOptions answered(Menu menu, const std::string& answers, std::string* output = nullptr) {
  ScriptedConsole console(answers);
  AnalysisOptions options;
  menu(console.console(), options);
  if (output) *output = console.output();
  return options;
}

const auto kListFileMean = [](Console& c, AnalysisOptions& o) { mean_type_menu(ProgramKind::kListFile, c, o); };

TEST(ChronologyMenus, BlankAnswersTakeTheDefaults) {
  EXPECT_EQ(answered(kListFileMean, "\n").mean_type, kSummaryBiweightMean);
  EXPECT_EQ(answered(rbar_window_prompt, "\n").rbar_window, 51);
  EXPECT_EQ(answered(stabilisation_menu, "\n").stabilisation, 1);
  AnalysisOptions options = answered(convergence_menu, "\n");
  EXPECT_EQ(options.threshold, 0.0001f);
  // "12" is read by its first character.
  EXPECT_EQ(answered(kListFileMean, "12\n").mean_type, kSummaryArithmeticMean);
  EXPECT_EQ(answered(convergence_menu, "1\n").threshold, 0.0005f);
}

TEST(ChronologyMenus, WrongMeanAnswerEndsOnlyTheListFileProgram) {
  ScriptedConsole console("x\n");
  AnalysisOptions options;
  try {
    mean_type_menu(ProgramKind::kListFile, console.console(), options);
    FAIL() << "the run goes on";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_code, kExitAbnormal);
  }
  EXPECT_NE(console.output().find("\n Mean index choice not admissible\n"), std::string::npos);

  std::string out;
  const auto interactive = [](Console& c, AnalysisOptions& o) { mean_type_menu(ProgramKind::kInteractive, c, o); };
  EXPECT_EQ(answered(interactive, "x\n1\n", &out).mean_type, kSummaryArithmeticMean);
  EXPECT_NE(out.find("Mean index choice not admissible"), std::string::npos);
}

TEST(ChronologyMenus, RbarWindowIsZeroOrAnOddWidthOfAtLeast25) {
  std::string out;
  EXPECT_EQ(answered(rbar_window_prompt, "50\n", &out).rbar_window, 51);
  EXPECT_NE(out.find(" Running RBAR window width increased to make it odd:    51\n"), std::string::npos);
  EXPECT_EQ(answered(rbar_window_prompt, "10\n-30\nabc\n25\n", &out).rbar_window, 25);
  // 10 and -30 are refused with the message; "abc" is simply asked again.
  EXPECT_EQ(occurrences(out, " Running RBAR window width must be .ge. 25\n"), 2u);
  EXPECT_EQ(occurrences(out, "Default window width is 51 years"), 4u);
  EXPECT_EQ(answered(rbar_window_prompt, "0\n", &out).rbar_window, 0);
  EXPECT_NE(out.find(" Running RBAR variance stabilization skipped\n"), std::string::npos);
}

TEST(ChronologyMenus, StabilisationTakesOnlyItsCodes) {
  std::string out;
  EXPECT_EQ(answered(stabilisation_menu, "5\n-5\nx\n-15\n", &out).stabilisation, -15);
  EXPECT_EQ(occurrences(out, "Additional spline variance stabilization?"), 4u);
  EXPECT_EQ(answered(stabilisation_menu, "0\n").stabilisation, 0);
  EXPECT_EQ(answered(stabilisation_menu, "10\n").stabilisation, 10);
}

TEST(ChronologyMenus, TypedConvergenceThreshold) {
  std::string out;
  EXPECT_EQ(answered(convergence_menu, "3\nabc\n7\n3\n0.00025\n", &out).threshold, 0.00025f);
  EXPECT_NE(out.find(format_record("(1x,'Okay, enter YOUR convergence test',t50,'==> ',$)")), std::string::npos);
  EXPECT_THROW(answered(convergence_menu, "/\n"), ProgramStop);
}

TEST(ChronologyMenus, HaldTweaks) {
  const auto interactive = [](Console& c, AnalysisOptions& o) { hald_tweaks(ProgramKind::kInteractive, c, o); };
  std::string out;
  EXPECT_EQ(answered(interactive, "q\nN\n", &out).hald, 'n');
  EXPECT_NE(out.find("\n Answer not entered as y or n\n"), std::string::npos);
  EXPECT_EQ(answered(interactive, "\n").hald, 'y');
  const auto list_file = [](Console& c, AnalysisOptions& o) {
    o.hald = 'n';
    hald_tweaks(ProgramKind::kListFile, c, o);
  };
  EXPECT_EQ(answered(list_file, "", &out).hald, 'y');
  EXPECT_EQ(out, "");
}

TEST(ChronologyMenus, EchoOfTheOriginalCriteriaAndAStandardSpline) {
  ReportCapture capture;
  AnalysisOptions options;
  options.hald = 'n';
  echo_stabilisation(capture.report(), options);
  echo_hald_tweaks(capture.report(), options);
  EXPECT_EQ(capture.text(),
            " ADDITIONAL SPLINE VARIANCE STABILIZATION OPTION - STANDARD SPLINE:     0\n"
            "\n ORIGINAL CONVERGENCE CRITERIA USED - MAY BE SLOWER TO CONVERGE\n"
            "\n FOR SPLINE AND FRIEDMAN FLEXIBLE CURVE FITS A COUNT-WEIGHTED CONVERGENCE CRITERION IS USED.\n"
            "  REDUCES THE CHANCES OF EXCESSIVE SIGNAL FREE ITERATIONS.\n");
}

}  // namespace
}  // namespace qb
