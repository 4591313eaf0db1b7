#include "detrend/ar_end_padding.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace qb {
namespace {

TEST(ArPadding, OrderIsCappedAndTheSeriesKept) {
  std::vector<float> x{1.0f, 1.2f, 0.9f, 1.1f, 0.8f, 1.3f, 1.0f, 0.95f, 1.05f, 1.1f};
  const PaddedSeries padded = arpad(x, 20);
  EXPECT_EQ(padded.order, 6);  // trunc(0.67 * 10)
  ASSERT_EQ(padded.values.size(), 22u);
  for (int i = 0; i < 10; ++i) EXPECT_NEAR(padded.values[6 + i], x[i], 1e-6f);
  for (float v : padded.values) EXPECT_TRUE(std::isfinite(v));

  std::vector<float> long_series(1000);
  for (int i = 0; i < 1000; ++i) long_series[i] = 1.0f + 0.1f * std::sin(0.3f * static_cast<float>(i));
  EXPECT_EQ(arpad(long_series, 800).order, kMaxAutoregressiveOrder);
  EXPECT_EQ(arpad(long_series, 800).values.size(), 2000u);

  // Nothing to fit: no padding, no invented values.
  EXPECT_EQ(arpad(std::vector<float>{2.0f}, 5).values, std::vector<float>{2.0f});
  EXPECT_EQ(arpad(x, 0).values, x);
  const PaddedSeries flat = arpad(std::vector<float>(12, 0.7f), 4);
  for (float v : flat.values) EXPECT_FLOAT_EQ(v, 0.7f);
}

TEST(ArPadding, ContinuesACycleBothWays) {
  // A sinusoid obeys x(t) = 2 cos(w) x(t-1) - x(t-2): Burg's order-2 model
  // finds it and the padding continues the cycle in both directions.
  const double w = 2.0 * 3.14159265358979323846 / 12.0;
  std::vector<float> x(60);
  for (int t = 0; t < 60; ++t) x[t] = static_cast<float>(5.0 + std::sin(w * t));
  const BurgModel model = memcof(std::vector<float>(x.begin(), x.end()), 2);
  ASSERT_EQ(model.coefficients.size(), 2u);
  const PaddedSeries padded = arpad(x, 2);
  ASSERT_EQ(padded.order, 2);
  for (int k = 1; k <= 2; ++k) {
    EXPECT_NEAR(padded.values[1 + 60 + k], 5.0 + std::sin(w * (59 + k)), 0.05);
    EXPECT_NEAR(padded.values[2 - k], 5.0 + std::sin(w * (-k)), 0.05);
  }
  // Order 2 of a pure cycle, against an independent textbook Burg
  // recursion (near 2 cos w = 1.7321 and -1; Burg's estimate of a short
  // sinusoid is biased by its phase).
  std::vector<float> centred(60);
  for (int t = 0; t < 60; ++t) centred[t] = static_cast<float>(std::sin(w * t));
  const BurgModel cycle = memcof(centred, 2);
  EXPECT_NEAR(cycle.coefficients[0], 1.7392017, 1e-6);
  EXPECT_NEAR(cycle.coefficients[1], -0.9998894, 1e-6);
  EXPECT_NEAR(cycle.mean_square, 2.69557e-05, 1e-9);
}

TEST(ArPadding, OneDirectionLeavesTheOtherEndZero) {
  std::vector<float> y{0, 0, 0.5f, -0.25f, 0.125f, 0, 0};
  const std::vector<double> d{-0.5};
  extend(y, 3, 2, d, PadDirection::kForward);
  EXPECT_EQ(y[0], 0.0f);
  EXPECT_EQ(y[1], 0.0f);
  EXPECT_FLOAT_EQ(y[5], -0.0625f);
  EXPECT_FLOAT_EQ(y[6], 0.03125f);
  std::vector<float> z{9, 9, 0.5f, -0.25f, 0.125f, 9, 9};
  extend(z, 3, 2, d, PadDirection::kBackward);
  EXPECT_FLOAT_EQ(z[1], -0.25f);
  EXPECT_FLOAT_EQ(z[0], 0.125f);
  EXPECT_EQ(z[5], 0.0f);
  EXPECT_EQ(z[6], 0.0f);
}

}  // namespace
}  // namespace qb
