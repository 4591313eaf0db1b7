#include "series/data_set_builder.hpp"

#include <algorithm>
#include <string>

#include "platform/character_columns.hpp"
#include "platform/console.hpp"
#include "platform/text_file.hpp"

namespace qb {

namespace {

void tell(const std::string& text, LoadWarnings* warnings) {
  console().put(text);
  if (warnings) warnings->push_back(text);
}

}  // namespace

std::string later_lines(int count) {
  if (count == 0) return {};
  if (count == 1) return ", as does one later line";
  return ", as do " + std::to_string(count) + " later lines";
}

namespace {

// The line that names a series, after the message about it.
std::string named_on(std::optional<std::size_t> line, const char* indent) {
  if (!line) return {};
  return format_record("(a,'It is named on line ',a,' of the data file.')", indent, std::to_string(*line));
}

}  // namespace

std::string long_series_refusal(std::string_view id, std::optional<std::size_t> line) {
  std::string text = format_record("(/1x,'Data set refused: series ',a,' holds more than ',i4,' values,'/1x,'the most this program can hold.')",
                                   trim_right(id), kMaxYears);
  if (line) text += format_record("(1x,'Line ',a,' of the data file holds a value beyond them.')", std::to_string(*line));
  return text;
}

void DataSetBuilder::warn(const std::string& text) { tell(text, warnings_); }

bool DataSetBuilder::refuse(const std::string& text) {
  tell(text, warnings_);
  return false;
}

bool DataSetBuilder::add(std::string_view id, int first_year, std::vector<float> values,
                         std::optional<std::size_t> named_on_line) {
  if (values.empty()) {
    warn(format_record("(/1x,'WARNING: Series ',a,' holds no values; it is left out.')", trim_right(id)) +
         named_on(named_on_line, "          "));
    return true;
  }
  if (static_cast<int>(values.size()) > kMaxYears) return refuse(long_series_refusal(id));
  // Computed wide: a first year near the integer limit must not wrap.
  const long long last_year = static_cast<long long>(first_year) + static_cast<long long>(values.size()) - 1;
  if (first_year < kEarliestYear || last_year > kLatestYear) {
    return refuse(format_record("(/1x,'Data set refused: series ',a,' runs from the year ',a,' to ',a,';'/1x,'this program holds the years ',a,' to ',a,'.')",
                                trim_right(id), std::to_string(first_year), std::to_string(last_year),
                                std::to_string(kEarliestYear), std::to_string(kLatestYear)) +
                  named_on(named_on_line, " "));
  }
  if (size() >= kMaxSeriesInSet) {
    std::string text = format_record("(/1x,'Data set refused: it holds more than ',i4,' series,'/1x,'the most this program can hold.')",
                                     kMaxSeriesInSet);
    if (named_on_line) {
      text += format_record("(1x,'Series ',a,', named on line ',a,' of the data file, is one more.')", trim_right(id),
                            std::to_string(*named_on_line));
    }
    return refuse(text);
  }
  // One identifier may hold several segments of a core; segments that share
  // years are one series counted twice in every chronology.
  std::vector<std::size_t>& same_id = by_id_[trim_blanks(id)];
  for (std::size_t earlier : same_id) {
    const Series& e = series_[earlier];
    const long long e_last = static_cast<long long>(e.first_year) + static_cast<long long>(e.values.size()) - 1;
    if (first_year <= e_last && last_year >= e.first_year) {
      warn(format_record("(/1x,'WARNING: Series ',a,' number ',a,', the years ',a,' to ',a,', overlaps series number ',a,','/1x,'         the years ',a,' to ',a,', of the same identifier; both are kept.')",
                         trim_right(id), std::to_string(size() + 1), std::to_string(first_year),
                         std::to_string(last_year), std::to_string(earlier + 1), std::to_string(e.first_year),
                         std::to_string(e_last)) +
           named_on(named_on_line, "          "));
      break;
    }
  }
  same_id.push_back(series_.size());
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
  by_id_.clear();
}

bool within_year_bound(const DataSet& data, LoadWarnings* warnings) {
  if (data.whole.count <= kMaxYears) return true;
  // The series at either end, so that the year read wrong can be found.
  std::size_t earliest = 0;
  std::size_t latest = 0;
  for (std::size_t s = 1; s < data.spans.size(); ++s) {
    if (data.spans[s].first_year < data.spans[earliest].first_year) earliest = s;
    if (data.spans[s].last_year > data.spans[latest].last_year) latest = s;
  }
  tell(format_record("(/1x,'Data set refused: its series span ',a,' years, from ',a,' to ',a,';'/1x,'this program holds at most ',i4,' years.'/1x,'Series ',a,' begins in the year ',a,', series ',a,' ends in the year ',a,'.')",
                     std::to_string(data.whole.count), std::to_string(data.whole.first_year),
                     std::to_string(data.whole.last_year), kMaxYears, trim_right(data.ids[earliest]),
                     std::to_string(data.spans[earliest].first_year), trim_right(data.ids[latest]),
                     std::to_string(data.spans[latest].last_year)),
       warnings);
  return false;
}

}  // namespace qb
