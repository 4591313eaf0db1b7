#include "plots/spread_level_plot.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "platform/screen_device.hpp"
#include "tests/plots/recording_canvas.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

// Three points on y = 0.5 x - 3.5, two on y = x - 4, and a pooled line that
// neither has.
SpreadVersusLevel two_series() {
  SpreadVersusLevel fit;
  fit.levels = {1.0f, 2.0f, 3.0f, 2.5f, 4.0f};
  fit.spreads = {-3.0f, -2.0f, -1.5f, -1.0f, -2.5f};
  fit.first_point = {0, 3};
  fit.counts = {3, 2};
  fit.slopes = {0.5f, 1.0f};
  fit.intercepts = {-3.5f, -4.0f};
  fit.pooled = {0.75f, -3.25f, 0.5f};
  return fit;
}

TEST(SpreadLevelPage, RangeLinesAndPooledTitle) {
  const SpreadLevelPage page = scatplt_page(two_series());
  EXPECT_FLOAT_EQ(page.axes.xmin, 1.0f);
  EXPECT_FLOAT_EQ(page.axes.xmax, 4.0f);
  EXPECT_FLOAT_EQ(page.axes.ymin, -4.0f);  // -3.0 - 1.0
  EXPECT_FLOAT_EQ(page.axes.ymax, 0.5f);   // -1.0 + 1.5
  ASSERT_EQ(page.lines.size(), 2u);
  EXPECT_EQ(page.lines[0], (std::vector<float>{-3.0f, -2.5f, -2.0f}));
  EXPECT_EQ(page.lines[1], (std::vector<float>{-1.5f, 0.0f}));
  EXPECT_EQ(page.title, "Y= -3.2500 +   0.5000(x)  Rho=  0.7500");
}

TEST(SpreadLevelDrawing, EachSeriesPointsBlueItsLineRed) {
  testing::ScratchDirectory folder;
  ScreenDeviceScope screen{{"xwin", ""}};
  testing::RecordingCanvas canvas;
  testing::ScriptedConsole console("s\nc\n");
  scatplt(two_series());
  const std::vector<std::string> texts = canvas.texts();
  const std::vector<std::string> second_series = {"plcol0(9)", "plwidth(2)", "plpoin(2,1)", "plcol0(1)", "plline(2)",
                                                  "plend()"};
  EXPECT_EQ(std::vector<std::string>(texts.begin() + 15, texts.begin() + 21), second_series);
  const auto points = canvas.calls_named("plpoin");
  EXPECT_EQ(points[1].x, (std::vector<float>{2.5f, 4.0f}));
  EXPECT_EQ(points[1].y, (std::vector<float>{-1.0f, -2.5f}));
  EXPECT_EQ(canvas.calls_named("plline")[1].x, points[1].x);
  EXPECT_EQ(canvas.calls_named("plsfile").front().text, "plsfile(fig1b.ps)");
}

}  // namespace
}  // namespace qb
