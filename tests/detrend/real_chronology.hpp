// A real data set as ratio indices and their mean chronology, for tests that
// need realistic series: co021 (Mesa Verde Douglas-fir) from its
// multi-column copy.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/bounds.hpp"
#include "series/data_set.hpp"
#include "series/matrix.hpp"
#include "tests/support/test_support.hpp"

namespace qb::testing {

struct IndexSet {
  Matrix x;  // calendar rows from whole.first_year, kMissing outside each span
  std::vector<SeriesSpan> spans;
  SeriesSpan whole;
  std::vector<int> depth;
  std::vector<float> chronology;  // mean index of each year (1.0 where no series)
};

// Year, then one value per series ("NA" for none) after a header line; every
// series is divided by its own mean.
inline IndexSet co021_ratio_indices() {
  std::ifstream in(shared_data("co021.csv"));
  std::string line;
  std::getline(in, line);
  std::vector<std::vector<float>> rows;
  std::vector<int> years;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::stringstream fields(line);
    std::string field;
    std::getline(fields, field, ',');
    years.push_back(std::stoi(field));
    std::vector<float> values;
    while (std::getline(fields, field, ',')) values.push_back(field == "NA" ? kMissing : std::stof(field));
    rows.push_back(values);
  }
  IndexSet set;
  const int nyr = static_cast<int>(rows.size());
  const int series = static_cast<int>(rows.front().size());
  set.whole = {years.front(), years.back(), nyr};
  set.x = Matrix(nyr, series);
  set.depth.assign(nyr, 0);
  set.chronology.assign(nyr, 0.0f);
  for (int j = 0; j < series; ++j) {
    int first = -1, last = -1;
    float sum = 0.0f;
    for (int r = 0; r < nyr; ++r) {
      if (is_missing(rows[r][j])) continue;
      if (first < 0) first = r;
      last = r;
      sum += rows[r][j];
    }
    const float mean = sum / static_cast<float>(last - first + 1);
    set.spans.push_back({years[first], years[last], last - first + 1});
    for (int r = first; r <= last; ++r) {
      set.x(r, j) = rows[r][j] / mean;
      set.depth[r] += 1;
      set.chronology[r] += set.x(r, j);
    }
  }
  for (int r = 0; r < nyr; ++r) {
    set.chronology[r] = set.depth[r] > 0 ? set.chronology[r] / static_cast<float>(set.depth[r]) : 1.0f;
  }
  return set;
}

}  // namespace qb::testing
