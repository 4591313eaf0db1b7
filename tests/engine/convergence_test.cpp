#include "engine/convergence.hpp"

#include <gtest/gtest.h>

#include "engine/curve_change_rule.hpp"

namespace qb {
namespace {

const ConvergenceStatistics kStatistics{0.4f, 0.3f, 0.2f, 0.1f};

TEST(TestedStatistic, FirstIterationAlwaysTheUnweightedMean) {
  for (char median : {'y', 'n', 'x'}) EXPECT_EQ(tested_statistic(kStatistics, 1, 8, median), 0.4f);
}

TEST(TestedStatistic, StiffCurvesUnweightedFlexibleCurvesWeighted) {
  for (int stiff : {-2, 0, 1, 2, 6}) {
    EXPECT_EQ(tested_statistic(kStatistics, 2, stiff, 'n'), 0.4f) << stiff;
    EXPECT_EQ(tested_statistic(kStatistics, 2, stiff, 'y'), 0.3f) << stiff;
  }
  for (int flexible : {8, -5, -67, 30, 3}) {
    EXPECT_EQ(tested_statistic(kStatistics, 2, flexible, 'n'), 0.2f) << flexible;
    EXPECT_EQ(tested_statistic(kStatistics, 2, flexible, 'y'), 0.1f) << flexible;
  }
  EXPECT_EQ(tested_statistic(kStatistics, 9, 8, 'x'), 0.4f);
}

TEST(ConvergenceStep, OrderOfTheTests) {
  // A value exactly at the threshold has converged, also at the limit.
  EXPECT_EQ(convergence_step(3, 0.0001f, 0.5f, 0.0001f), ConvergenceStep::kConverged);
  EXPECT_EQ(convergence_step(kMaxIterations, 0.0001f, 0.00005f, 0.0001f), ConvergenceStep::kConverged);
  EXPECT_EQ(convergence_step(kMaxIterations, 0.01f, 0.005f, 0.0001f), ConvergenceStep::kIterationLimit);
  // A rise counts from the seventh iteration on; an equal value is no rise.
  EXPECT_EQ(convergence_step(6, 0.02f, 0.01f, 0.0001f), ConvergenceStep::kGoOn);
  EXPECT_EQ(convergence_step(7, 0.02f, 0.01f, 0.0001f), ConvergenceStep::kRise);
  EXPECT_EQ(convergence_step(7, 0.01f, 0.01f, 0.0001f), ConvergenceStep::kGoOn);
}

TEST(RunningMinima, MarkOnlyAStrictlyLowerValue) {
  RunningMinima minima;
  const auto first = update_running_minima(minima, kStatistics);
  EXPECT_EQ(first, (std::array<char, 4>{'*', '*', '*', '*'}));
  const auto second = update_running_minima(minima, {0.4f, 0.29f, 0.25f, 0.05f});
  EXPECT_EQ(second, (std::array<char, 4>{' ', '*', ' ', '*'}));
  EXPECT_EQ(minima.value[2], 0.2f);
}

TEST(ConvergenceLine, ReportLayout) {
  EXPECT_EQ(convergence_line(12, {0.00822005f, 0.0058695f, 0.0066827f, 0.005003f}, {'*', ' ', '*', ' '}),
            " Iter  12  Convergence Criteria:    0.00822005*    0.00586950     0.00668270*    0.00500300 \n");
}

TEST(CurveChangeRule, FromTheFifthIterationOnChangedOrMeanLineOptions) {
  EXPECT_FALSE(curve_change_due('n', 4, 3, 1));
  EXPECT_TRUE(curve_change_due('n', 5, 3, 1));
  EXPECT_TRUE(curve_change_due('n', 5, 6, 6));
  EXPECT_FALSE(curve_change_due('n', 5, 8, 8));
  EXPECT_FALSE(curve_change_due('y', 9, 3, 1));
  EXPECT_EQ(changed_curve_option(1), -66);
  EXPECT_EQ(changed_curve_option(2), 6);
  EXPECT_EQ(changed_curve_option(-2), 6);
}

}  // namespace
}  // namespace qb
