#include "engine/chronology_scaling.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace qb::testing {
namespace {

TEST(ChronologyScaling, StatisticsAfterTheLeadInUseEveryValueWhenNoneWouldRemain) {
  const std::vector<float> values{10.0f, 1.0f, 2.0f, 3.0f};
  EXPECT_FLOAT_EQ(statistics_after(values, 1).mean, 2.0f);
  EXPECT_FLOAT_EQ(statistics_after(values, 0).mean, 4.0f);
  // A lead-in over the whole chronology (one series alone) leaves nothing
  // after it: the mean of nothing would shift the chronology by 1.0.
  EXPECT_FLOAT_EQ(statistics_after(values, 4).mean, 4.0f);
}

TEST(ChronologyScaling, RescalingKeepsOrClipsNegativesAndNeverDividesByZero) {
  std::vector<float> values{0.0f, 1.0f, 2.0f};
  rescale(values, {1.0f, 1.0f}, {1.0f, 2.0f}, NegativeValues::kKeep);
  EXPECT_EQ(values, (std::vector<float>{-1.0f, 1.0f, 3.0f}));
  values = {0.0f, 1.0f, 2.0f};
  rescale(values, {1.0f, 1.0f}, {1.0f, 2.0f}, NegativeValues::kSetToZero);
  EXPECT_EQ(values, (std::vector<float>{0.0f, 1.0f, 3.0f}));

  std::vector<float> flat(5, 0.7f);
  rescale(flat, {0.7f, 0.0f}, {1.0f, 0.3f}, NegativeValues::kSetToZero);
  for (float v : flat) EXPECT_FLOAT_EQ(v, 1.0f);

  std::vector<float> centred{0.2f, 1.4f};
  centre_on_one(centred, 1.6f, NegativeValues::kSetToZero);
  EXPECT_FLOAT_EQ(centred[0], 0.0f);
  EXPECT_NEAR(centred[1], 0.8f, 1e-6f);
}

}  // namespace
}  // namespace qb::testing
