#include "series/data_set_builder.hpp"

#include <algorithm>
#include <string>

#include "platform/console.hpp"
#include "platform/text_file.hpp"

namespace qb {
namespace {

// The whole-set accumulators start beyond any year, so a set without series
// reports 9999, -9999, -19997.
constexpr int kNoFirstYear = 9999;
constexpr int kNoLastYear = -9999;

}  // namespace

void refuse_long_series(std::string_view id) {
  console().write("(/1x,'Data set refused: series ',a,' holds more than ',i4,' values,'/1x,'the most this program can hold.')",
                  trim_right(id), kMaxYears);
}

bool DataSetBuilder::add(std::string_view id, int first_year, std::vector<float> values) {
  if (static_cast<int>(values.size()) > kMaxYears) {
    refuse_long_series(id);
    return false;
  }
  if (size() >= kMaxSeriesInSet) {
    console().write("(/1x,'Data set refused: it holds more than ',i4,' series,'/1x,'the most this program can hold.')",
                    kMaxSeriesInSet);
    return false;
  }
  series_.push_back({fixed_width(id, kIdLength), first_year, std::move(values)});
  return true;
}

void DataSetBuilder::fill(DataSet& data) {
  std::size_t rows = 0;
  for (const auto& s : series_) rows = std::max(rows, s.values.size());
  data.x.resize(static_cast<int>(rows), size(), kMissing);
  data.spans.clear();
  data.ids.clear();
  data.whole = {kNoFirstYear, kNoLastYear, 0};
  for (int col = 0; col < size(); ++col) {
    auto& s = series_[static_cast<std::size_t>(col)];
    std::copy(s.values.begin(), s.values.end(), data.x.column(col).begin());
    const int count = static_cast<int>(s.values.size());
    const SeriesSpan span{s.first_year, s.first_year + count - 1, count};
    data.spans.push_back(span);
    data.ids.push_back(std::move(s.id));
    data.whole.first_year = std::min(data.whole.first_year, span.first_year);
    data.whole.last_year = std::max(data.whole.last_year, span.last_year);
  }
  data.whole.count = data.whole.last_year - data.whole.first_year + 1;
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
