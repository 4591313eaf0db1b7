#include "series/decadal_line.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/character_columns.hpp"
#include "series/data_set.hpp"

namespace qb {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '-' || c == '+'; }

bool all_blank(std::string_view field) { return field.find_first_not_of(' ') == std::string_view::npos; }

// Most digits a field may hold and still fit an int.
constexpr int kMaxDigits = 9;

// A word of a line read by its numbers, and the column it begins in.
struct Word {
  std::size_t column = 0;
  std::string_view text;
};

// The words of columns [from, end of line): runs of characters between
// blanks, a sign after a digit beginning a new word (an end mark run
// against the value before it, "451-9999"). Words that begin at `stop` or
// later are not taken.
std::vector<Word> words_of(std::string_view columns, std::size_t from, std::size_t stop) {
  std::vector<Word> words;
  std::size_t i = from;
  while (i < columns.size()) {
    if (columns[i] == ' ') {
      ++i;
      continue;
    }
    if (i >= stop) break;
    const std::size_t begin = i++;
    while (i < columns.size() && columns[i] != ' ' && !(is_sign(columns[i]) && is_digit(columns[i - 1]))) ++i;
    words.push_back({begin, columns.substr(begin, i - begin)});
  }
  return words;
}

std::optional<int> number_of(std::string_view word) {
  const Field f = read_field(word);
  if (f.state != FieldState::kNumber) return std::nullopt;
  return f.value;
}


// The first number written past the ten fields of a line that is not an end
// mark or the fill (a note or a label there is nothing to read).
std::optional<UnreadNumber> number_past_fields(const DecadalLayout& layout, const std::string& columns,
                                                   bool out_of_columns) {
  std::string_view text;
  std::size_t column = layout.fields_end();
  if (out_of_columns) {
    // The first word past the values, wherever it begins.
    const auto past = words_of(columns, layout.fields_column, columns.size());
    auto it = std::find_if(past.begin(), past.end(), [&](const Word& w) { return w.column >= layout.fields_end(); });
    if (it == past.end()) return std::nullopt;
    text = it->text;
    column = it->column;
  } else {
    text = std::string_view(columns).substr(column, layout.value_width);
    // A note there may begin with a number ("0  gap"): the number is named.
    if (read_field(text).state == FieldState::kUnreadable) {
      const auto past = words_of(columns, column, column + layout.value_width);
      if (past.empty()) return std::nullopt;
      text = past.front().text;
      column = past.front().column;
      out_of_columns = true;  // named as a word
    }
  }
  const Field f = read_field(text);
  if (f.state != FieldState::kNumber && f.state != FieldState::kSplit) return std::nullopt;
  if (layout.widths ? is_end_mark(f.value) : f.value == kFillIndex) return std::nullopt;
  const std::size_t width = out_of_columns ? text.size() : layout.value_width;
  UnreadNumber n;
  n.text = std::string(text.substr(text.find_first_not_of(' ')));
  n.text.erase(n.text.find_last_not_of(' ') + 1);
  n.first_column = column + 1;
  n.last_column = column + width;
  return n;
}

void clear_fields(DecadalLine& line) {
  line.state.fill(FieldState::kBlank);
  line.values.fill(0);
  line.depth_state.fill(FieldState::kBlank);
  line.depths.fill(0);
  line.mark_after_fields.reset();
}

}  // namespace

