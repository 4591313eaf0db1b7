#include "detrend/regional_curve.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/bounds.hpp"
#include "platform/text_file.hpp"
#include "series/decadal_format.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

// Series held in series-relative rows, with spans that start in year 1.
struct Series {
  Matrix x;
  std::vector<SeriesSpan> spans;
  std::vector<int> offsets;
};

Series make_series(const std::vector<std::vector<float>>& columns) {
  Series s;
  std::size_t rows = 0;
  for (const auto& c : columns) rows = std::max(rows, c.size());
  s.x = Matrix(static_cast<int>(rows), static_cast<int>(columns.size()));
  for (std::size_t j = 0; j < columns.size(); ++j) {
    for (std::size_t i = 0; i < columns[j].size(); ++i) s.x(static_cast<int>(i), static_cast<int>(j)) = columns[j][i];
    const int n = static_cast<int>(columns[j].size());
    s.spans.push_back({1, n, n});
  }
  s.offsets.assign(columns.size(), 0);
  return s;
}

std::vector<float> generated(int n, float (*f)(float)) {
  std::vector<float> v(n);
  for (int i = 0; i < n; ++i) v[i] = f(static_cast<float>(i + 1));
  return v;
}

float falling(float t) { return 0.5f + 2.0f * std::exp(-0.02f * t) + 0.05f * std::sin(0.9f * t); }
float rising(float t) { return 0.5f + 0.01f * t + 0.05f * std::sin(0.9f * t); }

RegionalCurveOptions with_option(int option) {
  RegionalCurveOptions o;
  o.option = option;
  return o;
}

TEST(RegionalCurve, AlignsSeriesByBiologicalAge) {
  std::vector<float> a(100, 1.0f), b(120, 3.0f);
  Series s = make_series({a, b});
  RegionalCurveOptions o = with_option(kRegionalMean);
  RegionalCurve rc = rcurve(s.x, s.spans, s.offsets, o);
  ASSERT_EQ(rc.length, 120);
  EXPECT_EQ(rc.raw[0], 2.0f);
  EXPECT_EQ(rc.raw[99], 2.0f);
  EXPECT_EQ(rc.raw[100], 3.0f);  // ages 101..120: the longer series alone
  EXPECT_EQ(rc.raw[119], 3.0f);
  EXPECT_NEAR(rc.fitted[0], (100 * 2.0f + 20 * 3.0f) / 120.0f, 1e-5f);

  // Pith offsets 5 and 8, shifted to the youngest age present.
  s.offsets = {5, 8};
  o = with_option(kRegionalMean);
  o.pith_shift = true;
  rc = rcurve(s.x, s.spans, s.offsets, o);
  EXPECT_EQ(rc.shift, 5);
  ASSERT_EQ(rc.length, 128);
  for (int age = 1; age <= 5; ++age) {
    EXPECT_TRUE(is_missing(rc.raw[age - 1]));
    EXPECT_TRUE(is_missing(rc.fitted[age - 1]));
  }
  EXPECT_EQ(rc.raw[5], 1.0f);    // age 6: the first series alone
  EXPECT_EQ(rc.raw[8], 2.0f);    // age 9: both
  EXPECT_EQ(rc.raw[127], 3.0f);  // age 128
  EXPECT_FALSE(is_missing(rc.fitted[5]));
  EXPECT_FALSE(is_missing(rc.fitted[127]));
  // Without the flag the offsets still set the ages; ages 1..5 have no ring.
  o = with_option(kRegionalMean);
  rc = rcurve(s.x, s.spans, s.offsets, o);
  EXPECT_EQ(rc.shift, 0);
  EXPECT_TRUE(is_missing(rc.raw[0]));
  EXPECT_EQ(rc.raw[5], 1.0f);
}

