#include "detrend/lowess.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace qb {
namespace {

TEST(Lowess, StraightLineAndTinySeries) {
  std::vector<float> line(60), ys(60);
  for (int i = 0; i < 60; ++i) line[i] = 3.0f - 0.02f * static_cast<float>(i + 1);
  for (float f : {0.0f, 0.2f, 1.0f}) {
    lowess(line, ys, f);
    for (int i = 0; i < 60; ++i) EXPECT_NEAR(ys[i], line[i], 5e-5f) << "f " << f << " i " << i;
  }
  // Lines whose first fit is exact up to rounding: the robustness passes
  // must not weigh the rounding noise and bend the ends flat.
  std::vector<float> steep(20), steep_out(20);
  for (int i = 0; i < 20; ++i) steep[i] = 2.0f + 3.0f * static_cast<float>(i);
  lowess(steep, steep_out, 0.3f);
  for (int i = 16; i < 20; ++i) EXPECT_NEAR(steep_out[i], steep[i], 1e-3f) << i;
  for (int n = 20; n <= 300; n += 7) {
    for (const auto& [a, b] : {std::pair{2.0f, 3.0f}, {-40.0f, 0.5f}, {900.0f, -2.25f}, {0.0f, 0.0f}}) {
      std::vector<float> y(n), out(n);
      for (int i = 0; i < n; ++i) y[i] = a + b * static_cast<float>(i);
      lowess(y, out, 0.3f);
      for (int i = 0; i < n; ++i) {
        ASSERT_NEAR(out[i], y[i], 1e-5f * (1.0f + std::fabs(a) + std::fabs(b) * n)) << n << " " << a << " " << i;
      }
    }
  }
  std::vector<float> one{4.5f}, one_out{0.0f};
  lowess(one, one_out, 0.5f);
  EXPECT_EQ(one_out[0], 4.5f);
  // Two points per local fit reproduce any series exactly at its points.
  std::vector<float> zigzag{1, 5, 2, 6}, zz(4);
  lowess(zigzag, zz, 0.1f);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(zz[i], zigzag[i], 1e-5f);
}

TEST(Lowess, RobustnessIterationsRejectAnOutlier) {
  const int n = 41;
  std::vector<float> y(n), ys(n);
  for (int i = 0; i < n; ++i) y[i] = 1.0f + 0.01f * static_cast<float>(i) + 0.02f * std::sin(1.7f * static_cast<float>(i));
  y[20] = 10.0f;
  lowess(y, ys, 0.3f);
  EXPECT_NEAR(ys[20], 1.2f, 0.05f);
  EXPECT_NEAR(ys[19], 1.19f, 0.05f);
  // Local fits away from the outlier follow the trend.
  EXPECT_NEAR(ys[2], 1.02f, 0.03f);
}

TEST(Lowess, LocalFitWeights) {
  // Window of 3 around x = 2 in 1..5: tricube weights 1, 1, 0 at distances 0 and
  // h (beyond 0.999 h) normalised, then the local line.
  const std::vector<float> x{1, 2, 3, 4, 5}, y{1, 4, 9, 16, 25};
  std::vector<float> w(5), rw(5, 1.0f);
  float ys = 0.0f;
  ASSERT_TRUE(lowest(x, y, 2.0f, 0, 2, w, false, rw, ys));
  EXPECT_FLOAT_EQ(ys, 4.0f);  // neighbours at distance h get no weight
  ASSERT_TRUE(lowest(x, y, 2.5f, 0, 3, w, false, rw, ys));
  // h = 1.5: points 2 and 3 at d = 0.5 weigh (1 - 1/27)^3, points 1 and 4 at d = 1.5 none.
  EXPECT_FLOAT_EQ(ys, 6.5f);
  std::vector<float> zero(5, 0.0f);
  EXPECT_FALSE(lowest(x, y, 2.0f, 0, 2, w, true, zero, ys));
}

}  // namespace
}  // namespace qb
