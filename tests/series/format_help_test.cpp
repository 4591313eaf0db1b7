#include "series/format_help.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "series/decadal_format.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::lines_of;
using testing::ScriptedConsole;

std::string help(const std::string& answers, const std::string& file = "") {
  ScriptedConsole console(answers);
  TextInput input = TextInput::from_text(file);
  dathlp(input);
  return console.output();
}

// The lines of an example page between "Example:" and its closing line, as
// they would stand in a file (the console shows them from column 2).
std::string example_file(const std::string& shown) {
  const auto lines = lines_of(shown);
  const auto first = std::find(lines.begin(), lines.end(), " Example:");
  const auto last = std::find(first, lines.end(), " und so veite, und so veite, ... ");
  std::string text;
  for (auto it = first + 1; it != last; ++it) text += it->substr(1) + "\n";
  return text;
}

TEST(FormatHelp, MenuAndLeaving) {
  const std::string out = help("\n");  // an empty answer reads as 0
  EXPECT_EQ(out,
            "\n Select a file type to see an example.\n"
            "\n _____   Input Format Help Menu    _____\n"
            " Raw ring-widths (mm-decade)          [1] \n"
            " Chronologies (index-decade)          [2] \n"
            " Single Column                        [3]\n"
            " Multiple Columns                     [4]\n"
            " Enter zero when finished             [0]\n"
            " Enter H for further help\n"
            " ________________________________________\n"
            " Enter a value between  [0-4]       : ");
  const std::string wrong = help("7\n0\n");
  EXPECT_NE(wrong.find(" : \n You must enter a value between 0 and 4\n\n\n _____   Input Format Help Menu"),
            std::string::npos);
  // A letter pages through the data file, then the menu comes back.
  const std::string snooped = help("H\nm\n0\n", "CAM011  1530   104\n");
  EXPECT_NE(snooped.find("snooping in the data file"), std::string::npos);
  EXPECT_NE(snooped.find("  1 CAM011  1530   104"), std::string::npos);
  EXPECT_EQ(lines_of(snooped).back(), " Enter a value between  [0-4]       : ");
}

TEST(FormatHelp, TheDecadalExamplesAreFilesOfTheirLayout) {
  ScriptedConsole quiet;
  TextInput widths = TextInput::from_text(example_file(help("1\n\n0\n")));
  DecadalReadState state;
  DecadalSeries a = trrw(TrrwMode::kReadWidths, widths, state);
  DecadalSeries b = trrw(TrrwMode::kReadWidths, widths, state);
  EXPECT_EQ(a.id, "HBM01A  ");
  EXPECT_EQ(a.first_year, 1940);
  EXPECT_EQ(a.count, 63);
  EXPECT_EQ(b.id, "HBM01B  ");
  EXPECT_EQ(b.count, 51);
  EXPECT_EQ(trrw(TrrwMode::kReadWidths, widths, state).count, kEndOfFile);

  const std::string shown = help("2\n\n0\n");
  TextInput indices = TextInput::from_text(example_file(shown));
  DecadalReadState chronology_state;
  DecadalSeries raw = trrw(TrrwMode::kReadIndices, indices, chronology_state);
  EXPECT_EQ(raw.first_year, 1950);
  EXPECT_EQ(raw.count, 54);
  EXPECT_EQ(raw.depths[0], 38);
  EXPECT_EQ(chronology_state.titles[0].substr(58, 27), "1st itrdb line missing  raw");
  EXPECT_EQ(trrw(TrrwMode::kReadIndices, indices, chronology_state).count, 54);
  EXPECT_NE(shown.find("und so veite, und so veite, ... \n <Hit Return to continue>"), std::string::npos);
}

TEST(FormatHelp, TheMultipleColumnsPageHasTwoExamples) {
  const std::string out = help("4\n\n\n0\n");
  EXPECT_NE(out.find(" Example 1:  Sentinel = ******* \n  YEAR   HKTC01A  HKTC01B  HKTC01C  HKTC01D  HKTC25A \n"),
            std::string::npos);
  EXPECT_NE(out.find(" und so veite, und so veite, ... \n  <Hit Return to continue>"), std::string::npos);
  EXPECT_NE(out.find(" Example 2:  Sentinel = -9.9 \n"), std::string::npos);
  EXPECT_NE(out.find(" und so veite, und so veite, ... \n <Hit Return to continue>"), std::string::npos);
}

}  // namespace
}  // namespace qb
