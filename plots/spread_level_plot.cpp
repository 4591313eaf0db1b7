#include "plots/spread_level_plot.hpp"

#include <algorithm>
#include <span>

#include "platform/record_format.hpp"
#include "plots/plot_file_name.hpp"
#include "plots/plot_menu.hpp"

namespace qb {
namespace {

constexpr int kPointSymbol = 1;

int series_count(const SpreadVersusLevel& fit) {
  const std::size_t n = std::min({fit.first_point.size(), fit.counts.size(), fit.slopes.size(), fit.intercepts.size()});
  return static_cast<int>(n);
}

}  // namespace

SpreadLevelPage scatplt_page(const SpreadVersusLevel& fit) {
  SpreadLevelPage page;
  AxisLimits range{9999.0f, -9999.0f, 9999.0f, -9999.0f};
  for (int j = 0; j < series_count(fit); ++j) {
    const std::span<const float> levels = fit.series_levels(j);
    for (float level : levels) widen(level, range.xmin, range.xmax);
    for (float spread : fit.series_spreads(j)) widen(spread, range.ymin, range.ymax);
    std::vector<float>& line = page.lines.emplace_back();
    for (float level : levels) line.push_back(fit.slopes[j] * level + fit.intercepts[j]);
  }
  // Room below the points and above them for the title.
  page.axes = {range.xmin, range.xmax, range.ymin - 1.0f, range.ymax + 1.5f};
  page.title = format_record("('Y=',f8.4,' + ',f8.4,'(x)  Rho= ',f7.4,$)", fit.pooled.intercept, fit.pooled.slope,
                             fit.pooled.r);
  return page;
}

void scatplt(const SpreadVersusLevel& fit) {
  const SpreadLevelPage page = scatplt_page(fit);
  PageDrawing draw = [&](PlotCanvas& canvas) {
    canvas.subpages(1, 1);
    canvas.width(1);
    canvas.colour(kBlack);
    draw_axes(canvas, page.axes, kGridAxes);
    canvas.labels("log(LEVEL)", "log(SPREAD)", page.title);
    for (int j = 0; j < static_cast<int>(page.lines.size()); ++j) {
      const std::span<const float> levels = fit.series_levels(j);
      canvas.colour(kBlue);
      canvas.width(2);
      canvas.points(levels, fit.series_spreads(j), kPointSymbol);
      canvas.colour(kRed);
      canvas.line(levels, page.lines[static_cast<std::size_t>(j)]);
    }
  };
  // No point at all: the menu still follows so the dialogue keeps its shape.
  if (fit.levels.empty()) draw = nullptr;
  show_plot(draw, kSpectrumPlotFile);
}

}  // namespace qb
