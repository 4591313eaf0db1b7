// The measurements of one site as the loader delivers them.
#pragma once

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "series/matrix.hpp"

namespace qb {

// First year, last year and number of years of a series (or of the whole set).
struct SeriesSpan {
  int first_year = 0;
  int last_year = 0;
  int count = 0;
};

inline constexpr int kIdLength = 8;
inline constexpr int kTitleLength = 100;

// The years a data set may hold: what every year field of the decadal
// layouts holds (the ring-width series files, the censored data set file and
// the chronology files write four-digit years after the year -1000).
inline constexpr int kEarliestYear = -9999;
inline constexpr int kLatestYear = 9999;

// IFY, ILY and NYR of a set of series. A set without series has no years; it
// reports 9999, -9999, -19997.
inline SeriesSpan span_of_set(std::span<const SeriesSpan> spans) {
  if (spans.empty()) return {9999, -9999, -19997};
  SeriesSpan whole{spans.front().first_year, spans.front().last_year, 0};
  for (const SeriesSpan& s : spans) {
    whole.first_year = std::min(whole.first_year, s.first_year);
    whole.last_year = std::max(whole.last_year, s.last_year);
  }
  whole.count = whole.last_year - whole.first_year + 1;
  return whole;
}

// The warnings and the refusal a reader showed on the console while loading a
// data set, as shown; the drivers echo them into the report file.
using LoadWarnings = std::vector<std::string>;

struct DataSet {
  // Years x series; row 0 holds each series' own first year until the engine
  // realigns the columns to calendar rows. kMissing marks no value.
  Matrix x;
  std::vector<SeriesSpan> spans;    // one per series, in column order
  SeriesSpan whole;                 // IFY, ILY, NYR of the whole set
  // kIdLength characters each, blank-padded; the bytes of the file, so a
  // letter beyond ASCII may take more than one byte.
  std::vector<std::string> ids;
  std::array<std::string, 3> titles{std::string(kTitleLength, ' '), std::string(kTitleLength, ' '),
                                    std::string(kTitleLength, ' ')};

  int ns() const { return static_cast<int>(spans.size()); }
};

}  // namespace qb
