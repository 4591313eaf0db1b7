#include "detrend/linear_trend.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace qb {
namespace {

TEST(LinearTrend, LeastSquaresLineOverTheWholeCurveLength) {
  const std::vector<float> x{2, 4, 5, 9};  // slope 2.2, intercept -0.5
  std::vector<float> y(6);
  const StraightLine line = trend(x, y);
  EXPECT_FLOAT_EQ(line.slope, 2.2f);
  EXPECT_FLOAT_EQ(line.intercept, -0.5f);
  for (int t = 1; t <= 6; ++t) EXPECT_FLOAT_EQ(y[t - 1], 2.2f * t - 0.5f);
  trend(x, std::span<float>());  // no curve asked for: nothing written
}

}  // namespace
}  // namespace qb
