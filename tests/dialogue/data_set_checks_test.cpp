#include "dialogue/data_set_checks.hpp"

#include <gtest/gtest.h>

#include "series/file_names.hpp"
#include "tests/dialogue/menu_test_support.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

DataSet data_set_of(const std::vector<SeriesSpan>& spans) {
  DataSet data;
  int longest = 0;
  data.whole = {9999, -9999, 0};
  for (const auto& s : spans) {
    longest = std::max(longest, s.count);
    data.whole.first_year = std::min(data.whole.first_year, s.first_year);
    data.whole.last_year = std::max(data.whole.last_year, s.last_year);
  }
  data.whole.count = data.whole.last_year - data.whole.first_year + 1;
  data.x = Matrix(longest, static_cast<int>(spans.size()));
  for (int s = 0; s < static_cast<int>(spans.size()); ++s) {
    for (int r = 0; r < spans[s].count; ++r) data.x(r, s) = 1.0f;
    data.ids.push_back("S" + std::to_string(s) + std::string(6, ' '));
  }
  data.spans = spans;
  return data;
}

TEST(SegmentLengthStatistics, MinAndMaxCountOnlyExactLengths) {
  const auto data = data_set_of({{1900, 1949, 50}, {1900, 1999, 100}, {1850, 1949, 100}, {1800, 1999, 200}});
  const auto stats = segment_length_statistics(data);
  EXPECT_EQ(stats.value[0], 50);
  EXPECT_EQ(stats.value[2], 100);
  EXPECT_EQ(stats.value[4], 200);
  EXPECT_EQ(stats.count[0], 1);
  EXPECT_EQ(stats.count[2], 3);
  EXPECT_EQ(stats.count[4], 1);
}

// A refused data set's reason is in its report as well.
TEST(MissingValueTest, CountsNegativeValuesInsideSpansOnly) {
  auto data = data_set_of({{1900, 1909, 10}, {1900, 1904, 5}});
  data.x(3, 0) = -9.99f;
  testing::ScriptedConsole script;
  testing::ReportCapture report;
  EXPECT_EQ(missing_value_test(console(), report.report(), data), 1);  // -999.0 beyond series 2's span is not counted
  report_missing_values(console(), report.report(), 1);
  const std::string refusal = " Series S0       has   1 missing (negative) values\n"
                              "\n Missing (negative) values encountered:         1\n"
                              " Run the data set through KELMOR to fill the gaps and save the data.\n";
  EXPECT_NE(script.output().find(refusal), std::string::npos);
  EXPECT_EQ(report.text(), to_upper(refusal));
}

TEST(Coverage, FirstYearWithoutSeries) {
  EXPECT_EQ(first_uncovered_year(data_set_of({{1900, 1909, 10}, {1905, 1920, 16}})), std::nullopt);
  // The refusal names the series on either side of the gap: the one that
  // ends just before it and the one that begins soonest after it.
  const DataSet groups = data_set_of({{1900, 1905, 6}, {1914, 1920, 7}, {1900, 1909, 10}, {1912, 1920, 9}});
  EXPECT_EQ(first_uncovered_year(groups), 1910);
  testing::ScriptedConsole script;
  testing::ReportCapture report;
  EXPECT_FALSE(can_be_standardised(console(), report.report(), groups));
  EXPECT_FALSE(can_be_standardised(console(), report.report(), DataSet{}));
  EXPECT_EQ(report.text(), to_upper(script.output()));
  EXPECT_NE(script.output().find(" No series covers the year   1910.\n"
                                 " Series S2 ends in the year 1909, series S3 begins in the year 1912.\n"
                                 " The data set falls apart"),
            std::string::npos);
  EXPECT_NE(script.output().find(" No series were read from the data file"), std::string::npos);
}

TEST(FileNames, BaseAndReportNames) {
  EXPECT_EQ(dataset_base_name("site.rwl"), "site");
  EXPECT_EQ(dataset_base_name("a.b.rwl   "), "a");
  EXPECT_EQ(dataset_base_name("my site   "), "my site");
  EXPECT_EQ(dataset_base_name("     "), " ");
  EXPECT_EQ(report_file_name("site.rwl", "47b_batch"), "site_out_v47b_batch.txt");
  EXPECT_EQ(report_file_name("my site", "47b_batch"), "mysite_out_v47b_batch.txt");
  EXPECT_EQ(report_file_name("", "47b_batch"), "_out_v47b_batch.txt");
  EXPECT_EQ(report_file_name("site.rwl", "45_v2e "), "site_out_v45_v2e.txt");
  // A folder in the name stays whole: its dots and blanks are its own.
  EXPECT_EQ(dataset_base_name("../a/co021.rwl   "), "../a/co021");
  EXPECT_EQ(dataset_base_name("data.v2/co021.crn.txt"), "data.v2/co021");
  EXPECT_EQ(dataset_base_name("/x/my data.2/site"), "/x/my data.2/site");
  EXPECT_EQ(report_file_name("my data.2/my site.rwl", "47b_batch"), "my data.2/mysite_out_v47b_batch.txt");
}

}  // namespace
}  // namespace qb
