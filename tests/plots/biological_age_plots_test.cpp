#include "plots/biological_age_plots.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "platform/screen_device.hpp"
#include "tests/plots/recording_canvas.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::RecordingCanvas;
using testing::ScriptedConsole;

// A curve by biological age with no value below age `from`.
std::vector<float> curve_from(int from, int length, float base) {
  std::vector<float> curve(static_cast<std::size_t>(length), kMissing);
  for (int age = from; age <= length; ++age) curve[static_cast<std::size_t>(age - 1)] = base + 0.01f * static_cast<float>(age);
  return curve;
}

class PlotsWithMenu : public ::testing::Test {
 protected:
  testing::ScratchDirectory folder;
  ScreenDeviceScope screen{{"xwin", ""}};
  RecordingCanvas canvas;
};

TEST(RegionalCurveFitPage, PointsShiftedByTheAgeOffset) {
  std::vector<float> raw = curve_from(1, 9000, 1.0f);
  std::vector<float> fitted = curve_from(1, 9000, 0.5f);
  RegionalCurveFitPlot plot{raw, fitted, 1, 300, kMissing, "", 0};
  RegionalCurveFitPage page = plt1_page(plot);
  ASSERT_EQ(page.points.x.size(), 300u);
  EXPECT_FLOAT_EQ(page.points.x.front(), 1.0f);
  EXPECT_FLOAT_EQ(page.points.x.back(), 300.0f);
  EXPECT_FLOAT_EQ(page.axes.xmax, 300.0f);
  EXPECT_FLOAT_EQ(page.axes.ymin, 0.51f);
  EXPECT_FLOAT_EQ(page.axes.ymax, 4.0f);

  // Offset 5: ages 1 to 5 hold no value, the fit ends at age 300.
  raw = curve_from(6, 300, 1.0f);
  fitted = curve_from(6, 300, 0.5f);
  plot = {raw, fitted, 1, 300, kMissing, "", 5};
  page = plt1_page(plot);
  ASSERT_EQ(page.points.x.size(), 295u);
  EXPECT_FLOAT_EQ(page.points.x.front(), 6.0f);
  EXPECT_FLOAT_EQ(page.points.x.back(), 300.0f);
  EXPECT_FLOAT_EQ(page.points.second.front(), fitted[5]);
  EXPECT_FLOAT_EQ(page.axes.xmin, 0.0f);
  EXPECT_FLOAT_EQ(page.axes.xmax, 305.0f);
}

TEST_F(PlotsWithMenu, RegionalCurveFitDrawing) {
  const std::vector<float> raw = curve_from(1, 4, 1.0f);
  const std::vector<float> fitted = curve_from(1, 4, 1.0f);
  ScriptedConsole console("s\nc\n");
  plt1({raw, fitted, 1, 4, kMissing, "Initial RC and MVF fit         cut here", 0});
  const std::vector<std::string> page = {
      "plcol0(15)", "plssub(1,1)", "plwidth(1)", "plenv(0,4,1.01,1.04,0,2)",
      "pllab(Biological Year,Y,Initial RC and MVF fit)", "plcol0(1)", "plline(4)", "plcol0(9)", "plwidth(2)",
      "plline(4)", "plend()"};
  const std::vector<std::string> texts = canvas.texts();
  EXPECT_EQ(std::vector<std::string>(texts.begin() + 5, texts.begin() + 16), page);
  EXPECT_EQ(canvas.calls_named("plsfile").front().text, "plsfile(fig11.ps)");
}

TEST(IndexAveragePage, YearsNoSeriesCoversAverageZero) {
  Matrix indices(100, 2);
  for (int r = 0; r < 100; ++r) indices(r, 0) = 1.0f + 0.001f * static_cast<float>(r);
  for (int r = 0; r < 50; ++r) indices(r, 1) = 0.5f;
  const std::vector<SeriesSpan> spans = {{1801, 1900, 100}, {1951, 2000, 50}};
  const IndexAveragePage page = plt2_page(indices, spans, kMissing);
  EXPECT_FLOAT_EQ(page.axes.xmin, 1801.0f);
  EXPECT_FLOAT_EQ(page.axes.xmax, 2000.0f);
  EXPECT_FLOAT_EQ(page.axes.ymin, 0.5f);
  EXPECT_FLOAT_EQ(page.axes.ymax, 1.099f);
  ASSERT_EQ(page.years.size(), 200u);
  EXPECT_FLOAT_EQ(page.averages[0], 1.0f);
  EXPECT_FLOAT_EQ(page.averages[100], 0.0f);  // 1901
  EXPECT_FLOAT_EQ(page.averages[149], 0.0f);  // 1950
  EXPECT_FLOAT_EQ(page.averages[150], 0.5f);  // 1951
}

