#include "detrend/indices.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "detrend/moments.hpp"

namespace qb {
namespace {

TEST(Indices, RatiosForEveryModeButResiduals) {
  const std::vector<float> x{2, 3, 8}, curve{4, 3, 2};
  std::vector<float> index(3);
  for (int mode : {kRatioIndices, 0, 7}) {
    calind(x, curve, index, mode);
    EXPECT_EQ(index, (std::vector<float>{0.5f, 1.0f, 4.0f}));
  }
}

TEST(Indices, ResidualsTakeTheMeanAndSpreadOfTheRatios) {
  const std::vector<float> x{1.2f, 0.8f, 1.1f, 0.7f, 1.31f, 0.9f}, curve{1.0f, 0.9f, 0.95f, 0.85f, 1.1f, 0.8f};
  std::vector<float> ratio(6), residual(6);
  calind(x, curve, ratio, kRatioIndices);
  calind(x, curve, residual, kResidualIndices);
  const Moments r = moment(ratio), e = moment(residual);
  EXPECT_NEAR(e.ave, r.ave, 1e-6f);
  EXPECT_NEAR(e.sdev, r.sdev, 1e-6f);
  // Order follows the residuals x - curve (0.21 above 0.2), not the ratios (1.19 below 1.2).
  EXPECT_GT(residual[4], residual[0]);

  // A residual far below the others would fall under 0: it is set to 0.
  const std::vector<float> dip{1, 1, 1, 1, 2, 0};
  const std::vector<float> big_curve{1, 1, 1, 1, 1, 9};
  std::vector<float> out(6);
  calind(dip, big_curve, out, kResidualIndices);
  EXPECT_EQ(out[5], 0.0f);
  for (int i = 0; i < 5; ++i) EXPECT_GT(out[i], 0.0f);

  // No spread in the ratios (x twice its curve): every index is the mean ratio.
  const std::vector<float> doubled{2, 4, 6, 8}, rising{1, 2, 3, 4};
  std::vector<float> same(4);
  calind(doubled, rising, same, kResidualIndices);
  for (float v : same) EXPECT_FLOAT_EQ(v, 2.0f);
}

}  // namespace
}  // namespace qb
