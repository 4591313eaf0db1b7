#include "plots/regional_curve_plots.hpp"

#include <algorithm>
#include <string>

#include "platform/console.hpp"
#include "plots/plot_file_name.hpp"
#include "plots/plot_menu.hpp"

namespace qb {
namespace {

constexpr int kMostPanels = 20;

std::string iteration_label(std::size_t iteration) {
  if (iteration == 0) return "Initial RC and Fit";
  std::string label = format_record("('Iteration #',2x,i3)", static_cast<long long>(iteration));
  label.pop_back();  // the record's line end
  return label;
}

}  // namespace

std::optional<PanelGrid> plt4_grid(int curves) {
  if (curves <= 8) return PanelGrid{2, 4};
  if (curves <= 10) return PanelGrid{2, 5};
  if (curves <= 15) return PanelGrid{3, 5};
  if (curves <= kMostPanels) return PanelGrid{4, 5};
  return std::nullopt;
}

AxisLimits regional_curve_range(const RegionalCurveSet& set) {
  AxisLimits range{0.0f, 0.0f, 9999.0f, -9999.0f};
  for (const RegionalCurveIteration& curve : set.curves) {
    for (std::span<const float> column : {curve.raw, curve.fitted}) {
      for (float value : column) {
        if (value == set.missing) continue;
        range.ymax = std::max(range.ymax, value);
        if (value != 0.0f) range.ymin = std::min(range.ymin, value);
      }
    }
  }
  return range;
}

CurvePointsOfIteration regional_curve_points(const RegionalCurveSet& set, std::size_t iteration, bool skip_zero) {
  CurvePointsOfIteration points;
  const RegionalCurveIteration& curve = set.curves[iteration];
  for (int a = 1; a <= set.ages; ++a) {
    const int age = set.age_offset + a;
    const float raw = value_at(curve.raw, age, set.missing);
    if (raw == set.missing || (skip_zero && raw == 0.0f)) continue;
    points.x.push_back(static_cast<float>(age));
    points.raw.push_back(raw);
    points.fitted.push_back(value_at(curve.fitted, age, set.missing));
  }
  return points;
}

void plt4(const RegionalCurveSet& set) {
  const std::optional<PanelGrid> grid = plt4_grid(static_cast<int>(set.curves.size()));
  if (!grid) {
    Console& out = console();
    out.write("(/1x,'Too many Regional curves to plot. Try ')");
    out.write("(1x,'plotting them outside this program.')");
    out.write("(1x,'Hit RETURN to Continue')");
    out.write("(a)", " ");
    out.read_line();
    return;
  }
  const AxisLimits range = regional_curve_range(set);
  std::vector<CurvePointsOfIteration> panels;
  for (std::size_t it = 0; it < set.curves.size(); ++it) panels.push_back(regional_curve_points(set, it, false));
  show_plot(
      [&](PlotCanvas& canvas) {
        canvas.subpages(grid->columns, grid->rows);
        for (std::size_t it = 0; it < panels.size(); ++it) {
          const CurvePointsOfIteration& points = panels[it];
          canvas.colour(kBlack);
          canvas.width(1);
          // Each plenv moves on to the next panel.
          draw_axes(canvas, {0.0f, static_cast<float>(set.age_offset + static_cast<int>(points.x.size())),
                             range.ymin, range.ymax},
                    kGridAxes);
          canvas.labels("Biological Year", "Y", iteration_label(it));
          canvas.colour(kBlue);
          canvas.width(1);
          canvas.line(points.x, points.raw);
          canvas.colour(kRed);
          canvas.width(2);
          canvas.line(points.x, points.fitted);
        }
      },
      kSeriesPlotFile);
}

void plt5(const RegionalCurveSet& set) {
  const AxisLimits range = regional_curve_range(set);
  std::vector<CurvePointsOfIteration> curves;
  for (std::size_t it = 0; it < set.curves.size(); ++it) curves.push_back(regional_curve_points(set, it, true));
  show_plot(
      [&](PlotCanvas& canvas) {
        canvas.subpages(1, 1);
        canvas.colour(kBlack);
        canvas.width(1);
        draw_axes(canvas, {0.0f, static_cast<float>(set.ages) + 10.0f, range.ymin, range.ymax}, kGridAxes);
        canvas.labels("Biological Year", "Y", "Regional Curves");
        // The legend reads "Initial/Final" above the frame, each word in the
        // colour of its curve.
        canvas.colour(kBlue);
        canvas.text_beside("rv", -38.4, 1.065, 0.0, "Initial");
        canvas.colour(kRed);
        canvas.text_beside("rv", -34.4, 1.065, 0.0, "/Final");
        for (std::size_t it = 0; it < curves.size(); ++it) {
          int colour = kBlack;
          if (it == 0) colour = kBlue;
          if (it + 1 == curves.size()) colour = kRed;
          canvas.colour(colour);
          canvas.line(curves[it].x, curves[it].raw);
        }
      },
      kSeriesPlotFile);
}

}  // namespace qb