TEST(IndexAveragePage, AveragesOverlapsAndYearsBeforeOne) {
  Matrix indices(3, 2);
  indices(0, 0) = 1.0f, indices(1, 0) = 2.0f, indices(2, 0) = 3.0f;
  indices(0, 1) = 3.0f, indices(1, 1) = 4.0f;
  const std::vector<SeriesSpan> spans = {{-2, 0, 3}, {-1, 0, 2}};
  const IndexAveragePage page = plt2_page(indices, spans, kMissing);
  EXPECT_EQ(page.years, (std::vector<float>{-2.0f, -1.0f, 0.0f}));
  EXPECT_EQ(page.averages, (std::vector<float>{1.0f, 2.5f, 3.5f}));
}

TEST_F(PlotsWithMenu, IndexPanelsOneLinePerSeriesThenTheAverage) {
  Matrix indices(3, 2);
  indices(0, 0) = 1.0f, indices(1, 0) = 2.0f, indices(2, 0) = 3.0f;
  indices(0, 1) = 3.0f, indices(1, 1) = 4.0f;
  const std::vector<SeriesSpan> spans = {{1900, 1902, 3}, {1901, 1902, 2}};
  ScriptedConsole console("c\n");
  plt2(indices, spans);
  const std::vector<std::string> texts = canvas.texts();
  const std::vector<std::string> page = {
      "plcol0(15)", "plssub(1,2)", "plwidth(1)", "plenv(1900,1902,1,4,0,2)",
      "pllab(Calendar Year,Y,First Detrending)", "plcol0(1)", "plline(3)", "plline(2)", "plcol0(15)", "plwidth(1)",
      "plenv(1900,1902,1,4,0,2)", "pllab(Calendar Year,Y,Average Indices)", "plcol0(1)", "plline(3)", "plend()"};
  EXPECT_EQ(std::vector<std::string>(texts.begin() + 5, texts.end()), page);
  EXPECT_EQ(canvas.calls_named("plline")[1].x, (std::vector<float>{1901.0f, 1902.0f}));
}

struct OneSeries {
  std::vector<float> index{1.1f, 0.9f, 1.3f};
  std::vector<float> measurements{2.0f, 1.5f, 1.2f};
  std::vector<float> fitted = curve_from(3, 20, 1.0f);
  SeriesCurvePlot plot() const {
    SeriesCurvePlot p;
    p.index = index;
    p.measurements = measurements;
    p.fitted_curve = fitted;
    p.span = {1850, 1852, 3};
    p.curve_positions = 10;
    p.id = "ABC01";
    p.title = "Iteration #   3";
    p.pith_offset = 4;
    p.age_offset = 2;
    return p;
  }
};

TEST(SeriesCurvePage, RingsAtBiologicalAgeIndexByYear) {
  const OneSeries series;
  const SeriesCurvePage page = plt3_page(series.plot());
  EXPECT_EQ(page.ring_ages, (std::vector<float>{5.0f, 6.0f, 7.0f}));
  EXPECT_EQ(page.years, (std::vector<float>{1850.0f, 1851.0f, 1852.0f}));
  ASSERT_EQ(page.curve.x.size(), 10u);
  EXPECT_FLOAT_EQ(page.curve.x.front(), 3.0f);
  EXPECT_FLOAT_EQ(page.curve.first.front(), 1.03f);
  EXPECT_FLOAT_EQ(page.upper.xmax, 12.0f);
  EXPECT_FLOAT_EQ(page.upper.ymin, 0.0f);
  EXPECT_FLOAT_EQ(page.upper.ymax, 2.0f);
  EXPECT_FLOAT_EQ(page.lower.xmin, 1850.0f);
  EXPECT_FLOAT_EQ(page.lower.xmax, 1852.0f);
  EXPECT_FLOAT_EQ(page.lower.ymin, 0.9f);
  EXPECT_FLOAT_EQ(page.lower.ymax, 1.3f);
}

TEST_F(PlotsWithMenu, SeriesPlotAnswersNoMorePlots) {
  const OneSeries series;
  {
    ScriptedConsole console("n\n");
    EXPECT_EQ(plt3(series.plot()), PlotMenuExit::kNoMorePlots);
  }
  for (const char* answer : {"c\n", "\n"}) {
    ScriptedConsole console(answer);
    EXPECT_EQ(plt3(series.plot()), PlotMenuExit::kContinue);
  }
  const auto labels = canvas.calls_named("pllab");
  EXPECT_EQ(labels[0].text, "pllab(Biological Year,Y,Iteration #   3)");
  EXPECT_EQ(labels[1].text, "pllab(Calendar Year,Y,ABC01)");
  ScriptedConsole console("s\nc\n");
  plt3(series.plot());
  EXPECT_EQ(canvas.calls_named("plsfile").front().text, "plsfile(fig1)");
}

}  // namespace
}  // namespace qb
