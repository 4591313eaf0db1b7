#include "detrend/negative_exponential.hpp"

#include <gtest/gtest.h>

#include <cmath>
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
