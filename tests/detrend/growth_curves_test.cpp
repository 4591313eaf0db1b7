#include "detrend/growth_curves.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "platform/program_stop.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

std::vector<float> ages(int n) {
  std::vector<float> t(n);
  std::iota(t.begin(), t.end(), 1.0f);
  return t;
}

TEST(GrowthCurveObjective, ModelsAndShift) {
  const std::vector<float> t{1, 2, 3};
  const std::vector<float> zeros(3, 0.0f);
  // Model 1 at (a, r, k) = (2, 0, 1) is 3 everywhere.
  const std::vector<float> p1{2.0f, 0.0f, 1.0f};
  EXPECT_FLOAT_EQ(gamoff(p1, kModelExponential, t, zeros), 27.0f);
  // Model 2 at (1, 0, s = 1, 0): u = t + 1 -> 2, 3, 4.
  const std::vector<float> p2{1.0f, 0.0f, 1.0f, 0.0f};
  EXPECT_FLOAT_EQ(gamoff(p2, kModelShiftedExponential, t, zeros), 4.0f + 9.0f + 16.0f);
  // Model 3 at (1, q = 2, 0, 0, 0): t^2.
  const std::vector<float> p3{1.0f, 2.0f, 0.0f, 0.0f, 0.0f};
  EXPECT_FLOAT_EQ(gamoff(p3, kModelGeneralised, t, zeros), 1.0f + 16.0f + 81.0f);
}

TEST(GrowthCurveObjective, NegativeShiftedAgeIsFatal) {
  const std::vector<float> t{1, 2, 3};
  const std::vector<float> y(3, 1.0f);
  // Model 2 at s = -1.5: u = -0.5 at the first age.
  const std::vector<float> p{1.0f, 0.0f, -1.5f, 0.0f};
  testing::ScriptedConsole con("\n");
  EXPECT_THROW(gamoff(p, kModelShiftedExponential, t, y), ProgramStop);
  EXPECT_EQ(con.output(), "\n in gamoff tmd \xB2 0 at xd.-0.5000000000D+00 0.1000000000D+01\n"
                          "this is a fatal condition.");
}

TEST(GrowthCurveSimplex, RecoversAnExponentialFromTheFixedStart) {
  const int n = 150;
  const std::vector<float> t = ages(n);
  std::vector<float> y(n);
  // Ring widths scatter about the curve; on exact data the relative
  // tolerance would compare sums of squares at rounding level.
  for (int i = 0; i < n; ++i) y[i] = 1.5f * std::exp(-0.03f * t[i]) + 0.4f + 0.05f * std::sin(2.3f * t[i]);
  Simplex s;  // start (0, 0, 0)
  std::vector<float> curve(n + 10);
  const SimplexFit fit = gamoeba(s, kModelExponential, t, y, curve);
  EXPECT_LT(fit.fmin, 0.2f);
  EXPECT_GT(fit.evaluations, 0);
  EXPECT_LT(s.p[0][1], 0.0f);  // a falling curve
  EXPECT_FLOAT_EQ(fit.fmin, gamoff(std::span<const float>(s.p[0].data(), 3), kModelExponential, t, y));
  // The curve is the model at row 0, also beyond the data.
  for (int i : {0, 50, n + 9}) {
    const float expected = s.p[0][0] * std::exp(s.p[0][1] * static_cast<float>(i + 1)) + s.p[0][2];
    EXPECT_NEAR(curve[i], expected, 1e-5f);
  }
  EXPECT_NEAR(curve[10], 1.5f * std::exp(-0.33f) + 0.4f, 0.03f);
  EXPECT_NEAR(curve[120], 1.5f * std::exp(-3.63f) + 0.4f, 0.03f);
  // Row 0 is the best vertex.
  for (int v = 1; v <= 3; ++v) EXPECT_LE(s.y[0], s.y[v]);
}

