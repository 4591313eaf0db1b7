#include "plots/power_plot.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "platform/screen_device.hpp"
#include "tests/plots/recording_canvas.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

const std::vector<float> kFrequencies = {0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f};

TEST(SpectrumRange, LogPowersWithoutMarginAndGapsWhereNoLogarithm) {
  const std::vector<float> first = {0.01f, 0.1f, 1.0f, 10.0f, 100.0f, 1.0f};
  const SpectrumPage page = plt6_page({kFrequencies, first, std::vector<float>(6, 1.0f), "", ""});
  EXPECT_FLOAT_EQ(page.axes.xmin, 0.0f);
  EXPECT_FLOAT_EQ(page.axes.xmax, 0.5f);
  EXPECT_NEAR(page.axes.ymin, -2.0f, 1e-6f);
  EXPECT_NEAR(page.axes.ymax, 2.0f, 1e-6f);

  const std::vector<float> broken = {1.0f, 10.0f, 0.0f, -5.0f, 100.0f, 1.0f};
  const SpectrumPage gaps = plt6_page({kFrequencies, broken, {}, "", ""});
  ASSERT_EQ(gaps.first.size(), 2u);
  EXPECT_EQ(gaps.first[0].frequency, (std::vector<float>{0.0f, 0.1f}));
  EXPECT_EQ(gaps.first[1].frequency, (std::vector<float>{0.4f, 0.5f}));
  EXPECT_NEAR(gaps.axes.ymin, 0.0f, 1e-6f);
}

TEST(SpectrumDrawing, LogAxesAndFig1b) {
  testing::ScratchDirectory folder;
  ScreenDeviceScope screen{{"xwin", ""}};
  testing::RecordingCanvas canvas;
  const std::vector<float> first = {10.0f, 1.0f, 0.1f, 0.1f, 0.1f, 1.0f};
  testing::ScriptedConsole console("s\nc\n");
  plt6({kFrequencies, first, std::vector<float>(6, 1.0f), "STD Power Spectrum", "SSF Power Spectrum, long"});
  EXPECT_EQ(canvas.calls_named("plenv").front().text, "plenv(0,0.5,-1,1,0,20)");
  EXPECT_EQ(canvas.calls_named("plmtex")[1].text, "plmtex(rv,-19.25,1.065,0,SSF Power Spectrum)");  // 18 characters
  EXPECT_EQ(canvas.calls_named("plline")[1].y, std::vector<float>(6, 0.0f));
  EXPECT_EQ(canvas.calls_named("plsfile").front().text, "plsfile(fig1b.ps)");
}

}  // namespace
}  // namespace qb