TEST(RegionalCurve, CutOffAgeHoldsTheCurveFlatBeyondIt) {
  Series s = make_series({generated(300, falling), generated(280, falling)});
  RegionalCurveOptions o = with_option(kRegionalLine);
  o.cutoff_age = 150;
  const RegionalCurve rc = rcurve(s.x, s.spans, s.offsets, o);
  ASSERT_EQ(rc.length, 300);
  // The line of ages 1..150 only.
  const float slope = rc.coefficients[kCoefSlope];
  EXPECT_NEAR(rc.fitted[149] - rc.fitted[148], slope, 1e-5f);
  for (int age = 151; age <= 300; ++age) EXPECT_EQ(rc.fitted[age - 1], rc.fitted[149]) << age;
  RegionalCurveOptions whole = with_option(kRegionalLine);
  const RegionalCurve all = rcurve(s.x, s.spans, s.offsets, whole);
  EXPECT_LT(slope, all.coefficients[kCoefSlope] * 1.2f);  // steeper over the young ages

  // A cut-off beyond the curve is not used.
  o = with_option(kRegionalLine);
  o.cutoff_age = 301;
  const RegionalCurve beyond = rcurve(s.x, s.spans, s.offsets, o);
  EXPECT_EQ(beyond.fitted, all.fitted);
}

TEST(RegionalCurve, ParametricFallBacksRewriteTheCode) {
  Series up = make_series({generated(150, rising), generated(130, rising)});
  struct Case {
    int option;
    int expected;
  } cases[] = {{kRegionalNegativeExponential, kRegionalLine},
               {kRegionalNegativeExponentialOrFlat, kRegionalNonRisingLine},
               {kRegionalGeneralNegativeExponential, kRegionalLine},
               {kRegionalNonRisingLine, kRegionalMean},
               {kRegionalLine, kRegionalLine}};
  testing::ScriptedConsole con;
  for (const Case& c : cases) {
    RegionalCurveOptions o = with_option(c.option);
    const RegionalCurve rc = rcurve(up.x, up.spans, up.offsets, o);
    EXPECT_EQ(o.option, c.expected) << c.option;
    if (c.expected == kRegionalLine) {
      EXPECT_GT(rc.fitted[149], rc.fitted[0]) << c.option;  // the rising line
    } else {
      EXPECT_EQ(rc.fitted[149], rc.fitted[0]) << c.option;  // flat at the mean
      EXPECT_NEAR(rc.fitted[0], rc.coefficients[kCoefLevel], 1e-6f) << c.option;
      EXPECT_NEAR(rc.fitted[0], 1.25f, 0.01f) << c.option;
    }
  }
  // On falling data the exponentials hold.
  Series down = make_series({generated(150, falling), generated(130, falling)});
  for (int option : {kRegionalNegativeExponential, kRegionalNegativeExponentialOrFlat,
                     kRegionalGeneralNegativeExponential}) {
    RegionalCurveOptions o = with_option(option);
    const RegionalCurve rc = rcurve(down.x, down.spans, down.offsets, o);
    EXPECT_EQ(o.option, option);
    EXPECT_NEAR(rc.fitted[0], falling(1.0f), 0.1f) << option;
    EXPECT_NEAR(rc.fitted[149], falling(150.0f), 0.1f) << option;
    EXPECT_GT(rc.coefficients[1], 0.0f) << option;  // positive decay rate
  }
}

TEST(RegionalCurve, SimplexGrowthCurves) {
  // A Hugershoff-shaped regional curve: rising in youth, then falling.
  auto hugershoff = [](float t) { return 0.2f + 0.1f * std::pow(t, 0.9f) * std::exp(-0.03f * t); };
  std::vector<float> a(200), b(180);
  for (int i = 0; i < 200; ++i) a[i] = hugershoff(i + 1.0f) * (1.0f + 0.05f * std::sin(0.7f * i));
  for (int i = 0; i < 180; ++i) b[i] = hugershoff(i + 1.0f) * (1.0f + 0.05f * std::cos(0.5f * i));
  Series s = make_series({a, b});
  testing::ScriptedConsole con(std::string(10, '\n'));
  for (int option : {kRegionalHugershoff, kRegionalGeneralExponential}) {
    RegionalCurveOptions o = with_option(option);
    const RegionalCurve rc = rcurve(s.x, s.spans, s.offsets, o);
    EXPECT_EQ(o.option, option);
    EXPECT_EQ(rc.coefficients[6], static_cast<float>(option));
    double error = 0.0;
    for (int i = 0; i < 200; ++i) error += std::fabs(rc.fitted[i] - hugershoff(i + 1.0f));
    EXPECT_LT(error / 200.0, 0.05) << option;
  }
  // Fewer than 3 positive ages leave no Hugershoff start: the line instead.
  Series sparse = make_series({{0.0f, 1.0f, 0.0f, 2.0f, 0.0f}});
  RegionalCurveOptions o = with_option(kRegionalHugershoff);
  const RegionalCurve rc = rcurve(sparse.x, sparse.spans, sparse.offsets, o);
  EXPECT_EQ(o.option, kRegionalLine);
  EXPECT_NEAR(rc.fitted[4] - rc.fitted[3], rc.coefficients[kCoefSlope], 1e-6f);
}

