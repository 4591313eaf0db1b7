#include "dialogue/index_type_menu.hpp"

#include <gtest/gtest.h>

#include "tests/dialogue/menu_test_support.hpp"

namespace qb {
namespace {

using testing::ReportCapture;
using testing::ScriptedConsole;

AnalysisOptions asked(ProgramKind kind, const std::string& answers, std::string* output = nullptr) {
  ScriptedConsole console(answers);
  AnalysisOptions options;
  options.power_transform = true;  // every question starts from ratios without transform
  ask_index_type(kind, console.console(), options);
  if (output) *output = console.output();
  return options;
}

TEST(IndexTypeMenu, ListFileDefaultsToResidualsWithTransform) {
  EXPECT_EQ(asked(ProgramKind::kListFile, "\n\n").index_mode(), 3);
  EXPECT_EQ(asked(ProgramKind::kListFile, "s\nn\n").index_mode(), 2);
  EXPECT_EQ(asked(ProgramKind::kListFile, "R\n").index_mode(), 1);
  std::string out;
  EXPECT_EQ(asked(ProgramKind::kListFile, "x\nr\n", &out).index_mode(), 1);
  EXPECT_NE(out.find("\n Error reading input [R] or [S]. Try again or enter / to exit\n"), std::string::npos);
}

TEST(IndexTypeMenu, InteractiveHasNoDefaults) {
  std::string out;
  const AnalysisOptions options = asked(ProgramKind::kInteractive, "\nS\n\n", &out);
  EXPECT_EQ(options.index_mode(), 2);  // a blank power answer means no transform
  EXPECT_NE(out.find("Error reading input [R] or [S]"), std::string::npos);
  EXPECT_NE(out.find(" Compute Indices by [R]atios or residual[S]     "), std::string::npos);
  EXPECT_EQ(asked(ProgramKind::kInteractive, "s\nt\n").index_mode(), 3);
}

TEST(IndexTypeMenu, SlashEndsTheProgramWithAMessage) {
  ScriptedConsole console("/\n");
  AnalysisOptions options;
  EXPECT_THROW(ask_index_type(ProgramKind::kListFile, console.console(), options), ProgramStop);
  EXPECT_NE(console.output().find("\n Program Terminating\n"), std::string::npos);
}

TEST(IndexTypeMenu, InteractiveEchoLeavesOutThePowerTransform) {
  for (ProgramKind kind : {ProgramKind::kListFile, ProgramKind::kInteractive}) {
    ReportCapture capture;
    AnalysisOptions options;
    options.residuals = options.power_transform = true;
    echo_index_type(kind, capture.report(), options);
    EXPECT_EQ(capture.text().find("ADAPTIVE POWER") != std::string::npos, kind == ProgramKind::kListFile);
  }
}

}  // namespace
}  // namespace qb
