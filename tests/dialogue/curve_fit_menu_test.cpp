#include "dialogue/curve_fit_menu.hpp"

#include <gtest/gtest.h>

#include "tests/dialogue/menu_test_support.hpp"

namespace qb {
namespace {

using testing::occurrences;
using testing::ReportCapture;
using testing::ScriptedConsole;

struct Dialogue {
  AnalysisOptions options;
  CurveFitDialogue outcome = CurveFitDialogue::kStartOver;
  std::string output;
};

Dialogue general_menu(const std::string& answers, int median = 120, AnalysisOptions options = {},
                      ProgramKind kind = ProgramKind::kListFile) {
  ScriptedConsole console(answers);
  Dialogue d;
  d.outcome = curve_fit_menu(kind, console.console(), options, {"site.rwl", median});
  d.options = std::move(options);
  d.output = console.output();
  return d;
}

Dialogue sub_menu(const std::string& answers) {
  ScriptedConsole console(answers);
  Dialogue d;
  d.outcome = rcs_sub_menu(console.console(), d.options);
  d.output = console.output();
  return d;
}

TEST(CurveFitMenu, BlankAnswersChooseTheTwentyYearAgeDependentSpline) {
  const Dialogue d = general_menu("\n\n");
  EXPECT_EQ(d.outcome, CurveFitDialogue::kOptionChosen);
  EXPECT_EQ(d.options.curve_option, 8);
  EXPECT_EQ(d.options.stiffness, 20);
  EXPECT_NE(d.output.find(" Age-dependent spline smoothing             <8>\n"), std::string::npos);
  EXPECT_NE(d.output.find(" enter your own value. Hit <RET> for 20.         ==> "), std::string::npos);
}

TEST(CurveFitMenu, RefusedAnswersAreAskedAgain) {
  // Not a number, or a code that names no curve: the menu again. Codes the
  // menu does not list but the fitter defines are taken.
  Dialogue d = general_menu("abc\n7\n5\n-1\n-3\n-4\n-6\n-9\n-7\n-8\n25\n");
  EXPECT_EQ(d.options.curve_option, 25);
  EXPECT_EQ(occurrences(d.output, "General Curve fit options:"), 11u);
  EXPECT_EQ(general_menu("-10\n").options.curve_option, -10);
  EXPECT_EQ(general_menu("0\n").options.curve_option, 0);
  // An alpha outside 0-9 is refused; blank takes 7.
  d = general_menu("-5\n12\n\n");
  EXPECT_EQ(d.options.alpha, 7);
  EXPECT_NE(d.output.find(" Friedman tweeter not in admissible range\n"), std::string::npos);
  // A stiffness below one year is refused.
  d = general_menu("8\n0\n35\n");
  EXPECT_EQ(d.options.stiffness, 35);
  EXPECT_NE(d.output.find("The spline stiffness must be at least 1 year."), std::string::npos);
  EXPECT_THROW(general_menu("/\n"), ProgramStop);
  EXPECT_THROW(general_menu("-5\n/\n"), ProgramStop);
}

TEST(CurveFitMenu, MedianSegmentLengthBecomesAFixedSpline) {
  EXPECT_EQ(general_menu("9\n", 256).options.curve_option, 256);
  const Dialogue d = general_menu("9\n", 8);
  EXPECT_EQ(d.options.curve_option, 10);
  EXPECT_NE(d.output.find("Median segment length below 10 years ( 8): a fixed 10-year spline is used."),
            std::string::npos);
}

TEST(CurveFitMenu, RegionalOptionAsksStiffnessAndPithOffsets) {
  Dialogue d = general_menu("-2\n\n\n");
  EXPECT_EQ(d.outcome, CurveFitDialogue::kOptionChosen);
  EXPECT_TRUE(d.options.regional);
  EXPECT_EQ(d.options.curve_option, -2);
  EXPECT_EQ(d.options.stiffness, 10);
  EXPECT_EQ(d.options.pith_offsets.size(), static_cast<std::size_t>(kMaxSeries));
  EXPECT_NE(d.output.find("Use a pith offset file?"), std::string::npos);

  // Another curve clears the regional flag and a pending request for another
  // regional curve.
  AnalysisOptions regional = d.options;
  regional.different_regional_curve = true;
  d = general_menu("3\n", 120, regional);
  EXPECT_FALSE(d.options.regional);
  EXPECT_FALSE(d.options.different_regional_curve);

  // The interactive program asks the regional questions after the echo.
  d = general_menu("-2\n", 120, {}, ProgramKind::kInteractive);
  EXPECT_EQ(d.options.curve_option, -2);
  EXPECT_EQ(d.output.find("Use a pith offset file?"), std::string::npos);
  // Its stiffness prompt reads differently.
  d = general_menu("8\n\n", 120, {}, ProgramKind::kInteractive);
  EXPECT_NE(d.output.find(" value that appears work well is 20 yrs.\n Enter your value, hit <RET> for 20"),
            std::string::npos);
}

TEST(CurveFitMenu, PendingRequestLeadsThroughTheSubMenu) {
  AnalysisOptions options;
  options.different_regional_curve = true;
  // -2 shows the sub-menu; "x" the general menu again; -2 then -4 with 20 years.
  const Dialogue d = general_menu("-2\nx\n-2\n-4\n20\n", 120, options);
  EXPECT_EQ(d.outcome, CurveFitDialogue::kRegionalCurveChosen);
  EXPECT_EQ(d.options.curve_option, -4);
  EXPECT_EQ(d.options.rcs_window, 20);
  EXPECT_TRUE(d.options.regional);
  EXPECT_EQ(occurrences(d.output, "General Curve fit options:"), 2u);
  EXPECT_EQ(d.output.find("Use a pith offset file?"), std::string::npos);
}

TEST(RcsSubMenu, WindowsAreCheckedAndAlphaIsTheWindow) {
  EXPECT_EQ(sub_menu("x\n").outcome, CurveFitDialogue::kStartOver);
  // Median window 4 is even: the sub-menu again; -50 is a percent.
  Dialogue d = sub_menu("-3\n4\n-3\n-50\n");
  EXPECT_EQ(d.outcome, CurveFitDialogue::kRegionalCurveChosen);
  EXPECT_EQ(d.options.curve_option, -3);
  EXPECT_EQ(d.options.rcs_window, -50);
  EXPECT_EQ(occurrences(d.output, "Select RCS curve fit options:"), 2u);
  // Lowess windows 2 and -101 and an unreadable one are refused; 4 is taken.
  d = sub_menu("-4\n2\n-4\n-101\n-4\nabc\n-4\n4\n");
  EXPECT_EQ(d.options.rcs_window, 4);
  EXPECT_EQ(occurrences(d.output, "Select RCS curve fit options:"), 4u);
  d = sub_menu("-5\n3\n");
  EXPECT_EQ(d.options.alpha, 3);
  EXPECT_EQ(d.options.rcs_window, 3);
  d = sub_menu("-2\n25\n");
  EXPECT_EQ(d.options.stiffness, 25);
  EXPECT_EQ(sub_menu("7\n").options.curve_option, 7);
  // The regional curve has its own codes: first differences (-1) but no 0,
  // 9 or -6 to -9.
  d = sub_menu("0\n9\n-6\n-9\n-1\n");
  EXPECT_EQ(d.options.curve_option, -1);
  EXPECT_EQ(occurrences(d.output, "Select RCS curve fit options:"), 5u);
  EXPECT_NE(d.output.find("  enter  option  (x to start over)  ==> "), std::string::npos);
}

TEST(CurveFitEcho, OneLinePerKindOfCurve) {
  const auto echo = [](int option) {
    ReportCapture capture;
    AnalysisOptions options;
    options.curve_option = option;
    options.alpha = 7;
    options.stiffness = 20;
    echo_curve_fit_option(capture.report(), options);
    return capture.text();
  };
  EXPECT_EQ(echo(-10), "\n CURVE FIT OPTION:\n SPLINE PCT N FILTER (VARIABLE) .LE. -10:  OPT  -10\n");
  EXPECT_EQ(echo(-5), "\n CURVE FIT OPTION:\n FRIEDMAN VARIABLE SPAN SMOOTHER AND ALPHA:  OPT   -5    7\n");
  EXPECT_EQ(echo(10), "\n CURVE FIT OPTION:\n SPLINE FILTER IN YEARS (FIXED) .GE. 10:  OPT   10\n");
  for (int unlisted : {-9, -4, -3, -1, 5, 7}) EXPECT_EQ(echo(unlisted), "\n CURVE FIT OPTION:\n") << unlisted;
}

}  // namespace
}  // namespace qb
