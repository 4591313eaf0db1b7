#include "series/censored_file.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "series/decadal_format.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::lines_of;
using testing::read_file;
using testing::ScratchDirectory;
using testing::ScriptedConsole;

TEST(CensoredFileName, BaseNameKindAndValueFields) {
  EXPECT_EQ(censored_file_name('2', 20, 20, "abc.rwl"), "abc_mnsl=20.txt");
  EXPECT_EQ(censored_file_name('2', 5, 5, "abc.rwl"), "abc_mnsl= 5.txt");
  EXPECT_EQ(censored_file_name('2', 150, 150, "abc.rwl"), "abc_mnsl=150.txt");
  EXPECT_EQ(censored_file_name('2', 1500, 1500, "abc.rwl"), "abc_mnsl=1500.txt");
  EXPECT_EQ(censored_file_name('3', 1800, 1800, "abc.rwl"), "abc_mxsy=1800.txt");
  EXPECT_EQ(censored_file_name('4', 950, 950, "abc.rwl"), "abc_mnsy= 950.txt");
  EXPECT_EQ(censored_file_name('5', 1940, 1940, "abc.rwl"), "abc_trunb=1940.txt");
  EXPECT_EQ(censored_file_name('6', 980, 980, "abc.rwl"), "abc_truna=980.txt");
  EXPECT_EQ(censored_file_name('7', 1900, 1950, "abc.rwl"), "abc_comm=1900-1950.txt");
  // Cut at the first dot; without one, at the last non-blank.
  EXPECT_EQ(censored_file_name('2', 20, 20, "a.b.rwl                                           "), "a_mnsl=20.txt");
  EXPECT_EQ(censored_file_name('2', 20, 20, "my site     "), "my site_mnsl=20.txt");
}

DataSet two_series() {
  DataSet data;
  data.x = Matrix(16, 2);
  for (int r = 0; r < 16; ++r) data.x(r, 0) = 0.1f * static_cast<float>(r + 1);
  for (int r = 0; r < 3; ++r) data.x(r, 1) = 1.234f;
  data.spans = {{1955, 1970, 16}, {1900, 1902, 3}};
  data.whole = {1900, 1970, 71};
  data.ids = {"TREE01A ", "TREE02B "};
  data.titles[0].replace(0, 9, "Site line");
  data.titles[1].replace(0, 22, "2nd itrdb line missing");
  data.titles[2].replace(0, 22, "3rd itrdb line missing");
  return data;
}

TEST(CensoredFile, WrittenInTheDecadalLayoutAndReadBack) {
  ScratchDirectory dir;
  ScriptedConsole console;
  DataSet data = two_series();
  savcen('2', 5, 5, data, "abc.rwl");
  EXPECT_EQ(console.output(), "\n File for censored data created: " + fixed_width("abc_mnsl= 5.txt", 80) + "\n");
  // The stamp stays in the caller's title lines.
  EXPECT_EQ(data.titles[1].substr(84, 4), "MNSL");

  const std::string text = read_file(dir.file("abc_mnsl= 5.txt"));
  const auto lines = lines_of(text);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], fixed_width("Site line", 84) + "MNSL" + std::string(12, ' '));
  EXPECT_EQ(lines[2].size(), 100u);
  EXPECT_EQ(lines[3], "TREE01A 1955   100   200   300   400   500");
  // A full line carries the series tag in columns 75-80.
  EXPECT_EQ(lines[4].substr(60), "  1400  1500  mnsl  ");
  EXPECT_EQ(lines[5], "TREE01A 1970  1600 -9999");
  EXPECT_EQ(lines[6], "TREE02B 1900  1234  1234  1234 -9999");

  auto input = TextInput::open(dir.file("abc_mnsl= 5.txt"));
  ASSERT_TRUE(input);
  DecadalReadState state;
  ScriptedConsole quiet;
  const DecadalSeries first = trrw(TrrwMode::kReadWidths, *input, state);
  const DecadalSeries second = trrw(TrrwMode::kReadWidths, *input, state);
  EXPECT_EQ(state.titles[2].substr(84, 4), "MNSL");
  EXPECT_EQ(first.id, "TREE01A ");
  EXPECT_EQ(first.first_year, 1955);
  ASSERT_EQ(first.count, 16);
  for (int r = 0; r < 16; ++r) EXPECT_NEAR(first.values[r], data.x(r, 0), 5e-4f) << r;
  EXPECT_EQ(second.first_year, 1900);
  ASSERT_EQ(second.count, 3);
  EXPECT_NEAR(second.values[2], 1.234f, 5e-4f);
  trrw(TrrwMode::kReadWidths, *input, state);
  EXPECT_EQ(state.series_counter, kEndOfFile);
}

}  // namespace
}  // namespace qb
