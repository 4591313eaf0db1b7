#include "dialogue/series_selection.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/dialogue/menu_test_support.hpp"
#include "tests/series/synthetic_data_set.hpp"

namespace qb {
namespace {

using testing::ReportCapture;
using testing::ScriptedConsole;
using testing::synthetic_data_set;
using testing::value_of;

struct Selection {
  DataSet data;
  SegmentLengthStatistics lengths;
  std::string output;
  std::string report;
};

// Runs the menu in a scratch folder; `check` looks at the folder before it goes.
Selection select(DataSet data, const std::string& answers,
                 const std::function<void(const std::filesystem::path&)>& check = {}) {
  ReportCapture capture;
  ScriptedConsole console(answers);
  Selection s;
  s.lengths.value[2] = -1;
  select_series(console.console(), capture.report(), data, "site.rwl", s.lengths);
  s.data = std::move(data);
  s.output = console.output();
  s.report = capture.text();
  if (check) check(capture.dir().path());
  return s;
}

TEST(SeriesSelection, FirstCharacterOneKeepsEverySeries) {
  const Selection s = select(synthetic_data_set({{1900, 1999}, {1950, 1990}}), "12\n", [](const auto& dir) {
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // the report only
  });
  EXPECT_EQ(s.data.ns(), 2);
  EXPECT_EQ(s.report, "");
  EXPECT_EQ(s.lengths.value[2], -1);
  EXPECT_EQ(select(synthetic_data_set({{1900, 1999}}), "\n").data.ns(), 1);
  EXPECT_THROW(select(synthetic_data_set({{1900, 1999}}), "/\n"), ProgramStop);
}

TEST(SeriesSelection, TruncationBeforeAStartYear) {
  Selection s = select(synthetic_data_set({{1900, 1999}, {1930, 1990}}), "5\n1920\n", [](const auto& dir) {
    EXPECT_TRUE(std::filesystem::exists(dir / "site_trunb=1920.txt"));
  });
  EXPECT_EQ(s.data.spans[0].first_year, 1920);
  EXPECT_EQ(s.data.spans[0].count, 80);
  EXPECT_EQ(s.data.x(0, 0), value_of(0, 1920));
  EXPECT_EQ(s.data.x(79, 0), value_of(0, 1999));
  for (int r = 80; r < 100; ++r) EXPECT_TRUE(is_missing(s.data.x(r, 0))) << r;
  EXPECT_EQ(s.data.spans[1].first_year, 1930);  // starts after the year: unchanged
  EXPECT_EQ(s.data.whole.first_year, 1920);
  EXPECT_EQ(s.data.whole.count, 80);
  EXPECT_NE(s.report.find(" DATA ARE TRUNCATED BEFORE MINIMUM START YEAR:  1920\n"), std::string::npos);
  EXPECT_NE(s.report.find(" CENSORED DATA SET              MIN   25%   MED   75%   MAX\n"), std::string::npos);
  EXPECT_NE(s.output.find(" CENSORED DATA SET"), std::string::npos);
  EXPECT_EQ(s.lengths.value[4], 80);

  // A year before every first year changes nothing but is still a selection.
  s = select(synthetic_data_set({{1900, 1999}}), "5\n1700\n");
  EXPECT_EQ(s.data.spans[0].first_year, 1900);
  EXPECT_EQ(s.data.whole.first_year, 1900);
  EXPECT_NE(s.report.find(" DATA ARE TRUNCATED BEFORE MINIMUM START YEAR:  1700\n"), std::string::npos);
}

TEST(SeriesSelection, TruncationAfterAnEndYear) {
  const Selection s = select(synthetic_data_set({{1900, 1999}}), "6\nabc\n1980\n");
  EXPECT_EQ(s.data.spans[0].last_year, 1980);
  EXPECT_EQ(s.data.spans[0].count, 81);
  EXPECT_EQ(s.data.x(80, 0), value_of(0, 1980));
  for (int r = 81; r < 100; ++r) EXPECT_TRUE(is_missing(s.data.x(r, 0))) << r;
  EXPECT_EQ(s.data.whole.last_year, 1980);
  EXPECT_EQ(s.data.whole.count, 81);
  EXPECT_NE(s.report.find(" DATA ARE TRUNCATED AFTER MAXIMUM END YEAR:  1980\n"), std::string::npos);
}

TEST(SeriesSelection, TruncationLeavingFewerThan20ValuesEndsTheProgram) {
  ReportCapture capture;
  ScriptedConsole console("5\n1940\n");
  DataSet data = synthetic_data_set({{1850, 1999}, {1900, 1950}});
  SegmentLengthStatistics lengths;
  EXPECT_THROW(select_series(console.console(), capture.report(), data, "site.rwl", lengths), ProgramStop);
  EXPECT_NE(console.output().find("\n Series  S1        truncation before 1940 only leaves   11  values for analysis.\n"
                                  "\n Please evaluate your truncation choice and see if it is\n"),
            std::string::npos);
  EXPECT_NE(console.output().find("\n Review your truncation choice!\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(capture.dir().path() / "site_trunb=1940.txt"));
  EXPECT_EQ(capture.text(), "");
}

TEST(SeriesSelection, CensoringThatFindsNothingShowsTheMenuAgain) {
  // Choice 3 with a year before every first year: warning, pause, menu.
  Selection s = select(synthetic_data_set({{1900, 1999}, {1950, 1990}}), "3\n1800\n\n1\n");
  EXPECT_EQ(s.data.ns(), 2);
  EXPECT_NE(s.output.find(" *** Warning: No series were found that start ON or BEFORE  1800\n"
                          "     Try again or quit the program.\n\nHit Return to continue"),
            std::string::npos);
  EXPECT_EQ(s.report, "");

  // A minimum length no series reaches, and one that leaves two series that
  // do not overlap, are undone.
  s = select(synthetic_data_set({{1900, 1999}, {1990, 2050}, {2040, 2139}}), "2\n500\n\n2\n70\n\n1\n");
  EXPECT_EQ(s.data.ns(), 3);
  EXPECT_EQ(s.data.x(0, 1), value_of(1, 1990));
  EXPECT_NE(s.output.find("*** Warning: This selection leaves no series; it is undone."), std::string::npos);
  EXPECT_NE(s.output.find("*** Warning: After this selection no series covers the year   2000; it is undone."),
            std::string::npos);
  EXPECT_EQ(s.report, "");
}

TEST(SeriesSelection, CensoringWritesItsLineFileAndStatistics) {
  Selection s = select(synthetic_data_set({{1900, 1939}, {1850, 1909}, {1880, 1934}}), "2\n50\n", [](const auto& dir) {
    EXPECT_TRUE(std::filesystem::exists(dir / "site_mnsl=50.txt"));
  });
  EXPECT_EQ(s.data.ns(), 2);
  EXPECT_NE(s.report.find(" DATA ARE CENSORED BY MINIMUM SEGMENT LENGTH:    50\n"), std::string::npos);
  EXPECT_EQ(s.lengths.value[0], 55);
  EXPECT_NE(s.output.find("File for censored data created: site_mnsl=50.txt"), std::string::npos);

  // The common end year may not come before the start year.
  s = select(synthetic_data_set({{1850, 1990}, {1890, 1960}}), "7\n1900\n1899\n1950\n", [](const auto& dir) {
    EXPECT_TRUE(std::filesystem::exists(dir / "site_comm=1900-1950.txt"));
  });
  EXPECT_NE(s.output.find(" The common end year must not be before the start year.\n"), std::string::npos);
  EXPECT_EQ(s.data.spans[1].count, 51);
  EXPECT_NE(s.report.find(" DATA ARE CENSORED BY COMMON START AND END YEARS:  1900  1950\n"), std::string::npos);

  s = select(synthetic_data_set({{1850, 1990}, {1890, 1960}}), "4\n1860\n");
  EXPECT_EQ(s.data.ns(), 1);
  EXPECT_NE(s.report.find(" DATA ARE CENSORED BY MINIMUM START YEAR:  1860\n"), std::string::npos);
}

TEST(SavedMeasurements, CopyOfEachSeriesSpan) {
  DataSet data = synthetic_data_set({{1900, 1999}, {1950, 1959}});
  data.x(20, 1) = 5.0f;  // beyond the series' end: not part of it
  const Matrix saved = saved_measurements(data);
  EXPECT_EQ(saved.rows(), data.x.rows());
  EXPECT_EQ(saved(99, 0), value_of(0, 1999));
  EXPECT_EQ(saved(9, 1), value_of(1, 1959));
  EXPECT_TRUE(is_missing(saved(20, 1)));
}

}  // namespace
}  // namespace qb