Field read_field(std::string_view text) {
  // A TAB is a blank to a numeric field, as to every formatted read.
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t first = 0;
  std::size_t end = text.size();
  while (first < end && blank(text[first])) ++first;
  while (end > first && blank(text[end - 1])) --end;
  if (first == end) return {};
  // The digits with an optional sign, the blanks between them left out; and
  // whether every word between blanks is a number of its own.
  const bool negative = text[first] == '-';
  std::size_t i = is_sign(text[first]) ? first + 1 : first;
  bool split = false;
  bool words_are_numbers = true;
  bool word_has_digit = i > first ? false : true;
  int digits = 0;
  long long value = 0;
  for (; i < end; ++i) {
    const char c = text[i];
    if (blank(c)) {
      if (!blank(text[i - 1]) && !word_has_digit) words_are_numbers = false;
      split = true;
      word_has_digit = false;
      continue;
    }
    if (is_sign(c) && blank(text[i - 1])) {
      // A signed word after a blank: the field holds several numbers.
      words_are_numbers = words_are_numbers && i + 1 < end && is_digit(text[i + 1]);
      digits = kMaxDigits + 1;  // no number of its own
      continue;
    }
    if (!is_digit(c)) return {FieldState::kUnreadable, 0};
    word_has_digit = true;
    if (++digits <= kMaxDigits) value = value * 10 + (c - '0');
  }
  const bool number = digits > 0 && digits <= kMaxDigits;
  if (!split) return number ? Field{FieldState::kNumber, static_cast<int>(negative ? -value : value)}
                            : Field{FieldState::kUnreadable, 0};
  if (!number && !words_are_numbers) return {FieldState::kUnreadable, 0};
  return {FieldState::kSplit, number ? static_cast<int>(negative ? -value : value) : 0};
}