TEST(RegionalCurve, SmoothersWindowsAndTheirFallBack) {
  Series s = make_series({generated(150, falling), generated(150, falling)});
  // Lowess: a positive window is a number of points, a negative one a percent.
  RegionalCurveOptions o = with_option(kRegionalLowess);
  o.window = 15;
  rcurve(s.x, s.spans, s.offsets, o);
  EXPECT_FLOAT_EQ(o.alpha, 0.1f);
  o.window = -20;
  rcurve(s.x, s.spans, s.offsets, o);
  EXPECT_FLOAT_EQ(o.alpha, 0.2f);
  EXPECT_EQ(o.option, kRegionalLowess);

  // Running medians: an even window comes back one smaller; a percent is
  // converted for the call only.
  o = with_option(kRegionalRunningMedians);
  o.window = 10;
  RegionalCurve rc = rcurve(s.x, s.spans, s.offsets, o);
  EXPECT_EQ(o.window, 9);
  EXPECT_EQ(o.option, kRegionalRunningMedians);
  o.window = -10;  // 15 points
  rc = rcurve(s.x, s.spans, s.offsets, o);
  EXPECT_EQ(o.window, -10);
  EXPECT_FALSE(is_missing(rc.fitted[0]));

  // A window longer than the curve cannot be used: the line, code 4, one line of explanation.
  testing::ScriptedConsole con("\n");
  o = with_option(kRegionalRunningMedians);
  o.window = 201;
  rc = rcurve(s.x, s.spans, s.offsets, o);
  EXPECT_EQ(o.option, kRegionalLine);
  EXPECT_NE(con.output().find("input error 1 in msmoor."), std::string::npos);
  EXPECT_NE(con.output().find("straight line used (option 4)"), std::string::npos);
  EXPECT_NEAR(rc.fitted[100] - rc.fitted[99], rc.coefficients[kCoefSlope], 1e-5f);

  // A spline over fewer than 4 ages.
  testing::ScriptedConsole quiet;
  o = with_option(30);
  o.cutoff_age = 3;
  rc = rcurve(s.x, s.spans, s.offsets, o);
  EXPECT_EQ(o.option, kRegionalLine);
  EXPECT_EQ(rc.fitted[149], rc.fitted[2]);
  EXPECT_FALSE(is_missing(rc.fitted[0]));
}

TEST(RegionalCurve, AgeDependentSplineHoldsARisingTailFlat) {
  // Falls to a minimum at age 200, then rises for its last 30 ages.
  auto shape = [](float t) {
    return t <= 200.0f ? 0.5f + 1.5f * std::exp(-0.02f * t) : 0.5f + 1.5f * std::exp(-4.0f) + 0.02f * (t - 200.0f);
  };
  std::vector<float> v(230);
  for (int i = 0; i < 230; ++i) v[i] = shape(i + 1.0f);
  Series s = make_series({v});
  RegionalCurveOptions o = with_option(kRegionalAgeDependentSpline);
  o.stiffness = 10;
  const RegionalCurve rc = rcurve(s.x, s.spans, s.offsets, o);
  EXPECT_EQ(o.option, kRegionalAgeDependentSpline);
  // The raw tail climbs by 0.6; the corrected curve stays near its minimum.
  EXPECT_NEAR(rc.fitted[229], rc.fitted[199], 0.05f);
  EXPECT_LT(rc.fitted[229], v[229] - 0.4f);
  EXPECT_NEAR(rc.fitted[20], v[20], 0.02f);
}

