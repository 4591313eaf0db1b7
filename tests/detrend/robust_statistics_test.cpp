#include "detrend/robust_statistics.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "platform/bounds.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

TEST(Quicksort, AgreesWithStandardSortAndIsRepeatable) {
  std::mt19937 generator(7);
  std::uniform_int_distribution<int> few_values(0, 9);
  std::uniform_real_distribution<float> any_value(-5.0f, 5.0f);
  std::vector<std::vector<float>> cases;
  for (int n : {0, 1, 2, 7, 8, 9, 31, 1000, 9000}) {
    std::vector<float> ascending(n), descending(n), equal(n, 3.5f), ties(n), spread(n);
    for (int i = 0; i < n; ++i) {
      ascending[i] = static_cast<float>(i);
      descending[i] = static_cast<float>(n - i);
      ties[i] = static_cast<float>(few_values(generator));
      spread[i] = any_value(generator);
    }
    cases.insert(cases.end(), {ascending, descending, equal, ties, spread});
  }
  // Long vectors sort by the bits of their values: signs, infinities,
  // subnormals and a single kind of zero must land where comparisons put them.
  const float extremes[] = {-std::numeric_limits<float>::infinity(), -3.0e38f, -1.0f, -1.0e-42f, 0.0f,
                            1.0e-42f, 1.0e-38f, 2.5f, 3.0e38f, std::numeric_limits<float>::infinity()};
  for (int n : {63, 64, 65, 3000}) {
    std::vector<float> mixed(n);
    for (int i = 0; i < n; ++i) mixed[i] = i % 3 == 0 ? extremes[few_values(generator)] : any_value(generator);
    cases.push_back(mixed);
    for (float& v : mixed) v = v == 0.0f ? -0.0f : v;
    cases.push_back(mixed);
  }
  const auto bits = [](const std::vector<float>& values) {
    std::vector<std::uint32_t> b(values.size());
    std::transform(values.begin(), values.end(), b.begin(), [](float v) { return std::bit_cast<std::uint32_t>(v); });
    return b;
  };
  for (const auto& input : cases) {
    std::vector<float> expected = input;
    std::sort(expected.begin(), expected.end());
    std::vector<float> first = input, second = input;
    qcksrt(first);
    qcksrt(second);
    EXPECT_EQ(bits(first), bits(expected)) << "n = " << input.size();
    EXPECT_EQ(second, first);
  }
  // Both zeros: equal values of different bits keep the partitioning's order.
  std::vector<float> zeros(300);
  for (int i = 0; i < 300; ++i) zeros[i] = i % 2 == 0 ? 0.0f : (i % 3 == 0 ? -0.0f : any_value(generator));
  std::vector<float> again = zeros;
  qcksrt(zeros);
  qcksrt(again);
  EXPECT_TRUE(std::is_sorted(zeros.begin(), zeros.end()));
  EXPECT_EQ(bits(zeros), bits(again));
}

TEST(Fourths, FiveNumberSummaryOfSmallVectors) {
  std::vector<float> six{6, 2, 5, 1, 4, 3};
  FiveNumberSummary s = mfs(six);
  EXPECT_FLOAT_EQ(s.median, 3.5f);
  EXPECT_FLOAT_EQ(s.lower, 2.0f);
  EXPECT_FLOAT_EQ(s.upper, 5.0f);
  EXPECT_FLOAT_EQ(s.spread, 3.0f);
  EXPECT_FLOAT_EQ(s.min, 1.0f);
  EXPECT_FLOAT_EQ(s.max, 6.0f);
  EXPECT_EQ(six, (std::vector<float>{1, 2, 3, 4, 5, 6}));

  std::vector<float> seven{7, 1, 6, 2, 5, 3, 4};
  s = mfs(seven);
  EXPECT_FLOAT_EQ(s.median, 4.0f);
  EXPECT_FLOAT_EQ(s.lower, 2.5f);
  EXPECT_FLOAT_EQ(s.upper, 5.5f);

  std::vector<float> one{42.0f};
  s = mfs(one);
  EXPECT_FLOAT_EQ(s.median, 42.0f);
  EXPECT_FLOAT_EQ(s.lower, 42.0f);
  EXPECT_FLOAT_EQ(s.upper, 42.0f);
}

TEST(Fourths, MedianAndMedianAbsoluteDeviation) {
  std::vector<float> odd{9, 1, 5}, even{4, 1, 3, 2};
  EXPECT_FLOAT_EQ(mdian1(odd), 5.0f);
  EXPECT_FLOAT_EQ(mdian1(even), 2.5f);
  // Deviations about 3 of (1, 2, 3, 10): 2, 1, 0, 7 -> median 1.5, unscaled.
  const std::vector<float> x{10, 1, 3, 2};
  EXPECT_FLOAT_EQ(xmad(x, 3.0f), 1.5f);
  EXPECT_EQ(x, (std::vector<float>{10, 1, 3, 2}));
}

