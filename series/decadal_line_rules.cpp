#include "series/decadal_line_rules.hpp"

#include <algorithm>
#include <string_view>

#include "platform/character_columns.hpp"
#include "platform/record_format.hpp"
#include "platform/text_file.hpp"
#include "series/data_set.hpp"

namespace qb {
namespace {

// Column 80 of a ring-width line that opens a column block.
constexpr std::size_t kBlockMarkColumn = 79;
constexpr char kBlockMark = '#';
// A tab stop every eight columns puts the year of a ring-width line, after a
// TAB that ends its identifier, in column 9.
constexpr std::size_t kWidthsIdColumns = 8;

// Fields of a line: the year ends in column 12 (ring widths) or 10
// (chronologies); ring widths take six columns each from column 13, index /
// depth pairs seven from column 11.
std::size_t year_end(bool widths) { return widths ? 12 : 10; }
std::size_t value_column(bool widths, int j) { return (widths ? 12 : 10) + (widths ? 6 : 7) * static_cast<std::size_t>(j); }
std::size_t value_width(bool widths) { return widths ? 6 : 4; }
std::size_t depth_column(int j) { return 14 + 7 * static_cast<std::size_t>(j); }
constexpr std::size_t kDepthWidth = 3;
// The field after the ten of a line: columns 73-78 of ring widths, 81-84 of
// chronologies.
std::size_t past_fields_column(bool widths) { return widths ? 72 : 80; }
std::size_t past_fields_width(bool widths) { return widths ? 6 : 4; }

// The identifier gives up columns to the year for years of -1000 and
// earlier; the "-" that then stands in its last columns tells the variant.
std::size_t id_columns_of(bool widths, const std::string& columns) {
  if (widths) {
    if (columns[7] == '-') return 7;
    if (columns[6] == '-') return 6;
    return 8;
  }
  if (columns[5] == '-') return 5;
  if (columns[4] == '-') return 4;
  return 6;
}

bool all_blank(std::string_view field) { return field.find_first_not_of(' ') == std::string_view::npos; }

FieldState read_field(std::string_view field, int& value) {
  value = 0;
  if (all_blank(field)) return FieldState::kBlank;
  if (read_fields("(i6)", field, &value) == ReadStatus::kOk) return FieldState::kNumber;
  value = 0;
  return FieldState::kUnreadable;
}

std::string lower_ascii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

enum class IdMatch { kSame, kOtherCase, kOther };

// Identifiers are compared without the blanks around them, over the columns
// both lines give them: a series that crosses the year -1000 loses
// identifier columns to the year.
IdMatch compare_ids(const LineHead& a, const LineHead& b) {
  if (a.id == b.id && a.compared_columns == b.compared_columns) return IdMatch::kSame;  // nearly every line
  const std::size_t columns = std::min(a.compared_columns, b.compared_columns);
  const std::string x = trim_blanks(fixed_columns(a.id, columns));
  const std::string y = trim_blanks(fixed_columns(b.id, columns));
  if (x == y) return IdMatch::kSame;
  if (lower_ascii(x) == lower_ascii(y)) return IdMatch::kOtherCase;
  return IdMatch::kOther;
}

bool is_end_mark(const DecadalLine& line, int j) {
  const int v = line.values[static_cast<std::size_t>(j)];
  return line.state[static_cast<std::size_t>(j)] == FieldState::kNumber && (v == kStopHundredths || v == kStopThousandths);
}

// A field that holds a ring: neither blank nor an end mark.
bool holds_ring(const DecadalLine& line, int j) {
  return line.state[static_cast<std::size_t>(j)] != FieldState::kBlank && !is_end_mark(line, j);
}

bool holds_ring_in(const DecadalLine& line, int first, int last) {
  for (int j = first; j <= last; ++j) {
    if (holds_ring(line, j)) return true;
  }
  return false;
}

bool any_value_field(const DecadalLine& line) {
  return std::any_of(line.state.begin(), line.state.end(), [](FieldState s) { return s != FieldState::kBlank; });
}

// A line without year and values: an empty line, a short note.
bool passed_over(const DecadalLine& line) { return line.year_blank && !any_value_field(line); }

// The identifier, year and value columns of two lines are the same.
bool repeats(const DecadalLine& a, const DecadalLine& b, bool widths) {
  const std::size_t end = widths ? 72 : 80;
  return a.columns.compare(0, end, b.columns, 0, end) == 0;
}

// How slots first..last of a ring-width line read, before the lines after
// it are asked: rings, then perhaps an end mark.
struct SlotScan {
  int end_slot = -1;
  EndMark end = EndMark::kNone;
  std::vector<int> rings_of_999;  // 999s followed on their line by a ring
  bool trailing_999 = false;      // the end is a 999 in the last slot
  bool rings_after_end = false;   // a -9999 followed on its line by a ring
};

SlotScan scan_widths(const DecadalLine& line, int first, int last) {
  SlotScan scan;
  for (int j = first; j <= last; ++j) {
    if (!is_end_mark(line, j)) continue;
    if (line.values[static_cast<std::size_t>(j)] == kStopThousandths) {
      scan.end_slot = j;
      scan.end = EndMark::kThousandths;
      scan.rings_after_end = holds_ring_in(line, j + 1, last);
      return scan;
    }
    // A new segment never starts inside a line: a 999 with a ring after it
    // on its line is a ring of 9.99 (or 0.999) mm. A run of end marks
    // ("60   999   999   999") still ends the series.
    if (holds_ring_in(line, j + 1, last)) {
      scan.rings_of_999.push_back(j);
      continue;
    }
    scan.end_slot = j;
    scan.end = EndMark::kHundredths;
    scan.trailing_999 = j == last;
    return scan;
  }
  return scan;
}

bool continues(const DecadalLine& line, const LineHead& head, long long due) {
  return line.converted && compare_ids(head, line.head) != IdMatch::kOther && line.year == due;
}

// A 999 in the last slot of a line, and the line after it continues the
// series: the series' end mark decides. A series in 0.001 mm cannot end with
// 999, so when it ends with -9999 the 999 was a ring; when it ends with 999
// (or the lines say nothing) the 999 ends a segment.
bool goes_on_to_thousandths(const LineHead& head, long long due, const LinesAhead& ahead) {
  for (std::size_t k = 1;; ++k) {
    const DecadalLine* line = ahead(k);
    if (!line) return false;
    if (passed_over(*line)) continue;
    if (!continues(*line, head, due)) return false;
    const SlotScan scan = scan_widths(*line, 0, 9);
    if (scan.end == EndMark::kThousandths) return true;
    if (scan.end == EndMark::kHundredths && !scan.trailing_999) return false;
    due += 10;
  }
}

LineNote note(LineReason reason, const DecadalLine& line, std::optional<int> year = std::nullopt) {
  LineNote n;
  n.reason = reason;
  n.record = line.record;
  n.year = year;
  return n;
}

LineVerdict refusal(LineNote reason) {
  LineVerdict v;
  v.role = LineRole::kRefuses;
  v.reason = std::move(reason);
  return v;
}

// The values of a ring-width data line. `base` is the year of its first
// slot; the first line of a series holds the values to the end of its decade.
void judge_widths_values(const DecadalLine& line, const SeriesSoFar& series, long long base, const LinesAhead& ahead,
                         LineVerdict& verdict) {
  const bool first = !series.started;
  const int last = first ? 10 - decade_slot(line.year) : 9;
  const SlotScan scan = scan_widths(line, 0, last);
  const auto year_of = [base](int j) { return static_cast<int>(base + j); };
  for (int j : scan.rings_of_999) verdict.notes.push_back(note(LineReason::kRingOf999OnItsLine, line, year_of(j)));
  if (scan.rings_after_end) {
    verdict = refusal(note(LineReason::kValuesAfterEndMark, line, year_of(scan.end_slot)));
    return;
  }
  ValueRun run{0, last + 1, EndMark::kNone};
  if (scan.end != EndMark::kNone) {
    run.slots = scan.end_slot;
    run.end = scan.end;
  }
  if (scan.trailing_999) {
    const LineHead& head = first ? line.head : series.head;
    const long long due = first ? next_decade(line.year) : series.due_year + 10;
    if (goes_on_to_thousandths(head, due, ahead)) {
      verdict.notes.push_back(note(LineReason::kRingOf999BeforeLine, line, year_of(scan.end_slot)));
      run = {0, last + 1, EndMark::kNone};
    }
  }
  // Values beyond the first line's decade could belong to either the year
  // the line names or the count it holds; only a run of end marks after the
  // series' end, or its end mark in the very next slot, reads one way.
  if (first && last < 9 && any_value_field(line)) {
    int used = 0;
    for (int j = 0; j < 10; ++j) {
      if (line.state[static_cast<std::size_t>(j)] != FieldState::kBlank) used = j + 1;
    }
    if (used > last + 1) {
      const bool rings_beyond = holds_ring_in(line, last + 1, 9);
      if (run.end == EndMark::kNone && !rings_beyond && is_end_mark(line, last + 1)) {
        run.end = line.values[static_cast<std::size_t>(last + 1)] == kStopThousandths ? EndMark::kThousandths
                                                                                        : EndMark::kHundredths;
        verdict.notes.push_back(note(LineReason::kEndMarkAfterDecade, line, year_of(last + 1)));
      } else if (run.end == EndMark::kNone || rings_beyond) {
        LineNote n = note(LineReason::kOverfullFirstLine, line, line.year);
        n.due = last + 1;
        n.count = used;
        verdict = refusal(std::move(n));
        return;
      }
    }
  }
  verdict.run = run;
}

// The values of a chronology data line: slots are calendar places, and the
// first line's values begin at its first year's slot.
void judge_index_values(const DecadalLine& line, const SeriesSoFar& series, LineVerdict& verdict) {
  const int first = series.started ? 0 : decade_slot(line.year) - 1;
  const long long decade = series.started ? series.due_year : line.year - first;
  const auto is_index = [&line](int j) {
    const auto k = static_cast<std::size_t>(j);
    return line.state[k] == FieldState::kNumber && line.values[k] < kFillIndex;
  };
  int before = 0;
  for (int j = 0; j < first; ++j) {
    if (is_index(j)) ++before;
  }
  if (before > 0) {
    LineNote n = note(LineReason::kValuesBeforeFirstYear, line, line.year);
    n.count = before;
    verdict = refusal(std::move(n));
    return;
  }
  ValueRun run{first, 10 - first, EndMark::kNone};
  for (int j = first; j < 10; ++j) {
    if (line.values[static_cast<std::size_t>(j)] < kFillIndex) continue;
    for (int k = j + 1; k < 10; ++k) {
      if (is_index(k)) {
        verdict = refusal(note(LineReason::kValuesAfterEndMark, line, static_cast<int>(decade + j)));
        return;
      }
    }
    run.slots = j - first;
    run.end = EndMark::kFill;
    break;
  }
  verdict.run = run;
}

// The field named when a data line does not convert: the year field when
// the year does not read, else the first value or depth field that does not.
LineNote unreadable_field(bool widths, const DecadalLine& line, std::optional<long long> due) {
  LineNote n = note(LineReason::kUnreadableField, line);
  const std::string& text = line.text_of_fields();
  if (!line.year_reads) {
    const std::size_t first = line.head.id_columns;
    n.text = std::string(columns_of(text, first, year_end(widths) - first));
    if (due) n.year = static_cast<int>(*due);
    return n;
  }
  // Ring-width values begin in column 13 at the line's own year; chronology
  // slots stand at their calendar places in the decade.
  const long long base = widths ? line.year : line.year - decade_slot(line.year) + 1;
  for (int j = 0; j < 10; ++j) {
    const auto k = static_cast<std::size_t>(j);
    std::size_t column = value_column(widths, j);
    std::size_t width = value_width(widths);
    if (line.state[k] != FieldState::kUnreadable) {
      if (widths || line.depth_state[k] != FieldState::kUnreadable) continue;
      column = depth_column(j);
      width = kDepthWidth;
    }
    n.year = static_cast<int>(base + j);
    n.text = std::string(columns_of(text, column, width));
    return n;
  }
  return n;
}

// A line that does not convert is a data line whose field does not read
// when it carries the series' identifier and next decade, or, before the
// series' first line, when the line after it carries its identifier and
// next decade. A line whose year alone does not read (or is blank while
// values stand beside it) is one when it carries the identifier (of the
// series, or of the line after it). Below the title lines at the top of the
// file, so is a ring-width line whose last value is an end mark: a series of
// one line. Title lines carry none of these.
std::optional<LineNote> unreadable_data_line(bool widths, const DecadalLine& line, const SeriesSoFar& series,
                                             const LinesAhead& ahead) {
  const bool values_read = std::none_of(line.state.begin(), line.state.end(),
                                        [](FieldState s) { return s == FieldState::kUnreadable; }) &&
                           std::none_of(line.depth_state.begin(), line.depth_state.end(),
                                        [](FieldState s) { return s == FieldState::kUnreadable; });
  if (line.year_reads || values_read) {
    if (series.started) {
      if (compare_ids(series.head, line.head) != IdMatch::kOther &&
          (!line.year_reads || line.year == series.due_year)) {
        return unreadable_field(widths, line, series.due_year);
      }
    } else if (const DecadalLine* after = ahead(1)) {
      if (after->year_reads && compare_ids(line.head, after->head) != IdMatch::kOther &&
          (!line.year_reads || after->year == next_decade(line.year))) {
        // The first line holds (part of) the decade before the next line's.
        return unreadable_field(widths, line, static_cast<long long>(after->year) - 10);
      }
    }
  }
  // Below the data lines a year followed by fields run together by a TAB is
  // a data line, whatever its last field reads as.
  if (line.year_reads && line.tab_in_fields && series.data_line_in_file) return note(LineReason::kTabInFields, line);
  if (widths && (line.year_reads || series.data_line_in_file)) {
    for (int j = 9; j >= 0; --j) {
      if (line.state[static_cast<std::size_t>(j)] == FieldState::kBlank) continue;
      if (!is_end_mark(line, j)) break;
      std::optional<long long> due;
      if (series.started && compare_ids(series.head, line.head) != IdMatch::kOther) due = series.due_year;
      return unreadable_field(widths, line, due);
    }
  }
  return std::nullopt;
}

}  // namespace

int decade_slot(int year) {
  const int r = year % 10;  // the sign of the year, as Fortran's mod
  if (year >= 0) return r + 1;
  return r == 0 ? 1 : 11 + r;
}

long long next_decade(long long year) { return year - decade_slot(static_cast<int>(year)) + 11; }

DecadalLine parse_decadal_line(bool widths, std::string text, std::size_t record) {
  DecadalLine line;
  line.record = record;
  if (widths) {
    // A TAB within the identifier's columns ends the identifier, and the
    // year follows at the next tab stop, column 9.
    const std::size_t tab = text.find('\t');
    if (tab != std::string::npos && tab < bytes_of_columns(text, kWidthsIdColumns)) {
      const std::size_t before = column_count(std::string_view(text).substr(0, tab));
      line.fields = text.substr(0, tab) + std::string(kWidthsIdColumns - before, ' ') + text.substr(tab + 1);
    }
  }
  line.text = std::move(text);
  const std::string& fields = line.text_of_fields();
  line.columns = single_byte_columns(fields);
  line.columns.resize(kTitleLength, ' ');
  const std::string& columns = line.columns;
  line.tab_in_fields = columns.find('\t', widths ? kWidthsIdColumns : 0) < (widths ? 72u : 80u);

  const std::size_t id_columns = id_columns_of(widths, columns);
  line.head = {fixed_columns(columns_of(fields, 0, id_columns), kIdLength), id_columns, id_columns};
  // The year columns proper (9-12, 7-10), whatever the variant.
  line.year_blank = all_blank(std::string_view(columns).substr(year_end(widths) - 4, 4));
  const std::string_view year_field = std::string_view(columns).substr(id_columns, year_end(widths) - id_columns);
  line.year_reads = !line.year_blank && read_fields("(i6)", year_field, &line.year) == ReadStatus::kOk;
  if (!line.year_reads) line.year = 0;
  line.head.compared_columns = line.year_reads && line.year == -1000 ? (widths ? 6 : 4) : id_columns;
  {
    int past = 0;
    const std::string_view field = std::string_view(columns).substr(past_fields_column(widths), past_fields_width(widths));
    line.number_past_fields = read_field(field, past) == FieldState::kNumber &&
                              (widths ? past != kStopHundredths && past != kStopThousandths : past != kFillIndex);
  }

  // All ten fields at once; only a line with a field that does not read is
  // gone through field by field, to tell which.
  std::array<int, 20> all{};
  const ReadStatus at_once =
      widths ? read_fields("(12x,10i6)", columns, &all[0], &all[1], &all[2], &all[3], &all[4], &all[5], &all[6],
                           &all[7], &all[8], &all[9])
             : read_fields("(10x,10(i4,i3))", columns, &all[0], &all[1], &all[2], &all[3], &all[4], &all[5], &all[6],
                           &all[7], &all[8], &all[9], &all[10], &all[11], &all[12], &all[13], &all[14], &all[15],
                           &all[16], &all[17], &all[18], &all[19]);
  if (at_once == ReadStatus::kOk) {
    for (int j = 0; j < 10; ++j) {
      const auto k = static_cast<std::size_t>(j);
      const std::string_view view(columns);
      if (widths) {
        line.values[k] = all[k];
        line.state[k] = all_blank(view.substr(value_column(widths, j), value_width(widths))) ? FieldState::kBlank
                                                                                              : FieldState::kNumber;
      } else {
        line.values[k] = all[2 * k];
        line.depths[k] = all[2 * k + 1];
        line.state[k] = all_blank(view.substr(value_column(widths, j), value_width(widths))) ? FieldState::kBlank
                                                                                              : FieldState::kNumber;
        line.depth_state[k] =
            all_blank(view.substr(depth_column(j), kDepthWidth)) ? FieldState::kBlank : FieldState::kNumber;
      }
    }
    line.converted = line.year_reads;
    return line;
  }
  bool fields_read = true;
  for (int j = 0; j < 10; ++j) {
    const auto k = static_cast<std::size_t>(j);
    line.state[k] = read_field(std::string_view(columns).substr(value_column(widths, j), value_width(widths)),
                               line.values[k]);
    if (line.state[k] == FieldState::kUnreadable) fields_read = false;
    if (!widths) {
      line.depth_state[k] = read_field(std::string_view(columns).substr(depth_column(j), kDepthWidth), line.depths[k]);
      if (line.depth_state[k] == FieldState::kUnreadable) fields_read = false;
    }
  }
  line.converted = line.year_reads && fields_read;
  return line;
}

LineVerdict judge_line(bool widths, const DecadalLine& line, const SeriesSoFar& series, const LinesAhead& ahead) {
  LineVerdict verdict;
  if (!series.values_taken && line.columns[kBlockMarkColumn] == kBlockMark) {
    verdict.role = LineRole::kColumnBlock;
    return verdict;
  }
  if (passed_over(line)) {
    verdict.role = LineRole::kPassedOver;
    return verdict;
  }
  if (!line.converted) {
    if (auto bad = unreadable_data_line(widths, line, series, ahead)) return refusal(std::move(*bad));
    // Without a year the line is no title line either.
    verdict.role = line.year_blank ? LineRole::kPassedOver : LineRole::kTitle;
    return verdict;
  }

  if (series.started) {
    const IdMatch match = compare_ids(series.head, line.head);
    if (match == IdMatch::kOther) {
      verdict.role = LineRole::kEndsSeries;
      verdict.reason = note(LineReason::kOtherIdentifier, line);
      return verdict;
    }
    if (line.year != series.due_year) {
      // Another decade after title lines: the header of the next chronology
      // of one site came before it.
      if (series.title_since_data) {
        verdict.role = LineRole::kEndsSeries;
        verdict.reason = note(LineReason::kNextHeader, line);
        return verdict;
      }
      if (series.previous && repeats(*series.previous, line, widths)) {
        verdict.role = LineRole::kRepeated;
        verdict.notes.push_back(note(LineReason::kRepeatsLine, line, line.year));
        return verdict;
      }
      // The years of later lines are not read back: a line missing, doubled
      // or mislabelled moves the later rings, so it is told.
      LineNote n = note(LineReason::kOtherDecade, line, line.year);
      n.due = static_cast<int>(series.due_year);
      n.count = line.year;
      verdict.notes.push_back(std::move(n));
    }
    if (match == IdMatch::kOtherCase) {
      LineNote n = note(LineReason::kOtherCase, line);
      n.text = trim_blanks(line.head.id);
      verdict.notes.push_back(std::move(n));
    }
  }
  // A TAB among the value columns runs fields together.
  if (line.tab_in_fields) return refusal(note(LineReason::kTabInFields, line));
  if (!line.fields.empty()) verdict.notes.push_back(note(LineReason::kTabAfterIdentifier, line));
  if (line.number_past_fields) {
    LineNote n = note(LineReason::kNumberPastFields, line);
    n.text = trim_blanks(std::string_view(line.columns).substr(past_fields_column(widths), past_fields_width(widths)));
    n.count = static_cast<int>(past_fields_column(widths)) + 1;
    n.due = static_cast<int>(past_fields_column(widths) + past_fields_width(widths));
    verdict.notes.push_back(std::move(n));
  }

  verdict.role = series.started ? LineRole::kContinues : LineRole::kStartsSeries;
  if (widths) {
    judge_widths_values(line, series, series.started ? series.due_year : line.year, ahead, verdict);
  } else {
    judge_index_values(line, series, verdict);
  }
  return verdict;
}

}  // namespace qb
