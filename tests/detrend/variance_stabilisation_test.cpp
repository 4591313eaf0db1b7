#include "detrend/variance_stabilisation.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "detrend/robust_statistics.hpp"
#include "detrend/smoothing_spline.hpp"
#include "platform/bounds.hpp"
#include "tests/detrend/real_chronology.hpp"

namespace qb {
namespace {

float spread_of(std::span<const float> x, float centre) {
  float sum = 0.0f;
  for (float v : x) sum += std::fabs(v - centre);
  return sum / static_cast<float>(x.size());
}

// A chronology whose spread falls as its depth grows: few series early, many
// late.
struct Chronology {
  std::vector<float> x;
  std::vector<int> depth;
};
Chronology thinning_spread(int n, int replicated_from, unsigned seed) {
  std::mt19937 generator(seed);
  std::normal_distribution<float> noise(0.0f, 1.0f);
  Chronology c;
  for (int i = 0; i < n; ++i) {
    const float spread = 0.4f * std::exp(-2.0f * static_cast<float>(i) / static_cast<float>(n)) + 0.05f;
    c.x.push_back(1.0f + spread * noise(generator));
    c.depth.push_back(i < replicated_from ? 1 + i * 4 / std::max(replicated_from, 1) : 12);
  }
  return c;
}

TEST(Moment1, OnlyYearsWithSeriesCount) {
  const std::vector<float> x{50.0f, 1.0f, 2.0f, 3.0f, -50.0f};
  const std::vector<int> depth{0, 1, 3, 1, 0};
  const Moments m = moment1(x, depth);
  std::vector<float> covered{1.0f, 2.0f, 3.0f};
  const Moments reference = moment(covered);
  EXPECT_FLOAT_EQ(m.ave, 2.0f);
  EXPECT_FLOAT_EQ(m.sdev, 1.0f);
  EXPECT_FLOAT_EQ(m.var, 1.0f);
  EXPECT_EQ(m.adev, reference.adev);
  EXPECT_EQ(m.msens, reference.msens);
  EXPECT_EQ(m.ar1, reference.ar1);
  EXPECT_EQ(x[0], 50.0f);

  EXPECT_EQ(moment1(std::vector<float>{}, std::vector<int>{}).ave, kUndefinedStatistic);
  EXPECT_EQ(moment1(x, std::vector<int>(5, 0)).ave, kUndefinedStatistic);
  const Moments one = moment1(x, std::vector<int>{0, 0, 2, 0, 0});
  EXPECT_EQ(one.ave, 2.0f);
  EXPECT_EQ(one.sdev, kUndefinedStatistic);
  const Moments flat = moment1(std::vector<float>{4, 4, 4}, std::vector<int>{1, 1, 1});
  EXPECT_EQ(flat.sdev, kUndefinedStatistic);
  EXPECT_EQ(flat.var, 0.0f);
}

TEST(FixedStiffnessStabilisation, PercentStiffnessSplineAndRestandardisation) {
  Chronology c = thinning_spread(300, 60, 1);
  c.depth[0] = 0;  // a year without series is left alone
  const std::vector<float> original = c.x;
  const Moments before = moment1(original, c.depth);
  std::vector<float> x = c.x;
  std::vector<float> curve(300);
  std::vector<float> xs = c.x;
  xs[0] = 123.0f;
  int stiffness = -50;
  ASSERT_TRUE(stabit1(x, curve, xs, c.depth, stiffness));
  EXPECT_EQ(stiffness, 150);
  // The curve is the 150-year spline of the absolute deviations.
  std::vector<float> deviations = original;
  for (int i = 1; i < 300; ++i) deviations[i] = std::fabs(original[i] - before.ave);
  EXPECT_EQ(x, deviations);
  std::vector<float> expected(300);
  spline(deviations, expected, 150);
  EXPECT_EQ(curve, expected);
  // Mean and standard deviation come back; the spread no longer thins out.
  EXPECT_EQ(xs[0], 123.0f);
  const Moments after = moment1(xs, c.depth);
  EXPECT_NEAR(after.ave, before.ave, 1e-4f);
  EXPECT_NEAR(after.sdev, before.sdev, 1e-4f);
  const float early = spread_of(std::span<const float>(xs).subspan(1, 99), after.ave);
  const float late = spread_of(std::span<const float>(xs).subspan(200, 100), after.ave);
  EXPECT_LT(early / late, 1.6f);
  EXPECT_GT(spread_of(std::span<const float>(original).subspan(1, 99), before.ave) /
                spread_of(std::span<const float>(original).subspan(200, 100), before.ave),
            2.0f);

  // A spline that cannot be fitted leaves the chronology as it was.
  std::vector<float> tiny{1.0f, 1.5f, 0.5f};
  std::vector<float> tiny_curve(3), tiny_xs(3);
  int years = 20;
  EXPECT_FALSE(stabit1(tiny, tiny_curve, tiny_xs, std::vector<int>{3, 3, 3}, years));
  EXPECT_EQ(tiny_xs, (std::vector<float>{1.0f, 1.5f, 0.5f}));
}

TEST(AdaptiveStabilisation, RestandardisesToTheReplicatedYears) {
  // More than n/3 years of depth >= 5: their mean and sd are the target.
  Chronology c = thinning_spread(240, 60, 2);
  std::vector<float> x = c.x;
  std::vector<float> curve(240), xs(240);
  ASSERT_TRUE(stabit(x, curve, xs, c.depth));
  std::vector<float> replicated_before, replicated_after;
  for (int i = 0; i < 240; ++i) {
    if (c.depth[i] >= 5) {
      replicated_before.push_back(c.x[i]);
      replicated_after.push_back(xs[i]);
    }
  }
  const MeanSd target = mnsd(replicated_before);
  const MeanSd reached = mnsd(replicated_after);
  EXPECT_NEAR(reached.mean, target.mean, 1e-4f);
  EXPECT_NEAR(reached.sd, target.sd, 1e-4f);
  for (int i = 0; i < 240; ++i) {
    EXPECT_GE(xs[i], 0.0f);
    EXPECT_TRUE(curve[i] > 0.0f);
    EXPECT_FLOAT_EQ(x[i], std::fabs(c.x[i] - target.mean));
  }
  const float early = spread_of(std::span<const float>(xs).first(60), reached.mean);
  const float late = spread_of(std::span<const float>(xs).subspan(180), reached.mean);
  EXPECT_LT(early / late, 1.6f);

  // Too few replicated years: the whole chronology is the target.
  Chronology sparse = thinning_spread(120, 100, 3);
  std::vector<float> sx = sparse.x;
  std::vector<float> scurve(120), sxs(120);
  ASSERT_TRUE(stabit(sx, scurve, sxs, sparse.depth));
  EXPECT_NEAR(mnsd(sxs).mean, mnsd(sparse.x).mean, 1e-4f);
  EXPECT_NEAR(mnsd(sxs).sd, mnsd(sparse.x).sd, 1e-4f);
}

TEST(AdaptiveStabilisation, SpreadRisingEverywhereAndTooShort) {
  // Deviations that grow at every step: no local minimum to hold the tail
  // from, and the result is still a stabilised, finite chronology.
  const int n = 150;
  std::vector<float> x(n);
  for (int i = 0; i < n; ++i) x[i] = 1.0f + (i % 2 == 0 ? 1.0f : -1.0f) * 0.004f * static_cast<float>(i + 1);
  const std::vector<int> depth(n, 10);
  std::vector<float> copy = x, curve(n), xs(n);
  ASSERT_TRUE(stabit(copy, curve, xs, depth));
  for (int i = 1; i < n; ++i) EXPECT_GT(curve[i], curve[i - 1]);
  const float centre = mnsd(xs).mean;
  const float early = spread_of(std::span<const float>(xs).subspan(10, 40), centre);
  const float late = spread_of(std::span<const float>(xs).subspan(100, 40), centre);
  EXPECT_NEAR(early / late, 1.0f, 0.25f);
  for (float v : xs) EXPECT_TRUE(std::isfinite(v) && v >= 0.0f);

  std::vector<float> three{1.0f, 2.0f, 0.5f};
  std::vector<float> three_curve(3), three_xs(3);
  EXPECT_FALSE(stabit(three, three_curve, three_xs, std::vector<int>{9, 9, 9}));
  EXPECT_EQ(three_xs, (std::vector<float>{1.0f, 2.0f, 0.5f}));
}

TEST(Stabilisation, RealChronology) {
  const qb::testing::IndexSet set = qb::testing::co021_ratio_indices();
  const std::size_t n = set.chronology.size();
  for (int option : {1, 30, -20}) {
    SCOPED_TRACE(option);
    std::vector<float> x = set.chronology;
    std::vector<float> curve(n);
    std::vector<float> xs = set.chronology;
    int stiffness = option;
    const bool stabilised = option == 1 ? stabit(x, curve, xs, set.depth) : stabit1(x, curve, xs, set.depth, stiffness);
    ASSERT_TRUE(stabilised);
    if (option == -20) {
      EXPECT_EQ(stiffness, static_cast<int>(0.2f * static_cast<float>(n)));
    }
    for (std::size_t i = 0; i < n; ++i) {
      ASSERT_TRUE(std::isfinite(xs[i]) && xs[i] >= 0.0f) << i;
      ASSERT_TRUE(curve[i] > 0.0f) << i;
    }
    EXPECT_NEAR(moment1(xs, set.depth).ave, moment1(set.chronology, set.depth).ave, 0.02f);
  }
}

}  // namespace
}  // namespace qb
