#include "detrend/curve_fits.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "detrend/linear_trend.hpp"
#include "detrend/series_mean.hpp"
#include "detrend/smoothing_spline.hpp"
#include "detrend/super_smoother.hpp"
#include "platform/bounds.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

std::vector<float> decaying_series(int n) {
  std::vector<float> x(n);
  for (int t = 1; t <= n; ++t) x[t - 1] = static_cast<float>(1.5 * std::exp(-0.02 * t) + 0.4 + 0.05 * std::sin(1.3 * t));
  return x;
}

std::vector<float> noisy_series(int n) {
  std::vector<float> x(n);
  for (int t = 1; t <= n; ++t) x[t - 1] = 1.0f + 0.3f * std::sin(0.9f * t * t) + 0.2f * std::sin(0.05f * t);
  return x;
}

std::vector<float> mean_line(const std::vector<float>& x, std::size_t ntot) {
  float sum = 0.0f;
  for (float v : x) sum += v;
  return std::vector<float>(ntot, sum / static_cast<float>(x.size()));
}

struct Fit {
  int option;
  std::vector<float> y;
};

Fit fit(const std::vector<float>& x, int option, std::size_t ntot = 0, float alpha = 7.0f, int stiffness = 20) {
  Fit f{option, std::vector<float>(ntot == 0 ? x.size() : ntot, -5.0f)};
  curvefits(x, f.y, f.option, alpha, stiffness);
  return f;
}

TEST(CurveFits, NegativeExponentialAndItsFallBacks) {
  testing::ScriptedConsole console;
  const std::vector<float> decay = decaying_series(150);
  const Fit kept = fit(decay, 1, 160);
  EXPECT_EQ(kept.option, 1);
  EXPECT_NEAR(kept.y[0], 1.5 * std::exp(-0.02) + 0.4, 0.02);
  EXPECT_NEAR(kept.y[159], 1.5 * std::exp(-0.02 * 160) + 0.4, 0.02);
  EXPECT_EQ(fit(decay, 2).option, 2);

  // Too short for the exponential: a line of any slope.
  const std::vector<float> short_rise{1, 2, 2, 3, 3, 4, 5, 5, 6, 6, 7, 8, 8, 9, 9, 10, 11, 11, 12};
  const Fit line = fit(short_rise, 1, 25);
  EXPECT_EQ(line.option, 3);
  std::vector<float> expected(25);
  trend(short_rise, expected);
  EXPECT_EQ(line.y, expected);
  EXPECT_NE(console.output().find("only 19 values"), std::string::npos);

  // Code 2: a rising series ends as the mean line, a falling line stays a line.
  std::vector<float> rise(60), fall(60);
  for (int t = 1; t <= 60; ++t) {
    rise[t - 1] = 1.0f + 0.02f * t;
    fall[t - 1] = 13.0f - 0.2f * t;
  }
  const Fit flat = fit(rise, 2);
  EXPECT_EQ(flat.option, 6);
  EXPECT_EQ(flat.y, mean_line(rise, 60));
  const Fit falling = fit(fall, 2);
  EXPECT_EQ(falling.option, 4);
  expected.assign(60, 0.0f);
  trend(fall, expected);
  EXPECT_EQ(falling.y, expected);

  // One value: the mean line, with the codes of a line of slope 0.
  const std::vector<float> single{2.5f};
  for (auto [in, out] : {std::pair{1, 3}, std::pair{2, 4}, std::pair{3, 3}, std::pair{4, 4}}) {
    const Fit one = fit(single, in, 3);
    EXPECT_EQ(one.option, out) << in;
    EXPECT_EQ(one.y, std::vector<float>(3, 2.5f)) << in;
  }
}

TEST(CurveFits, LineCodes) {
  const std::vector<float> level{1, 3, 1};  // slope exactly 0
  const Fit kept = fit(level, 4);
  EXPECT_EQ(kept.option, 4);
  for (float v : kept.y) EXPECT_FLOAT_EQ(v, 5.0f / 3.0f);

  const std::vector<float> rising{1, 1, 1.0001f};
  const Fit mean = fit(rising, 4, 5);
  EXPECT_EQ(mean.option, 6);
  EXPECT_EQ(mean.y, mean_line(rising, 5));
  const Fit any = fit(rising, 3, 5);
  EXPECT_EQ(any.option, 3);
  EXPECT_GT(any.y[4], any.y[0]);
  EXPECT_EQ(fit(rising, 6, 5).y, mean_line(rising, 5));
}

TEST(CurveFits, SuperSmootherSpanAndExtension) {
  for (int n : {39, 40}) {
    const std::vector<float> x = noisy_series(n);
    std::vector<float> s(n), w(n, 1.0f), expected(n);
    for (int i = 0; i < n; ++i) s[i] = static_cast<float>(i + 1);
    supsmu(s, x, w, kNotPeriodic, n < 40 ? 0.3f : 0.0f, 7.0f, expected);
    const Fit f = fit(x, -5);
    EXPECT_EQ(f.option, -5);
    EXPECT_EQ(f.y, expected) << n;
  }

  // Beyond the data the curve comes from smoothing the data padded with the
  // last smoothed value, and the padded smooth replaces the whole curve.
  const int n = 60;
  const std::vector<float> x = noisy_series(n);
  const Fit first = fit(x, -5);
  std::vector<float> padded(x);
  padded.resize(n + 5, first.y[n - 1]);
  std::vector<float> s(n + 5), w(n + 5, 1.0f), expected(n + 5);
  for (int i = 0; i < n + 5; ++i) s[i] = static_cast<float>(i + 1);
  supsmu(s, padded, w, kNotPeriodic, 0.0f, 7.0f, expected);
  EXPECT_EQ(fit(x, -5, n + 5).y, expected);
}

