#include "detrend/common_interval.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/program_stop.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::ScriptedConsole;

std::string report(const std::vector<int>& first, const std::vector<int>& lengths) {
  std::vector<std::string> ids;
  for (std::size_t i = 0; i < first.size(); ++i) ids.push_back("S" + std::to_string(i));
  ScriptedConsole console;
  comint(first, ids, lengths);
  return console.output();
}

// The line of the box that begins with `label`, from its label on.
std::string line_of(const std::string& output, const std::string& label) {
  for (const std::string& line : testing::lines_of(output)) {
    if (line.find(label) != std::string::npos) return line.substr(line.find(label));
  }
  return {};
}

TEST(CommonInterval, WritesTheBox) {
  const std::string stars = std::string(20, ' ') + std::string(42, '*');
  const std::string pad(19, ' ');
  EXPECT_EQ(report({1900, 1920}, {100, 100}),
            "\n" + stars + "\n" +
                pad + " **  Time span of chronology:  1900 to 2019\n" +
                pad + " **  length =               :           120\n" +
                pad + " **  Number of series in chronology:      2\n" +
                pad + " **  Optimum common interval:  1920 to 1999\n" +
                pad + " **  Number of years included:           80\n" +
                pad + " **  Number of Series included:           2\n" +
                pad + " **  Number of rings:                   160\n" +
                pad + " **  Length of longest Series:          100\n" +
                pad + " **  Length of shortest Series:         100\n" + stars + "\n");
}

TEST(CommonInterval, FirstOfEqualProductsStays) {
  // 1950-2049 with one series (100 rings) is found before 1950-1999 with two.
  const std::string out = report({1900, 1950}, {100, 100});
  EXPECT_EQ(line_of(out, "Optimum"), "Optimum common interval:  1950 to 2049");
  EXPECT_EQ(line_of(out, "Series included"), "Series included:           1");
  EXPECT_EQ(line_of(out, "rings"), "rings:                   100");
}

TEST(CommonInterval, OneSeriesAndIdenticalSeries) {
  std::string out = report({1700}, {250});
  EXPECT_EQ(line_of(out, "Optimum"), "Optimum common interval:  1700 to 1949");
  EXPECT_EQ(line_of(out, "rings"), "rings:                   250");
  out = report({1800, 1800, 1800}, {60, 60, 60});
  EXPECT_EQ(line_of(out, "Optimum"), "Optimum common interval:  1800 to 1859");
  EXPECT_EQ(line_of(out, "Series included"), "Series included:           3");
  EXPECT_EQ(line_of(out, "rings"), "rings:                   180");
}

TEST(CommonInterval, FindsTheLargestRectangle) {
  // Four series: 1900-1999 and 1910-1989 overlap 1910-1989 (2 x 80 = 160);
  // adding 1930-2009 gives 1930-1989 with 3 (180); the short 1980-1989 adds
  // a fourth only over 10 years.
  const std::string out = report({1900, 1910, 1930, 1980}, {100, 80, 80, 10});
  EXPECT_EQ(line_of(out, "Optimum"), "Optimum common interval:  1930 to 1989");
  EXPECT_EQ(line_of(out, "rings"), "rings:                   180");
  EXPECT_EQ(line_of(out, "longest"), "longest Series:          100");
  EXPECT_EQ(line_of(out, "shortest"), "shortest Series:          10");
}

TEST(CommonInterval, YearsBeforeZeroReadBack) {
  const std::string out = report({-136, -50}, {200, 150});
  EXPECT_EQ(line_of(out, "Time span"), "Time span of chronology:  -136 to   99");
  EXPECT_EQ(line_of(out, "Optimum"), "Optimum common interval:   -50 to   63");
  EXPECT_EQ(line_of(out, "rings"), "rings:                   228");
  // Years beyond 32000 fit the columns too; the span is their own.
  EXPECT_EQ(line_of(report({40000, 40010}, {20, 20}), "Time span"), "Time span of chronology: 40000 to40029");
}

TEST(CommonInterval, AYearTooWideForItsColumnsIsReported) {
  const std::string out = report({99990, 1900}, {20, 10});
  EXPECT_EQ(out, " **********   2099990    2  S0      \n error reading sqc)\n");
}

TEST(CommonInterval, MoreThanTheLimitStops) {
  const std::vector<int> first(3001, 1900);
  const std::vector<int> lengths(3001, 10);
  const std::vector<std::string> ids(3001, "X");
  ScriptedConsole console;
  try {
    comint(first, ids, lengths);
    FAIL() << "no stop";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_code, kExitAbnormal);
  }
  EXPECT_EQ(console.output(), "\n" + std::string(19, ' ') +
                                  " >> file contains more than program limit of2999 series\n"
                                  " too many series for subroutine Commint\n");
}

}  // namespace
}  // namespace qb
