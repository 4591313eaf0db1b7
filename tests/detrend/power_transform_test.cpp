#include "detrend/power_transform.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace qb {
namespace {

// Series in series-relative rows of one matrix.
struct Series {
  Matrix x;
  std::vector<SeriesSpan> spans;
};

Series make_series(const std::vector<std::vector<float>>& columns) {
  Series s;
  int rows = 0;
  for (const auto& c : columns) rows = std::max(rows, static_cast<int>(c.size()));
  s.x = Matrix(rows, static_cast<int>(columns.size()));
  for (int j = 0; j < static_cast<int>(columns.size()); ++j) {
    const int n = static_cast<int>(columns[j].size());
    s.spans.push_back({1000, 1000 + n - 1, n});
    for (int t = 0; t < n; ++t) s.x(t, j) = columns[j][t];
  }
  return s;
}

std::vector<float> column(const Series& s, int j) {
  const auto c = s.x.column(j).first(s.spans[j].count);
  return {c.begin(), c.end()};
}

// Every change is the same fraction of the level it reaches: spread grows in
// proportion to level (slope 1).
std::vector<float> proportional_spread(std::mt19937& generator) {
  std::bernoulli_distribution up(0.5);
  std::vector<float> x{1.0f};
  for (int t = 1; t < 120; ++t) {
    const bool rise = x.back() < 0.3f || (x.back() < 3.0f && up(generator));
    x.push_back(rise ? x.back() / 0.8f : x.back() / 1.2f);
  }
  return x;
}

// Changes of one size whatever the level (slope 0).
std::vector<float> constant_spread(std::mt19937& generator) {
  std::bernoulli_distribution up(0.5);
  std::vector<float> x{2.0f};
  for (int t = 1; t < 120; ++t) {
    const bool rise = x.back() < 1.0f || (x.back() < 3.0f && up(generator));
    x.push_back(x.back() + (rise ? 0.25f : -0.25f));
  }
  return x;
}

TEST(LeastSquaresLine, SlopeInterceptAndDegenerateCases) {
  const LineFit line = trend2(std::vector<float>{0, 1, 2, 3}, std::vector<float>{1, 3, 5, 7});
  EXPECT_FLOAT_EQ(line.slope, 2.0f);
  EXPECT_FLOAT_EQ(line.intercept, 1.0f);
  const LineFit flat = trend2(std::vector<float>{2, 2, 2}, std::vector<float>{1, 2, 3});
  EXPECT_EQ(flat.slope, 0.0f);
  EXPECT_FLOAT_EQ(flat.intercept, 2.0f);
  const LineFit one = trend2(std::vector<float>{5}, std::vector<float>{4});
  EXPECT_EQ(one.slope, 0.0f);
  EXPECT_EQ(one.intercept, 4.0f);
  EXPECT_EQ(trend2(std::vector<float>{}, std::vector<float>{}).intercept, 0.0f);
}

TEST(PowerTransform, SpreadProportionalToLevelIsLoggedConstantSpreadIsKept) {
  std::mt19937 generator(17);
  const std::vector<float> proportional = proportional_spread(generator);
  const std::vector<float> constant = constant_spread(generator);
  Series s = make_series({proportional, constant});
  const PowerTransformResult result = slpt1(s.x, s.spans, 1);
  EXPECT_NEAR(result.fit.slopes[0], 1.0f, 1e-4f);
  EXPECT_NEAR(result.fit.slopes[1], 0.0f, 1e-4f);
  EXPECT_FLOAT_EQ(result.mean_power, 0.5f);  // p = 0 and p = 1

  // Logged and stretched back to the former range.
  const auto [lo, hi] = std::minmax_element(proportional.begin(), proportional.end());
  const float log_lo = std::log(*lo);
  const float log_range = std::log(*hi) - log_lo;
  const std::vector<float> logged = column(s, 0);
  for (std::size_t t = 0; t < proportional.size(); ++t) {
    EXPECT_NEAR(logged[t], (std::log(proportional[t]) - log_lo) * (*hi - *lo) / log_range + *lo, 2e-5f);
  }
  const std::vector<float> kept = column(s, 1);
  for (std::size_t t = 0; t < constant.size(); ++t) EXPECT_NEAR(kept[t], constant[t], 2e-5f);
}

TEST(PowerTransform, RangeKeptNarrowRingsNeverOvertakeWiderOnes) {
  std::mt19937 generator(23);
  // A 0.01 ring first, then rings whose spread follows their level down to
  // below 0.05, then a zero ring.
  std::vector<float> rings{0.01f};
  for (float v : proportional_spread(generator)) rings.push_back(v);
  while (rings.back() > 0.03f) rings.push_back(rings.back() / 1.2f);
  rings.push_back(0.0f);
  const std::size_t last = rings.size() - 1;
  Series s = make_series({rings, {0.5f, 0.5f, 0.5f, 0.5f}, {0.3f, 1.2f, 0.7f, 2.0f, 0.9f, 1.5f}});
  const PowerTransformResult result = slpt1(s.x, s.spans, 1);
  ASSERT_EQ(result.fit.counts.size(), 3u);
  ASSERT_GT(result.fit.slopes[0], 0.95f);  // logged
  const std::vector<float> out = column(s, 0);
  const auto [lo, hi] = std::minmax_element(rings.begin(), rings.end());
  EXPECT_EQ(*std::min_element(out.begin(), out.end()), *lo);
  EXPECT_FLOAT_EQ(*std::max_element(out.begin(), out.end()), *hi);
  // Every ring at or below ln 0.05's floor maps onto the minimum, and the
  // order of the rings is kept.
  EXPECT_EQ(out[last], 0.0f);
  EXPECT_EQ(out[0], 0.0f);
  for (std::size_t t = 0; t < rings.size(); ++t) {
    if (rings[t] < 0.05f) {
      EXPECT_EQ(out[t], 0.0f);
    } else {
      EXPECT_GT(out[t], 0.0f);
    }
  }
  for (std::size_t a = 0; a < rings.size(); ++a) {
    for (std::size_t b = 0; b < rings.size(); ++b) {
      if (rings[a] < rings[b]) {
        EXPECT_LE(out[a], out[b]);
      }
    }
  }
  // A series of equal values has no usable point, gets p = 1 and stays.
  EXPECT_EQ(result.fit.counts[1], 0);
  EXPECT_EQ(column(s, 1), (std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f}));
  // Every series keeps its range.
  const std::vector<float> third = column(s, 2);
  EXPECT_FLOAT_EQ(*std::min_element(third.begin(), third.end()), 0.3f);
  EXPECT_FLOAT_EQ(*std::max_element(third.begin(), third.end()), 2.0f);
}

TEST(PowerTransform, PlotIsOfferedOnlyOnTheFirstRun) {
  std::mt19937 generator(29);
  Series s = make_series({proportional_spread(generator), constant_spread(generator)});
  int calls = 0;
  std::size_t pooled_pairs = 0;
  const SpreadLevelPlot plot = [&](const SpreadVersusLevel& fit) {
    ++calls;
    pooled_pairs = fit.levels.size();
    EXPECT_EQ(fit.series_levels(1).size(), static_cast<std::size_t>(fit.counts[1]));
  };
  Series retry = s;
  const PowerTransformResult first = slpt1(s.x, s.spans, 0, plot);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(pooled_pairs, static_cast<std::size_t>(first.fit.counts[0] + first.fit.counts[1]));
  EXPECT_EQ(pooled_pairs, 238u);
  EXPECT_GT(first.fit.pooled.r, -1.0f);
  slpt1(retry.x, retry.spans, 2, plot);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace qb
