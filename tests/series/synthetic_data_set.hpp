// Small data sets built in the test: series given by first and last year,
// identifiers S0, S1, ... and a value per year that tells series and year apart.
#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/text_file.hpp"
#include "series/data_set.hpp"

namespace qb::testing {

inline float value_of(int series, int year) {
  return static_cast<float>(series) + 0.001f * static_cast<float>(year % 1000);
}

inline DataSet synthetic_data_set(const std::vector<std::pair<int, int>>& years) {
  DataSet data;
  int rows = 0;
  for (const auto& [first, last] : years) rows = std::max(rows, last - first + 1);
  data.x = Matrix(rows, static_cast<int>(years.size()));
  data.whole = {9999, -9999, 0};
  for (int s = 0; s < static_cast<int>(years.size()); ++s) {
    const auto [first, last] = years[static_cast<std::size_t>(s)];
    for (int y = first; y <= last; ++y) data.x(y - first, s) = value_of(s, y);
    data.spans.push_back({first, last, last - first + 1});
    data.ids.push_back(fixed_width("S" + std::to_string(s), kIdLength));
    data.whole.first_year = std::min(data.whole.first_year, first);
    data.whole.last_year = std::max(data.whole.last_year, last);
  }
  data.whole.count = data.whole.last_year - data.whole.first_year + 1;
  for (auto& title : data.titles) title.replace(0, 10, "Title line");
  return data;
}

}  // namespace qb::testing
