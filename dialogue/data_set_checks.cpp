#include "dialogue/data_set_checks.hpp"

#include <string>
#include <vector>

#include "detrend/robust_statistics.hpp"

namespace qb {

namespace {

// A refusal goes to the console and, in upper case, to the report.
template <class... Args>
void tell(Console& console, ReportFile& report, std::string_view format, const Args&... args) {
  console.write(format, args...);
  report.echo(format, args...);
}

}  // namespace

long missing_value_test(Console& console, ReportFile& report, const DataSet& data) {
  console.write("(1x,'Regardless of the warning, test for missing data flags:')");
  long total = 0;
  for (int s = 0; s < data.ns(); ++s) {
    const int length = data.spans[s].last_year - data.spans[s].first_year + 1;
    int count = 0;
    for (int row = 0; row < length && row < data.x.rows(); ++row) {
      if (data.x(row, s) < 0.0f) ++count;
    }
    if (count > 0) {
      tell(console, report, "(1x,'Series ',a,' has',i4,' missing (negative) values')", data.ids[s], count);
    }
    total += count;
  }
  return total;
}

void report_missing_values(Console& console, ReportFile& report, long total) {
  tell(console, report, "(/1x,'Missing (negative) values encountered: ',i9)", total);
  tell(console, report, "(1x,'Run the data set through KELMOR to fill the gaps and save the data.')");
}

std::optional<int> first_uncovered_year(const DataSet& data) {
  const int years = data.whole.last_year - data.whole.first_year + 1;
  if (data.ns() == 0 || years < 1) return std::nullopt;
  // Difference array of the coverage: +1 where a series starts, -1 after it ends.
  std::vector<int> change(static_cast<std::size_t>(years) + 1, 0);
  for (const auto& span : data.spans) {
    ++change[static_cast<std::size_t>(span.first_year - data.whole.first_year)];
    --change[static_cast<std::size_t>(span.last_year - data.whole.first_year + 1)];
  }
  int depth = 0;
  for (int row = 0; row < years; ++row) {
    depth += change[static_cast<std::size_t>(row)];
    if (depth == 0) return data.whole.first_year + row;
  }
  return std::nullopt;
}

bool can_be_standardised(Console& console, ReportFile& report, const DataSet& data) {
  if (data.ns() == 0) {
    tell(console, report, "(/1x,'No series were read from the data file: nothing to standardise.')");
    return false;
  }
  if (auto year = first_uncovered_year(data)) {
    // The series on either side of the gap tell the user where to look: the
    // first that ends just before it, the first that begins soonest after it.
    std::size_t before = 0;
    std::size_t after = 0;
    for (std::size_t s = 0; s < data.spans.size(); ++s) {
      const SeriesSpan& span = data.spans[s];
      if (span.last_year == *year - 1 && data.spans[before].last_year != *year - 1) before = s;
      const SeriesSpan& best = data.spans[after];
      if (span.first_year > *year && (best.first_year <= *year || span.first_year < best.first_year)) after = s;
    }
    tell(console, report,
         "(/1x,'No series covers the year ',i6,'.'/"
         "1x,'Series ',a,' ends in the year ',a,', series ',a,' begins in the year ',a,'.'/"
         "1x,'The data set falls apart into groups of series that do not overlap in time;'/"
         "1x,'process each group as a data set of its own.')",
         *year, trim_right(data.ids[before]), std::to_string(data.spans[before].last_year),
         trim_right(data.ids[after]), std::to_string(data.spans[after].first_year));
    return false;
  }
  return true;
}

void write_span_summary(Console& console, ReportFile& report, const DataSet& data) {
  const auto& w = data.whole;
  console.write("(/t30,'    NS   IFY   ILY   NYR')");
  console.write("(1x,'Total series read in:',t30,4i6)", data.ns(), w.first_year, w.last_year, w.count);
  report.write("(/t30,'    NS   IFY   ILY   NYR')");
  report.write("(1x,'TOTAL SERIES READ IN:',t30,4i6,'  SERIES, FIRST YEAR, LAST YEAR, TOTAL YEARS')", data.ns(),
               w.first_year, w.last_year, w.count);
}

SegmentLengthStatistics segment_length_statistics(const DataSet& data) {
  SegmentLengthStatistics stats;
  std::vector<float> lengths;
  lengths.reserve(data.spans.size());
  for (const auto& span : data.spans) lengths.push_back(static_cast<float>(span.count));
  if (lengths.empty()) return stats;
  const FiveNumberSummary f = mfs(lengths);
  const float values[5] = {f.min, f.lower, f.median, f.upper, f.max};
  for (int k = 0; k < 5; ++k) stats.value[k] = static_cast<int>(values[k]);
  stats.median = f.median;
  // The counts compare with the statistics as shown: a series counts under a
  // column when its length reaches the number printed above it.
  for (const auto& span : data.spans) {
    const int length = span.count;
    if (length == stats.value[0]) ++stats.count[0];
    for (int k = 1; k < 4; ++k) {
      if (length >= stats.value[k]) ++stats.count[k];
    }
    if (length == stats.value[4]) ++stats.count[4];
  }
  return stats;
}

void write_segment_length_statistics(Console& console, ReportFile& report, const char* heading,
                                     const SegmentLengthStatistics& s) {
  const std::string header = "(/1x,a,t30,'   MIN   25%   MED   75%   MAX')";
  console.write(header, heading);
  console.write("(1x,'Segment length statistics:',t30,5i6)", s.value[0], s.value[1], s.value[2], s.value[3],
                s.value[4]);
  console.write("(1x,'Series .ge. segment length:',t30,5i6)", s.count[0], s.count[1], s.count[2], s.count[3],
                s.count[4]);
  report.write(header, heading);
  report.write("(1x,'SEGMENT LENGTH STATISTICS:',t30,5i6)", s.value[0], s.value[1], s.value[2], s.value[3],
               s.value[4]);
  report.write("(1x,'SERIES .GE. SEGMENT LENGTH:',t30,5i6)", s.count[0], s.count[1], s.count[2], s.count[3],
               s.count[4]);
}

}  // namespace qb
