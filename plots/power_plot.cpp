#include "plots/power_plot.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "plots/plot_file_name.hpp"
#include "plots/plot_menu.hpp"

namespace qb {
namespace {

// log10 e: the power axis is in base-10 logarithms, taken from the natural
// logarithm in single precision.
constexpr float kLog10OfE = 0.4342945f;

std::vector<LogPowerStretch> log_power_stretches(std::span<const float> frequency, std::span<const float> power,
                                                 float& low, float& high) {
  std::vector<LogPowerStretch> stretches;
  bool in_stretch = false;
  const std::size_t n = std::min(frequency.size(), power.size());
  for (std::size_t k = 0; k < n; ++k) {
    if (!(power[k] > 0.0f)) {
      in_stretch = false;
      continue;
    }
    if (!in_stretch) stretches.emplace_back();
    in_stretch = true;
    const float log_power = std::log(power[k]) * kLog10OfE;
    widen(log_power, low, high);
    stretches.back().frequency.push_back(frequency[k]);
    stretches.back().log_power.push_back(log_power);
  }
  return stretches;
}

void draw_stretches(PlotCanvas& canvas, const std::vector<LogPowerStretch>& stretches) {
  for (const LogPowerStretch& stretch : stretches) canvas.line(stretch.frequency, stretch.log_power);
}

}  // namespace

SpectrumPage plt6_page(const SpectrumPlot& plot) {
  SpectrumPage page;
  AxisLimits& axes = page.axes;
  axes = {999.0f, -999.0f, 999.0f, -999.0f};
  for (float f : plot.frequency) widen(f, axes.xmin, axes.xmax);
  page.first = log_power_stretches(plot.frequency, plot.first_power, axes.ymin, axes.ymax);
  page.second = log_power_stretches(plot.frequency, plot.second_power, axes.ymin, axes.ymax);
  // No power above 0: the power axis stands around 10^0.
  if (axes.ymin > axes.ymax) axes.ymin = axes.ymax = 0.0f;
  return page;
}

void plt6(const SpectrumPlot& plot) {
  const SpectrumPage page = plt6_page(plot);
  const std::string first_legend = fixed_text(plot.first_legend, 18);
  const std::string second_legend = fixed_text(plot.second_legend, 18);
  PageDrawing draw = [&](PlotCanvas& canvas) {
    canvas.subpages(1, 1);
    canvas.width(1);
    canvas.colour(kBlack);
    draw_axes(canvas, page.axes, kLogYAxes);
    canvas.labels("Frequency (cycles/yr.)", "log10 Power", " ");
    // The legends stand above the frame, each in the colour of its curve.
    canvas.colour(kBlue);
    canvas.text_beside("rv", -43.25, 1.065, 0.0, first_legend);
    draw_stretches(canvas, page.first);
    canvas.colour(kRed);
    canvas.text_beside("rv", -19.25, 1.065, 0.0, second_legend);
    draw_stretches(canvas, page.second);
  };
  // Nothing to draw: the menu still follows so the dialogue keeps its shape.
  if (plot.frequency.empty()) draw = nullptr;
  show_plot(draw, kSpectrumPlotFile);
}

}  // namespace qb
