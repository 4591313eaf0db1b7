#include "detrend/common_interval.hpp"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/bounds.hpp"
#include "platform/character_columns.hpp"
#include "platform/console.hpp"
#include "platform/text_file.hpp"

namespace qb {
namespace {

struct SeriesYears {
  int first = 0;
  int last = 0;
};

struct CommonInterval {
  int start = 0;
  int end = 0;
  int years = 0;
  int series = 0;
  int rings = 0;
};

std::string record_without_line_end(std::string record) {
  if (!record.empty() && record.back() == '\n') record.pop_back();
  return record;
}

// The best interval over candidate end years in the order given and start
// years in series order; only a strictly larger ring count replaces the best,
// so among equal products the first one found stays.
CommonInterval optimum_interval(const std::vector<SeriesYears>& series, const std::vector<int>& end_years) {
  CommonInterval best;
  std::vector<int> starts;
  for (int end : end_years) {
    // First years of the series that reach the candidate end, sorted, so that
    // the series covering [start, end] are counted by one search.
    starts.clear();
    for (const SeriesYears& s : series) {
      if (s.last >= end) starts.push_back(s.first);
    }
    std::sort(starts.begin(), starts.end());
    for (const SeriesYears& candidate : series) {
      const int start = candidate.first;
      const int years = end - start + 1;
      const int count = static_cast<int>(std::upper_bound(starts.begin(), starts.end(), start) - starts.begin());
      const int rings = count * years;
      if (rings > best.rings) best = {start, end, years, count, rings};
    }
  }
  return best;
}

}  // namespace

void comint(std::span<const int> first_years, std::span<const std::string> ids, std::span<const int> lengths) {
  const int count = static_cast<int>(std::min(first_years.size(), lengths.size()));
  Console& out = console();
  if (count > kMaxSeries) {
    out.write("(/t20,' >> file contains more than program limit of',i4,' series')", kMaxSeriesInSet);
    out.stop(" too many series for subroutine Commint", kExitAbnormal);
  }

  // The span starts from the first series: no year may stand for "none yet".
  int span_first = count > 0 ? first_years[0] : 0;
  int span_last = count > 0 ? first_years[0] + lengths[0] - 1 : 0;
  std::vector<std::string> records(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const int first = first_years[static_cast<std::size_t>(i)];
    const int length = lengths[static_cast<std::size_t>(i)];
    const int last = first + length - 1;
    span_first = std::min(span_first, first);
    span_last = std::max(span_last, last);
    // Eight columns of the identifier, however many bytes its letters take.
    const std::string id = fixed_columns(i < static_cast<int>(ids.size()) ? ids[static_cast<std::size_t>(i)] : "", 8);
    records[static_cast<std::size_t>(i)] =
        record_without_line_end(format_record("(5i5,2x,a,5x)", last, 9000 - first, length, first, count, id));
  }

  // Sort keys written as text and ordered as text, descending: for
  // right-aligned years this is last year descending, then first year
  // ascending. A selection sort takes a later record only when it is
  // strictly greater.
  for (std::size_t i = 0; i < records.size(); ++i) {
    std::size_t greatest = i;
    for (std::size_t k = i + 1; k < records.size(); ++k) {
      if (records[k] > records[greatest]) greatest = k;
    }
    std::swap(records[i], records[greatest]);
  }

  std::vector<SeriesYears> sorted;
  std::vector<int> end_years;
  for (const std::string& record : records) {
    int last = 0;
    int last_again = 0;
    int first = 0;
    if (read_fields("(i5,t1,i5,t16,i5)", record, &last, &last_again, &first) != ReadStatus::kOk) {
      out.write("(1x,a)", record);
      out.write("(1x,'error reading sqc)')");
      return;
    }
    if (end_years.empty() || last != sorted.back().last) end_years.push_back(last);
    sorted.push_back({first, last});
  }

  const CommonInterval best = optimum_interval(sorted, end_years);
  const int longest = count > 0 ? *std::max_element(lengths.begin(), lengths.begin() + count) : 0;
  const int shortest = count > 0 ? *std::min_element(lengths.begin(), lengths.begin() + count) : 0;

  out.write("(/t21,42('*'))");
  out.write("(t20,' **  Time span of chronology: ',i5,' to',i5)", span_first, span_last);
  out.write("(t20,' **  length =               : ',i13)", span_last - span_first + 1);
  out.write("(t20,' **  Number of series in chronology: ',i6)", count);
  out.write("(t20,' **  Optimum common interval: ',i5,' to',i5)", best.start, best.end);
  out.write("(t20,' **  Number of years included: ',i12)", best.years);
  out.write("(t20,' **  Number of Series included:     ',i7)", best.series);
  out.write("(t20,' **  Number of rings:               ',i7)", best.rings);
  out.write("(t20,' **  Length of longest Series: ',i12)", longest);
  out.write("(t20,' **  Length of shortest Series: ',i11)", shortest);
  out.write("(t21,42('*'))");
}

}  // namespace qb
