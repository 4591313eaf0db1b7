#include "detrend/smoothing_spline.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "detrend/linear_trend.hpp"
#include "platform/bounds.hpp"
#include "platform/program_stop.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

// The smooth solved the slow way: dense (D D' + V T) u = D x by Gaussian
// elimination in long double, with row i carrying its own smoothing value.
std::vector<double> dense_reference(const std::vector<float>& x, const std::vector<int>& periods) {
  const int n = static_cast<int>(x.size());
  const int m = n - 2;
  std::vector<std::vector<long double>> a(m, std::vector<long double>(m + 1, 0.0L));
  std::vector<long double> v(m);
  for (int i = 0; i < m; ++i) {
    const long double c = std::cos(2.0L * std::numbers::pi_v<long double> / periods[i]);
    v[i] = 6.0L * (c - 1.0L) * (c - 1.0L) / (c + 2.0L);
  }
  for (int i = 0; i < m; ++i) {
    a[i][i] = 6.0L + 4.0L * v[i] / 3.0L;
    if (i >= 1) a[i][i - 1] = a[i - 1][i] = v[i] / 3.0L - 4.0L;
    if (i >= 2) a[i][i - 2] = a[i - 2][i] = 1.0L;
    a[i][m] = static_cast<long double>(x[i]) - 2.0L * x[i + 1] + x[i + 2];
  }
  for (int c = 0; c < m; ++c) {
    for (int r = c + 1; r < m; ++r) {
      const long double f = a[r][c] / a[c][c];
      for (int k = c; k <= m; ++k) a[r][k] -= f * a[c][k];
    }
  }
  std::vector<long double> u(m);
  for (int r = m - 1; r >= 0; --r) {
    long double s = a[r][m];
    for (int k = r + 1; k < m; ++k) s -= a[r][k] * u[k];
    u[r] = s / a[r][r];
  }
  std::vector<double> ys(n);
  for (int i = 0; i < n; ++i) {
    const auto at = [&](int k) { return (k < 0 || k >= m) ? 0.0L : u[k]; };
    ys[i] = static_cast<double>(x[i] - (at(i - 2) - 2.0L * at(i - 1) + at(i)));
  }
  return ys;
}

std::vector<float> noisy_series(int n) {
  std::vector<float> x(n);
  for (int i = 0; i < n; ++i) x[i] = 2.0f + std::sin(0.7f * i) + 0.3f * std::cos(2.3f * i * i);
  return x;
}

TEST(SmoothingSpline, WorkedExampleOfPeriodTwo) {
  const std::vector<float> x{0, 1, 0, 1};
  std::vector<float> ys(4);
  float p = 0.0f;
  spline(x, ys, 2, p);
  EXPECT_FLOAT_EQ(p, 24.0f);
  EXPECT_FLOAT_EQ(ys[0], 1.0f / 17);
  EXPECT_FLOAT_EQ(ys[1], 14.0f / 17);
  EXPECT_FLOAT_EQ(ys[2], 3.0f / 17);
  EXPECT_FLOAT_EQ(ys[3], 16.0f / 17);
}

TEST(SmoothingSpline, AgreesWithDenseSolutionForVaryingPeriods) {
  const std::vector<float> x = noisy_series(14);
  const std::vector<int> periods{3, 5, 8, 2, 13, 30, 4, 7, 11, 6, 9, 20};
  std::vector<float> ys(x.size());
  spline2(x, ys, periods);
  const std::vector<double> expected = dense_reference(x, periods);
  for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(ys[i], expected[i], 2e-6) << i;
}

TEST(SmoothingSpline, FewerThanFourPointsFailWithoutWritingMore) {
  const std::vector<float> x{1, 2, 3};
  std::vector<float> a{7, 7, 7}, b{7, 7, 7}, c{7, 7, 7};
  float p = 5.0f;
  spline(x, a, 10, p);
  spline1(x, b, 9);
  spline2(x, c, std::vector<int>{5, 5, 5});
  for (const auto& ys : {a, b, c}) EXPECT_EQ(ys, (std::vector<float>{kSplineTooFewPoints, 7, 7}));
  EXPECT_EQ(p, 5.0f);
}

