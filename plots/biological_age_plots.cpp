#include "plots/biological_age_plots.hpp"

#include <algorithm>
#include <string>

#include "plots/plot_file_name.hpp"

namespace qb {

RegionalCurveFitPage plt1_page(const RegionalCurveFitPlot& plot) {
  RegionalCurveFitPage page;
  float ymin = 9999.0f;
  float ymax = -9999.0f;
  for (int i = plot.first_position; i <= plot.last_position; ++i) {
    const float regional = value_at(plot.regional_curve, i, plot.missing);
    const float fitted = value_at(plot.fitted_curve, i, plot.missing);
    if (regional != plot.missing) widen(regional, ymin, ymax);
    if (fitted != plot.missing) widen(fitted, ymin, ymax);
  }
  // The points are shifted by the age offset, and as many are drawn as the
  // fit has values there.
  std::size_t count = 0;
  CurvePoints& points = page.points;
  for (int i = plot.first_position; i <= plot.last_position; ++i) {
    const int age = plot.age_offset + i;
    const float fitted = value_at(plot.fitted_curve, age, plot.missing);
    points.x.push_back(static_cast<float>(age));
    points.first.push_back(value_at(plot.regional_curve, age, plot.missing));
    points.second.push_back(fitted);
    if (fitted != plot.missing) ++count;
  }
  points.x.resize(count);
  points.first.resize(count);
  points.second.resize(count);
  page.axes = {0.0f, static_cast<float>(plot.last_position + plot.age_offset), ymin, ymax};
  return page;
}

void plt1(const RegionalCurveFitPlot& plot) {
  const RegionalCurveFitPage page = plt1_page(plot);
  const std::string title = fixed_text(plot.title, 30);
  show_plot(
      [&](PlotCanvas& canvas) {
        canvas.colour(kBlack);
        canvas.subpages(1, 1);
        canvas.width(1);
        draw_axes(canvas, page.axes, kGridAxes);
        canvas.labels("Biological Year", "Y", title);
        canvas.colour(kRed);
        canvas.line(page.points.x, page.points.first);
        canvas.colour(kBlue);
        canvas.width(2);
        canvas.line(page.points.x, page.points.second);
      },
      kRegionalCurvePlotFile);
}

IndexAveragePage plt2_page(const Matrix& indices, std::span<const SeriesSpan> spans, float missing) {
  IndexAveragePage page;
  float ymin = 9999.0f;
  float ymax = -9999.0f;
  int first_year = 9999;
  int last_year = -9999;
  if (!spans.empty()) {
    first_year = spans.front().first_year;
    last_year = spans.front().last_year;
  }
  for (std::size_t j = 0; j < spans.size(); ++j) {
    for (float value : series_rows(indices, static_cast<int>(j), spans[j])) {
      if (value != missing) widen(value, ymin, ymax);
    }
    first_year = std::min(first_year, spans[j].first_year);
    last_year = std::max(last_year, spans[j].last_year);
  }
  page.axes = {static_cast<float>(first_year), static_cast<float>(last_year), ymin, ymax};

  // Yearly sums counted from the first year of the set, so that any calendar
  // years (before year 1 too) fit. The indices are complete within each span.
  const std::size_t years = last_year >= first_year ? static_cast<std::size_t>(last_year - first_year + 1) : 0;
  std::vector<float> sums(years, 0.0f);
  std::vector<int> counts(years, 0);
  for (std::size_t j = 0; j < spans.size(); ++j) {
    const std::span<const float> rows = series_rows(indices, static_cast<int>(j), spans[j]);
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const std::size_t year = static_cast<std::size_t>(spans[j].first_year - first_year) + k;
      sums[year] += rows[k];
      ++counts[year];
    }
  }
  page.years = years_from(first_year, years);
  page.averages.resize(years);
  for (std::size_t y = 0; y < years; ++y) {
    page.averages[y] = counts[y] != 0 ? sums[y] / static_cast<float>(counts[y]) : 0.0f;
  }
  return page;
}

