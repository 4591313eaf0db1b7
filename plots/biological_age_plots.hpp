// The plots of regional curve standardisation by biological age (the age of
// a ring counted from the pith): the regional curve with its fit, the indices
// of the first detrending with their yearly average, and one series at a
// time with the fitted curve and its index.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "platform/bounds.hpp"
#include "plots/plot_conventions.hpp"
#include "plots/plot_menu.hpp"
#include "series/data_set.hpp"
#include "series/matrix.hpp"

namespace qb {

// Curves indexed by biological age: element a - 1 holds age a.
struct RegionalCurveFitPlot {
  std::span<const float> regional_curve;  // drawn red
  std::span<const float> fitted_curve;    // drawn blue, width 2
  int first_position = 1;                 // positions scanned
  int last_position = 0;
  float missing = kMissing;
  std::string_view title;                 // 30 characters
  int age_offset = 0;                     // smallest pith offset of the data set
};

// Points of one page: abscissae and the values drawn at them.
struct CurvePoints {
  std::vector<float> x;
  std::vector<float> first;
  std::vector<float> second;
};

struct RegionalCurveFitPage {
  AxisLimits axes;
  CurvePoints points;  // x biological age, first the regional curve, second the fit
};

RegionalCurveFitPage plt1_page(const RegionalCurveFitPlot& plot);
// Saves to "fig11.ps".
void plt1(const RegionalCurveFitPlot& plot);

struct IndexAveragePage {
  AxisLimits axes;              // shared by both panels
  std::vector<float> years;     // first to last year of the set
  std::vector<float> averages;  // 0.0 for a year no series covers
};

// `indices` column j holds series j from its first year (row 0) over its span.
IndexAveragePage plt2_page(const Matrix& indices, std::span<const SeriesSpan> spans, float missing);
// Saves to "fig11.ps".
void plt2(const Matrix& indices, std::span<const SeriesSpan> spans, float missing = kMissing);

struct SeriesCurvePlot {
  std::span<const float> index;         // by calendar year from the series' first year
  std::span<const float> measurements;  // by ring number
  std::span<const float> fitted_curve;  // by biological age; drawn blue, width 2
  SeriesSpan span;                      // first and last year of the series
  float missing = kMissing;
  int curve_positions = 0;              // positions drawn from the age offset + 1 on
  std::string_view id;                  // 8 characters; labels the lower panel
  std::string_view title;               // 30 characters; titles the upper panel
  int pith_offset = 0;                  // of this series
  int age_offset = 0;                   // smallest pith offset of the data set
};

struct SeriesCurvePage {
  AxisLimits upper;
  AxisLimits lower;
  std::vector<float> ring_ages;  // biological age of each ring
  CurvePoints curve;             // x biological age, first the fitted curve
  std::vector<float> years;      // calendar year of each index value
};

SeriesCurvePage plt3_page(const SeriesCurvePlot& plot);
// Saves to "fig1"; kNoMorePlots when the user answers "n".
PlotMenuExit plt3(const SeriesCurvePlot& plot);

}  // namespace qb
