#include "series/censoring.hpp"

#include <gtest/gtest.h>

#include "tests/series/synthetic_data_set.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::ScriptedConsole;
using testing::synthetic_data_set;
using testing::value_of;

std::string span_line(const char* label, int ns, int ify, int ily, int nyr) {
  return format_record("(1x,a,t30,4i6,'  Years total time span')", label, ns, ify, ily, nyr);
}

void expect_whole(const DataSet& data, int first, int last, int count) {
  EXPECT_EQ(data.whole.first_year, first);
  EXPECT_EQ(data.whole.last_year, last);
  EXPECT_EQ(data.whole.count, count);
}

TEST(Censoring, MinimumSegmentLength) {
  ScriptedConsole console;
  // Lengths 40, 60 and 55: the second and third stay, in that order.
  DataSet data = synthetic_data_set({{1900, 1939}, {1850, 1909}, {1920, 1974}});
  cenbyseg(50, data);
  ASSERT_EQ(data.ns(), 2);
  EXPECT_EQ(data.x.cols(), 2);
  EXPECT_EQ(data.ids[0], "S1      ");
  EXPECT_EQ(data.x(0, 0), value_of(1, 1850));
  EXPECT_EQ(data.x(54, 1), value_of(2, 1974));
  EXPECT_TRUE(is_missing(data.x(55, 1)));
  expect_whole(data, 1850, 1974, 125);
  // The span did not shrink: no shortening line.
  EXPECT_EQ(console.output(), format_record("(/t30,'    NS   IFY   ILY   NYR')") +
                                  span_line("Min segment length series:", 2, 1850, 1974, 125));

  cenbyseg(100, data);
  EXPECT_EQ(data.ns(), 0);
  expect_whole(data, 9999, -9999, -19997);
}

TEST(Censoring, StartYearLimits) {
  const auto series = synthetic_data_set({{1799, 1898}, {1800, 1899}, {1850, 1949}});
  {
    ScriptedConsole console;
    DataSet data = series;
    ASSERT_TRUE(cenbyify(1800, data));  // strictly before the year
    ASSERT_EQ(data.ns(), 1);
    EXPECT_EQ(data.ids[0], "S0      ");
    EXPECT_NE(console.output().find("\n Total chronology length shortened:     51  years\n"), std::string::npos);
    EXPECT_NE(console.output().find(span_line("Max starting year series:", 1, 1799, 1898, 100)), std::string::npos);
  }
  {
    ScriptedConsole console;
    DataSet data = series;
    ASSERT_TRUE(cenayify(1800, data));  // the year itself included
    ASSERT_EQ(data.ns(), 2);
    EXPECT_EQ(data.x(0, 1), value_of(2, 1850));
    // The free-form line gives ILY, IFY and NYR in that order.
    EXPECT_EQ(console.output().rfind(list_directed(1949, 1800, 150), 0), 0u);
    EXPECT_NE(console.output().find(span_line("Min starting year series:", 2, 1800, 1949, 150)), std::string::npos);
  }
  for (bool before : {true, false}) {
    ScriptedConsole console;
    DataSet data = series;
    EXPECT_FALSE(before ? cenbyify(1700, data) : cenayify(1900, data));
    EXPECT_EQ(data.ns(), 3);
    EXPECT_EQ(console.output(), "");
  }
  // Year 0 exists in astronomical numbering: series before it are found
  // like any others.
  ScriptedConsole console;
  DataSet data = synthetic_data_set({{-136, -37}, {5, 104}});
  EXPECT_TRUE(cenbyify(0, data));
  EXPECT_EQ(data.ns(), 1);
}

TEST(Censoring, CommonPeriodTrimsEverySeriesToIt) {
  ScriptedConsole console;
  DataSet data = synthetic_data_set({{1850, 1990}, {1910, 1959}, {1900, 1950}});
  cenbycom(1900, 1950, data);
  ASSERT_EQ(data.ns(), 2);
  EXPECT_EQ(data.ids[1], "S2      ");
  for (const SeriesSpan& span : data.spans) EXPECT_EQ(span.count, 51);
  EXPECT_EQ(data.x(0, 0), value_of(0, 1900));
  EXPECT_EQ(data.x(50, 0), value_of(0, 1950));
  for (int r = 51; r < data.x.rows(); ++r) EXPECT_TRUE(is_missing(data.x(r, 0))) << r;
  expect_whole(data, 1900, 1950, 51);
  EXPECT_NE(console.output().find("Total chronology length shortened:     90  years"), std::string::npos);
  EXPECT_NE(console.output().find(span_line("Max starting year series:", 2, 1900, 1950, 51)), std::string::npos);

  // The shortening line is shown even when nothing was shortened.
  cenbycom(1900, 1950, data);
  EXPECT_NE(console.output().find("Total chronology length shortened:      0  years"), std::string::npos);
}

}  // namespace
}  // namespace qb
