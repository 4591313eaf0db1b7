#include "detrend/running_rbar.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "detrend/pearson_correlation.hpp"
#include "tests/detrend/real_chronology.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using qb::testing::lines_of;
using qb::testing::read_file;
using qb::testing::ScratchDirectory;
using qb::testing::ScriptedConsole;

// A set in calendar rows from per-series spans; values are filled by `value`.
struct TestSet {
  Matrix x;
  std::vector<SeriesSpan> spans;
  SeriesSpan whole;
  std::vector<int> depth;
  std::vector<float> chronology;
};

template <class Value>
TestSet make_set(int first_year, int last_year, const std::vector<std::pair<int, int>>& spans, Value value) {
  TestSet set;
  const int years = last_year - first_year + 1;
  set.whole = {first_year, last_year, years};
  set.x = Matrix(years, static_cast<int>(spans.size()));
  set.depth.assign(years, 0);
  set.chronology.assign(years, 0.0f);
  for (int j = 0; j < static_cast<int>(spans.size()); ++j) {
    set.spans.push_back({spans[j].first, spans[j].second, spans[j].second - spans[j].first + 1});
    for (int year = spans[j].first; year <= spans[j].second; ++year) {
      const float v = value(j, year);
      set.x(year - first_year, j) = v;
      set.depth[year - first_year] += 1;
      set.chronology[year - first_year] += v;
    }
  }
  for (int r = 0; r < years; ++r) {
    if (set.depth[r] > 0) set.chronology[r] /= static_cast<float>(set.depth[r]);
  }
  return set;
}

// Series whose correlation in every window of `period` consecutive years is
// rho for every pair: a common cosine plus a private harmonic per series,
// all orthogonal over any full period.
float equicorrelated(int series, int year, int period, double rho) {
  const double pi = 3.14159265358979323846;
  const double common = std::cos(2.0 * pi * year / period);
  const int k = 2 + series / 2;
  const double angle = 2.0 * pi * k * year / period;
  const double own = series % 2 == 0 ? std::cos(angle) : std::sin(angle);
  return static_cast<float>(1.0 + 0.3 * (std::sqrt(rho) * common + std::sqrt(1.0 - rho) * own));
}

RunningRbar run_quietly(const TestSet& set, int length, TextOutput& out, int threads = 0) {
  RunningRbarOptions options;
  options.window_length = length;
  options.window_overlap = length - 1;
  options.quiet = true;
  options.threads = threads;
  return runbar(set.x, set.spans, set.whole, set.depth, set.chronology, options, out);
}

TEST(Pearson, CorrelationAndLine) {
  const std::vector<float> x{1, 2, 3, 4, 5};
  const std::vector<float> up{3, 5, 7, 9, 11};
  const PearsonFit line = pearsn(x, up);
  EXPECT_FLOAT_EQ(line.r, 1.0f);
  EXPECT_FLOAT_EQ(line.slope, 2.0f);
  EXPECT_FLOAT_EQ(line.intercept, 1.0f);
  const PearsonFit down = pearsn(x, std::vector<float>{5, 4, 3, 2, 1});
  EXPECT_FLOAT_EQ(down.r, -1.0f);
  EXPECT_FLOAT_EQ(down.slope, -1.0f);
  EXPECT_FLOAT_EQ(down.intercept, 6.0f);
  // No spread: no correlation and no division by zero.
  const PearsonFit flat = pearsn(x, std::vector<float>{2, 2, 2, 2, 2});
  EXPECT_EQ(flat.r, 0.0f);
  EXPECT_EQ(flat.slope, 0.0f);
  EXPECT_EQ(flat.intercept, 2.0f);
  EXPECT_EQ(pearsn(std::vector<float>{2, 2, 2}, x).r, 0.0f);
}

