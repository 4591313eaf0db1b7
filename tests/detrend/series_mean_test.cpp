#include "detrend/series_mean.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "platform/program_stop.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

TEST(SeriesMean, MeanLineAndEmptySeries) {
  std::vector<float> y(5);
  xmean(std::vector<float>{1, 2, 6}, y);
  for (float v : y) EXPECT_FLOAT_EQ(v, 3.0f);

  testing::ScriptedConsole console("\n");
  EXPECT_THROW(xmean(std::span<const float>(), y), ProgramStop);
  EXPECT_EQ(console.output(), "\n error in xmean: n=0\n ");
}

}  // namespace
}  // namespace qb
