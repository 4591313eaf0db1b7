#include "engine/series_files.hpp"

#include <gtest/gtest.h>

#include "engine/regional_curves_file.hpp"
#include "tests/support/test_support.hpp"
#include "series/file_names.hpp"

namespace qb {
namespace {

TEST(SeriesFileNames, BaseNameAndSuffixes) {
  EXPECT_EQ(dataset_base_name("site.rwl"), "site");
  EXPECT_EQ(dataset_base_name("site    "), "site");
  EXPECT_EQ(dataset_base_name("a.b.rwl"), "a");
  const auto ratios = series_file_names("site", SeriesPass::kStandard, IndexType::kRatios, true);
  EXPECT_EQ(ratios, (std::array<std::string, 3>{"site_STD_RAW_Data.txt", "site_STD_RAW_Curves.txt",
                                                "site_STD_RAW_Ratios.txt"}));
  const auto power = series_file_names("site", SeriesPass::kSignalFree, IndexType::kResiduals, true);
  EXPECT_EQ(power, (std::array<std::string, 3>{"site_SSF_PTR_Data.txt", "site_SSF_PTR_Curves.txt",
                                               "site_SSF_PTR_Resids.txt"}));
  EXPECT_EQ(series_file_names("site", SeriesPass::kStandard, IndexType::kResiduals, false)[2],
            "site_STD_RAW_Resids.txt");
}

TEST(RegionalCurvesFile, EveryFitSideBySide) {
  testing::ScratchDirectory dir;
  std::vector<RegionalCurveSlot> slots(2);
  slots[0].raw = {1.5f, 1.25f, 1.0f};
  slots[0].fitted = {1.4f, 1.2f, 1.1f};
  slots[1].raw = {kMissing, 1.0f};
  slots[1].fitted = {kMissing, 0.95f};
  write_regional_curves_file("site_RCScurves.txt", slots, 3);
  const auto lines = testing::lines_of(testing::read_file("site_RCScurves.txt"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], " Bio Year     RC     fRC      RC     fRC ");
  EXPECT_EQ(lines[1], "    1.00    1.50    1.40 -999.00 -999.00");
  EXPECT_EQ(lines[2], "    2.00    1.25    1.20    1.00    0.95");
  EXPECT_EQ(lines[3], "    3.00    1.00    1.10 -999.00 -999.00");
}

TEST(RegionalCurvesFile, MoreFitsThanOneLineHoldsStayOnOneLinePerYear) {
  testing::ScratchDirectory dir;
  std::vector<RegionalCurveSlot> slots(250, RegionalCurveSlot{{1.0f, 2.0f}, {1.0f, 2.0f}});
  write_regional_curves_file("many.txt", slots, 2);
  const auto lines = testing::lines_of(testing::read_file("many.txt"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].size(), 10u + 250u * 16u - 1u);
  EXPECT_EQ(lines[2].size(), 8u + 500u * 8u);
}

}  // namespace
}  // namespace qb
