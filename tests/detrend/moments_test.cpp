#include "detrend/moments.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/bounds.hpp"

namespace qb {
namespace {

TEST(Moments, TwoValues) {
  std::vector<float> x{1, 2};
  const Moments m = moment(x);
  EXPECT_FLOAT_EQ(m.ave, 1.5f);
  EXPECT_FLOAT_EQ(m.var, 0.5f);
  EXPECT_FLOAT_EQ(m.sdev, std::sqrt(0.5f));
  EXPECT_FLOAT_EQ(m.adev, 0.5f);
  EXPECT_FLOAT_EQ(m.skew, 0.0f);
  EXPECT_FLOAT_EQ(m.curt, 0.125f / (0.25f * 2));
  EXPECT_FLOAT_EQ(m.msens, 1.0f / 1.5f);
  EXPECT_FLOAT_EQ(m.ar1, -0.5f);
  EXPECT_EQ(x, (std::vector<float>{1, 2}));
}

TEST(Moments, SmallSampleFactors) {
  std::vector<float> x{1, 2, 4, 9};
  const Moments m = moment(x);
  // mean 4, deviations -3 -2 0 5: var 38/3, third moment sum 90, fourth 722.
  const float sdev = std::sqrt(38.0f / 3.0f);
  const float f1 = std::sqrt(12.0f) / 2.0f * (8.5f / 4.0f + 1.0f);
  const float f2 = 16.0f * 5.0f / (2.0f * 3.0f * 1.0f);
  EXPECT_NEAR(m.skew, 90.0f / (sdev * sdev * sdev * 4.0f) * f1, 1e-5f);
  EXPECT_NEAR(m.curt, 722.0f / ((38.0f / 3.0f) * (38.0f / 3.0f) * 4.0f) * f2, 1e-4f);
  // Lag-one products of the deviations (6 + 0 + 0) over n and the population variance 9.5.
  EXPECT_NEAR(m.ar1, 6.0f / 9.5f / 4.0f, 1e-6f);
}

TEST(Moments, UndefinedStatistics) {
  constexpr float u = kUndefinedStatistic;
  const auto all = [](const Moments& m) {
    return std::vector<float>{m.ave, m.adev, m.sdev, m.var, m.skew, m.curt, m.msens, m.ar1};
  };
  std::vector<float> none, one{3}, flat{2, 2, 2};
  EXPECT_EQ(all(moment(none)), std::vector<float>(8, u));
  EXPECT_EQ(all(moment(one)), (std::vector<float>{3, u, u, u, u, u, u, u}));
  EXPECT_EQ(all(moment(flat)), (std::vector<float>{2, 0, u, 0, u, u, 0, u}));
}

}  // namespace
}  // namespace qb
