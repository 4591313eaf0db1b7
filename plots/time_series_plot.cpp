#include "plots/time_series_plot.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "plots/plot_file_name.hpp"
#include "plots/plot_menu.hpp"

namespace qb {
namespace {

std::size_t point_count(const TimeSeriesPlot& plot) { return std::min(plot.first.size(), plot.second.size()); }

// The whole-number part of a range, as an integer; out-of-range values
// (never met with ring data) saturate instead of overflowing.
long long whole_part(float range) {
  if (!std::isfinite(range)) return 0;
  constexpr float kLimit = 1.0e18f;
  return static_cast<long long>(std::clamp(range, -kLimit, kLimit));
}

bool legend_shown(std::string_view legend) {
  return fixed_width(legend, 5).find_first_not_of(' ') != std::string::npos;
}

}  // namespace

TimeSeriesPage plot1_page(const TimeSeriesPlot& plot) {
  const std::size_t n = point_count(plot);
  TimeSeriesPage page;
  page.x.resize(n);
  float ymin = 100000.0f;
  float ymax = -100000.0f;
  for (std::size_t i = 0; i < n; ++i) {
    ymax = std::max(ymax, plot.first[i]);
    ymax = std::max(ymax, plot.second[i]);
    ymin = std::min(ymin, plot.first[i]);
    ymin = std::min(ymin, plot.second[i]);
    page.x[i] = static_cast<float>(plot.first_x + static_cast<int>(i));
  }
  if (!plot.reference.empty() && plot.reference.front() == kEpsThresholdLine) ymax = 1.0f;
  // The margin is a tenth of the range in whole units, so index series (range
  // below 10) get none.
  const long long margin = whole_part(ymax - ymin) / 10;
  ymin -= static_cast<float>(margin);
  ymax += static_cast<float>(margin);
  page.axes.xmin = static_cast<float>(plot.first_x);
  page.axes.xmax = static_cast<float>(plot.first_x + static_cast<int>(n) - 1);
  // A single point still gets a year-wide axis.
  if (n == 1) page.axes.xmax = page.axes.xmin + 1.0f;
  if (plot.reference_width == 0) ymin = 0.0f;
  page.axes.ymin = ymin;
  page.axes.ymax = ymax;
  return page;
}

void plot1(const TimeSeriesPlot& plot) {
  const std::size_t n = point_count(plot);
  const TimeSeriesPage page = plot1_page(plot);
  const std::string x_label = fixed_text(plot.x_label, 20);
  const std::string y_label = fixed_text(plot.y_label, 20);
  const std::string title = fixed_text(plot.title, 60);
  const std::string first_legend = fixed_text(plot.first_legend, 36);
  const std::string second_legend = fixed_text(plot.second_legend, 36);
  const std::span<const float> first = plot.first.first(n);
  const std::span<const float> second = plot.second.first(n);
  const std::span<const float> reference = plot.reference.first(std::min(n, plot.reference.size()));
  const std::span<const float> x(page.x);

  PageDrawing draw = [&](PlotCanvas& canvas) {
    canvas.subpages(1, 1);
    canvas.colour(kBlack);
    draw_axes(canvas, page.axes, kPlainAxes);
    if (!series_absent(plot.reference)) {
      canvas.width(plot.reference_width);
      if (plot.reference.front() == kEpsThresholdLine) canvas.line_style(kLongDashLine);
      canvas.line(x.first(reference.size()), reference);
    }
    canvas.font(kNormalFont);
    canvas.width(1);
    canvas.labels(x_label, y_label, " ");
    canvas.text_beside("b", -35.5, 0.5, 0.5, title);

    canvas.line_style(kSolidLine);
    canvas.colour(kBlue);
    canvas.width(plot.first_width);
    canvas.line(x, first);
    canvas.width(1);
    if (legend_shown(plot.first_legend)) canvas.text_beside("b", -33.75, 0.06, 0.0, first_legend);

    canvas.colour(kRed);
    canvas.width(plot.second_width);
    canvas.line(x, second);
    canvas.width(1);
    if (legend_shown(plot.second_legend)) canvas.text_beside("b", -33.75, 0.55, 0.0, second_legend);
  };
  // With no points there is nothing to draw; the menu still follows so the
  // dialogue keeps its shape.
  if (n == 0) draw = nullptr;
  show_plot(draw, title_plot_file(plot.title));
}

}  // namespace qb
