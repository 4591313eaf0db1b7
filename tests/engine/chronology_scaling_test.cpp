#include "engine/chronology_scaling.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace qb::testing {
namespace {

TEST(ChronologyScaling, AChronologyWithoutSpreadIsMovedNotDividedByZero) {
  std::vector<float> values{0.0f, 1.0f, 2.0f};
  rescale(values, {1.0f, 1.0f}, {1.0f, 2.0f}, NegativeValues::kSetToZero);
  EXPECT_EQ(values, (std::vector<float>{0.0f, 1.0f, 3.0f}));
  std::vector<float> flat(3, 0.7f);
  rescale(flat, statistics_after(flat, 1), {1.0f, 0.3f}, NegativeValues::kKeep);
  EXPECT_EQ(flat, (std::vector<float>(3, 1.0f)));
  // A lead-in over the whole chronology leaves nothing after it: all of it
  // counts, rather than a mean of nothing.
  EXPECT_FLOAT_EQ(statistics_after(std::vector<float>{1.0f, 3.0f}, 2).mean, 2.0f);
}

}  // namespace
}  // namespace qb::testing
