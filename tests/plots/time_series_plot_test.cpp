#include "plots/time_series_plot.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "platform/screen_device.hpp"
#include "tests/plots/recording_canvas.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::RecordingCanvas;
using testing::ScriptedConsole;

struct Series {
  std::vector<float> first;
  std::vector<float> second;
  std::vector<float> reference;
};

Series between(float low, float high, float reference, int n = 5) {
  Series s{std::vector<float>(n, (low + high) / 2), std::vector<float>(n, (low + high) / 2),
           std::vector<float>(n, reference)};
  s.first.front() = low;
  s.second.back() = high;
  return s;
}

TimeSeriesPlot plot_of(const Series& s, int reference_width = 2) {
  TimeSeriesPlot plot;
  plot.first = s.first;
  plot.second = s.second;
  plot.reference = s.reference;
  plot.first_x = 1900;
  plot.reference_width = reference_width;
  return plot;
}

TEST(TimeSeriesLimits, MarginIsATenthOfTheWholeRange) {
  const AxisLimits wide = plot1_page(plot_of(between(150.0f, 420.0f, 1.0f))).axes;
  EXPECT_FLOAT_EQ(wide.ymin, 123.0f);
  EXPECT_FLOAT_EQ(wide.ymax, 447.0f);
  EXPECT_FLOAT_EQ(wide.xmin, 1900.0f);
  EXPECT_FLOAT_EQ(wide.xmax, 1904.0f);
  // Index values: range below 10, no margin; width 0 starts the axis at 0.
  const AxisLimits index = plot1_page(plot_of(between(0.3f, 1.6f, 1.0f))).axes;
  EXPECT_FLOAT_EQ(index.ymin, 0.3f);
  EXPECT_FLOAT_EQ(index.ymax, 1.6f);
  EXPECT_FLOAT_EQ(plot1_page(plot_of(between(0.3f, 1.6f, 1.0f), 0)).axes.ymin, 0.0f);
}

TEST(TimeSeriesLimits, EpsThresholdTopsTheAxisAtOne) {
  const AxisLimits eps = plot1_page(plot_of(between(0.2f, 0.7f, 0.85f))).axes;
  EXPECT_FLOAT_EQ(eps.ymax, 1.0f);
  EXPECT_FLOAT_EQ(eps.ymin, 0.2f);
  // Whatever the data, before the margin: 1.0 - (-30) gives 31, margin 3.
  const AxisLimits low = plot1_page(plot_of(between(-30.0f, 50.0f, 0.85f))).axes;
  EXPECT_FLOAT_EQ(low.ymin, -33.0f);
  EXPECT_FLOAT_EQ(low.ymax, 4.0f);
}

TEST(TimeSeriesLimits, OnePointGetsAYearWideAxis) {
  const Series one{{1.0f}, {1.2f}, {kNoSeries}};
  const AxisLimits axes = plot1_page(plot_of(one)).axes;
  EXPECT_FLOAT_EQ(axes.xmin, 1900.0f);
  EXPECT_FLOAT_EQ(axes.xmax, 1901.0f);
}

class TimeSeriesDrawing : public ::testing::Test {
 protected:
  testing::ScratchDirectory folder;
  ScreenDeviceScope screen{{"xwin", ""}};
  RecordingCanvas canvas;
};

TEST_F(TimeSeriesDrawing, DrawsThresholdSeriesLegendsAndTitle) {
  const Series eps = between(0.6f, 0.95f, 0.85f, 3);
  TimeSeriesPlot plot = plot_of(eps);
  plot.x_label = "Years";
  plot.y_label = "EPS";
  plot.title = "Running EPS";
  plot.first_legend = "  Std EPS";
  plot.second_legend = "SSF EPS";
  plot.first_width = 3;
  ScriptedConsole console("c\n");
  plot1(plot);
  const std::vector<std::string> expected = {
      "plsdev(xwin)", "plscol0(0,255,255,255)", "plscol0(15,0,0,0)", "plscolbg(255,255,255)", "plinit()",
      "plssub(1,1)", "plcol0(15)", "plenv(1900,1902,0.6,1,0,0)", "plwidth(2)", "pllsty(3)", "plline(3)",
      "plfont(1)", "plwidth(1)", "pllab(Years,EPS, )", "plmtex(b,-35.5,0.5,0.5,Running EPS)", "pllsty(1)",
      "plcol0(9)", "plwidth(3)", "plline(3)", "plwidth(1)", "plmtex(b,-33.75,0.06,0,  Std EPS)", "plcol0(1)",
      "plwidth(1)", "plline(3)", "plwidth(1)", "plmtex(b,-33.75,0.55,0,SSF EPS)", "plend()"};
  EXPECT_EQ(canvas.texts(), expected);
  const auto lines = canvas.calls_named("plline");
  EXPECT_EQ(lines[0].y, eps.reference);
  EXPECT_EQ(lines[1].x, (std::vector<float>{1900.0f, 1901.0f, 1902.0f}));
  EXPECT_EQ(lines[1].y, eps.first);
  EXPECT_EQ(lines[2].y, eps.second);
}

TEST_F(TimeSeriesDrawing, LeavesOutAbsentLineAndBlankLegends) {
  const Series series = between(0.6f, 0.95f, kNoSeries, 3);
  TimeSeriesPlot plot = plot_of(series);
  plot.first_legend = "     Hidden behind five blanks";
  plot.second_legend = "";
  ScriptedConsole console("c\n");
  plot1(plot);
  EXPECT_EQ(canvas.calls_named("plline").size(), 2u);
  EXPECT_EQ(canvas.calls_named("pllsty").size(), 1u);  // only the solid style of the series
  EXPECT_EQ(canvas.calls_named("plmtex").size(), 1u);  // only the title
}

TEST_F(TimeSeriesDrawing, FlatSeriesStillGetsAxes) {
  ScriptedConsole console("c\n");
  plot1(plot_of(between(1.0f, 1.0f, kNoSeries)));
  EXPECT_EQ(canvas.calls_named("plenv").front().text, "plenv(1900,1904,0,2,0,0)");
}

TEST_F(TimeSeriesDrawing, SavesUnderTheTitle) {
  const Series series = between(0.6f, 0.95f, 1.0f);
  TimeSeriesPlot plot = plot_of(series);
  plot.title = "Stable STD Chronology";
  ScriptedConsole console("s\nc\n");
  plot1(plot);
  EXPECT_EQ(canvas.calls_named("plsfile").front().text, "plsfile(StableSTDChronology.ps)");
  EXPECT_EQ(canvas.calls_named("plinit").size(), 2u);
}

TEST_F(TimeSeriesDrawing, NoPointsDrawsNothingButAsks) {
  ScriptedConsole console("s\nc\n");
  plot1(plot_of(Series{}));
  EXPECT_TRUE(canvas.calls().empty());
  EXPECT_NE(console.output().find("enter option number"), std::string::npos);
}

}  // namespace
}  // namespace qb