// The blocked window computation must give exactly what pearsn gives pair by
// pair, for any number of covering series and any spans.
TEST(WindowRbar, MatchesPairByPairPearson) {
  std::mt19937 generator(7);
  std::normal_distribution<float> noise(0.0f, 0.2f);
  std::uniform_int_distribution<int> start(1800, 1830);
  std::uniform_int_distribution<int> end(1870, 1900);
  std::vector<std::pair<int, int>> spans;
  for (int j = 0; j < 41; ++j) spans.push_back({start(generator), end(generator)});
  std::vector<float> common(101);
  for (float& c : common) c = noise(generator);
  const TestSet set = make_set(1800, 1900, spans, [&](int, int year) { return 1.0f + common[year - 1800] + noise(generator); });

  for (int window_start : {1800, 1815, 1831, 1840, 1860}) {
    const int length = 31;
    int positive = 0;
    double sum = 0.0;
    double squares = 0.0;
    for (int i = 0; i < set.x.cols(); ++i) {
      for (int j = i + 1; j < set.x.cols(); ++j) {
        if (std::max(set.spans[i].first_year, set.spans[j].first_year) > window_start ||
            std::min(set.spans[i].last_year, set.spans[j].last_year) < window_start + length - 1) {
          continue;
        }
        const int row = window_start - 1800;
        const float r = pearsn(set.x.column(i).subspan(row, length), set.x.column(j).subspan(row, length)).r;
        if (r > 0.0f) {
          ++positive;
          sum += r;
          squares += static_cast<double>(r) * r;
        }
      }
    }
    const WindowRbar window = rrbar(set.x, set.spans, set.whole, window_start, length);
    SCOPED_TRACE(window_start);
    if (positive < 3) {
      EXPECT_EQ(window.rbar, kNoRbar);
      EXPECT_EQ(window.sd, kNoRbar);
      continue;
    }
    const float rbar = static_cast<float>(sum / positive);
    const float sd = static_cast<float>(std::sqrt((squares - positive * static_cast<double>(rbar) * rbar) / (positive - 1)));
    EXPECT_EQ(window.correlations, positive);
    EXPECT_EQ(window.rbar, rbar);
    EXPECT_EQ(window.sd, sd);
    EXPECT_EQ(window.se, sd / std::sqrt(static_cast<float>(positive)));
  }
}

TEST(WindowRbar, OnlyPositiveCorrelationsEnter) {
  // a and a' agree, -a and -a' agree, every other pair disagrees: two
  // positive correlations out of six give no value.
  std::mt19937 generator(3);
  std::normal_distribution<float> noise(0.0f, 1.0f);
  std::vector<float> a(40), b(40);
  for (int t = 0; t < 40; ++t) {
    a[t] = noise(generator);
    b[t] = a[t] + 0.3f * noise(generator);
  }
  const std::vector<std::pair<int, int>> spans(4, {1, 40});
  const TestSet opposed = make_set(1, 40, spans, [&](int j, int year) {
    const float v = j % 2 == 0 ? a[year - 1] : b[year - 1];
    return j < 2 ? v : -v;
  });
  EXPECT_EQ(rrbar(opposed.x, opposed.spans, opposed.whole, 1, 40).rbar, kNoRbar);

  // Two series share one pair only.
  const TestSet two = make_set(1, 40, {{1, 40}, {1, 40}}, [&](int j, int year) { return j == 0 ? a[year - 1] : b[year - 1]; });
  EXPECT_EQ(rrbar(two.x, two.spans, two.whole, 1, 40).rbar, kNoRbar);

  // A series that does not cover the whole window takes no part.
  const TestSet partial = make_set(1, 40, {{1, 40}, {1, 40}, {1, 40}, {2, 40}}, [&](int j, int year) {
    return j == 1 ? b[year - 1] : (j == 3 ? -a[year - 1] : a[year - 1] + 0.1f * j * noise(generator));
  });
  const WindowRbar covered = rrbar(partial.x, partial.spans, partial.whole, 1, 40);
  EXPECT_EQ(covered.correlations, 3);
  EXPECT_GT(covered.rbar, 0.8f);
}

