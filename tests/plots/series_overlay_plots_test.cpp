#include "plots/series_overlay_plots.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "platform/screen_device.hpp"
#include "tests/plots/recording_canvas.hpp"
#include "tests/support/test_support.hpp"

namespace qb {
namespace {

using testing::RecordingCanvas;
using testing::ScriptedConsole;

// `count` curves of `years` rows at 1.0, the first running from low to high.
Matrix curve_family(int years, int count, float low, float high) {
  Matrix curves(years, count, 1.0f);
  curves(0, 0) = low;
  curves(years - 1, 0) = high;
  return curves;
}

CurveFamilyPlot family_plot(const Matrix& curves, std::span<const float> reference) {
  return {curves.rows(), curves.cols(), 1900, reference, {"Years", "Indices", "Stable STD Chronology", "A", "B"}};
}

class OverlayDrawing : public ::testing::Test {
 protected:
  testing::ScratchDirectory folder;
  ScreenDeviceScope screen{{"xwin", ""}};
  RecordingCanvas canvas;

  // Colour in force at each plline, in order.
  std::vector<int> line_colours() const {
    std::vector<int> colours;
    int colour = -1;
    for (const testing::PlotCall& call : canvas.calls()) {
      if (call.name == "plcol0") colour = std::stoi(call.text.substr(7));
      if (call.name == "plline") colours.push_back(colour);
    }
    return colours;
  }
};

TEST(CurveFamilyRange, FivePercentMarginOverTheCurvesOnly) {
  Matrix curves = curve_family(5, 3, 0.8f, 1.2f);
  curves(2, 1) = kMissing;
  const std::vector<float> reference(5, 7.0f);
  const CurveFamilyPage page = spaghetti_page(curves, family_plot(curves, reference));
  EXPECT_FLOAT_EQ(page.axes.ymin, 0.78f);
  EXPECT_FLOAT_EQ(page.axes.ymax, 1.22f);
  EXPECT_FLOAT_EQ(page.axes.xmin, 1900.0f);
  EXPECT_FLOAT_EQ(page.axes.xmax, 1904.0f);
}

TEST_F(OverlayDrawing, CurveFamilyColoursGapsAndFile) {
  Matrix curves = curve_family(4, 5, 0.9f, 1.1f);
  curves(1, 2) = kMissing;
  const std::vector<float> reference(4, 1.0f);
  {
    ScriptedConsole console("s\nc\n");
    spaghetti(curves, family_plot(curves, reference));
  }
  EXPECT_EQ(canvas.calls_named("plsfile").front().text, "plsfile(StableSTDChronology.ps)");
  // Reference first, then blue, black ... red: the last iteration on top.
  const std::vector<int> page = {kBlack, kBlue, kBlack, kBlack, kBlack, kRed};
  const std::vector<int> colours = line_colours();
  ASSERT_EQ(colours.size(), 12u);  // on the screen, then into the file
  EXPECT_EQ(std::vector<int>(colours.begin(), colours.begin() + 6), page);
  const auto lines = canvas.calls_named("plline");
  EXPECT_EQ(lines[1].x, (std::vector<float>{1900.0f, 1901.0f, 1902.0f, 1903.0f}));
  EXPECT_EQ(lines[3].y[1], kMissing);  // drawn as it stands; the library clips it

  canvas.clear();
  const std::vector<float> no_reference = {kNoSeries};
  CurveFamilyPlot one = family_plot(curves, no_reference);
  one.curves = 1;
  ScriptedConsole console("c\n");
  spaghetti(curves, one);
  EXPECT_EQ(line_colours(), (std::vector<int>{kBlue}));
}

// Two series, series-relative rows, each over its own span.
struct SeriesPair {
  std::vector<SeriesSpan> spans{{1850, 1853, 4}, {1852, 1856, 5}};
  Matrix before{6, 2, 1.0f};
  Matrix after{6, 2, 1.0f};
  SeriesPair() {
    before(0, 0) = 0.05f;
    before(1, 1) = 2.0f;
    before(5, 0) = 50.0f;  // beyond the span: not read
    after(2, 1) = kMissing;
  }
  SeriesPairPlot plot(std::span<const float> mean) const {
    return {spans, {1850, 1856, 7}, mean, {"Years", "Measurements", "Indices", "Iteration:   0", "Iteration:   4"}};
  }
};

TEST(SeriesPairRange, TenthMarginNeverBelowZero) {
  const SeriesPair pair;
  const AxisLimits range = linguine2_range(pair.before, pair.after, pair.plot({}));
  EXPECT_FLOAT_EQ(range.xmin, 1850.0f);
  EXPECT_FLOAT_EQ(range.xmax, 1856.0f);
  EXPECT_FLOAT_EQ(range.ymin, 0.0f);  // 0.05 - 0.195
  EXPECT_FLOAT_EQ(range.ymax, 2.195f);
}

TEST_F(OverlayDrawing, SeriesPairDrawsOnceWithoutAsking) {
  const SeriesPair pair;
  const std::vector<float> mean(7, 1.0f);
  ScriptedConsole console("");
  linguine2(pair.before, pair.after, pair.plot(mean));
  EXPECT_TRUE(console.output().empty());
  EXPECT_EQ(canvas.calls_named("plinit").size(), 1u);
  EXPECT_EQ(line_colours(), (std::vector<int>{kBlue, kBlue, kRed, kRed, kBlack}));
  const auto lines = canvas.calls_named("plline");
  EXPECT_EQ(lines[1].x, (std::vector<float>{1852.0f, 1853.0f, 1854.0f, 1855.0f, 1856.0f}));
  EXPECT_EQ(lines[0].y.size(), 4u);
  EXPECT_EQ(lines[4].x.front(), 1850.0f);
  EXPECT_EQ(lines[4].x.back(), 1856.0f);

  canvas.clear();
  linguine2(pair.before, pair.after, pair.plot(std::vector<float>{kNoSeries, 1.0f}));
  EXPECT_EQ(canvas.calls_named("plline").size(), 4u);
}

}  // namespace
}  // namespace qb