TEST(GrowthCurveSimplex, StartingVerticesOfEachModel) {
  // Without data every vertex fits equally well and the search stops at
  // once, so the simplex is the start plus the fixed vertices of the model.
  using Vertex = std::array<float, kSimplexMaxParameters>;
  const std::vector<std::vector<Vertex>> tables = {
      {{1.0f, 0, 0, 0, 0}, {0, -0.01f, 0, 0, 0}, {0, 0, 0.1f, 0, 0}},
      {{1.0f, 0, 0, 0, 0}, {0, -0.01f, 0, 0, 0}, {0, 0, 1.0f, 0, 0}, {0, 0, 0, 0.1f, 0}},
      {{1.0f, 0, 0, 0, 0}, {0, 1.0f, 0, 0, 0}, {0, 0, -0.01f, 0, 0}, {0, 0, 0, 1.0f, 0}, {0, 0, 0, 0, 0.1f}}};
  for (int model = kModelExponential; model <= kModelGeneralised; ++model) {
    Simplex s;
    s.p[0] = {0.5f, 0.25f, 0.125f, 0.0625f, 0.03125f};
    const Vertex start = s.p[0];
    std::vector<float> curve(3);
    gamoeba(s, model, {}, {}, curve);
    const int ndim = model_parameters(model);
    std::vector<Vertex> found;
    for (int v = 0; v <= ndim; ++v) {
      Vertex row{};
      for (int j = 0; j < ndim; ++j) row[j] = s.p[v][j];
      found.push_back(row);
    }
    std::vector<Vertex> expected = tables[model - 1];
    Vertex start_row{};
    for (int j = 0; j < ndim; ++j) start_row[j] = start[j];
    expected.push_back(start_row);
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected) << "model " << model;
  }
}

TEST(GrowthCurveSimplex, TrialWithNegativeShiftIsEvaluatedAtZeroShift) {
  const std::vector<float> t = ages(20);
  std::vector<float> y(20);
  for (int i = 0; i < 20; ++i) y[i] = 0.5f * t[i] * std::exp(-0.1f * t[i]) + 0.2f;
  Simplex s;
  // Vertices of model 2 (a, r, s, k); the worst vertex has a large shift, so
  // its reflection through the others has a negative one.
  const float vertices[5][4] = {{0.5f, -0.1f, 0.0f, 0.2f},
                                {0.6f, -0.1f, 0.1f, 0.2f},
                                {0.5f, -0.12f, 0.1f, 0.2f},
                                {0.5f, -0.1f, 0.1f, 0.25f},
                                {0.5f, -0.1f, 4.0f, 0.2f}};
  std::array<float, kSimplexMaxParameters> psum{};
  for (int v = 0; v < 5; ++v) {
    for (int j = 0; j < 4; ++j) {
      s.p[v][j] = vertices[v][j];
      psum[j] += vertices[v][j];
    }
    s.y[v] = gamoff(std::span<const float>(s.p[v].data(), 4), kModelShiftedExponential, t, y);
  }
  const float ytry = ametry(s, psum, 4, -1.0f, kModelShiftedExponential, t, y);
  // Reflection: 2 * centroid - worst; its shift 2 * 0.075 - 4 < 0 becomes 0.
  const std::vector<float> expected{0.55f, -0.11f, 0.0f, 0.225f};
  EXPECT_NEAR(ytry, gamoff(expected, kModelShiftedExponential, t, y), 1e-4f);
  ASSERT_LT(ytry, gamoff(std::vector<float>{0.5f, -0.1f, 4.0f, 0.2f}, kModelShiftedExponential, t, y));
  EXPECT_EQ(s.p[4][2], 0.0f);
  EXPECT_NEAR(psum[2], 0.3f, 1e-6f);
}

