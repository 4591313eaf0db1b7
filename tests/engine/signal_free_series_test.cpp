#include "engine/signal_free_series.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace qb {
namespace {

TEST(SignalFreeMeasurements, DividesOrSubtractsOnlyWhereOtherSeriesShareTheYear) {
  const std::vector<float> x{2.0f, 3.0f, 4.0f, 5.0f};
  const std::vector<float> chronology{0.5f, 1.5f, 0.0f, -0.2f};
  const std::vector<int> depth{1, 3, 3, 2};
  std::vector<float> s(4);

  signal_free_measurements(x, chronology, depth, /*ratios=*/true, s);
  // Depth 1 keeps the measurement; a chronology at or below 0 never divides.
  EXPECT_EQ(s, (std::vector<float>{2.0f, 2.0f, 4.0f, 5.0f}));

  signal_free_measurements(x, chronology, depth, /*ratios=*/false, s);
  EXPECT_FLOAT_EQ(s[0], 2.0f);
  EXPECT_FLOAT_EQ(s[1], 1.5f);
  EXPECT_FLOAT_EQ(s[2], 4.0f);
  EXPECT_FLOAT_EQ(s[3], 5.2f);
}

TEST(RescaleToSeriesMean, RatiosScaleAndResidualsShiftToTheMeasuredMean) {
  std::vector<float> ratios{1.0f, 2.0f, 3.0f};
  rescale_to_series_mean(ratios, 4.0f, true, 0);
  EXPECT_FLOAT_EQ(ratios[0], 2.0f);
  EXPECT_FLOAT_EQ(ratios[2], 6.0f);

  std::vector<float> residuals{1.0f, 2.0f, 3.0f};
  rescale_to_series_mean(residuals, 4.0f, false, 0);
  EXPECT_FLOAT_EQ(residuals[0], 3.0f);
  EXPECT_FLOAT_EQ(residuals[2], 5.0f);
}

TEST(RescaleToSeriesMean, TheLeadingSeriesIsRescaledAfterItsLeadIn) {
  std::vector<float> s{10.0f, 10.0f, 1.0f, 3.0f};
  rescale_to_series_mean(s, 4.0f, true, 2);
  EXPECT_EQ(s, (std::vector<float>{10.0f, 10.0f, 2.0f, 6.0f}));
  // A lead-in as long as the series: the whole series is measured.
  std::vector<float> short_series{1.0f, 3.0f};
  rescale_to_series_mean(short_series, 4.0f, true, 5);
  EXPECT_EQ(short_series, (std::vector<float>{2.0f, 6.0f}));
}

TEST(RescaleToSeriesMean, AZeroMeanRatioSeriesIsLeftAsItIs) {
  std::vector<float> s{0.0f, 0.0f, 0.0f};
  rescale_to_series_mean(s, 1.5f, true, 0);
  EXPECT_EQ(s, (std::vector<float>{0.0f, 0.0f, 0.0f}));
}

TEST(ShiftAboveZero, AddsTheMostNegativeValuesSize) {
  std::vector<float> s{-0.3f, 0.5f};
  shift_above_zero(s);
  EXPECT_FLOAT_EQ(s[0], 0.0f);
  EXPECT_FLOAT_EQ(s[1], 0.8f);
  std::vector<float> positive{0.0f, 0.5f};
  shift_above_zero(positive);
  EXPECT_EQ(positive, (std::vector<float>{0.0f, 0.5f}));
}

}  // namespace
}  // namespace qb
