#include "detrend/running_medians.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "detrend/heapsort.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

TEST(Heapsort, SortsAscending) {
  std::vector<float> three{3, 1, 2};
  sort(three);
  EXPECT_EQ(three, (std::vector<float>{1, 2, 3}));
  std::mt19937 generator(3);
  std::uniform_int_distribution<int> value(-20, 20);
  for (int n : {0, 1, 2, 5, 64, 301}) {
    std::vector<float> x(n);
    for (float& v : x) v = static_cast<float>(value(generator));
    std::vector<float> expected = x;
    std::sort(expected.begin(), expected.end());
    sort(x);
    EXPECT_EQ(x, expected) << n;
  }
}

TEST(RunningMedians, RepeatsUntilTheSeriesStopsChanging) {
  std::vector<float> x{1, 9, 2, 8, 3, 7, 4}, smo(7, 0.0f);
  std::vector<float> first_pass(7);
  EXPECT_EQ(msmoo(x, first_pass, 5), 0);
  EXPECT_EQ(first_pass, (std::vector<float>{3, 3, 3, 7, 4, 4, 4}));

  int window = 5;
  const RunningMedianResult r = msmoor(x, smo, window);
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(r.passes, 3);
  EXPECT_EQ(smo, (std::vector<float>{3, 3, 3, 4, 4, 4, 4}));

  // An even window is used one smaller and written back.
  std::vector<float> y{1, 9, 2, 8, 3, 7, 4};
  window = 4;
  EXPECT_EQ(msmoor(y, smo, window).error, 0);
  EXPECT_EQ(window, 3);
  // Window 1 leaves the series as it is.
  std::vector<float> z{5, 1, 4};
  window = 1;
  EXPECT_EQ(msmoor(z, smo, window).error, 0);
  EXPECT_EQ(std::vector<float>(smo.begin(), smo.begin() + 3), (std::vector<float>{5, 1, 4}));
}

TEST(RunningMedians, InputErrorsAreReportedAndLeaveTheCurveUnwritten) {
  struct Case {
    int n, window, error;
  } cases[] = {{9, 11, kMedianInputLength}, {9, 0, kMedianWindowNotOdd}, {9, -5, kMedianWindowNotOdd},
               {9, -4, kMedianWindowNotOdd}};
  for (const Case& c : cases) {
    std::vector<float> x(c.n, 1.0f), smo(c.n, -1.0f);
    int window = c.window;
    testing::ScriptedConsole con("\n");
    EXPECT_EQ(msmoor(x, smo, window).error, c.error) << c.window;
    EXPECT_EQ(con.output(), "\n input error " + std::to_string(c.error) + " in msmoor.\n") << c.window;
    EXPECT_EQ(smo[0], -1.0f);
  }
  std::vector<float> x(9, 1.0f), smo(9);
  testing::ScriptedConsole con("\n");
  EXPECT_EQ(msmoo(x, smo, 4), kMedianWindowNotOdd);
  EXPECT_EQ(con.output(), "\n input error 3 in msmoo.\n");
}

}  // namespace
}  // namespace qb
