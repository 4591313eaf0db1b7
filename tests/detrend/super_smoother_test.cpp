#include "detrend/super_smoother.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace qb {
namespace {

std::vector<float> abscissae(int n) {
  std::vector<float> x(n);
  for (int i = 0; i < n; ++i) x[i] = static_cast<float>(i + 1);
  return x;
}

std::vector<float> noisy_series(int n) {
  std::vector<float> y(n);
  for (int i = 0; i < n; ++i) y[i] = 1.0f + 0.01f * i + 0.4f * std::sin(1.7f * i * i) + 0.2f * std::sin(0.2f * i);
  return y;
}

// Half-width of the running line: a unit spike near the end enters the
// moving window exactly half-width points before it.
int measured_half_width(int n, float span) {
  const std::vector<float> x = abscissae(n), w(n, 1.0f);
  std::vector<float> y(n, 0.0f), smo(n), residuals(n);
  const int spike = n - 3;
  y[spike] = 1.0f;
  smooth(x, y, w, span, 1, 0.0f, smo, residuals);
  for (int j = 0; j < n; ++j) {
    if (smo[j] != 0.0f) return spike - j;
  }
  return -1;
}

TEST(SuperSmoother, WindowHalfWidths) {
  EXPECT_EQ(measured_half_width(30, 0.3f), 5);
  EXPECT_EQ(measured_half_width(100, kTweeterSpan), 3);
  EXPECT_EQ(measured_half_width(100, kMidrangeSpan), 10);
  EXPECT_EQ(measured_half_width(100, kWooferSpan), 25);
  EXPECT_EQ(measured_half_width(20, kTweeterSpan), 2);
}

TEST(SuperSmoother, CrossValidatedResidualsLeaveThePointOut) {
  // The window of half-width 5 is centred on the point inside the series and
  // held at the first or last eleven points near the ends; the point's
  // cross-validated residual is the error of the line fitted to the other ten
  // points of its window.
  const int n = 30;
  const std::vector<float> x = abscissae(n), w(n, 1.0f), y = noisy_series(n);
  std::vector<float> smo(n), residuals(n);
  smooth(x, y, w, 0.3f, 1, 0.0f, smo, residuals);
  for (int j = 0; j < n; ++j) {
    const int first = std::clamp(j - 5, 0, n - 11);
    double st = 0, sy = 0, stt = 0, sty = 0, count = 0;
    for (int i = first; i <= first + 10; ++i) {
      if (i == j) continue;
      st += x[i];
      sy += y[i];
      stt += static_cast<double>(x[i]) * x[i];
      sty += static_cast<double>(x[i]) * y[i];
      ++count;
    }
    const double slope = (sty - st * sy / count) / (stt - st * st / count);
    const double predicted = sy / count + slope * (x[j] - st / count);
    EXPECT_NEAR(residuals[j], std::fabs(y[j] - predicted), 1e-5) << j;
  }
}

TEST(SuperSmoother, StraightLineComesBackUnchanged) {
  const int n = 100;
  const std::vector<float> x = abscissae(n), w(n, 1.0f);
  std::vector<float> y(n), smo(n);
  for (int i = 0; i < n; ++i) y[i] = 3.0f + 0.5f * x[i];
  for (float span : {0.0f, 0.3f}) {
    supsmu(x, y, w, kNotPeriodic, span, 7.0f, smo);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(smo[i], y[i], 1e-4f) << span << " " << i;
  }
}

TEST(SuperSmoother, BassControl) {
  const int n = 120;
  const std::vector<float> x = abscissae(n), w(n, 1.0f), y = noisy_series(n);
  std::vector<float> none(n), outside(n), mid(n), full(n);
  supsmu(x, y, w, kNotPeriodic, 0.0f, 0.0f, none);
  supsmu(x, y, w, kNotPeriodic, 0.0f, 10.5f, outside);
  supsmu(x, y, w, kNotPeriodic, 0.0f, 5.0f, mid);
  supsmu(x, y, w, kNotPeriodic, 0.0f, 10.0f, full);
  EXPECT_EQ(none, outside);  // bass acts only for 0 < alpha <= 10
  EXPECT_NE(none, mid);

  // With alpha 10 every point takes the woofer, so the result is the final
  // tweeter pass over the woofer smooth.
  std::vector<float> woofer(n), expected(n), residuals(n);
  smooth(x, y, w, kWooferSpan, 1, 0.0f, woofer, residuals);
  smooth(x, woofer, w, kTweeterSpan, -1, 0.0f, expected, {});
  for (int i = 0; i < n; ++i) EXPECT_NEAR(full[i], expected[i], 1e-5f) << i;
}

TEST(SuperSmoother, DegenerateSeries) {
  std::vector<float> smo(4);
  // All abscissae equal: the weighted mean everywhere.
  const std::vector<float> same{2, 2, 2, 2}, y{1, 2, 3, 6}, w{1, 1, 1, 3};
  supsmu(same, y, w, kNotPeriodic, 0.0f, 0.0f, smo);
  for (float v : smo) EXPECT_FLOAT_EQ(v, 24.0f / 6.0f);

  // Fewer than five values: the weighted least-squares line.
  const std::vector<float> x{1, 2, 3, 4};
  supsmu(x, y, std::vector<float>(4, 1.0f), kNotPeriodic, 0.0f, 5.0f, smo);
  const float expected[] = {0.6f, 2.2f, 3.8f, 5.4f};  // y = 1.6 x - 1
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(smo[i], expected[i], 1e-5f);
  std::vector<float> two(2);
  supsmu(std::vector<float>{1, 2}, std::vector<float>{4, 8}, std::vector<float>{1, 1}, kPeriodic, 0.3f, 0.0f, two);
  EXPECT_NEAR(two[0], 4.0f, 1e-5f);
  EXPECT_NEAR(two[1], 8.0f, 1e-5f);
  std::vector<float> one(1);
  supsmu(std::vector<float>{1}, std::vector<float>{4}, std::vector<float>{1}, kNotPeriodic, 0.0f, 0.0f, one);
  EXPECT_EQ(one[0], 4.0f);
}

TEST(SuperSmoother, TiedAbscissaeShareOneValue) {
  const std::vector<float> x{1, 2, 3, 3, 3, 4, 5, 6, 7, 8}, w(10, 1.0f);
  const std::vector<float> y{1, 5, 2, 8, 3, 6, 1, 7, 2, 9};
  std::vector<float> smo(10);
  smooth(x, y, w, 0.3f, -1, 0.0f, smo, {});
  EXPECT_EQ(smo[2], smo[3]);
  EXPECT_EQ(smo[3], smo[4]);
}

TEST(SuperSmoother, PeriodicWindowWrapsAround) {
  // On [0, 1) the periodic smooth is the plain smooth of three copies of the
  // data laid end to end, read off the middle copy.
  const int n = 40;
  std::vector<float> x(n), w(n, 1.0f), smo(n), residuals(3 * n);
  const std::vector<float> y = noisy_series(n);
  for (int i = 0; i < n; ++i) x[i] = static_cast<float>(i) / n;
  smooth(x, y, w, 0.25f, 2, 0.0f, smo, residuals);

  std::vector<float> x3(3 * n), y3(3 * n), w3(3 * n, 1.0f), smo3(3 * n);
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < n; ++i) {
      x3[c * n + i] = x[i] + static_cast<float>(c - 1);
      y3[c * n + i] = y[i];
    }
  }
  smooth(x3, y3, w3, 0.25f / 3.0f, 1, 0.0f, smo3, residuals);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(smo[i], smo3[n + i], 1e-4f) << i;
}

}  // namespace
}  // namespace qb