namespace {

DecadalLine take_apart(const DecadalLayout& layout, std::string text, std::size_t record) {
  DecadalLine line;
  line.record = record;
  if (layout.widths) {
    // A TAB within the identifier's columns ends the identifier, and the
    // year follows at the next tab stop, column 9.
    const std::size_t tab = text.find('\t');
    if (tab != std::string::npos && tab < bytes_of_columns(text, layout.id_columns)) {
      const std::size_t before = column_count(std::string_view(text).substr(0, tab));
      line.fields = text.substr(0, tab) + std::string(layout.id_columns - before, ' ') + text.substr(tab + 1);
    }
  }
  line.text = std::move(text);
  const std::string& fields = line.text_of_fields();
  line.columns = single_byte_columns(fields);
  line.columns.resize(kTitleLength, ' ');
  const std::string& columns = line.columns;
  const std::string_view view(columns);
  line.tab_in_fields = columns.find('\t', layout.widths ? layout.id_columns : 0) < layout.fields_end();

  const std::size_t id_columns = layout.id_columns_of_line(columns);
  line.head = {fixed_columns(columns_of(fields, 0, id_columns), kIdLength), id_columns, id_columns, {}};
  // The year columns proper, whatever the variant.
  line.year_blank = all_blank(view.substr(layout.fields_column - 4, 4));
  const Field year = read_field(view.substr(id_columns, layout.fields_column - id_columns));
  line.year_state = year.state;
  line.year_reads = !line.year_blank && year.state == FieldState::kNumber;
  line.year = line.year_reads ? year.value : 0;
  if (line.year_reads && line.year == -1000) {
    line.head.compared_columns = layout.id_columns_at_minus_1000();
    if (id_columns > line.head.compared_columns) {
      line.head.left_out = std::string(columns_of(fields, line.head.compared_columns, 1));
    }
  }

  bool fields_read = true;
  bool split = false;
  const auto note_split = [&](std::size_t column, std::size_t width) {
    if (!split) {
      line.misfit_column = column;
      line.misfit_width = width;
    }
    split = true;
  };
  for (int j = 0; j < kSlotsPerLine; ++j) {
    const auto k = static_cast<std::size_t>(j);
    const Field v = read_field(view.substr(layout.value_column(j), layout.value_width));
    line.state[k] = v.state;
    line.values[k] = v.value;
    if (v.state == FieldState::kUnreadable) fields_read = false;
    if (v.state == FieldState::kSplit) note_split(layout.value_column(j), layout.value_width);
    if (layout.depth_width > 0) {
      const Field d = read_field(view.substr(layout.depth_column(j), layout.depth_width));
      line.depth_state[k] = d.state;
      line.depths[k] = d.value;
      if (d.state == FieldState::kUnreadable) fields_read = false;
      if (d.state == FieldState::kSplit) note_split(layout.depth_column(j), layout.depth_width);
    }
  }
  line.converted = line.year_reads && fields_read;
  // A chronology's index and depth are right-aligned: one that begins its
  // field against the digits before it and does not fill it has been pushed
  // there by a shift, whatever follows.
  if (layout.depth_width > 0 && !split) {
    const auto pushed = [&](std::size_t right, std::size_t width) {
      return is_digit(columns[right - 1]) && is_digit(columns[right]) && columns[right + width - 1] == ' ';
    };
    for (int j = 0; j < kSlotsPerLine && !split; ++j) {
      const std::size_t index = layout.value_column(j);
      const std::size_t depth = layout.depth_column(j);
      if (pushed(depth, layout.depth_width)) note_split(index, layout.value_width + layout.depth_width);
      if (!split && j > 0 && pushed(index, layout.value_width)) note_split(index - layout.depth_width, layout.slot_width);
    }
  }
  // The last number of the line running on from a field it does not fill
  // into the next, which it does not fill either, may be a line shifted to
  // the right: its numbers tell. (A number that fills its field may touch
  // the one before it, and an end mark may stand against the value before.)
  if (line.converted && !split) {
    // The fields in order (a chronology's index, then its depth), then the
    // one after the ten slots.
    const bool pairs = layout.depth_width > 0;
    const auto field = [&](int f) -> std::pair<std::size_t, std::size_t> {
      if (f == (pairs ? 2 : 1) * kSlotsPerLine) return {layout.fields_end(), layout.value_width};
      if (!pairs) return {layout.value_column(f), layout.value_width};
      return f % 2 == 0 ? std::pair{layout.value_column(f / 2), layout.value_width}
                        : std::pair{layout.depth_column(f / 2), layout.depth_width};
    };
    const auto blank = [&](int f) {
      const auto k = static_cast<std::size_t>(f / (pairs ? 2 : 1));
      return (pairs && f % 2 == 1 ? line.depth_state[k] : line.state[k]) == FieldState::kBlank;
    };
    const int fields = (pairs ? 2 : 1) * kSlotsPerLine;
    int last = fields;  // one past the last field that is not blank
    while (last > 0 && blank(last - 1)) --last;
    // A number that begins against the digits before it and stops short of
    // its field's right column, while a later field holds a number, straddles
    // two fields: characters lost before it have drawn the line to the left
    // ("   987     1043   759"), and the columns would read its digits as
    // two values. (The line's last number is the run-on rule's below; a
    // number within its field that merely stops short keeps its year.)
    for (int f = 0; f + 1 < last && !split; ++f) {
      const auto [left, width] = field(f);
      if (!is_digit(columns[left]) || !is_digit(columns[left - 1]) || columns[left + width - 1] != ' ') continue;
      const auto [before, before_width] = f > 0 ? field(f - 1) : std::pair{left, std::size_t{0}};
      note_split(before, before_width + width);
    }
    const auto runs_on = [&](int a) {
      const auto [left, left_width] = field(a);
      const auto [right, right_width] = field(a + 1);
      if (columns[left] != ' ' || !is_digit(columns[right - 1]) || !is_digit(columns[right]) ||
          columns[right + right_width - 1] != ' ') {
        return false;
      }
      return !(layout.widths && is_end_mark(read_field(view.substr(right, right_width)).value));
    };
    // The last number is the digits that ran on, or it runs on past the ten slots.
    int at = -1;
    if (last > 1 && runs_on(last - 2)) at = last - 2;
    if (at < 0 && last == fields && runs_on(last - 1)) at = last - 1;
    if (!split && at >= 0) note_split(field(at).first, field(at).second + field(at + 1).second);
  }
  line.out_of_columns = line.converted && split;
  line.past_fields = number_past_fields(layout, columns, line.out_of_columns);
  return line;
}

}  // namespace

