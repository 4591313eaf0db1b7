// Many curves over one calendar axis: a family of curves (the chronology of
// every signal-free iteration, say) with the first in blue and the last in
// red, and every series of a data set drawn from two matrices (before and
// after a step) in blue and red.
#pragma once

#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "plots/plot_conventions.hpp"
#include "series/data_set.hpp"
#include "series/matrix.hpp"

namespace qb {

struct OverlayTexts {
  std::string_view x_label;        // 20 characters
  std::string_view y_label;        // 20 characters
  std::string_view title;          // 60 characters, written inside the frame
  std::string_view first_legend;   // 36 characters, blue
  std::string_view second_legend;  // 36 characters, red
};

// Column j of the curves matrix is curve j; row i is calendar year
// first_year + i.
struct CurveFamilyPlot {
  int years = 0;   // rows drawn
  int curves = 0;  // columns drawn
  int first_year = 0;
  // Drawn black beneath the curves unless its first value is kNoSeries; it
  // takes no part in the y range.
  std::span<const float> reference;
  OverlayTexts texts;
};

struct CurveFamilyPage {
  AxisLimits axes;
  std::vector<float> years;  // abscissa of each row
};

// The range of every curve value but kMissing, widened by 5 % at each end.
CurveFamilyPage spaghetti_page(const Matrix& curves, const CurveFamilyPlot& plot);

// Colour of curve j (0-based) of `count`: blue for the first, red for the
// last, black between; a single curve is blue.
int curve_colour(int j, int count);

// Draws the curves and runs the plot options menu; "s" saves to the title
// without blanks followed by ".ps". Curves are drawn as they stand: a
// kMissing inside one takes the line out of the frame there.
void spaghetti(const Matrix& curves, const CurveFamilyPlot& plot);

// Both matrices hold series j in column j, series-relative (row 0 = its
// first year) over its span.
struct SeriesPairPlot {
  std::span<const SeriesSpan> spans;  // first and last year of each series drawn
  SeriesSpan whole;                   // years of the mean series
  // Drawn black, width 2, unless its first value is kNoSeries.
  std::span<const float> mean;
  OverlayTexts texts;
};

// The values of series j (series-relative, over its span) on one side of the
// pair; what it returns stays valid until its next call.
using SeriesValues = std::function<std::span<const float>(int series)>;

// x from the earliest first year to the latest last year; y over every value
// but kMissing of both sides, widened by a tenth at each end and never below
// 0.
AxisLimits linguine2_range(const SeriesValues& first, const SeriesValues& second, const SeriesPairPlot& plot);
AxisLimits linguine2_range(const Matrix& first, const Matrix& second, const SeriesPairPlot& plot);

// Draws once on the screen, the first side's series blue, the second's red,
// and returns: no menu, no file.
void linguine2(const SeriesValues& first, const SeriesValues& second, const SeriesPairPlot& plot);
void linguine2(const Matrix& first, const Matrix& second, const SeriesPairPlot& plot);

}  // namespace qb
