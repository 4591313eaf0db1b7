// What every plot shares: its colours, the codes of optional series, the
// fixed-length texts and the axis limits handed to the library.
#pragma once

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/character_columns.hpp"
#include "platform/text_file.hpp"
#include "plots/plot_canvas.hpp"
#include "series/data_set.hpp"
#include "series/matrix.hpp"

namespace qb {

// Colour map 0 entries. The drawing cycle turns entry 0 white and entry 15
// black; 1 and 9 keep the library's red and blue.
inline constexpr int kWhite = 0;
inline constexpr int kBlack = 15;
inline constexpr int kRed = 1;
inline constexpr int kBlue = 9;

// Axis codes of plenv: box with labelled ticks, the same with a grid at the
// major ticks, the same as the first with logarithmic y ticks (the values
// already base-10 logarithms).
inline constexpr int kPlainAxes = 0;
inline constexpr int kGridAxes = 2;
inline constexpr int kLogYAxes = 20;

inline constexpr int kSolidLine = 1;
inline constexpr int kLongDashLine = 3;
inline constexpr int kNormalFont = 1;

// First value of an optional series that is not to be drawn.
inline constexpr float kNoSeries = -999.9f;
// First value of a reference line that is the EPS threshold: it is drawn
// dashed and the y axis is topped at 1.0.
inline constexpr float kEpsThresholdLine = 0.85f;

inline bool series_absent(std::span<const float> series) { return series.empty() || series.front() == kNoSeries; }

// A text argument of fixed length: cut to that length, without the trailing
// blanks that would shift centred text on the page.
inline std::string fixed_text(std::string_view text, std::size_t length) {
  return trim_right(fixed_columns(text, length));
}

struct AxisLimits {
  float xmin = 0.0f;
  float xmax = 0.0f;
  float ymin = 0.0f;
  float ymax = 0.0f;
};

// The library refuses axes over an empty range and then every line of the
// panel with them; a flat series is drawn in the middle of a range widened by
// one unit either side instead.
inline AxisLimits drawable(AxisLimits limits) {
  if (limits.xmin == limits.xmax) {
    limits.xmin -= 1.0f;
    limits.xmax += 1.0f;
  }
  if (limits.ymin == limits.ymax) {
    limits.ymin -= 1.0f;
    limits.ymax += 1.0f;
  }
  return limits;
}

inline void widen(float value, float& low, float& high) {
  high = std::max(high, value);
  low = std::min(low, value);
}

// plenv with limits the library accepts.
inline void draw_axes(PlotCanvas& canvas, const AxisLimits& limits, int axis) {
  const AxisLimits axes = drawable(limits);
  canvas.environment(axes.xmin, axes.xmax, axes.ymin, axes.ymax, 0, axis);
}

// Consecutive years (or ages) from `first_year` on, as abscissae.
inline std::vector<float> years_from(int first_year, std::size_t count) {
  std::vector<float> years(count);
  for (std::size_t k = 0; k < count; ++k) years[k] = static_cast<float>(first_year + static_cast<int>(k));
  return years;
}

// The rows of series j (series-relative: row 0 is its first year) that its
// span covers and the matrix holds.
inline std::span<const float> series_rows(const Matrix& values, int j, const SeriesSpan& span) {
  if (j < 0 || j >= values.cols()) return {};
  const int rows = std::clamp(span.last_year - span.first_year + 1, 0, values.rows());
  return values.column(j).first(static_cast<std::size_t>(rows));
}

// A value at a 1-based position of a curve indexed by biological age; a
// position outside the curve holds no value.
inline float value_at(std::span<const float> curve, int position, float missing) {
  if (position < 1 || static_cast<std::size_t>(position) > curve.size()) return missing;
  return curve[static_cast<std::size_t>(position - 1)];
}

}  // namespace qb