TEST(SmoothingSpline, StraightLinesComeBackExactly) {
  std::vector<float> x(50);
  for (int i = 0; i < 50; ++i) x[i] = 7.0f - 3.0f * (i + 1);
  std::vector<float> ys(50);
  for (int period : {-5, 0, 1, 2, 10, 37, 100000}) {
    spline(x, ys, period);
    EXPECT_EQ(ys, x) << period;
  }
  for (int code : {8, 9, 25}) {
    spline1(x, ys, code);
    EXPECT_EQ(ys, x) << code;
  }
}

TEST(SmoothingSpline, HalvesASinusoidOfThePeriod) {
  const int n = 200;
  std::vector<float> x(n), ys(n);
  const double w = 2.0 * std::numbers::pi / 20.0;
  for (int i = 0; i < n; ++i) x[i] = static_cast<float>(std::sin(w * i));
  spline(x, ys, 20);
  // Amplitude by projection onto sine and cosine over whole cycles away from the ends.
  double s = 0.0, c = 0.0;
  for (int i = 60; i < 140; ++i) {
    s += ys[i] * std::sin(w * i);
    c += ys[i] * std::cos(w * i);
  }
  EXPECT_NEAR(std::hypot(s, c) * 2.0 / 80.0, 0.5, 1e-3);
}

TEST(SmoothingSpline, CodedAndPerRowPeriodsMatchTheirFixedEquivalents) {
  const std::vector<float> x = noisy_series(60);
  const std::size_t n = x.size();
  std::vector<float> fixed(n), coded(n);

  spline(x, fixed, 20);
  spline1(x, coded, 8);
  EXPECT_EQ(coded, fixed);

  std::vector<int> periods(n, 37);
  spline(x, fixed, 37);
  spline2(x, coded, periods);
  EXPECT_EQ(coded, fixed);
  spline1(x, coded, 37);
  EXPECT_EQ(coded, fixed);
  // Per-row periods are looked up from a table up to a bound; on both sides
  // of it, and below 1, they give what the fixed period gives.
  for (int period : {-5, 0, 1, 2, 35999, 36000, 36001, 100000}) {
    spline(x, fixed, period);
    spline2(x, coded, std::vector<int>(n, period));
    EXPECT_EQ(coded, fixed) << period;
  }

  // Code 9: rows use 9, 10, ... years, capped at the series length.
  const std::vector<float> short_x = noisy_series(15);
  std::vector<int> growing(13);
  for (int i = 0; i < 13; ++i) growing[i] = std::min(9 + i, 15);
  std::vector<float> a(15), b(15);
  spline1(short_x, a, 9);
  spline2(short_x, b, growing);
  EXPECT_EQ(a, b);
}

TEST(SmoothingSpline, PeriodBelowOneIsTheLeastSquaresLine) {
  const std::vector<float> x = noisy_series(30);
  std::vector<float> ys(30), line(30);
  trend(x, line);
  spline(x, ys, 0);
  for (int i = 0; i < 30; ++i) EXPECT_NEAR(ys[i], line[i], 2e-5) << i;
  std::vector<float> coded(30);
  spline1(x, coded, -3);
  EXPECT_EQ(coded, ys);
}

TEST(SmoothingSpline, AgeDependentPeriodsStopAtTheLargestInteger) {
  constexpr int kLargest = std::numeric_limits<int>::max();
  std::vector<int> periods(4);
  lsmake(4, kLargest - 1, periods);
  EXPECT_EQ(periods, (std::vector<int>{kLargest - 1, kLargest, kLargest, kLargest}));
  const std::vector<float> x = noisy_series(30);
  std::vector<int> stiff(30, kLargest);
  std::vector<float> ys(30), line(30);
  trend(x, line);
  spline2(x, ys, stiff);
  for (int i = 0; i < 30; ++i) EXPECT_NEAR(ys[i], line[i], 2e-4) << i;
}

TEST(SmoothingSpline, SeriesLongerThanTheBoundStops) {
  testing::ScriptedConsole console;
  const std::vector<float> x(kMaxYears + 1, 1.0f);
  std::vector<float> ys(x.size());
  EXPECT_THROW(spline(x, ys, 20), ProgramStop);
  EXPECT_EQ(console.output(),
            "\n *** series too long for spline subroutine ***\n  *** enlarge mxy parameter in subroutine ***\n\n");
  // The bound itself is accepted.
  const std::vector<float> longest(kMaxYears, 1.0f);
  spline(longest, ys, 20);
  EXPECT_EQ(ys[0], 1.0f);
}

}  // namespace
}  // namespace qb
