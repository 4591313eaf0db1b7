// The measurements of one site as the loader delivers them.
#pragma once

#include <array>
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

struct DataSet {
  // Years x series; row 0 holds each series' own first year until the engine
  // realigns the columns to calendar rows. kMissing marks no value.
  Matrix x;
  std::vector<SeriesSpan> spans;    // one per series, in column order
  SeriesSpan whole;                 // IFY, ILY, NYR of the whole set
  std::vector<std::string> ids;     // kIdLength characters each, blank-padded
  std::array<std::string, 3> titles{std::string(kTitleLength, ' '), std::string(kTitleLength, ' '),
                                    std::string(kTitleLength, ' ')};

  int ns() const { return static_cast<int>(spans.size()); }
};

}  // namespace qb
