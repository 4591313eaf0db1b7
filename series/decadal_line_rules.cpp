#include "series/decadal_line_rules.hpp"

#include <algorithm>
#include <string_view>

#include "platform/character_columns.hpp"
#include "platform/text_file.hpp"
#include "series/data_set.hpp"

namespace qb {
namespace {

// More title lines than this in one call end the call.
constexpr int kMaxTitleLinesPerCall = 25;

std::string lower_ascii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

enum class IdMatch { kSame, kOtherCase, kOther };

IdMatch same_text(const std::string& x, const std::string& y) {
  if (x == y) return IdMatch::kSame;
  return lower_ascii(x) == lower_ascii(y) ? IdMatch::kOtherCase : IdMatch::kOther;
}

// Identifiers are compared without the blanks around them, over the columns
// both lines give them: a series that crosses the year -1000 loses
// identifier columns to the year. The column a line of -1000 leaves out may
// hold only a blank, the minus sign, or the other line's own character
// there: a letter or digit that differs is another identifier.
IdMatch compare_ids(const LineHead& a, const LineHead& b) {
  if (a.id == b.id && a.compared_columns == b.compared_columns) return IdMatch::kSame;  // nearly every line
  const std::size_t columns = std::min(a.compared_columns, b.compared_columns);
  IdMatch match = same_text(trim_blanks(fixed_columns(a.id, columns)), trim_blanks(fixed_columns(b.id, columns)));
  for (const auto& [mine, theirs] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
    if (match == IdMatch::kOther) break;
    const std::string& left_out = mine->left_out;
    if (left_out.empty() || left_out == " " || left_out == "-") continue;
    const std::size_t at = mine->compared_columns;
    const std::string other = theirs->id_columns > at ? std::string(columns_of(theirs->id, at, 1)) : std::string();
    match = std::max(match, same_text(left_out, other));
  }
  return match;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }
EndMark end_mark_of(int v) { return v == kStopThousandths ? EndMark::kThousandths : EndMark::kHundredths; }

bool is_blank(const DecadalLine& line, int j) { return line.state[static_cast<std::size_t>(j)] == FieldState::kBlank; }

bool end_mark_at(const DecadalLine& line, int j) {
  return !is_blank(line, j) && is_end_mark(line.values[static_cast<std::size_t>(j)]);
}

// A field that holds a ring: neither blank nor an end mark.
bool holds_ring(const DecadalLine& line, int j) { return !is_blank(line, j) && !end_mark_at(line, j); }

bool holds_ring_in(const DecadalLine& line, int first, int last) {
  for (int j = first; j <= last; ++j) {
    if (holds_ring(line, j)) return true;
  }
  return false;
}

// A line without year and values: an empty line, a short note.
bool holds_nothing(const DecadalLine& line) { return line.year_blank && !line.any_value_field(); }

// The identifier, year and value columns of two lines are the same.
bool repeats(const DecadalLayout& layout, const DecadalLine& a, const DecadalLine& b) {
  const std::size_t end = layout.fields_end();
  return a.columns.compare(0, end, b.columns, 0, end) == 0;
}

// The fields a line's values are read from: its columns, or its numbers
// when it is not in its columns (nothing when they do not fit its decade).
const DecadalLine* fields_of(const DecadalLayout& layout, const DecadalLine& line, bool first_line,
                             std::optional<DecadalLine>& storage) {
  if (!line.out_of_columns) return &line;
  storage = read_by_numbers(layout, line, first_line).line;
  return storage ? &*storage : nullptr;
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
    if (!end_mark_at(line, j)) continue;
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
  // A line read by its numbers may close its ten values with an end mark.
  if (last == kSlotsPerLine - 1 && line.mark_after_fields) {
    scan.end_slot = kSlotsPerLine;
    scan.end = end_mark_of(*line.mark_after_fields);
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
bool goes_on_to_thousandths(const DecadalLayout& layout, const LineHead& head, long long due,
                            const LinesAhead& ahead) {
  for (std::size_t k = 1;; ++k) {
    const DecadalLine* line = ahead(k);
    if (!line) return false;
    if (holds_nothing(*line)) continue;
    if (!continues(*line, head, due)) return false;
    std::optional<DecadalLine> storage;
    const DecadalLine* fields = fields_of(layout, *line, false, storage);
    if (!fields) return false;
    const SlotScan scan = scan_widths(*fields, 0, kSlotsPerLine - 1);
    if (scan.end == EndMark::kThousandths) return true;
    if (scan.end == EndMark::kHundredths && !scan.trailing_999) return false;
    due += 10;
  }
}

LineNote at(const DecadalLine& line, LineReason reason) { return {line.record, std::move(reason)}; }

// What the values of a data line come to: the slots taken, the end, and
// what the checks below ask of them.
struct Values {
  ValueRun run;
  std::optional<LineNote> refusal;
  std::vector<LineNote> notes;
};

// Blank fields among the slots a line's run takes.
void count_blanks(const DecadalLine& line, long long base, ValueRun& run, bool widths) {
  const auto empty = [&](int j) {
    const auto k = static_cast<std::size_t>(j);
    return line.state[k] == FieldState::kBlank && (widths || line.depth_state[k] == FieldState::kBlank);
  };
  const int begin = run.first_slot;
  int end = run.first_slot + run.slots;
  if (run.end == EndMark::kNone) {
    while (end > begin && empty(end - 1)) {
      --end;
      ++run.tail_blanks;
      run.tail_blank_year = base + end;
    }
  }
  for (int j = begin; j < end; ++j) {
    if (!is_blank(line, j)) continue;
    if (run.inner_blanks++ == 0) run.inner_blank_year = base + j;
  }
}

// The values of a ring-width data line. `base` is the year of its first
// slot; the first line of a series holds the values to the end of its decade.
Values widths_values(const DecadalLayout& layout, const DecadalLine& line, const SeriesSoFar& series,
                     const LinesAhead& ahead) {
  Values v;
  const bool first = !series.started;
  const long long base = first ? line.year : series.due_year;
  const int last = first ? values_of_first_line(line.year) - 1 : kSlotsPerLine - 1;
  const SlotScan scan = scan_widths(line, 0, last);
  const auto year_of = [base](int j) { return base + j; };
  if (!scan.rings_of_999.empty()) {
    why::RingsOf999OnTheirLine rings;
    for (int j : scan.rings_of_999) rings.years.push_back(year_of(j));
    v.notes.push_back(at(line, std::move(rings)));
  }
  if (scan.rings_after_end) {
    v.refusal = at(line, why::ValuesAfterEndMark{year_of(scan.end_slot)});
    return v;
  }
  ValueRun run{0, last + 1, EndMark::kNone};
  if (scan.end != EndMark::kNone) {
    run.slots = std::min(scan.end_slot, last + 1);
    run.end = scan.end;
  }
  if (scan.trailing_999) {
    const LineHead& head = first ? line.head : series.head;
    const long long due = first ? next_decade(line.year) : series.due_year + 10;
    if (goes_on_to_thousandths(layout, head, due, ahead)) {
      v.notes.push_back(at(line, why::RingOf999BeforeLine{year_of(scan.end_slot)}));
      run = {0, last + 1, EndMark::kNone};
    }
  }
  // Values beyond the first line's decade could belong to either the year
  // the line names or the count it holds; only a run of end marks after the
  // series' end, or its end mark in the very next slot, reads one way.
  if (first && last < kSlotsPerLine - 1 && line.any_value_field()) {
    int used = 0;
    for (int j = 0; j < kSlotsPerLine; ++j) {
      if (!is_blank(line, j)) used = j + 1;
    }
    if (used > last + 1) {
      const bool rings_beyond = holds_ring_in(line, last + 1, kSlotsPerLine - 1);
      if (run.end == EndMark::kNone && !rings_beyond && end_mark_at(line, last + 1)) {
        run.end = end_mark_of(line.values[static_cast<std::size_t>(last + 1)]);
        v.notes.push_back(at(line, why::EndMarkAfterDecade{year_of(last + 1)}));
      } else if (run.end == EndMark::kNone || rings_beyond) {
        v.refusal = at(line, why::OverfullFirstLine{line.year, used, last + 1});
        return v;
      }
    }
  }
  count_blanks(line, base, run, true);
  v.run = run;
  return v;
}

// The values of a chronology data line: slots are calendar places, and the
// first line's values begin at its first year's slot. An empty slot holds
// the fill, so a blank index inside the series is no index of 0.
Values index_values(const DecadalLine& line, const SeriesSoFar& series) {
  Values v;
  const int first = series.started ? 0 : decade_slot(line.year) - 1;
  const long long decade = series.started ? series.due_year : line.year - first;
  const auto is_index = [&line](int j) {
    const auto k = static_cast<std::size_t>(j);
    return line.state[k] != FieldState::kBlank && line.values[k] < kFillIndex;
  };
  int before = 0;
  for (int j = 0; j < first; ++j) {
    if (is_index(j)) ++before;
  }
  if (before > 0) {
    v.refusal = at(line, why::ValuesBeforeFirstYear{line.year, before});
    return v;
  }
  ValueRun run{first, kSlotsPerLine - first, EndMark::kNone};
  for (int j = first; j < kSlotsPerLine; ++j) {
    if (is_blank(line, j) || line.values[static_cast<std::size_t>(j)] < kFillIndex) continue;
    for (int k = j + 1; k < kSlotsPerLine; ++k) {
      if (is_index(k)) {
        v.refusal = at(line, why::ValuesAfterEndMark{decade + j});
        return v;
      }
    }
    run.slots = j - first;
    run.end = EndMark::kFill;
    break;
  }
  count_blanks(line, decade, run, false);
  v.run = run;
  return v;
}

// The field named when a data line does not convert: the year field when
// the year does not read, else the first value or depth field that does not.
// `due` is the decade the line stands for, when it is known.
LineNote unreadable_field(const DecadalLayout& layout, const DecadalLine& line, std::optional<long long> due,
                          bool stands_for_due = false) {
  why::UnreadableField f;
  const std::string& text = line.text_of_fields();
  if (!line.year_reads) {
    const std::size_t first = line.head.id_columns;
    f.field = std::string(columns_of(text, first, layout.fields_column - first));
    if (line.year_state == FieldState::kSplit) f.trouble = why::UnreadableField::Trouble::kSplit;
    f.year = due;
    return at(line, std::move(f));
  }
  // Ring-width values begin in column 13 at the line's own year; chronology
  // slots stand at their calendar places in the decade.
  long long base = layout.widths ? line.year : line.year - decade_slot(line.year) + 1;
  if (stands_for_due && due) base = *due;
  for (int j = 0; j < kSlotsPerLine; ++j) {
    const auto k = static_cast<std::size_t>(j);
    std::size_t column = layout.value_column(j);
    std::size_t width = layout.value_width;
    if (line.state[k] != FieldState::kUnreadable) {
      if (layout.widths || line.depth_state[k] != FieldState::kUnreadable) continue;
      column = layout.depth_column(j);
      width = layout.depth_width;
    }
    f.year = base + j;
    f.field = std::string(columns_of(text, column, width));
    return at(line, std::move(f));
  }
  return at(line, std::move(f));
}

// The first line after the one judged that holds anything: empty lines
// (and the empty records of CR CR LF line ends) stand between the lines of a
// series.
const DecadalLine* next_line_holding_something(const LinesAhead& ahead) {
  for (std::size_t k = 1;; ++k) {
    const DecadalLine* after = ahead(k);
    if (!after || !holds_nothing(*after)) return after;
  }
}

// A line that does not convert is a data line whose field does not read
// when it carries the series' identifier and next decade, or, before the
// series' first line, when the next line holding anything carries its
// identifier and next decade. A line whose year alone does not read (or is
// blank while values stand beside it) is one when it carries the identifier
// (of the series, or of the line after it). Below the title lines at the top of the
// file, so is a ring-width line whose last value is an end mark: a series of
// one line. Title lines carry none of these.
struct Unreadable {
  LineNote note;
  bool of_series = false;  // a line of the series being read
};
std::optional<Unreadable> unreadable_data_line(const DecadalLayout& layout, const DecadalLine& line,
                                               const SeriesSoFar& series, const LinesAhead& ahead) {
  const auto unreadable = [](FieldState s) { return s == FieldState::kUnreadable; };
  const bool values_read = std::none_of(line.state.begin(), line.state.end(), unreadable) &&
                           std::none_of(line.depth_state.begin(), line.depth_state.end(), unreadable);
  if (line.year_reads || values_read) {
    if (series.started) {
      if (compare_ids(series.head, line.head) != IdMatch::kOther &&
          (!line.year_reads || line.year == series.due_year)) {
        return Unreadable{unreadable_field(layout, line, series.due_year), true};
      }
    } else if (const DecadalLine* after = next_line_holding_something(ahead)) {
      if (after->year_reads && compare_ids(line.head, after->head) != IdMatch::kOther &&
          (!line.year_reads || after->year == next_decade(line.year))) {
        // The first line holds (part of) the decade before the next line's.
        return Unreadable{unreadable_field(layout, line, static_cast<long long>(after->year) - 10)};
      }
    }
  }
  // Inside a series, a line followed by the series' next line but one (its
  // identifier, the decade after the one due) stands for the decade due,
  // however its identifier and year have been shifted.
  if (series.started) {
    const DecadalLine* after = next_line_holding_something(ahead);
    if (after && after->converted && after->year == series.due_year + 10 &&
        compare_ids(series.head, after->head) != IdMatch::kOther) {
      return Unreadable{unreadable_field(layout, line, series.due_year, true), true};
    }
  }
  // Below the data lines a year followed by fields run together by a TAB is
  // a data line, whatever its last field reads as.
  if (line.year_reads && line.tab_in_fields && series.data_line_in_file) {
    return Unreadable{at(line, why::TabInFields{})};
  }
  if (layout.widths && (line.year_reads || series.data_line_in_file)) {
    for (int j = kSlotsPerLine - 1; j >= 0; --j) {
      if (is_blank(line, j)) continue;
      if (!end_mark_at(line, j)) break;
      const bool of_series = series.started && compare_ids(series.head, line.head) != IdMatch::kOther;
      std::optional<long long> due;
      if (of_series) due = series.due_year;
      return Unreadable{unreadable_field(layout, line, due), of_series};
    }
  }
  return std::nullopt;
}

// What the checks ask about the line, each worked out when first asked.
class Judging {
 public:
  Judging(const DecadalLayout& layout, const DecadalLine& line, const SeriesSoFar& series, const LinesAhead& ahead)
      : layout(layout), raw(line), series(series), ahead_(ahead) {}

  const DecadalLayout& layout;
  const DecadalLine& raw;
  const SeriesSoFar& series;

  bool started() const { return series.started; }
  IdMatch match() const {
    if (!match_) match_ = started() ? compare_ids(series.head, raw.head) : IdMatch::kSame;
    return *match_;
  }
  bool other_decade() const { return started() && raw.year != series.due_year; }
  const std::optional<Unreadable>& unreadable() const {
    if (!unreadable_) unreadable_ = unreadable_data_line(layout, raw, series, ahead_);
    return *unreadable_;
  }
  const LineByNumbers& by_numbers() const {
    if (!by_numbers_) by_numbers_ = read_by_numbers(layout, raw, !started());
    return *by_numbers_;
  }
  // The line is read by its numbers.
  bool by_its_numbers() const { return raw.out_of_columns && by_numbers().line; }
  // The fields the values are read from.
  const DecadalLine& line() const { return by_its_numbers() ? *by_numbers().line : raw; }
  const Values& values() const {
    if (!values_) {
      values_ = layout.widths ? widths_values(layout, line(), series, ahead_) : index_values(line(), series);
    }
    return *values_;
  }
  LineNote note(LineReason reason) const { return at(raw, std::move(reason)); }
  const DecadalLine* next_line() const { return next_line_holding_something(ahead_); }
  // A line refused is one of the series: a line that reads and carries the
  // series' identifier, and one that does not read when it carries the
  // series' place.
  bool of_series() const {
    if (!started()) return false;
    if (raw.converted) return match() != IdMatch::kOther;
    return unreadable() && unreadable()->of_series;
  }

 private:
  const LinesAhead& ahead_;
  mutable std::optional<IdMatch> match_;
  mutable std::optional<std::optional<Unreadable>> unreadable_;
  mutable std::optional<LineByNumbers> by_numbers_;
  mutable std::optional<Values> values_;
};

using J = const Judging&;

// The checks. Every condition below the title lines applies to a line whose
// fields read.
bool block_before_series(J j) { return j.raw.columns[kBlockMarkColumn] == kBlockMark && !j.started(); }
bool block_inside_series(J j) { return j.raw.columns[kBlockMarkColumn] == kBlockMark; }
// Below the data lines a line that reads as one without the TAB before its
// identifier is one. Above them a title may be indented so: the line is a
// data line when the next line continues it, or its own end mark closes it.
bool tab_before_identifier(J j) {
  const DecadalLine* line = j.raw.without_tab.get();
  if (!line) return false;
  if (j.series.data_line_in_file) return true;
  for (int k = 0; k < kSlotsPerLine; ++k) {
    const int v = line->values[static_cast<std::size_t>(k)];
    if (!is_blank(*line, k) && (j.layout.widths ? is_end_mark(v) : v >= kFillIndex)) return true;
  }
  const DecadalLine* after = j.next_line();
  return after && after->converted && compare_ids(line->head, after->head) != IdMatch::kOther &&
         after->year == next_decade(line->year);
}
bool nothing_to_read(J j) { return holds_nothing(j.raw); }
bool data_line_unreadable(J j) { return !j.raw.converted && j.unreadable(); }
bool no_year_unreadable(J j) { return !j.raw.converted && j.raw.year_blank; }
bool title_beyond_cap(J j) { return !j.raw.converted && j.series.title_lines >= kMaxTitleLinesPerCall; }
bool does_not_read(J j) { return !j.raw.converted; }
bool other_identifier(J j) { return j.match() == IdMatch::kOther; }
bool decade_after_titles(J j) { return j.other_decade() && j.series.title_since_data; }
bool repeats_line_before(J j) {
  return j.other_decade() && j.series.previous && repeats(j.layout, *j.series.previous, j.raw);
}
bool tab_among_fields(J j) { return j.raw.tab_in_fields; }
// A line out of its columns whose year touches its first value may have
// its year shifted too, unless it is the year due.
bool year_runs_into_values(J j) {
  const std::size_t c = j.layout.fields_column;
  return j.raw.out_of_columns && is_digit(j.raw.columns[c - 1]) && is_digit(j.raw.columns[c]) &&
         !(j.started() && j.raw.year == j.series.due_year);
}
bool numbers_do_not_fit(J j) { return j.raw.out_of_columns && !j.by_numbers().line; }
// The blank fields that closed the line before are inside the series now.
bool blank_index_before(J j) { return !j.layout.widths && j.started() && j.series.blank_tail > 0; }
bool values_refuse(J j) { return j.values().refusal.has_value(); }
bool blank_index_inside(J j) { return !j.layout.widths && j.values().run.inner_blanks > 0; }
bool first_other_decade(J j) { return j.other_decade() && !j.series.has_noted<why::OtherDecade>(); }
bool first_other_case(J j) { return j.match() == IdMatch::kOtherCase && !j.series.has_noted<why::OtherCase>(); }
bool first_tab_after_id(J j) { return !j.raw.fields.empty() && !j.series.has_noted<why::TabAfterIdentifier>(); }
bool first_number_past(J j) { return j.raw.past_fields && !j.series.has_noted<why::NumberPastFields>(); }
bool out_of_columns(J j) { return j.by_its_numbers(); }

LineNote ends_at_block(J j) { return j.note(why::EndsWithoutMark{why::Ending::kColumnBlock}); }
LineNote ends_at_titles(J j) { return j.note(why::EndsWithoutMark{why::Ending::kTitleLines}); }
LineNote ends_at_identifier(J j) { return j.note(why::EndsWithoutMark{why::Ending::kOtherIdentifier}); }
LineNote ends_at_header(J j) { return j.note(why::EndsWithoutMark{why::Ending::kNextHeader}); }
LineNote unreadable(J j) { return j.unreadable()->note; }
LineNote repeated(J j) { return j.note(why::RepeatsLine{j.raw.year}); }
LineNote tab(J j) { return j.note(why::TabInFields{}); }
LineNote tab_before_id(J j) { return j.note(why::TabBeforeIdentifier{trim_right(j.raw.without_tab->head.id)}); }
std::string misfit_text(J j) {
  return std::string(columns_of(j.raw.text_of_fields(), j.raw.misfit_column, j.raw.misfit_width));
}
LineNote year_runs_on(J j) {
  const std::size_t first = j.raw.head.id_columns;
  why::UnreadableField f;
  f.field = std::string(columns_of(j.raw.text_of_fields(), first, j.layout.fields_column - first));
  f.trouble = why::UnreadableField::Trouble::kRunsOn;
  if (j.started()) f.year = j.series.due_year;
  return j.note(f);
}
LineNote numbers_misfit(J j) {
  const long long year = j.started() ? j.series.due_year : j.raw.year;
  return j.note(why::NumbersNotTheDecade{misfit_text(j), year, j.by_numbers().numbers, j.by_numbers().due,
                                         j.layout.widths});
}
LineNote blank_before(J j) {
  return {j.series.last_record, why::BlankIndex{j.series.blank_tail_year}};
}
LineNote values_refusal(J j) { return *j.values().refusal; }
LineNote blank_inside(J j) { return j.note(why::BlankIndex{j.values().run.inner_blank_year}); }
LineNote other_decade(J j) { return j.note(why::OtherDecade{j.raw.year, j.series.due_year}); }
LineNote other_case(J j) { return j.note(why::OtherCase{trim_blanks(j.raw.head.id)}); }
LineNote tab_after_id(J j) { return j.note(why::TabAfterIdentifier{}); }
LineNote number_past(J j) { return j.note(why::NumberPastFields{*j.raw.past_fields}); }
LineNote not_in_columns(J j) {
  const ValueRun& run = j.values().run;
  const long long decade = j.raw.year - (j.layout.widths ? 0 : decade_slot(j.raw.year) - 1);
  const long long first = (j.started() ? j.series.due_year : decade) + run.first_slot;
  return j.note(why::NotInColumns{misfit_text(j), first, first + run.slots - 1});
}

// A check: when its condition holds, the line takes the role for the
// reason. A role of kContinues is a warning: the line is read, and the
// checks go on.
struct Check {
  bool (*holds)(J);
  LineRole role;
  LineNote (*reason)(J);
};

constexpr Check kChecks[] = {
    // when the line ...    it is ...               because
    {block_before_series,   LineRole::kColumnBlock, nullptr},
    {block_inside_series,   LineRole::kEndsSeries,  ends_at_block},
    {tab_before_identifier, LineRole::kRefuses,     tab_before_id},
    {nothing_to_read,       LineRole::kPassedOver,  nullptr},
    {data_line_unreadable,  LineRole::kRefuses,     unreadable},
    {no_year_unreadable,    LineRole::kPassedOver,  nullptr},
    {title_beyond_cap,      LineRole::kEndsCall,    ends_at_titles},
    {does_not_read,         LineRole::kTitle,       nullptr},
    {other_identifier,      LineRole::kEndsSeries,  ends_at_identifier},
    {decade_after_titles,   LineRole::kEndsSeries,  ends_at_header},
    {repeats_line_before,   LineRole::kRepeated,    repeated},
    {tab_among_fields,      LineRole::kRefuses,     tab},
    {year_runs_into_values, LineRole::kRefuses,     year_runs_on},
    {numbers_do_not_fit,    LineRole::kRefuses,     numbers_misfit},
    {blank_index_before,    LineRole::kRefuses,     blank_before},
    {values_refuse,         LineRole::kRefuses,     values_refusal},
    {blank_index_inside,    LineRole::kRefuses,     blank_inside},
    {first_other_decade,    LineRole::kContinues,   other_decade},
    {first_other_case,      LineRole::kContinues,   other_case},
    {first_tab_after_id,    LineRole::kContinues,   tab_after_id},
    {first_number_past,     LineRole::kContinues,   number_past},
    {out_of_columns,        LineRole::kContinues,   not_in_columns},
};

}  // namespace

LineVerdict judge_line(const DecadalLayout& layout, const DecadalLine& line, const SeriesSoFar& series,
                       const LinesAhead& ahead) {
  const Judging j(layout, line, series, ahead);
  LineVerdict verdict;
  for (const Check& check : kChecks) {
    if (!check.holds(j)) continue;
    if (check.role == LineRole::kContinues) {
      verdict.notes.push_back(check.reason(j));
      continue;
    }
    verdict.role = check.role;
    if (check.reason) verdict.reason = check.reason(j);
    verdict.of_series = j.of_series();
    return verdict;
  }
  // A data line: the warnings its values bring follow those of the line.
  const Values& values = j.values();
  verdict.notes.insert(verdict.notes.end(), values.notes.begin(), values.notes.end());
  verdict.role = series.started ? LineRole::kContinues : LineRole::kStartsSeries;
  verdict.run = values.run;
  return verdict;
}

void advance(SeriesSoFar& series, FileSoFar& file, const DecadalLine& line, const LineVerdict& verdict) {
  const auto keep = [&](const LineNote& n) {
    if (std::holds_alternative<why::NotInColumns>(n.reason)) {
      if (file.out_of_columns) {
        ++file.out_of_columns_later;
      } else {
        file.out_of_columns = n;
        file.out_of_columns_id = series.started ? series.head.id : line.head.id;
      }
      return;
    }
    series.notes.push_back(n);
    series.noted |= std::uint64_t{1} << n.reason.index();
  };
  // Blank fields read as rings of 0: one warning a series, at the first.
  const auto blanks = [&](std::size_t record, long long year, int count) {
    if (count == 0) return;
    for (LineNote& n : series.notes) {
      if (auto* b = std::get_if<why::BlankFields>(&n.reason)) {
        b->count += count;
        return;
      }
    }
    keep({record, why::BlankFields{year, count}});
  };
  switch (verdict.role) {
    case LineRole::kPassedOver:
    case LineRole::kColumnBlock:
    case LineRole::kEndsSeries:
    case LineRole::kRefuses: return;
    case LineRole::kTitle:
    case LineRole::kEndsCall:
      ++series.title_lines;
      series.title_since_data = series.started;
      return;
    case LineRole::kRepeated: keep(verdict.reason); return;
    case LineRole::kStartsSeries:
    case LineRole::kContinues: break;
  }
  // The series goes on past the blank fields that closed the line before.
  blanks(series.last_record, series.blank_tail_year, series.blank_tail);
  for (const LineNote& n : verdict.notes) keep(n);
  const ValueRun& run = verdict.run;
  blanks(line.record, run.inner_blank_year, run.inner_blanks);
  series.blank_tail = run.tail_blanks;
  series.blank_tail_year = run.tail_blank_year;
  if (!series.started) {
    series.started = true;
    series.head = line.head;
    series.first_year = line.year;
    series.due_year = next_decade(line.year);
  } else {
    series.due_year += 10;
  }
  series.title_since_data = false;
  series.data_line_in_file = file.data_line_met = true;
  series.values += run.slots;
  series.last_record = line.record;
}

long long values_kept_without_end_mark(const SeriesSoFar& series) {
  return std::max(series.values - series.blank_tail, 0LL);
}

std::optional<why::EndsWithoutMark> unit_without_end_mark(const EndMarksOfFile& marks) {
  if (marks.hundredths && marks.thousandths) return std::nullopt;
  why::EndsWithoutMark end;
  end.taken = marks.hundredths || marks.thousandths ? why::UnitTaken::kEveryEndMarkSays
                                                    : why::UnitTaken::kNoEndMarkInFile;
  end.unit = marks.thousandths ? WidthUnit::kThousandths : WidthUnit::kHundredths;
  return end;
}

std::optional<LineNote> block_refusal(const BlockReading& block) {
  if (block.without_header) return LineNote{block.mark_record, why::BlockWithoutHeader{block.data_line}};
  // A block whose values do not all read would hold zeros in their place.
  switch (block.error) {
    case ReadStatus::kConversionError: return LineNote{block.error_record, why::BlockValueUnreadable{block.format}};
    case ReadStatus::kEndOfFile: return LineNote{block.error_record, why::BlockCutShort{block.count}};
    case ReadStatus::kOk: break;
  }
  if (block.values_past_count) return LineNote{*block.values_past_count, why::BlockOverfull{block.count}};
  return std::nullopt;
}

}  // namespace qb