TEST(Moments, MeanAndSampleStandardDeviation) {
  const std::vector<float> x{2, 4, 4, 4, 5, 5, 7, 9};
  const MeanSd r = mnsd(x);
  EXPECT_FLOAT_EQ(r.mean, 5.0f);
  EXPECT_FLOAT_EQ(r.sd, std::sqrt(32.0f / 7.0f));
  EXPECT_FLOAT_EQ(mnsd(std::vector<float>{3.0f}).sd, 0.0f);
}

TEST(Biweight, VectorBiweightSmallSamplesAndOutliers) {
  std::vector<float> five{1, 2, 3, 4, 100};
  BiweightEstimate b = xbiwt(five);
  // Median 3, deviations 2, 1, 0, 1, 97 -> MAD 1, so 1.5 MAD.
  EXPECT_FLOAT_EQ(b.location, 3.0f);
  EXPECT_FLOAT_EQ(b.one_step_location, 3.0f);
  EXPECT_FLOAT_EQ(b.scale, 1.5f);
  EXPECT_FLOAT_EQ(b.one_step_scale, 1.5f);

  // Symmetric values keep the centre; a far outlier gets no weight, so moving
  // it further changes neither location nor scale.
  std::vector<float> base{9.0f, 9.5f, 9.8f, 10.0f, 10.2f, 10.5f, 11.0f, 9.9f, 10.1f};
  std::vector<float> symmetric = base;
  EXPECT_NEAR(xbiwt(symmetric).location, 10.0f, 1e-5f);
  std::vector<float> near_outlier = base, far_outlier = base;
  near_outlier.push_back(50.0f);
  far_outlier.push_back(5000.0f);
  const BiweightEstimate a = xbiwt(near_outlier), c = xbiwt(far_outlier);
  EXPECT_FLOAT_EQ(a.location, c.location);
  EXPECT_FLOAT_EQ(a.scale, c.scale);
  EXPECT_LT(a.location, 10.2f);
}

TEST(Biweight, SummaryOptionsAndSmallSampleRules) {
  std::vector<float> one{4.25f}, weights(8, -1.0f);
  LocationScale r = biwgt(one, kSummaryBiweightMean, weights);
  EXPECT_FLOAT_EQ(r.location, 4.25f);
  EXPECT_FLOAT_EQ(r.scale, 0.0f);

  // Five values and identical values: see the per-row summary below.
  // At most five values give the median and 1.5 MAD; the MAD takes the middle
  // deviations from both sides of the median, for odd and even counts.
  const std::vector<std::tuple<std::vector<float>, float, float>> small{
      {{100, 4, 3, 2, 1}, 3.0f, 1.5f},            // deviations 0 1 1 2 97
      {{10, 1, 2, 4}, 3.0f, 2.25f},               // 1 1 2 7: (1 + 2) / 2
      {{9, -5, 0.75f, 0.5f, 0}, 0.5f, 0.75f},     // 0 0.25 0.5 5.5 8.5
      {{1, 5}, 3.0f, 3.0f},                       // 2 2
      {{-4, -1, -1, -2}, -1.5f, 0.75f}};          // 0.5 0.5 0.5 2.5
  for (auto [values, median, scale] : small) {
    r = biwgt(values, kSummaryBiweightMean);
    EXPECT_FLOAT_EQ(r.location, median);
    EXPECT_FLOAT_EQ(r.scale, scale);
  }

  // The arithmetic option neither sorts nor weights.
  std::vector<float> values{3, 1, 2, 6};
  r = biwgt(values, kSummaryArithmeticMean);
  EXPECT_FLOAT_EQ(r.location, 3.0f);
  EXPECT_FLOAT_EQ(r.scale, std::sqrt(14.0f / 3.0f));
  EXPECT_EQ(values, (std::vector<float>{3, 1, 2, 6}));

  // Percentiles: named fourths, the ends, and the interpolating rule.
  std::vector<float> seven{7, 6, 5, 4, 3, 2, 1};
  EXPECT_FLOAT_EQ(biwgt(seven, -25).location, 2.5f);
  EXPECT_FLOAT_EQ(biwgt(seven, -50).location, 4.0f);
  EXPECT_FLOAT_EQ(biwgt(seven, -75).location, 5.5f);
  EXPECT_FLOAT_EQ(biwgt(seven, -1).location, 1.0f);
  EXPECT_FLOAT_EQ(biwgt(seven, -100).location, 7.0f);
  EXPECT_FLOAT_EQ(biwgt(seven, -40).location, 2.5f);  // q = 2.8: x(2), x(3)
  EXPECT_FLOAT_EQ(biwgt(seven, -5).location, 1.0f);   // below x(1): held at the end
}