TEST(RunningRbar, EvenLengthIsRaisedAndConsoleLinesWritten) {
  ScratchDirectory scratch;
  const TestSet set = make_set(1001, 1100, std::vector<std::pair<int, int>>(6, {1001, 1100}),
                               [](int j, int year) { return equicorrelated(j, year, 51, 0.5); });
  ScriptedConsole console;
  auto out = TextOutput::create(scratch.file("rbar.txt"));
  RunningRbarOptions options;
  options.window_length = 50;
  options.window_overlap = 10;
  const RunningRbar result = runbar(set.x, set.spans, set.whole, set.depth, set.chronology, options, *out);
  out->close();
  EXPECT_EQ(result.window_length, 51);
  EXPECT_EQ(result.window_overlap, 50);
  EXPECT_EQ(result.windows.size(), 50u);
  EXPECT_EQ(result.windows.front().centre_year, 1026);
  EXPECT_EQ(console.output(),
            "\n Running RBAR window length:           51\n"
            " Running RBAR window overlap:          50\n"
            " Running RBAR segments calculated:     50\n");
}

TEST(RunningRbar, KnownCorrelationGivesTheFileRows) {
  ScratchDirectory scratch;
  // Ten series, every pair correlating 0.3 in every 25-year window.
  const TestSet set = make_set(1901, 2000, std::vector<std::pair<int, int>>(10, {1901, 2000}),
                               [](int j, int year) { return equicorrelated(j, year, 25, 0.3); });
  ScriptedConsole console;
  auto out = TextOutput::create(scratch.file("rbar.txt"));
  const RunningRbar result = run_quietly(set, 25, *out);
  out->close();
  EXPECT_EQ(console.output(), "");
  ASSERT_EQ(result.windows.size(), 76u);
  EXPECT_EQ(result.windows.front().correlations, 45);
  EXPECT_NEAR(result.windows.front().rbar, 0.3f, 1e-5f);
  EXPECT_NEAR(result.windows.front().series_count, 10.0f, 0.0f);
  EXPECT_NEAR(result.windows.front().eps, 0.8108f, 1e-4f);
  const auto lines = lines_of(read_file(scratch.file("rbar.txt")));
  ASSERT_EQ(lines.size(), 101u);
  EXPECT_EQ(lines[0], " YEAR     NC   RBAR1    EPS1   NEFF1   RBAR2    EPS2   NEFF2");
  EXPECT_EQ(lines[1], " 1901     10   0.300   0.811   2.703   0.300   0.811   2.703");
  EXPECT_EQ(lines[100], " 2000     10   0.300   0.811   2.703   0.300   0.811   2.703");
  // With a one-year step and constant depth the adjustment is the same every
  // year: sqrt(RBAR * NEFF) about the mean.
  const float factor = std::sqrt(result.rbar1[0] * result.neff1[0]);
  float mean = 0.0f;
  for (float c : set.chronology) mean += c;
  mean /= 100.0f;
  EXPECT_FLOAT_EQ(result.adjusted1[50], factor * (set.chronology[50] - mean) + mean);
  EXPECT_EQ(result.adjusted2[50], result.adjusted1[50]);
}

TEST(RunningRbar, EndsAndConstantDepth) {
  ScratchDirectory scratch;
  std::mt19937 generator(11);
  std::normal_distribution<float> noise(0.0f, 0.25f);
  std::vector<float> common(200);
  for (float& c : common) c = noise(generator);
  // Agreement that changes over time, so that RBAR1 varies from year to year.
  auto value = [&](int, int year) {
    const float weight = 0.2f + 0.8f * static_cast<float>(year - 1601) / 199.0f;
    return 1.0f + weight * common[year - 1601] + noise(generator);
  };
  const TestSet constant = make_set(1601, 1800, std::vector<std::pair<int, int>>(8, {1601, 1800}), value);
  auto out = TextOutput::create(scratch.file("constant.txt"));
  const RunningRbar flat = run_quietly(constant, 31, *out);
  ASSERT_EQ(flat.windows.size(), 170u);
  // Years before the first centre and after the last take the end windows.
  for (int r = 0; r < 15; ++r) EXPECT_EQ(flat.rbar1[r], flat.windows.front().rbar);
  for (int r = 185; r < 200; ++r) EXPECT_EQ(flat.rbar1[r], flat.windows.back().rbar);
  for (const RbarWindow& w : flat.windows) EXPECT_EQ(flat.rbar1[w.centre_year - 1601], w.rbar);
  float sum = 0.0f;
  for (float r : flat.rbar1) sum += r;
  for (float r : flat.rbar2) EXPECT_EQ(r, sum / 200.0f);
}

