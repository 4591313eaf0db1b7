// The plots drawn by the plotting library itself, headless: the screen is a
// PNG file and "s" writes colour PostScript.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "detrend/power_transform.hpp"
#include "platform/screen_device.hpp"
#include "platform/startup_environment.hpp"
#include "plots/biological_age_plots.hpp"
#include "plots/plot_file_name.hpp"
#include "plots/regional_curve_plots.hpp"
#include "plots/series_overlay_plots.hpp"
#include "plots/power_plot.hpp"
#include "plots/spread_level_plot.hpp"
#include "plots/time_series_plot.hpp"
#include "series/data_set_loader.hpp"
#include "tests/support/test_support.hpp"

// Font lookup (fontconfig, under the cairo devices) and the library's driver
// loader (libltdl) keep allocations for the life of the process; the leak
// checker of sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libltdl.so\n"; }

namespace qb {
namespace {

using testing::read_file;
using testing::ScriptedConsole;

class PlotLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    set_plotting_environment();
    forget_written_plot_files();
  }

  // Each plot is shown, saved, then left; both files must hold a page. The
  // next plot may save under the same name again.
  void expect_saved(const std::string& plot_file) {
    EXPECT_EQ(read_file("screen.png").substr(1, 3), "PNG");
    EXPECT_EQ(read_file(plot_file).substr(0, 4), "%!PS");
    std::filesystem::remove("screen.png");
    std::filesystem::remove(plot_file);
    forget_written_plot_files();
  }

  testing::ScratchDirectory folder;
  ScreenDeviceScope screen{{"pngcairo", "screen.png"}};
};

std::vector<float> ramp(int n, float start, float step) {
  std::vector<float> values(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) values[static_cast<std::size_t>(i)] = start + step * static_cast<float>(i);
  return values;
}

TEST_F(PlotLibrary, TimeSeriesPlot) {
  const std::vector<float> first = ramp(50, 0.6f, 0.005f);
  const std::vector<float> second = ramp(50, 0.9f, -0.002f);
  const std::vector<float> threshold(50, 0.85f);
  ScriptedConsole console("s\nc\n");
  plot1({first, second, threshold, 1901, "Years", "EPS", "Running EPS", "Std", "Ssf", 1, 2, 1});
  expect_saved("RunningEPS.ps");
}

// The library does not check its writes: a page saved onto a full disk
// (/dev/full under the file's name) is named with the reason.
TEST_F(PlotLibrary, ASaveOntoAFullDiskNamesTheReason) {
  const std::vector<float> first = ramp(50, 0.6f, 0.005f);
  std::filesystem::create_symlink("/dev/full", "Chronology.ps");
  ScriptedConsole console("s\nc\n");
  plot1({first, first, first, 1901, "Years", "Index", "Chronology", "Std", "Ssf", 1, 2, 1});
  EXPECT_NE(console.output().find(">  Cannot write Chronology.ps: No space left on device\n"), std::string::npos);
}

TEST_F(PlotLibrary, BiologicalAgePlots) {
  const std::vector<float> raw = ramp(120, 2.0f, -0.01f);
  const std::vector<float> fitted = ramp(120, 1.9f, -0.009f);
  {
    ScriptedConsole console("s\nc\n");
    plt1({raw, fitted, 1, 120, kMissing, "Initial RC and MVF fit", 0});
    expect_saved("fig11.ps");
  }
  {
    Matrix indices(60, 2);
    for (int r = 0; r < 60; ++r) indices(r, 0) = 1.0f + 0.01f * static_cast<float>(r % 7);
    for (int r = 0; r < 40; ++r) indices(r, 1) = 0.9f + 0.02f * static_cast<float>(r % 5);
    const std::vector<SeriesSpan> spans = {{1801, 1860, 60}, {1841, 1880, 40}};
    ScriptedConsole console("s\nc\n");
    plt2(indices, spans);
    expect_saved("fig11.ps");
  }
  SeriesCurvePlot series;
  const std::vector<float> index = ramp(80, 1.0f, 0.001f);
  series.index = index;
  series.measurements = std::span<const float>(raw).first(80);
  series.fitted_curve = fitted;
  series.span = {1900, 1979, 80};
  series.curve_positions = 120;
  series.id = "ABC01";
  series.title = "Iteration #   1";
  ScriptedConsole console("s\nn\n");
  EXPECT_EQ(plt3(series), PlotMenuExit::kNoMorePlots);
  expect_saved("fig1");
}

TEST_F(PlotLibrary, RegionalCurvePlots) {
  std::vector<std::vector<float>> columns;
  std::vector<RegionalCurveIteration> curves;
  for (int it = 0; it < 5; ++it) {
    columns.push_back(ramp(100, 2.0f + 0.05f * static_cast<float>(it), -0.01f));
    columns.push_back(ramp(100, 1.9f + 0.05f * static_cast<float>(it), -0.009f));
  }
  for (int it = 0; it < 5; ++it) curves.push_back({columns[2 * it], columns[2 * it + 1]});
  const RegionalCurveSet set{curves, 100, 0, kMissing};
  {
    ScriptedConsole console("s\nc\n");
    plt4(set);
    expect_saved("fig1");
  }
  ScriptedConsole console("s\nc\n");
  plt5(set);
  expect_saved("fig1");
}

TEST_F(PlotLibrary, SeriesOverlayPlots) {
  Matrix curves(80, 4);
  for (int j = 0; j < 4; ++j) {
    const std::vector<float> column = ramp(80, 0.9f + 0.02f * static_cast<float>(j), 0.002f);
    std::copy(column.begin(), column.end(), curves.column(j).begin());
  }
  const std::vector<float> reference(80, 1.0f);
  {
    ScriptedConsole console("s\nc\n");
    spaghetti(curves, {80, 4, 1901, reference, {"Years", "Indices", "Chronology Iterations", "First", "Final"}});
    expect_saved("ChronologyIterations.ps");
  }
  // Drawn on the screen only.
  const std::vector<SeriesSpan> spans = {{1901, 1980, 80}, {1921, 1960, 40}};
  linguine2(curves, curves, {spans, {1901, 1980, 80}, reference, {"Years", "Measurements", "Overlay", "0", "1"}});
  EXPECT_EQ(read_file("screen.png").substr(1, 3), "PNG");
}

TEST_F(PlotLibrary, SpectrumPlot) {
  const std::vector<float> frequency = ramp(41, 0.0f, 0.0125f);
  const std::vector<float> first = ramp(41, 2.0f, -0.045f);
  const std::vector<float> second = ramp(41, 1.0f, 0.01f);
  ScriptedConsole console("s\nc\n");
  plt6({frequency, first, second, "STD Power Spectrum", "SSF Power Spectrum"});
  expect_saved("fig1b.ps");
}

// The power transformation draws its spread-versus-level plot through its
// plot seam, here from a real data set.
TEST_F(PlotLibrary, SpreadLevelPlotOfRealRingWidths) {
  auto input = TextInput::open(testing::shared_data("co021.rwl"));
  ASSERT_TRUE(input);
  DataSet data;
  ScriptedConsole console("\ns\nc\n");
  ASSERT_EQ(loaddat(FormatMenu::kListFile, *input, data), LoadStatus::kLoaded);
  slpt1(data.x, data.spans, 0, scatplt);
  expect_saved("fig1b.ps");
}

}  // namespace
}  // namespace qb