TEST(Biweight, BiweightMeanDownweightsAnOutlier) {
  std::vector<float> x{1.00f, 1.02f, 0.98f, 1.01f, 0.99f, 1.03f, 0.97f, 3.0f};
  std::vector<float> weights(x.size());
  const LocationScale r = biwgt(x, kSummaryBiweightMean, weights);
  EXPECT_NEAR(r.location, 1.0f, 0.002f);
  EXPECT_GT(r.scale, 0.0f);
  EXPECT_LT(r.scale, 0.05f);
  // Weights follow the sorted order: the outlier is last and rejected; the
  // values at the centre carry nearly full weight.
  EXPECT_FLOAT_EQ(weights.back(), 0.0f);
  for (std::size_t i = 0; i + 1 < weights.size(); ++i) EXPECT_GT(weights[i], 0.9f) << i;
}

TEST(RobustSummary, RowsCountsAndWeightSummary) {
  Matrix x(4, 7);
  // Row 0: one value among missing ones.
  x(0, 3) = 0.7f;
  // Row 1: five values.
  for (int j = 0; j < 5; ++j) x(1, j) = static_cast<float>(j + 1);
  // Row 2: seven values, one far off; negative values are data.
  const float row2[7] = {-1.0f, 1.0f, 1.02f, 0.98f, 1.01f, 0.99f, 1.03f};
  for (int j = 0; j < 7; ++j) x(2, j) = row2[j];
  // Row 3: seven values, all equal.
  for (int j = 0; j < 7; ++j) x(3, j) = 2.0f;

  const RowSummary s = robsum(x, 4, 7, kSummaryBiweightMean);
  EXPECT_EQ(s.count, (std::vector<int>{1, 5, 7, 7}));
  EXPECT_FLOAT_EQ(s.location[0], 0.7f);
  EXPECT_FLOAT_EQ(s.scale[0], 0.0f);
  EXPECT_FLOAT_EQ(s.location[1], 3.0f);
  EXPECT_FLOAT_EQ(s.scale[1], 1.5f);
  EXPECT_NEAR(s.location[2], 1.005f, 0.01f);
  EXPECT_FLOAT_EQ(s.location[3], 2.0f);
  EXPECT_FLOAT_EQ(s.scale[3], 0.0f);
  for (int c = 0; c < 4; ++c) {
    EXPECT_FLOAT_EQ(s.weights(0, c), 1.0f);
    EXPECT_FLOAT_EQ(s.weights(1, c), 1.0f);
  }
  EXPECT_FLOAT_EQ(s.weights(2, 0), 0.0f);  // the rejected value
  EXPECT_GT(s.weights(2, 1), 0.5f);
  EXPECT_LE(s.weights(2, 1), s.weights(2, 2));
  EXPECT_LE(s.weights(2, 2), s.weights(2, 3));
  EXPECT_LE(s.weights(2, 3), 1.0f);

  const RowSummary mean = robsum(x, 4, 7, kSummaryArithmeticMean);
  EXPECT_FLOAT_EQ(mean.location[1], 3.0f);
  EXPECT_FLOAT_EQ(mean.scale[1], std::sqrt(2.5f));
  EXPECT_NEAR(mean.location[2], 5.03f / 7.0f, 1e-6f);
}

TEST(RobustSummary, FatalConditionsStopWithTheirMessages) {
  {
    Matrix x(2, 3);
    x(0, 0) = 1.0f;
    testing::ScriptedConsole con("\n");
    EXPECT_THROW(robsum(x, 2, 3, kSummaryBiweightMean), ProgramStop);
    EXPECT_EQ(con.output(), "fatal error in biwgt: n is zero or negative");
  }
  {
    Matrix x(1, kMaxSeries + 1, 1.0f);
    testing::ScriptedConsole con;
    EXPECT_THROW(robsum(x, 1, kMaxSeries + 1, kSummaryArithmeticMean), ProgramStop);
    EXPECT_EQ(con.output(),
              "\n Error in Sbr ROBSUM: Max number of series exceeded\n"
              " Maximum allowed:  3000     Number sent:  3001\n"
              " *** Enlarge parameter MAXNUM in Sbr ROBSUM and try again! ***\n");
  }
}

TEST(ConvergenceStatistics, WeightsBySampleDepth) {
  const std::vector<float> change{0.1f, 0.2f, 0.3f, 0.4f};
  const std::vector<int> depth{0, 4, 1, 4};
  const ConvergenceStatistics s = sftest(change, depth);
  // Years of depth 0 are left out; weights sqrt(depth / 4): 1, 0.5, 1.
  EXPECT_FLOAT_EQ(s.unweighted_mean, 0.3f);
  EXPECT_FLOAT_EQ(s.unweighted_median, 0.3f);
  EXPECT_FLOAT_EQ(s.weighted_mean, 0.25f);
  EXPECT_FLOAT_EQ(s.weighted_median, 0.2f);

  const std::vector<int> equal_depth{3, 3, 3, 3};
  const ConvergenceStatistics e = sftest(change, equal_depth);
  EXPECT_FLOAT_EQ(e.weighted_mean, e.unweighted_mean);
  EXPECT_FLOAT_EQ(e.weighted_median, e.unweighted_median);
  EXPECT_EQ(change, (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
}

}  // namespace
}  // namespace qb
