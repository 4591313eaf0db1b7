#include "plots/regional_curve_plots.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "platform/screen_device.hpp"
#include "tests/plots/recording_canvas.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::RecordingCanvas;
using testing::ScriptedConsole;

// Curves of `count` iterations over `ages` biological ages after `offset`
// ages without a value.
struct CurveStore {
  std::vector<std::vector<float>> columns;
  std::vector<RegionalCurveIteration> curves;
  CurveStore(int count, int offset, int ages) {
    for (int it = 0; it < count; ++it) {
      std::vector<float> raw(static_cast<std::size_t>(offset + ages), kMissing);
      std::vector<float> fitted = raw;
      for (int a = 1; a <= ages; ++a) {
        raw[static_cast<std::size_t>(offset + a - 1)] = 2.0f - 0.001f * static_cast<float>(a) + 0.01f * static_cast<float>(it);
        fitted[static_cast<std::size_t>(offset + a - 1)] = 1.9f - 0.001f * static_cast<float>(a);
      }
      columns.push_back(std::move(raw));
      columns.push_back(std::move(fitted));
    }
    for (int it = 0; it < count; ++it) {
      curves.push_back({columns[static_cast<std::size_t>(2 * it)], columns[static_cast<std::size_t>(2 * it + 1)]});
    }
  }
  RegionalCurveSet set(int ages, int offset) const { return {curves, ages, offset, kMissing}; }
};

class RegionalCurvePlots : public ::testing::Test {
 protected:
  testing::ScratchDirectory folder;
  ScreenDeviceScope screen{{"xwin", ""}};
  RecordingCanvas canvas;
};

TEST(RegionalCurveGrid, PanelsByNumberOfCurves) {
  const std::vector<std::pair<int, std::pair<int, int>>> table = {
      {1, {2, 4}}, {8, {2, 4}}, {9, {2, 5}}, {10, {2, 5}}, {11, {3, 5}}, {15, {3, 5}}, {16, {4, 5}}, {20, {4, 5}}};
  for (const auto& [curves, grid] : table) {
    const auto panels = plt4_grid(curves);
    ASSERT_TRUE(panels) << curves;
    EXPECT_EQ(panels->columns, grid.first) << curves;
    EXPECT_EQ(panels->rows, grid.second) << curves;
  }
  EXPECT_FALSE(plt4_grid(21));
}

TEST(RegionalCurveRange, ZeroNeverBecomesTheMinimum) {
  CurveStore store(2, 0, 3);
  store.columns[0][1] = 0.0f;
  EXPECT_FLOAT_EQ(regional_curve_range(store.set(3, 0)).ymin, 1.897f);
  store.columns[3][2] = -0.25f;
  const AxisLimits range = regional_curve_range(store.set(3, 0));
  EXPECT_FLOAT_EQ(range.ymin, -0.25f);
  EXPECT_FLOAT_EQ(range.ymax, 2.009f);
}

TEST_F(RegionalCurvePlots, OnePanelPerCurveLabelledByIteration) {
  const CurveStore store(10, 3, 50);
  ScriptedConsole console("s\nc\n");
  plt4(store.set(50, 3));
  EXPECT_EQ(canvas.calls_named("plssub").front().text, "plssub(2,5)");
  const auto axes = canvas.calls_named("plenv");
  ASSERT_EQ(axes.size(), 20u);  // screen and file
  EXPECT_EQ(axes.front().text, "plenv(0,53,1.85,2.089,0,2)");
  const auto labels = canvas.calls_named("pllab");
  EXPECT_EQ(labels[0].text, "pllab(Biological Year,Y,Initial RC and Fit)");
  EXPECT_EQ(labels[1].text, "pllab(Biological Year,Y,Iteration #    1)");
  EXPECT_EQ(labels[9].text, "pllab(Biological Year,Y,Iteration #    9)");
  const auto lines = canvas.calls_named("plline");
  EXPECT_FLOAT_EQ(lines[0].x.front(), 4.0f);
  EXPECT_FLOAT_EQ(lines[0].x.back(), 53.0f);
  EXPECT_EQ(lines[1].y, std::vector<float>(store.columns[1].begin() + 3, store.columns[1].end()));
  EXPECT_EQ(canvas.calls_named("plsfile").front().text, "plsfile(fig1)");
}

TEST_F(RegionalCurvePlots, TooManyCurvesOnlyTellsTheUser) {
  const CurveStore store(21, 0, 5);
  ScriptedConsole console("\n");
  plt4(store.set(5, 0));
  EXPECT_TRUE(canvas.calls().empty());
  EXPECT_EQ(console.output(),
            "\n Too many Regional curves to plot. Try \n"
            " plotting them outside this program.\n"
            " Hit RETURN to Continue\n"
            " \n");
}

TEST_F(RegionalCurvePlots, OverlayColoursAndAxis) {
  const CurveStore store(3, 4, 200);
  ScriptedConsole console("c\n");
  plt5(store.set(200, 4));
  const std::vector<std::string> texts = canvas.texts();
  const std::vector<std::string> page = {
      "plssub(1,1)", "plcol0(15)", "plwidth(1)", "plenv(0,210,1.7,2.019,0,2)",
      "pllab(Biological Year,Y,Regional Curves)", "plcol0(9)", "plmtex(rv,-38.4,1.065,0,Initial)", "plcol0(1)",
      "plmtex(rv,-34.4,1.065,0,/Final)", "plcol0(9)", "plline(200)", "plcol0(15)", "plline(200)", "plcol0(1)",
      "plline(200)", "plend()"};
  EXPECT_EQ(std::vector<std::string>(texts.begin() + 5, texts.end()), page);
  const auto lines = canvas.calls_named("plline");
  EXPECT_FLOAT_EQ(lines[0].x.front(), 5.0f);
  EXPECT_FLOAT_EQ(lines[0].x.back(), 204.0f);
}

TEST_F(RegionalCurvePlots, OverlaySkipsZerosAndDrawsALoneCurveRed) {
  CurveStore store(1, 0, 4);
  store.columns[0][1] = 0.0f;
  ScriptedConsole console("c\n");
  plt5(store.set(4, 0));
  const auto colours = canvas.calls_named("plcol0");
  EXPECT_EQ(colours.back().text, "plcol0(1)");
  EXPECT_EQ(canvas.calls_named("plline").front().x, (std::vector<float>{1.0f, 3.0f, 4.0f}));
}

}  // namespace
}  // namespace qb
