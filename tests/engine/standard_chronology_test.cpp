#include <gtest/gtest.h>

#include <vector>

#include "engine/engine_call.hpp"
#include "engine/leading_rows.hpp"

namespace qb {
namespace {

TEST(Realignment, MovesLateSeriesToCalendarRows) {
  Matrix x(40, 2);
  for (int i = 0; i < 10; ++i) {
    x(i, 0) = 1.0f + i;
    x(i, 1) = 100.0f + i;
  }
  const std::vector<SeriesSpan> spans{{1900, 1909, 10}, {1930, 1939, 10}};
  realign_to_calendar_rows(x, spans, 1900);
  // A series of the first year stays; one 30 years late moves down 30 rows.
  EXPECT_EQ(x(0, 0), 1.0f);
  EXPECT_EQ(x(9, 0), 10.0f);
  for (int r = 0; r < 30; ++r) EXPECT_EQ(x(r, 1), kMissing) << r;
  EXPECT_EQ(x(30, 1), 100.0f);
  EXPECT_EQ(x(39, 1), 109.0f);
}

// `ones` rows of depth 1, then `below_six` rows of depth 4, then depth 8.
std::vector<int> depths(int ones, int below_six, int years) {
  std::vector<int> depth(years, 8);
  for (int r = 0; r < ones + below_six && r < years; ++r) depth[r] = r < ones ? 1 : 4;
  return depth;
}

TEST(LeadingRows, SingleAndLowDepthLeadIns) {
  const LeadingRows rows = count_leading_rows(depths(3, 5, 300));
  EXPECT_EQ(rows.nss1, 3);
  EXPECT_EQ(rows.nss2, 8);
  // Every row below depth 6: nss2 takes nss1.
  const std::vector<int> shallow{1, 1, 2, 3, 5, 5};
  EXPECT_EQ(count_leading_rows(shallow).nss2, 2);
  // One tree: no lead-in, so the statistics cover every year.
  const LeadingRows single = count_leading_rows(std::vector<int>(120, 1));
  EXPECT_EQ(single.nss1, 0);
  EXPECT_EQ(single.nss2, 0);
}

TEST(FirstRunValues, FewerThanTwentyRowsAfterTheLeadInFallBackToNss1) {
  const std::vector<float> standard(27, 1.0f);
  const FirstRunValues values = first_run_values(standard, count_leading_rows(depths(3, 5, 27)));
  EXPECT_EQ(values.nss1, 3);
  EXPECT_EQ(values.nss2, 3);
  EXPECT_EQ(values.nn1, 24);
  EXPECT_EQ(values.nn2, 24);

  std::vector<float> longer(300, 1.0f);
  longer[0] = 50.0f;  // inside the lead-in: not part of m1
  const FirstRunValues kept = first_run_values(longer, count_leading_rows(depths(3, 5, 300)));
  EXPECT_EQ(kept.nss2, 8);
  EXPECT_EQ(kept.nn2, 292);
  EXPECT_FLOAT_EQ(kept.m1, 1.0f);
}

}  // namespace
}  // namespace qb
