#include "dialogue/series_selection.hpp"

#include <algorithm>
#include <optional>

#include "platform/character_columns.hpp"
#include "series/censored_file.hpp"
#include "series/censoring.hpp"

namespace qb {
namespace {

// Fewer values than this leave a truncated series too short to standardise.
constexpr long long kShortestTruncatedSeries = 20;

void show_menu(Console& c) {
  c.write("(/1x,'Series processing options (/ to exit):')");
  c.write("(1x,'All series processed as read in',t45,'<1>')");
  c.write("(1x,'Keep series with MINIMUM SEGMENT length',t46,'2')");
  c.write("(1x,'Keep series BEFORE a MAXIMUM start year',t46,'3')");
  c.write("(1x,'Keep series AFTER a MINIMUM start year',t46,'4')");
  c.write("(1x,'Truncate BEFORE a MINIMUM start year',t46,'5')");
  c.write("(1x,'Truncate AFTER a MAXIMUM end year',t46,'6')");
  c.write("(1x,'Keep series over a COMMON PERIOD only',t46,'7',t50,'==> ',$)");
}

// One integer for a selection limit, asked until the answer reads as one.
int ask_limit(Console& c, std::string_view text, bool after_empty_line = true) {
  while (true) {
    c.write(after_empty_line ? "(/1x,a,t50,'==> ',$)" : "(1x,a,t50,'==> ',$)", text);
    if (const std::optional<int> value = c.read_free_integer()) return *value;
  }
}

void warn_and_pause(Console& c, std::string_view warning, int year) {
  c.write("(1x,a,i5/1x,'    Try again or quit the program.'/)", warning, year);
  c.pause("Hit Return to continue");
}

// A censoring may leave no series at all, or split the set into groups of
// series that do not overlap in time; neither can be standardised, so the
// selection is undone.
bool selection_usable(Console& c, DataSet& data, const DataSet& before) {
  std::optional<int> uncovered;
  if (data.ns() > 0) uncovered = first_uncovered_year(data);
  if (data.ns() > 0 && !uncovered) return true;
  if (data.ns() == 0) {
    c.write("(/1x,'*** Warning: This selection leaves no series; it is undone.')");
  } else {
    c.write("(/1x,'*** Warning: After this selection no series covers the year ',i6,'; it is undone.')", *uncovered);
  }
  c.write("(1x,'    Try again or quit the program.'/)");
  c.pause("Hit Return to continue");
  data = before;
  return false;
}

[[noreturn]] void stop_short_series(Console& c, const std::string& id, std::string_view where, int year,
                                    long long values) {
  c.write("(/1x,'Series  ',a,a,i4,' only leaves ',i4,'  values for analysis.')", fixed_columns(id, kIdLength), where,
          year, values);
  c.write("(/1x,'Please evaluate your truncation choice and see if it is'"
          "/1x,'appropriate for your data. You might want to consider deleting'"
          "/1x,'these series from further analysis if you want to truncate.')");
  c.stop(" Review your truncation choice!", kExitAbnormal);
}

void set_missing_from(std::span<float> column, long long first_row) {
  const long long rows = static_cast<long long>(column.size());
  const auto from = static_cast<std::size_t>(std::clamp<long long>(first_row, 0, rows));
  std::fill(column.begin() + static_cast<std::ptrdiff_t>(from), column.end(), kMissing);
}

}  // namespace

void truncate_before(Console& console, DataSet& data, int year) {
  for (int s = 0; s < data.ns(); ++s) {
    SeriesSpan& span = data.spans[static_cast<std::size_t>(s)];
    if (span.first_year >= year) continue;
    const long long length = static_cast<long long>(span.last_year) - year + 1;
    if (length < kShortestTruncatedSeries) {
      stop_short_series(console, data.ids[static_cast<std::size_t>(s)], "  truncation before ", year, length);
    }
    const int shift = year - span.first_year;
    auto column = data.x.column(s);
    std::copy(column.begin() + shift, column.begin() + shift + length, column.begin());
    set_missing_from(column, length);
    span = {year, span.last_year, static_cast<int>(length)};
    data.whole.first_year = year;
  }
  data.whole.count = data.whole.last_year - data.whole.first_year + 1;
}

void truncate_after(Console& console, DataSet& data, int year) {
  for (int s = 0; s < data.ns(); ++s) {
    SeriesSpan& span = data.spans[static_cast<std::size_t>(s)];
    if (span.last_year <= year) continue;
    const long long length = static_cast<long long>(year) - span.first_year + 1;
    if (length < kShortestTruncatedSeries) {
      stop_short_series(console, data.ids[static_cast<std::size_t>(s)], "  truncation after ", year, length);
    }
    set_missing_from(data.x.column(s), length);
    span = {span.first_year, year, static_cast<int>(length)};
    data.whole.last_year = year;
  }
  data.whole.count = data.whole.last_year - data.whole.first_year + 1;
}

Matrix saved_measurements(const DataSet& data) {
  Matrix saved(data.x.rows(), data.x.cols());
  for (int s = 0; s < data.ns(); ++s) {
    const SeriesSpan& span = data.spans[static_cast<std::size_t>(s)];
    const auto from = data.x.column(s);
    const auto n = static_cast<std::ptrdiff_t>(std::clamp(span.last_year - span.first_year + 1, 0, data.x.rows()));
    std::copy(from.begin(), from.begin() + n, saved.column(s).begin());
  }
  return saved;
}

void select_series(Console& console, ReportFile& report, DataSet& data, std::string_view data_set_name,
                   SegmentLengthStatistics& lengths) {
  while (true) {
    show_menu(console);
    const std::string answer = console.read_line();
    char choice = first_char(answer);
    if (choice == '/') console.stop();
    if (choice == ' ') choice = '1';
    if (choice == '1') return;
    if (choice < kCensorMinimumLength || choice > kCensorCommonPeriod) continue;

    const DataSet before = data;
    int value = 0;
    int end_value = 0;
    switch (choice) {
      case kCensorMinimumLength:
        value = ask_limit(console, "Enter the MINIMUM segment length");
        cenbyseg(value, data);
        if (!selection_usable(console, data, before)) continue;
        report.write("(1x,'DATA ARE CENSORED BY MINIMUM SEGMENT LENGTH: ',i5)", value);
        break;
      case kCensorMaximumStart:
        value = ask_limit(console, "Enter the MAXIMUM starting year");
        if (!cenbyify(value, data)) {
          warn_and_pause(console, "*** Warning: No series were found that start ON or BEFORE ", value);
          continue;
        }
        if (!selection_usable(console, data, before)) continue;
        report.write("(1x,'DATA ARE CENSORED BY MAXIMUM START YEAR: ',i5)", value);
        break;
      case kCensorMinimumStart:
        value = ask_limit(console, "Enter the MINIMUM start year");
        if (!cenayify(value, data)) {
          warn_and_pause(console, "*** Warning: No series were found that start ON or AFTER ", value);
          continue;
        }
        if (!selection_usable(console, data, before)) continue;
        report.write("(1x,'DATA ARE CENSORED BY MINIMUM START YEAR: ',i5)", value);
        break;
      case kTruncateBefore:
        value = ask_limit(console, "Truncate series BEFORE a MINIMUM start year");
        truncate_before(console, data, value);
        report.write("(1x,'DATA ARE TRUNCATED BEFORE MINIMUM START YEAR: ',i5)", value);
        break;
      case kTruncateAfter:
        value = ask_limit(console, "Truncate series AFTER a MAXIMUM end year");
        truncate_after(console, data, value);
        report.write("(1x,'DATA ARE TRUNCATED AFTER MAXIMUM END YEAR: ',i5)", value);
        break;
      case kCensorCommonPeriod:
        value = ask_limit(console, "Enter the common start year");
        end_value = ask_limit(console, "Enter the common end year", false);
        // A period that ends before it starts would leave series of no years.
        while (end_value < value) {
          console.write("(1x,'The common end year must not be before the start year.')");
          end_value = ask_limit(console, "Enter the common end year", false);
        }
        cenbycom(value, end_value, data);
        if (!selection_usable(console, data, before)) continue;
        report.write("(1x,'DATA ARE CENSORED BY COMMON START AND END YEARS: ',i5,i6)", value, end_value);
        break;
    }
    if (choice != kCensorCommonPeriod) end_value = value;
    savcen(choice, value, end_value, data, data_set_name);
    lengths = segment_length_statistics(data);
    write_segment_length_statistics(console, report, "CENSORED DATA SET", lengths);
    return;
  }
}

}  // namespace qb