TEST(RegionalCurve, FirstDifferencesFillTheOldestAge) {
  Series s = make_series({generated(90, falling), generated(90, falling)});
  RegionalCurveOptions o = with_option(kRegionalFirstDifferences);
  const RegionalCurve rc = rcurve(s.x, s.spans, s.offsets, o);
  ASSERT_EQ(rc.length, 90);
  EXPECT_TRUE(is_missing(rc.raw[0]));  // the raw curve holds the rescaled differences
  EXPECT_FALSE(is_missing(rc.raw[1]));
  EXPECT_EQ(rc.fitted[89], rc.fitted[88]);
  for (float v : rc.fitted) EXPECT_TRUE(std::isfinite(v) && !is_missing(v));
}

// ---------------------------------------------------------------------------
// Every regional code on the regional curves of two real data sets.

Series read_widths(const std::string& name) {
  testing::ScriptedConsole con;  // title lines are shown on the console
  auto input = TextInput::open(testing::shared_data(name));
  EXPECT_TRUE(input);
  DecadalReadState state;
  std::vector<DecadalSeries> all;
  while (true) {
    DecadalSeries d = trrw(TrrwMode::kReadWidths, *input, state);
    if (state.series_counter == kEndOfFile) break;
    all.push_back(std::move(d));
  }
  std::vector<std::vector<float>> columns;
  for (const auto& d : all) columns.emplace_back(d.values.begin(), d.values.begin() + d.count);
  Series s = make_series(columns);
  for (std::size_t j = 0; j < all.size(); ++j)
    s.spans[j] = {all[j].first_year, all[j].first_year + all[j].count - 1, all[j].count};
  return s;
}

TEST(RegionalCurveOnData, EveryCodeGivesAFiniteCurveOfTheRightLength) {
  struct DataSetCase {
    const char* file;
    int series;
  } sets[] = {{"ca533.rwl", 34}, {"nm580.rwl", 119}};
  struct Code {
    int option;
    int window;
  } codes[] = {{-5, 7},  {-4, 15}, {-4, -10}, {-3, 9}, {-3, -10}, {-2, 0}, {-1, 0}, {1, 0}, {2, 0},  {3, 0},
               {4, 0},   {5, 0},   {6, 0},    {7, 0},  {8, 0},    {10, 0}, {50, 0}, {-10, 0}, {-67, 0},
               {0, 0},   {9, 0},   {-7, 0}};
  for (const DataSetCase& set : sets) {
    const Series s = read_widths(set.file);
    ASSERT_EQ(static_cast<int>(s.spans.size()), set.series);
    int longest = 0;
    for (const auto& span : s.spans) longest = std::max(longest, span.count);
    for (const Code& code : codes) {
      for (int cutoff : {0, 300}) {
        testing::ScriptedConsole con(std::string(20, '\n'));
        RegionalCurveOptions o = with_option(code.option);
        o.window = code.window;
        o.alpha = static_cast<float>(code.window);
        o.stiffness = 10;
        o.cutoff_age = cutoff;
        const RegionalCurve rc = rcurve(s.x, s.spans, s.offsets, o);
        const std::string what = std::string(set.file) + " code " + std::to_string(code.option) + " cut-off " +
                                 std::to_string(cutoff) + " now " + std::to_string(o.option);
        ASSERT_EQ(rc.length, longest) << what;
        ASSERT_EQ(static_cast<int>(rc.fitted.size()), longest) << what;
        // Every age a series reaches is divided by the curve there.
        for (int age = 1; age <= longest; ++age) {
          const float v = rc.fitted[age - 1];
          ASSERT_TRUE(std::isfinite(v) && !is_missing(v)) << what << " age " << age << " value " << v;
        }
        EXPECT_EQ(con.output().find("itmax"), std::string::npos) << what;
      }
    }
  }
}

}  // namespace
}  // namespace qb
