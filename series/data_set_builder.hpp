// Gathers the series of a data set as a reader meets them, leaves out series
// without values, refuses a data set that exceeds the bounds of the system,
// and sizes the measurement matrix to the data set.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "series/data_set.hpp"

namespace qb {

class DataSetBuilder {
 public:
  // Warnings are kept in `warnings` when given.
  explicit DataSetBuilder(LoadWarnings* warnings = nullptr) : warnings_(warnings) {}

  // Adds one series. A series without values is left out with a warning
  // naming it. False, with the refusal shown on the console, when the series
  // holds more than kMaxYears values, reaches beyond kEarliestYear ..
  // kLatestYear, or the set would hold more than kMaxSeriesInSet series.
  bool add(std::string_view id, int first_year, std::vector<float> values);

  // Shows a warning (rendered records) on the console and keeps it.
  void warn(const std::string& text);

  // Moves the series gathered so far into `data`: a matrix of the longest
  // series by the number of series (kMissing below each series' end), the
  // spans, the identifiers and the whole-set span row. The title lines are
  // left as they are.
  void fill(DataSet& data);

  int size() const { return static_cast<int>(series_.size()); }

 private:
  struct Series {
    std::string id;
    int first_year = 0;
    std::vector<float> values;
  };
  std::vector<Series> series_;
  LoadWarnings* warnings_;
};

// Shows the refusal of a data set holding a series longer than kMaxYears values.
void refuse_long_series(std::string_view id);

// False, with the refusal shown on the console, when the whole set spans more
// than kMaxYears years.
bool within_year_bound(const DataSet& data);

}  // namespace qb
