#include "detrend/negative_exponential.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "platform/bounds.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

TEST(NegativeExponential, RecoversAnExactCurveAndExtendsIt) {
  const int n = 120;
  std::vector<float> x(n);
  for (int t = 1; t <= n; ++t) x[t - 1] = static_cast<float>(2.0 * std::exp(-0.03 * t) + 0.5);
  std::vector<float> y(n + 30, -1.0f);
  CurveCoefficients c{};
  curve(x, y, c);
  EXPECT_NEAR(c[kCoefRate], 0.03f, 2e-5f);
  EXPECT_NEAR(c[kCoefA], 2.0f, 2e-3f);
  EXPECT_NEAR(c[kCoefLevel], 0.5f, 2e-3f);
  EXPECT_GE(c[kCoefSixth], 1.0f);
  EXPECT_LE(c[kCoefSixth], 34.0f);
  double sum = 0.0;
  for (float v : x) sum += v;
  EXPECT_FLOAT_EQ(c[kCoefSeventh], static_cast<float>(sum));
  for (int t = 1; t <= n + 30; ++t) {
    EXPECT_NEAR(y[t - 1], 2.0 * std::exp(-0.03 * t) + 0.5, 2e-3) << t;
  }
}

// Least-squares a and k of x for a fixed rate, with e(t) rounded to float.
std::pair<double, double> level_and_scale_at(const std::vector<float>& x, double beta) {
  const double n = static_cast<double>(x.size());
  double se = 0.0, see = 0.0, sx = 0.0, sex = 0.0;
  for (std::size_t t = 1; t <= x.size(); ++t) {
    const double e = static_cast<float>(std::exp(-beta * static_cast<double>(t)));
    se += e;
    see += e * e;
    sx += x[t - 1];
    sex += e * x[t - 1];
  }
  const double k = (see * sx - se * sex) / (n * see - se * se);
  return {(sx - n * k) / se, k};
}

TEST(NegativeExponential, KeepsTheLevelAndScaleOfTheLastTrialRate) {
  // The search ends when the step has been halved to 0.0005 / 1024; the last
  // rate tried is the previous centre plus twice that step, so a and k belong
  // to the chosen rate plus one or two such double steps, not to the chosen
  // rate itself.
  const int n = 120;
  std::vector<float> x(n);
  for (int t = 1; t <= n; ++t) x[t - 1] = static_cast<float>(2.0 * std::exp(-0.03 * t) + 0.5 + 0.05 * std::sin(1.7 * t));
  std::vector<float> y(n);
  CurveCoefficients c{};
  curve(x, y, c);
  const double b = c[kCoefRate];
  const double step = 0.0005 / 512.0;
  const auto at_b = level_and_scale_at(x, b);
  EXPECT_GT(std::fabs(c[kCoefLevel] - at_b.second), 5e-6);
  bool matched = false;
  for (double beta : {b + step, b + 2.0 * step}) {
    const auto [a, k] = level_and_scale_at(x, beta);
    matched = matched || (std::fabs(c[kCoefA] - a) < 1e-6 && std::fabs(c[kCoefLevel] - k) < 1e-6);
  }
  EXPECT_TRUE(matched) << "a " << c[kCoefA] << " k " << c[kCoefLevel];
  for (int t = 1; t <= n; ++t) {
    EXPECT_FLOAT_EQ(y[t - 1], static_cast<float>(static_cast<double>(c[kCoefA]) * std::exp(-b * t) + c[kCoefLevel]));
  }
}

TEST(NegativeExponential, TooShortSeriesFailsWithMessage) {
  testing::ScriptedConsole console;
  std::vector<float> x(19, 1.0f), y(19, 3.0f);
  CurveCoefficients c{};
  curve(x, y, c);
  EXPECT_EQ(console.output(), ">> sbr curve:  only 19 values, no exponential curve fit\n");
  EXPECT_EQ(c[kCoefRate], kFailedFit);
  EXPECT_EQ(y[0], kFailedFit);
  EXPECT_EQ(y[1], 3.0f);
  EXPECT_EQ(c[kCoefA], 0.0f);
}

TEST(NegativeExponential, NonPositiveEndMeansFailWithoutNaN) {
  testing::ScriptedConsole console;
  std::vector<float> x(40, 1.0f), y(40);
  for (int i = 30; i < 40; ++i) x[i] = 0.0f;
  CurveCoefficients c{};
  curve(x, y, c);
  EXPECT_EQ(c[kCoefRate], kFailedFit);
  EXPECT_EQ(y[0], kFailedFit);
  EXPECT_EQ(console.output(), "");
}

}  // namespace
}  // namespace qb
