// What both programs report about a data set right after loading it.
#pragma once

#include <optional>

#include "platform/console.hpp"
#include "platform/report_file.hpp"
#include "series/data_set.hpp"

namespace qb {

// The refusals of these checks go to the console and, in upper case, to the
// report file.

// Counts the values below 0.0 inside every series' span and reports each
// series that has some; returns the total.
long missing_value_test(Console& console, ReportFile& report, const DataSet& data);
// The total line and the advice that close a failed missing-value test.
void report_missing_values(Console& console, ReportFile& report, long total);

// The first calendar year of the whole span that no series covers.
std::optional<int> first_uncovered_year(const DataSet& data);

// A chronology cannot be built across years that no series covers (two
// floating groups of series), and a set without series has nothing to build:
// false, after saying so, for such a data set.
bool can_be_standardised(Console& console, ReportFile& report, const DataSet& data);

// NS, IFY, ILY and NYR to the console and the report file.
void write_span_summary(Console& console, ReportFile& report, const DataSet& data);

// Minimum, fourths, median and maximum of the series lengths, and how many
// series reach each of them.
struct SegmentLengthStatistics {
  int value[5] = {};  // MIN, 25%, MED, 75%, MAX, truncated to integers
  int count[5] = {};
  float median = 0.0f;
};
SegmentLengthStatistics segment_length_statistics(const DataSet& data);
void write_segment_length_statistics(Console& console, ReportFile& report, const char* heading,
                                     const SegmentLengthStatistics& stats);

}  // namespace qb
