#include "series/data_set_builder.hpp"

#include <algorithm>
#include <string>

#include "platform/character_columns.hpp"
#include "platform/console.hpp"
#include "platform/text_file.hpp"

namespace qb {

void refuse_long_series(std::string_view id) {
  console().write("(/1x,'Data set refused: series ',a,' holds more than ',i4,' values,'/1x,'the most this program can hold.')",
                  trim_right(id), kMaxYears);
}

void DataSetBuilder::warn(const std::string& text) {
  console().put(text);
  if (warnings_) warnings_->push_back(text);
}

bool DataSetBuilder::add(std::string_view id, int first_year, std::vector<float> values) {
  if (values.empty()) {
    warn(format_record("(/1x,'WARNING: Series ',a,' holds no values; it is left out.')", trim_right(id)));
    return true;
  }
  if (static_cast<int>(values.size()) > kMaxYears) {
    refuse_long_series(id);
    return false;
  }
  // Computed wide: a first year near the integer limit must not wrap.
  const long long last_year = static_cast<long long>(first_year) + static_cast<long long>(values.size()) - 1;
  if (first_year < kEarliestYear || last_year > kLatestYear) {
    console().write("(/1x,'Data set refused: series ',a,' runs from the year ',a,' to ',a,';'/1x,'this program holds the years ',i6,' to ',i5,'.')",
                    trim_right(id), std::to_string(first_year), std::to_string(last_year), kEarliestYear,
                    kLatestYear);
    return false;
  }
  if (size() >= kMaxSeriesInSet) {
    console().write("(/1x,'Data set refused: it holds more than ',i4,' series,'/1x,'the most this program can hold.')",
                    kMaxSeriesInSet);
    return false;
  }
  series_.push_back({fixed_columns(id, kIdLength), first_year, std::move(values)});
  return true;
}

void DataSetBuilder::fill(DataSet& data) {
  std::size_t rows = 0;
  for (const auto& s : series_) rows = std::max(rows, s.values.size());
  data.x.resize(static_cast<int>(rows), size(), kMissing);
  data.spans.clear();
  data.ids.clear();
  for (int col = 0; col < size(); ++col) {
    auto& s = series_[static_cast<std::size_t>(col)];
    std::copy(s.values.begin(), s.values.end(), data.x.column(col).begin());
    const int count = static_cast<int>(s.values.size());
    data.spans.push_back({s.first_year, s.first_year + count - 1, count});
    data.ids.push_back(std::move(s.id));
  }
  data.whole = span_of_set(data.spans);
  series_.clear();
}

bool within_year_bound(const DataSet& data) {
  if (data.whole.count <= kMaxYears) return true;
  console().write("(/1x,'Data set refused: its series span ',a,' years, from ',a,' to ',a,';'/1x,'this program holds at most ',i4,' years.')",
                  std::to_string(data.whole.count), std::to_string(data.whole.first_year),
                  std::to_string(data.whole.last_year), kMaxYears);
  return false;
}

}  // namespace qb