TEST(GrowthCurveSimplex, EvaluationLimitPausesAndKeepsTheBestVertexFirst) {
  const std::vector<float> t = ages(30);
  std::vector<float> y(30);
  for (int i = 0; i < 30; ++i) y[i] = 2.0f * std::exp(-0.05f * t[i]) + 0.5f;
  Simplex s;
  s.p = {{{0, 0, 0}, {1, 0, 0}, {0, -0.01f, 0}, {0, 0, 0.1f}}};
  for (int v = 0; v < 4; ++v) s.y[v] = gamoff(std::span<const float>(s.p[v].data(), 3), kModelExponential, t, y);
  testing::ScriptedConsole con("\n");
  // A tolerance of 0 is never met.
  const int evaluations = amoeba(s, 0.0f, kModelExponential, t, y);
  EXPECT_GE(evaluations, kSimplexMaxEvaluations);
  EXPECT_EQ(con.output(), "itmax exceeded in amoeba");
  for (int v = 1; v < 4; ++v) EXPECT_LE(s.y[0], s.y[v]);
}

TEST(GrowthCurveStarts, HugershoffKeepsTheDataSum) {
  const int n = 120;
  const std::vector<float> t = ages(n);
  std::vector<float> y(n);
  for (int i = 0; i < n; ++i) y[i] = 0.3f * std::pow(t[i], 0.8f) * std::exp(-0.02f * t[i]) * (1.0f + 0.2f * std::sin(t[i]));
  std::vector<float> curve(n);
  const GrowthCurveStart h = hughdi(t, y, n, curve, 0.0f);
  ASSERT_TRUE(h.ok);
  EXPECT_NEAR(h.c[1], 0.8f, 0.05f);
  EXPECT_NEAR(h.c[2], -0.02f, 0.002f);
  const double sum_y = std::accumulate(y.begin(), y.end(), 0.0);
  const double sum_curve = std::accumulate(curve.begin(), curve.end(), 0.0);
  EXPECT_NEAR(sum_curve, sum_y, 1e-4 * sum_y);
  EXPECT_NEAR(curve[9], h.c[0] * std::pow(10.0f, h.c[1]) * std::exp(h.c[2] * 10.0f), 1e-4f);

  // Exact data need no bias correction.
  for (int i = 0; i < n; ++i) y[i] = 0.3f * std::pow(t[i], 0.8f) * std::exp(-0.02f * t[i]);
  const GrowthCurveStart exact = hughdi(t, y, n, curve, 0.0f);
  EXPECT_NEAR(exact.c[0], 0.3f, 1e-3f);

  // Two usable points define no curve; the curve is left alone.
  std::vector<float> sparse(n, 0.0f);
  sparse[4] = 1.0f;
  sparse[9] = 2.0f;
  std::fill(curve.begin(), curve.end(), 7.0f);
  EXPECT_FALSE(hughdi(t, sparse, n, curve, 0.0f).ok);
  EXPECT_EQ(curve[0], 7.0f);
}

TEST(GrowthCurveStarts, GeneralExponentialSlopeAndSign) {
  const int n = 80;
  std::vector<float> y(n);
  for (int i = 0; i < n; ++i) {
    const float age = static_cast<float>(i + 1);
    y[i] = 0.7f * age * std::exp(-0.04f * age);
  }
  y[5] = -999.0f;  // not positive: left out
  std::vector<float> curve(n + 5);
  const GrowthCurveStart g = gexp(y, n, curve, 0.0f);
  ASSERT_TRUE(g.ok);
  EXPECT_NEAR(g.c[0], 0.7f, 1e-3f);
  EXPECT_NEAR(g.c[1], 0.04f, 1e-5f);  // -b, positive for a falling curve
  EXPECT_NEAR(curve[n + 4], 85.0f * 0.7f * std::exp(-0.04f * 85.0f), 1e-3f);

  // ln(y / t) constant: slope 0, no NaN.
  std::vector<float> proportional(n);
  for (int i = 0; i < n; ++i) proportional[i] = 2.0f * static_cast<float>(i + 1);
  const GrowthCurveStart flat = gexp(proportional, n, curve, 0.0f);
  ASSERT_TRUE(flat.ok);
  EXPECT_NEAR(flat.c[1], 0.0f, 1e-7f);
  EXPECT_NEAR(flat.c[0], 2.0f, 1e-5f);

  std::vector<float> one_point(n, 0.0f);
  one_point[3] = 1.0f;
  EXPECT_FALSE(gexp(one_point, n, curve, 0.0f).ok);
}

}  // namespace
}  // namespace qb