DecadalLine parse_decadal_line(const DecadalLayout& layout, std::string text, std::size_t record) {
  // A TAB before the identifier (perhaps after blanks) moves every field to
  // the right; the line is also taken apart as it reads without it.
  const std::size_t lead = text.find_first_not_of(" \t");
  std::shared_ptr<const DecadalLine> without_tab;
  if (lead != std::string::npos && text.find('\t') < lead) {
    DecadalLine rest = take_apart(layout, text.substr(text.rfind('\t', lead) + 1), record);
    if (rest.converted && rest.any_value_field()) without_tab = std::make_shared<const DecadalLine>(std::move(rest));
  }
  DecadalLine line = take_apart(layout, std::move(text), record);
  line.without_tab = std::move(without_tab);
  return line;
}

LineByNumbers read_by_numbers(const DecadalLayout& layout, const DecadalLine& line, bool first_line) {
  LineByNumbers by;
  const auto words = words_of(std::string_view(line.columns), layout.fields_column, layout.fields_end());
  by.numbers = static_cast<int>(words.size());
  std::vector<int> numbers;
  numbers.reserve(words.size());
  for (const Word& w : words) {
    const auto n = number_of(w.text);
    if (n) numbers.push_back(*n);
  }
  // Each number must fit the field it stands for.
  const auto fits = [](int v, std::size_t width) {
    const int most = width >= 9 ? 999999999 : static_cast<int>(std::pow(10, width)) - 1;
    return v <= most && v >= -(most / 10);
  };
  bool all_numbers = numbers.size() == words.size();
  for (std::size_t k = 0; k < numbers.size(); ++k) {
    const bool depth = layout.depth_width > 0 && k % 2 == 1;
    all_numbers = all_numbers && fits(numbers[k], depth ? layout.depth_width : layout.value_width);
  }
  const int m = static_cast<int>(numbers.size());
  DecadalLine out = line;
  clear_fields(out);
  if (layout.widths) {
    by.due = first_line ? values_of_first_line(line.year) : kSlotsPerLine;
    const bool closed = m > 0 && is_end_mark(numbers.back());
    if (!all_numbers || !(m == by.due || (closed && m <= by.due + 1))) return by;
    for (int j = 0; j < std::min(m, kSlotsPerLine); ++j) {
      out.state[static_cast<std::size_t>(j)] = FieldState::kNumber;
      out.values[static_cast<std::size_t>(j)] = numbers[static_cast<std::size_t>(j)];
    }
    if (m > kSlotsPerLine) out.mark_after_fields = numbers.back();
    by.line = std::move(out);
    return by;
  }
  const int start = first_line ? decade_slot(line.year) - 1 : 0;
  by.due = kSlotsPerLine - start;
  const int pairs = m / 2;
  if (!all_numbers || m % 2 != 0 || pairs == 0) return by;
  // The fill closes them: an index of 9990 or more, with no depth.
  const bool closed = numbers[static_cast<std::size_t>(m - 2)] >= kFillIndex &&
                      numbers[static_cast<std::size_t>(m - 1)] == kFillDepth;
  int from = start;
  if (pairs == kSlotsPerLine) {
    from = 0;  // a whole line, the slots before the first year's included
  } else if (!(pairs == by.due || (closed && pairs < by.due))) {
    return by;
  }
  for (int p = 0; p < pairs; ++p) {
    const auto k = static_cast<std::size_t>(from + p);
    out.state[k] = out.depth_state[k] = FieldState::kNumber;
    out.values[k] = numbers[static_cast<std::size_t>(2 * p)];
    out.depths[k] = numbers[static_cast<std::size_t>(2 * p + 1)];
  }
  by.line = std::move(out);
  return by;
}

}  // namespace qb
