#include "plots/series_overlay_plots.hpp"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/bounds.hpp"
#include "plots/plot_file_name.hpp"
#include "plots/plot_menu.hpp"

namespace qb {
namespace {

struct FixedTexts {
  std::string x_label;
  std::string y_label;
  std::string title;
  std::string first_legend;
  std::string second_legend;
};

FixedTexts fixed_texts(const OverlayTexts& texts) {
  return {fixed_text(texts.x_label, 20), fixed_text(texts.y_label, 20), fixed_text(texts.title, 60),
          fixed_text(texts.first_legend, 36), fixed_text(texts.second_legend, 36)};
}

// Axes, labels and the title inside the frame; both overlays share them.
void draw_frame(PlotCanvas& canvas, const AxisLimits& axes, const FixedTexts& texts) {
  canvas.colour(kBlack);
  canvas.width(1);
  canvas.subpages(1, 1);
  draw_axes(canvas, axes, kPlainAxes);
  canvas.font(kNormalFont);
  canvas.labels(texts.x_label, texts.y_label, " ");
  canvas.text_beside("b", -35.5, 0.5, 0.5, texts.title);
  canvas.line_style(kSolidLine);
}

int rows_drawn(const Matrix& curves, const CurveFamilyPlot& plot) {
  return std::clamp(plot.years, 0, curves.rows());
}
int curves_drawn(const Matrix& curves, const CurveFamilyPlot& plot) {
  return std::clamp(plot.curves, 0, curves.cols());
}

void widen_over_series(const SeriesValues& values, std::span<const SeriesSpan> spans, float& low, float& high) {
  for (std::size_t j = 0; j < spans.size(); ++j) {
    for (float value : values(static_cast<int>(j))) {
      if (!is_missing(value)) widen(value, low, high);
    }
  }
}

SeriesValues matrix_series(const Matrix& values, std::span<const SeriesSpan> spans) {
  return [&values, spans](int j) { return series_rows(values, j, spans[static_cast<std::size_t>(j)]); };
}

}  // namespace

CurveFamilyPage spaghetti_page(const Matrix& curves, const CurveFamilyPlot& plot) {
  const int rows = rows_drawn(curves, plot);
  const int count = curves_drawn(curves, plot);
  float ymin = 100000.0f;
  float ymax = -100000.0f;
  for (int j = 0; j < count; ++j) {
    for (float value : curves.column(j).first(static_cast<std::size_t>(rows))) {
      if (!is_missing(value)) widen(value, ymin, ymax);
    }
  }
  const float margin = (ymax - ymin) / 20.0f;
  CurveFamilyPage page;
  page.axes = {static_cast<float>(plot.first_year), static_cast<float>(plot.first_year + rows - 1), ymin - margin,
               ymax + margin};
  page.years = years_from(plot.first_year, static_cast<std::size_t>(rows));
  return page;
}

int curve_colour(int j, int count) {
  if (j == 0) return kBlue;
  if (j == count - 1) return kRed;
  return kBlack;
}

void spaghetti(const Matrix& curves, const CurveFamilyPlot& plot) {
  const CurveFamilyPage page = spaghetti_page(curves, plot);
  const int count = curves_drawn(curves, plot);
  const std::span<const float> years(page.years);
  const FixedTexts texts = fixed_texts(plot.texts);
  PageDrawing draw = [&](PlotCanvas& canvas) {
    draw_frame(canvas, page.axes, texts);
    canvas.colour(kBlack);
    if (!series_absent(plot.reference)) {
      const std::size_t n = std::min(years.size(), plot.reference.size());
      canvas.line(years.first(n), plot.reference.first(n));
    }
    for (int j = 0; j < count; ++j) {
      canvas.colour(curve_colour(j, count));
      canvas.line(years, curves.column(j).first(years.size()));
    }
    canvas.colour(kBlue);
    canvas.text_beside("b", -33.75, 0.19, 0.0, texts.first_legend);
    canvas.colour(kRed);
    canvas.text_beside("b", -33.75, 0.55, 0.0, texts.second_legend);
  };
  // Nothing to draw: the menu still follows so the dialogue keeps its shape.
  if (years.empty() || count == 0) draw = nullptr;
  show_plot(draw, title_plot_file(plot.texts.title));
}

AxisLimits linguine2_range(const SeriesValues& first, const SeriesValues& second, const SeriesPairPlot& plot) {
  AxisLimits range{100000.0f, -100000.0f, 100000.0f, -100000.0f};
  for (const SeriesSpan& span : plot.spans) {
    range.xmin = std::min(range.xmin, static_cast<float>(span.first_year));
    range.xmax = std::max(range.xmax, static_cast<float>(span.last_year));
  }
  widen_over_series(first, plot.spans, range.ymin, range.ymax);
  widen_over_series(second, plot.spans, range.ymin, range.ymax);
  const float margin = (range.ymax - range.ymin) / 10.0f;
  range.ymin -= margin;
  range.ymax += margin;
  // Ring widths, their curves and indices are not negative.
  if (range.ymin < 0.0f) range.ymin = 0.0f;
  return range;
}

void linguine2(const SeriesValues& first, const SeriesValues& second, const SeriesPairPlot& plot) {
  if (plot.spans.empty()) return;
  const AxisLimits range = linguine2_range(first, second, plot);
  const FixedTexts texts = fixed_texts(plot.texts);
  draw_on_screen([&](PlotCanvas& canvas) {
    draw_frame(canvas, range, texts);
    for (const auto& [values, colour] : {std::pair{&first, kBlue}, std::pair{&second, kRed}}) {
      canvas.colour(colour);
      for (std::size_t j = 0; j < plot.spans.size(); ++j) {
        const std::span<const float> rows = (*values)(static_cast<int>(j));
        canvas.line(years_from(plot.spans[j].first_year, rows.size()), rows);
      }
    }
    canvas.width(2);
    canvas.colour(kBlack);
    if (!series_absent(plot.mean)) {
      const int years = std::clamp(plot.whole.last_year - plot.whole.first_year + 1, 0,
                                   static_cast<int>(plot.mean.size()));
      canvas.line(years_from(plot.whole.first_year, static_cast<std::size_t>(years)),
                  plot.mean.first(static_cast<std::size_t>(years)));
    }
    canvas.colour(kBlue);
    canvas.width(1);
    canvas.text_beside("b", -33.75, 0.05, 0.0, texts.first_legend);
    canvas.colour(kRed);
    canvas.text_beside("b", -33.75, 0.72, 0.0, texts.second_legend);
  });
}

AxisLimits linguine2_range(const Matrix& first, const Matrix& second, const SeriesPairPlot& plot) {
  return linguine2_range(matrix_series(first, plot.spans), matrix_series(second, plot.spans), plot);
}

void linguine2(const Matrix& first, const Matrix& second, const SeriesPairPlot& plot) {
  linguine2(matrix_series(first, plot.spans), matrix_series(second, plot.spans), plot);
}

}  // namespace qb
