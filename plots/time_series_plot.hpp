// The generic time-series plot: two series by year, an optional reference or
// threshold line, labels, a title inside the frame and two legends.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "plots/plot_conventions.hpp"

namespace qb {

struct TimeSeriesPlot {
  std::span<const float> first;      // drawn blue; both series must be complete
  std::span<const float> second;     // drawn red
  // Drawn black, first: a first value of kNoSeries leaves it out, a first
  // value of kEpsThresholdLine draws it dashed and tops the y axis at 1.0.
  std::span<const float> reference;
  int first_x = 1;                   // abscissa (year) of point 1
  std::string_view x_label;          // 20 characters
  std::string_view y_label;          // 20 characters
  std::string_view title;            // 60 characters; also names the plot file
  std::string_view first_legend;     // 36 characters, blue; left out when its first 5 are blank
  std::string_view second_legend;    // 36 characters, red
  int first_width = 1;
  int second_width = 1;
  int reference_width = 1;           // 0 also starts the y axis at 0
};

struct TimeSeriesPage {
  AxisLimits axes;
  std::vector<float> x;  // one abscissa per point
};

// Axis limits and abscissae: the two series' range widened by a tenth of its
// whole-number part at each end.
TimeSeriesPage plot1_page(const TimeSeriesPlot& plot);

// Draws the plot and runs the plot options menu; "s" saves to the title
// without blanks followed by ".ps".
void plot1(const TimeSeriesPlot& plot);

}  // namespace qb