TEST(RunningRbar, GapYearsKeepTheLastYieldingWindow) {
  ScratchDirectory scratch;
  std::mt19937 generator(5);
  std::normal_distribution<float> noise(0.0f, 0.25f);
  std::vector<float> common(120);
  for (float& c : common) c = noise(generator);
  // Three early and three late series: the windows in between have fewer than
  // three covering series.
  const TestSet set = make_set(1, 120, {{1, 50}, {1, 50}, {1, 50}, {71, 120}, {71, 120}, {71, 120}},
                               [&](int, int year) { return 1.0f + common[year - 1] + 0.5f * noise(generator); });
  auto out = TextOutput::create(scratch.file("gap.txt"));
  const RunningRbar result = run_quietly(set, 21, *out);
  out->close();
  ASSERT_EQ(result.windows.size(), 60u);  // 30 early, 30 late
  EXPECT_EQ(result.windows[29].centre_year, 40);
  EXPECT_EQ(result.windows[30].centre_year, 81);
  // Every Rbar stays on its own centre year; gap years repeat the last one.
  for (const RbarWindow& w : result.windows) EXPECT_EQ(result.rbar1[w.centre_year - 1], w.rbar);
  for (int year = 41; year <= 80; ++year) EXPECT_EQ(result.rbar1[year - 1], result.windows[29].rbar);
  for (int year = 111; year <= 120; ++year) EXPECT_EQ(result.rbar1[year - 1], result.windows.back().rbar);
  // Years without a series get no effective series and the chronology mean.
  EXPECT_EQ(result.neff1[59], 0.0f);
}

TEST(RunningRbar, NoYieldingWindowIsReportedNotInvented) {
  ScratchDirectory scratch;
  const TestSet set = make_set(1, 60, {{1, 60}, {1, 60}}, [](int j, int year) { return equicorrelated(j, year, 21, 0.5); });
  ScriptedConsole console;
  auto out = TextOutput::create(scratch.file("none.txt"));
  RunningRbarOptions options;
  options.window_length = 21;
  options.window_overlap = 20;
  const RunningRbar result = runbar(set.x, set.spans, set.whole, set.depth, set.chronology, options, *out);
  out->close();
  EXPECT_TRUE(result.windows.empty());
  EXPECT_EQ(result.adjusted1, std::vector<float>(set.chronology.begin(), set.chronology.end()));
  EXPECT_EQ(result.adjusted2, result.adjusted1);
  EXPECT_NE(console.output().find(" Running RBAR segments calculated:      0\n"), std::string::npos);
  const auto lines = lines_of(read_file(scratch.file("none.txt")));
  ASSERT_EQ(lines.size(), 61u);
  EXPECT_EQ(lines[1], "    1      2 -99.900 -99.900 -99.900 -99.900 -99.900 -99.900");

  // A window longer than the set yields nothing either, and an overlap that
  // would make no progress still ends.
  auto again = TextOutput::create(scratch.file("long.txt"));
  options.window_length = 61;
  options.window_overlap = 61;
  options.quiet = true;
  const RunningRbar too_long = runbar(set.x, set.spans, set.whole, set.depth, set.chronology, options, *again);
  EXPECT_TRUE(too_long.windows.empty());
  EXPECT_EQ(too_long.window_overlap, 60);

  // The widest window the RBAR prompt accepts, over calendar years.
  const TestSet late = make_set(1900, 1959, {{1900, 1959}, {1900, 1959}},
                                [](int j, int year) { return equicorrelated(j, year, 21, 0.5); });
  auto widest = TextOutput::create(scratch.file("widest.txt"));
  options.window_length = std::numeric_limits<int>::max();
  options.window_overlap = options.window_length - 1;
  EXPECT_TRUE(runbar(late.x, late.spans, late.whole, late.depth, late.chronology, options, *widest).windows.empty());
}

