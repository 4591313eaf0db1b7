#include "series/censoring.hpp"

#include <gtest/gtest.h>

#include "platform/text_file.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::ScriptedConsole;

struct Series {
  const char* id;
  int first_year;
  int length;
};

// The value of a year in a series: distinct per series and year, so that a
// row shows which year of which series it holds.
float value_of(int series, int year) { return static_cast<float>(series * 10000 + year); }

DataSet data_set_of(const std::vector<Series>& series) {
  DataSet data;
  int rows = 0;
  for (const auto& s : series) rows = std::max(rows, s.length);
  data.x = Matrix(rows, static_cast<int>(series.size()));
  data.whole = {9999, -9999, 0};
  for (int c = 0; c < static_cast<int>(series.size()); ++c) {
    const Series& s = series[static_cast<std::size_t>(c)];
    for (int r = 0; r < s.length; ++r) data.x(r, c) = value_of(c, s.first_year + r);
    data.spans.push_back({s.first_year, s.first_year + s.length - 1, s.length});
    data.ids.push_back(fixed_width(s.id, kIdLength));
    data.whole.first_year = std::min(data.whole.first_year, s.first_year);
    data.whole.last_year = std::max(data.whole.last_year, s.first_year + s.length - 1);
  }
  data.whole.count = data.whole.last_year - data.whole.first_year + 1;
  return data;
}

std::string span_line(const char* label, int ns, int ify, int ily, int nyr) {
  return format_record("(1x,a,t30,4i6,'  Years total time span')", label, ns, ify, ily, nyr);
}

TEST(Censoring, MinimumSegmentLengthKeepsLongSeriesInOrder) {
  ScriptedConsole console;
  DataSet data = data_set_of({{"A", 1900, 40}, {"B", 1850, 60}, {"C", 1920, 55}});
  cenbyseg(50, data);
  ASSERT_EQ(data.ns(), 2);
  EXPECT_EQ(data.x.cols(), 2);
  EXPECT_EQ(data.ids[0], "B       ");
  EXPECT_EQ(data.ids[1], "C       ");
  EXPECT_EQ(data.x(0, 0), value_of(1, 1850));
  EXPECT_EQ(data.x(54, 1), value_of(2, 1974));
  EXPECT_TRUE(is_missing(data.x(55, 1)));
  EXPECT_EQ(data.whole.first_year, 1850);
  EXPECT_EQ(data.whole.last_year, 1974);
  EXPECT_EQ(data.whole.count, 125);
  // The span did not shrink (1850-1974 either way): no shortening line.
  EXPECT_EQ(console.output(), "\n" + format_record("(t30,'    NS   IFY   ILY   NYR')") +
                                  span_line("Min segment length series:", 2, 1850, 1974, 125));
}

TEST(Censoring, NoSeriesLongEnoughLeavesAnEmptySet) {
  ScriptedConsole console;
  DataSet data = data_set_of({{"A", 1900, 40}, {"B", 1850, 60}});
  cenbyseg(100, data);
  EXPECT_EQ(data.ns(), 0);
  EXPECT_EQ(data.whole.first_year, 9999);
  EXPECT_EQ(data.whole.last_year, -9999);
  EXPECT_EQ(data.whole.count, -19997);
}

TEST(Censoring, StartYearLimits) {
  const std::vector<Series> series{{"OLD", 1799, 100}, {"EDGE", 1800, 100}, {"YOUNG", 1850, 100}};
  {
    ScriptedConsole console;
    DataSet data = data_set_of(series);
    ASSERT_TRUE(cenbyify(1800, data));  // strictly before the year
    ASSERT_EQ(data.ns(), 1);
    EXPECT_EQ(data.ids[0], "OLD     ");
    EXPECT_NE(console.output().find("\n Total chronology length shortened:     51  years\n"), std::string::npos);
    EXPECT_NE(console.output().find(span_line("Max starting year series:", 1, 1799, 1898, 100)), std::string::npos);
  }
  {
    ScriptedConsole console;
    DataSet data = data_set_of(series);
    ASSERT_TRUE(cenayify(1800, data));  // the year itself included
    ASSERT_EQ(data.ns(), 2);
    EXPECT_EQ(data.ids[0], "EDGE    ");
    EXPECT_EQ(data.x(0, 1), value_of(2, 1850));
    // The free-form line gives ILY, IFY and NYR in that order.
    EXPECT_EQ(console.output().rfind(list_directed(1949, 1800, 150), 0), 0u);
    EXPECT_NE(console.output().find(span_line("Min starting year series:", 2, 1800, 1949, 150)), std::string::npos);
  }
  for (bool before : {true, false}) {
    ScriptedConsole console;
    DataSet data = data_set_of(series);
    const bool found = before ? cenbyify(1700, data) : cenayify(1900, data);
    EXPECT_FALSE(found);
    EXPECT_EQ(data.ns(), 3);
    EXPECT_EQ(data.whole.first_year, 1799);
    EXPECT_EQ(console.output(), "");
  }
  // Year 0 exists in astronomical numbering: a set of series before it is
  // found like any other.
  ScriptedConsole console;
  DataSet data = data_set_of({{"BC", -136, 100}, {"AD", 5, 100}});
  EXPECT_TRUE(cenbyify(0, data));
  EXPECT_EQ(data.ns(), 1);
}

TEST(Censoring, CommonPeriodTrimsEverySeriesToIt) {
  ScriptedConsole console;
  DataSet data = data_set_of({{"LONG", 1850, 141}, {"SHORT", 1910, 50}, {"FITS", 1900, 51}});
  cenbycom(1900, 1950, data);
  ASSERT_EQ(data.ns(), 2);
  EXPECT_EQ(data.ids[1], "FITS    ");
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(data.spans[s].first_year, 1900);
    EXPECT_EQ(data.spans[s].last_year, 1950);
    EXPECT_EQ(data.spans[s].count, 51);
  }
  EXPECT_EQ(data.x(0, 0), value_of(0, 1900));
  EXPECT_EQ(data.x(50, 0), value_of(0, 1950));
  for (int r = 51; r < data.x.rows(); ++r) EXPECT_TRUE(is_missing(data.x(r, 0))) << r;
  EXPECT_EQ(data.x(0, 1), value_of(2, 1900));
  EXPECT_EQ(data.whole.count, 51);
  EXPECT_NE(console.output().find("Total chronology length shortened:     90  years"), std::string::npos);
  EXPECT_NE(console.output().find(span_line("Max starting year series:", 2, 1900, 1950, 51)), std::string::npos);

  // The shortening line is always shown for a common period, even of 0 years.
  ScriptedConsole again;
  DataSet same = data_set_of({{"A", 1900, 51}});
  cenbycom(1900, 1950, same);
  EXPECT_NE(again.output().find("Total chronology length shortened:      0  years"), std::string::npos);
}

}  // namespace
}  // namespace qb
