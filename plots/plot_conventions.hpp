// What every plot shares: its colours, the codes of optional series, the
// fixed-length texts and the axis limits handed to the library.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/text_file.hpp"

namespace qb {

// Colour map 0 entries. The drawing cycle turns entry 0 white and entry 15
// black; 1 and 9 keep the library's red and blue.
inline constexpr int kWhite = 0;
inline constexpr int kBlack = 15;
inline constexpr int kRed = 1;
inline constexpr int kBlue = 9;

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
  return trim_right(fixed_width(text, length));
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

// A value at a 1-based position of a curve indexed by biological age; a
// position outside the curve holds no value.
inline float value_at(std::span<const float> curve, int position, float missing) {
  if (position < 1 || static_cast<std::size_t>(position) > curve.size()) return missing;
  return curve[static_cast<std::size_t>(position - 1)];
}

}  // namespace qb
