// Adaptive power transformation of ring-width series (after Cook and Peters
// 1997): each series gets the power p = 1 - b, where b is the slope of
// ln|x(t) - x(t-1)| (spread) on ln x(t) (level), is raised to that power (or
// logged for p = 0) and is stretched back to its former range.
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "detrend/pearson_correlation.hpp"
#include "series/data_set.hpp"
#include "series/matrix.hpp"

namespace qb {

struct LineFit {
  float slope = 0.0f;
  float intercept = 0.0f;
};

// Least-squares line y = intercept + slope x over min(x.size(), y.size())
// points, single precision. No spread in x, or fewer than 2 points, gives
// slope 0 (intercept the mean of y, 0 for no point).
LineFit trend2(std::span<const float> x, std::span<const float> y);

// The points and lines of the spread-versus-level plot.
struct SpreadVersusLevel {
  // Pairs of every series, series after series: ln x(t) and ln|x(t) - x(t-1)|
  // for the years where both are defined.
  std::vector<float> levels;
  std::vector<float> spreads;
  std::vector<int> first_point;  // index of each series' first pair
  std::vector<int> counts;       // pairs of each series
  std::vector<float> slopes;     // line of each series
  std::vector<float> intercepts;
  PearsonFit pooled;             // correlation and line of all pairs

  std::span<const float> series_levels(int j) const {
    return std::span<const float>(levels).subspan(first_point[j], counts[j]);
  }
  std::span<const float> series_spreads(int j) const {
    return std::span<const float>(spreads).subspan(first_point[j], counts[j]);
  }
};

// Draws the spread-versus-level plot (the interactive program passes one).
using SpreadLevelPlot = std::function<void(const SpreadVersusLevel&)>;

struct PowerTransformResult {
  float mean_power = 0.0f;  // mean of the powers of all series
  SpreadVersusLevel fit;
};

// Transforms every series of x in place. x holds series-relative rows (row 0
// = the series' first year) and `spans` the first and last year of each
// series. A power below 0.05 becomes 0: the series is logged, values below
// 0.05 taken as 0.05 so that no narrower ring becomes wider than a wider one.
// Otherwise values below 0.01 are raised to 0.01 before the power. A series
// whose transformed values are all equal keeps its original values.
// `plot` is called with the fit when retry is 0 (the first run of a data
// set, not a convergence retry).
PowerTransformResult slpt1(Matrix& x, std::span<const SeriesSpan> spans, int retry,
                           const SpreadLevelPlot& plot = {});

}  // namespace qb