TEST(CurveFits, SplineCodes) {
  const std::vector<float> x = noisy_series(150);
  std::vector<float> expected(150);

  std::vector<int> periods(150);
  lsmake(150, 25, periods);
  spline2(x, expected, periods);
  EXPECT_EQ(fit(x, 8, 0, 7.0f, 25).y, expected);

  spline1(x, expected, 32);
  EXPECT_EQ(fit(x, 32).y, expected);

  // 25 % of 150 years: 37; the curve is not extended beyond the data.
  spline(x, expected, 37);
  const Fit share = fit(x, -25, 155);
  EXPECT_EQ(share.option, -25);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), share.y.begin()));
  EXPECT_EQ(share.y[150], -5.0f);

  // A share that comes to 8 years is an 8-year spline, not the coded 20 years.
  const std::vector<float> x85 = noisy_series(85);
  std::vector<float> eight(85);
  spline(x85, eight, 8);
  EXPECT_EQ(fit(x85, -10).y, eight);

  // A share below one year: period 1, the least-squares line.
  const std::vector<float> x9 = noisy_series(9);
  std::vector<float> line(9);
  trend(x9, line);
  const Fit tiny = fit(x9, -10);
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(tiny.y[i], line[i], 1e-5f);
}

TEST(CurveFits, CodesWithoutACurveFitTheMeanLine) {
  const std::vector<float> x = noisy_series(30);
  std::vector<float> mean_line(30);
  xmean(x, mean_line);
  for (int code : {0, 5, 7, 9, -1, -2, -3, -4, -6, -9}) {
    const Fit f = fit(x, code);
    EXPECT_EQ(f.option, kFitMean) << code;
    EXPECT_EQ(f.y, mean_line) << code;
  }
}

// Ring-width series of a decadal data file (identifier, year and up to ten
// values a line, a stop marker after the last value); header lines do not
// read as numbers. Series with missing values are left out.
std::vector<std::vector<float>> ring_width_series(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::vector<float>> all;
  std::string line, id, current;
  bool complete = true;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    long year = 0, v = 0;
    std::vector<long> row;
    if (!(fields >> id >> year)) continue;
    while (fields >> v) row.push_back(v);
    if (row.empty() || !(fields.eof())) continue;
    if (id != current) {
      if (!complete) all.pop_back();
      all.emplace_back();
      current = id;
      complete = true;
    }
    for (long value : row) {
      if (value == 999 || value == -9999) break;
      complete = complete && value >= 0;
      all.back().push_back(static_cast<float>(value) * 0.01f);
    }
  }
  if (!complete) all.pop_back();
  return all;
}

TEST(CurveFits, EveryCodeFitsRealSeries) {
  testing::ScriptedConsole console;
  const int codes[] = {1, 2, 3, 4, 6, -5, 8, 10, 20, 32, 100, 300, -10, -25, -50, -66, -67, -100};
  int fitted = 0;
  for (const char* file : {"ca533.rwl", "co021.rwl", "cana209.rwl", "nm580.rwl", "wa082.rwl"}) {
    const auto all = ring_width_series(testing::shared_data(file));
    ASSERT_GT(all.size(), 10u) << file;
    for (std::size_t s = 0; s < all.size(); ++s) {
      const std::vector<float>& x = all[s];
      for (int code : codes) {
        for (std::size_t extra : {std::size_t{0}, std::size_t{10}}) {
          const Fit f = fit(x, code, x.size() + extra);
          const std::size_t written = (code >= 10 || code <= -10 || code == 8) ? x.size() : f.y.size();
          bool finite = true;
          for (std::size_t i = 0; i < written; ++i) finite = finite && std::isfinite(f.y[i]);
          EXPECT_TRUE(finite) << file << " series " << s << " code " << code;
          EXPECT_FALSE(spline_failed(f.y[0]) || f.y[0] == kFailedFit) << file << " series " << s << " code " << code;
          if (code == 1) {
            EXPECT_TRUE(f.option == 1 || f.option == 3);
          } else if (code == 2) {
            EXPECT_TRUE(f.option == 2 || f.option == 4 || f.option == 6);
          } else if (code == 4) {
            EXPECT_TRUE(f.option == 4 || f.option == 6);
          } else {
            EXPECT_EQ(f.option, code);
          }
          ++fitted;
        }
      }
    }
  }
  EXPECT_GT(fitted, 5000);
  EXPECT_EQ(console.output().find("not positive definite"), std::string::npos);
}

}  // namespace
}  // namespace qb