TEST(RunningRbar, ThreadsGiveBitIdenticalResults) {
  ScratchDirectory scratch;
  std::mt19937 generator(9);
  std::normal_distribution<float> noise(0.0f, 0.3f);
  std::uniform_int_distribution<int> first(1000, 1150);
  std::uniform_int_distribution<int> length(80, 250);
  std::vector<std::pair<int, int>> spans;
  for (int j = 0; j < 70; ++j) {
    const int f = first(generator);
    spans.push_back({f, std::min(1300, f + length(generator))});
  }
  spans.push_back({1000, 1300});
  std::vector<float> common(301);
  for (float& c : common) c = noise(generator);
  const TestSet set = make_set(1000, 1300, spans, [&](int, int year) { return 1.0f + common[year - 1000] + noise(generator); });
  auto out = TextOutput::create(scratch.file("threads.txt"));
  const RunningRbar serial = run_quietly(set, 41, *out, 1);
  const RunningRbar parallel = run_quietly(set, 41, *out, 5);
  ASSERT_EQ(serial.windows.size(), parallel.windows.size());
  for (std::size_t w = 0; w < serial.windows.size(); ++w) {
    EXPECT_EQ(serial.windows[w].rbar, parallel.windows[w].rbar);
    EXPECT_EQ(serial.windows[w].sd, parallel.windows[w].sd);
    EXPECT_EQ(serial.windows[w].correlations, parallel.windows[w].correlations);
    // Windows of the same members are summed side by side; each must still
    // be the window computed alone.
    const WindowRbar alone = rrbar(set.x, set.spans, set.whole, serial.windows[w].centre_year - 20, 41);
    EXPECT_EQ(serial.windows[w].rbar, alone.rbar) << w;
    EXPECT_EQ(serial.windows[w].sd, alone.sd) << w;
    EXPECT_EQ(serial.windows[w].correlations, alone.correlations) << w;
  }
  EXPECT_EQ(serial.rbar1, parallel.rbar1);
  EXPECT_EQ(serial.adjusted2, parallel.adjusted2);
  out->close();
}

TEST(RunningRbar, RealRingWidthIndices) {
  ScratchDirectory scratch;
  const qb::testing::IndexSet set = qb::testing::co021_ratio_indices();
  ASSERT_EQ(set.x.cols(), 35);
  ASSERT_EQ(set.whole.first_year, 1176);
  auto out = TextOutput::create(scratch.file("co021_Std_RBAR.txt"));
  RunningRbarOptions options;
  options.quiet = true;
  const RunningRbar result = runbar(set.x, set.spans, set.whole, set.depth, set.chronology, options, *out);
  out->close();
  ASSERT_GT(result.windows.size(), 600u);
  for (const RbarWindow& w : result.windows) {
    EXPECT_GT(w.rbar, 0.0f);
    EXPECT_LE(w.rbar, 1.0f);
    EXPECT_GT(w.eps, 0.0f);
    EXPECT_LT(w.eps, 1.0f);
    EXPECT_TRUE(std::isfinite(w.sd));
  }
  for (int r = 0; r < set.whole.count; ++r) {
    EXPECT_TRUE(std::isfinite(result.adjusted1[r]) && std::isfinite(result.adjusted2[r]));
    EXPECT_GE(result.neff1[r], 0.0f);
    EXPECT_LE(result.neff1[r], static_cast<float>(set.depth[r]));
  }
  const auto lines = lines_of(read_file(scratch.file("co021_Std_RBAR.txt")));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(set.whole.count) + 1);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    ASSERT_EQ(lines[i].size(), 60u);
    int year = 0, nc = 0;
    float rbar1 = 0, eps1 = 0, neff1 = 0, rbar2 = 0, eps2 = 0, neff2 = 0;
    ASSERT_EQ(read_fields("(i5,i7,6f8.3)", lines[i], &year, &nc, &rbar1, &eps1, &neff1, &rbar2, &eps2, &neff2),
              ReadStatus::kOk);
    EXPECT_EQ(year, 1176 + static_cast<int>(i) - 1);
    EXPECT_EQ(nc, set.depth[i - 1]);
    EXPECT_GE(eps1, 0.0f);
    EXPECT_LE(eps1, 1.0f);
  }
}

}  // namespace
}  // namespace qb
