// Gathers the series of a data set as a reader meets them, leaves out series
// without values, tells of series that overlap an earlier one of the same
// identifier, refuses a data set that exceeds the bounds of the system, and
// sizes the measurement matrix to the data set.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "series/data_set.hpp"

namespace qb {

class DataSetBuilder {
 public:
  // Warnings are kept in `warnings` when given.
  explicit DataSetBuilder(LoadWarnings* warnings = nullptr) : warnings_(warnings) {}

  // Adds one series. A series without values is left out with a warning
  // naming it; one whose years overlap an earlier series of the same
  // identifier (a series written twice, say) is kept with a warning naming
  // both and the line of the later one. False, with the refusal shown, when the series holds more than
  // kMaxYears values, reaches beyond kEarliestYear .. kLatestYear, or the set
  // would hold more than kMaxSeriesInSet series. `named_on_line`, the line of
  // the data file (as an editor shows it) that names the series, is named in
  // the warnings and in the refusals.
  bool add(std::string_view id, int first_year, std::vector<float> values,
           std::optional<std::size_t> named_on_line = std::nullopt);

  // Shows a warning or a refusal (rendered records) on the console and keeps
  // it for the report. refuse() returns false, for the caller to pass on.
  void warn(const std::string& text);
  bool refuse(const std::string& text);

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
  // The spans of the series so far by their identifier without blanks.
  std::unordered_map<std::string, std::vector<std::size_t>> by_id_;
  LoadWarnings* warnings_;
};

// ", as does one later line" / ", as do N later lines" (nothing for 0): the
// tail of a warning that names the first of several lines.
std::string later_lines(int count);

// The refusal of a data set holding a series longer than kMaxYears values;
// `line` holds the value beyond them.
std::string long_series_refusal(std::string_view id, std::optional<std::size_t> line = std::nullopt);

// False, with the refusal shown on the console and kept in `warnings`, when
// the whole set spans more than kMaxYears years.
bool within_year_bound(const DataSet& data, LoadWarnings* warnings = nullptr);

}  // namespace qb