void plt2(const Matrix& indices, std::span<const SeriesSpan> spans, float missing) {
  const IndexAveragePage page = plt2_page(indices, spans, missing);
  show_plot(
      [&](PlotCanvas& canvas) {
        canvas.colour(kBlack);
        canvas.subpages(1, 2);
        canvas.width(1);
        draw_axes(canvas, page.axes, kGridAxes);
        canvas.labels("Calendar Year", "Y", "First Detrending");
        canvas.colour(kRed);
        for (std::size_t j = 0; j < spans.size(); ++j) {
          const std::span<const float> rows = series_rows(indices, static_cast<int>(j), spans[j]);
          canvas.line(years_from(spans[j].first_year, rows.size()), rows);
        }
        canvas.colour(kBlack);
        canvas.width(1);
        draw_axes(canvas, page.axes, kGridAxes);
        canvas.labels("Calendar Year", "Y", "Average Indices");
        canvas.colour(kRed);
        canvas.line(page.years, page.averages);
      },
      kRegionalCurvePlotFile);
}

SeriesCurvePage plt3_page(const SeriesCurvePlot& plot) {
  SeriesCurvePage page;
  const std::size_t n = std::min(plot.index.size(), plot.measurements.size());
  float ymax = -9999.0f;
  for (float value : plot.measurements.first(n)) {
    if (value != plot.missing) ymax = std::max(ymax, value);
  }
  for (int k = 1; k <= plot.curve_positions; ++k) {
    const float value = value_at(plot.fitted_curve, k, plot.missing);
    if (value != plot.missing) ymax = std::max(ymax, value);
  }
  std::size_t count = 0;
  for (int k = 1; k <= plot.curve_positions; ++k) {
    const int age = plot.age_offset + k;
    const float value = value_at(plot.fitted_curve, age, plot.missing);
    page.curve.x.push_back(static_cast<float>(age));
    page.curve.first.push_back(value);
    if (value != plot.missing) ++count;
  }
  page.curve.x.resize(count);
  page.curve.first.resize(count);
  // Ring k of the series stands at its biological age, pith offset + k.
  page.ring_ages = years_from(plot.pith_offset + 1, n);
  page.upper = {0.0f, static_cast<float>(plot.curve_positions + plot.age_offset), 0.0f, ymax};

  float ymin = 9999.0f;
  ymax = -9999.0f;
  for (float value : plot.index.first(n)) {
    if (value != plot.missing) widen(value, ymin, ymax);
  }
  page.years = years_from(plot.span.first_year, n);
  page.lower = {static_cast<float>(plot.span.first_year), static_cast<float>(plot.span.last_year), ymin, ymax};
  return page;
}

PlotMenuExit plt3(const SeriesCurvePlot& plot) {
  const SeriesCurvePage page = plt3_page(plot);
  const std::size_t n = page.years.size();
  const std::string title = fixed_text(plot.title, 30);
  const std::string id = fixed_text(plot.id, 8);
  return show_plot(
      [&](PlotCanvas& canvas) {
        canvas.colour(kBlack);
        canvas.subpages(1, 2);
        canvas.width(1);
        draw_axes(canvas, page.upper, kGridAxes);
        canvas.labels("Biological Year", "Y", title);
        canvas.colour(kRed);
        canvas.line(page.ring_ages, plot.measurements.first(n));
        canvas.colour(kBlue);
        canvas.width(2);
        canvas.line(page.curve.x, page.curve.first);

        canvas.colour(kBlack);
        canvas.width(1);
        draw_axes(canvas, page.lower, kGridAxes);
        canvas.labels("Calendar Year", "Y", id);
        canvas.colour(kRed);
        canvas.line(page.years, plot.index.first(n));
      },
      kSeriesPlotFile, PlotMenuChoices::kWithNoMorePlots);
}

}  // namespace qb
