// One line of a decadal file taken apart into the fields of its layout, and
// read again by its blank-separated numbers when its fields are not in their
// columns.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "series/decadal_layout.hpp"

namespace qb {

// One numeric field. Blanks around the number are ignored; a field whose
// digits (or sign and digits) are separated by blanks is split: the line is
// not in its columns. A sign alone is no number.
enum class FieldState { kBlank, kNumber, kSplit, kUnreadable };

struct Field {
  FieldState state = FieldState::kBlank;
  int value = 0;  // the digits with the blanks between them left out; 0 unless a number
};

Field read_field(std::string_view text);

// The identifier of a line: its bytes, blank-padded to the identifier length,
// and the columns the line's layout gives it.
struct LineHead {
  std::string id;
  std::size_t id_columns = 0;
  // The columns compared with another line's identifier: one fewer on a
  // line of the year -1000 that gives the year five columns, since writers
  // disagree on whether it takes five or six.
  std::size_t compared_columns = 0;
  // That line's character in the column left out of the comparison.
  std::string left_out;
};

// A number written after the ten fields, which the layout does not read.
struct UnreadNumber {
  std::string text;
  std::size_t first_column = 0;  // from 1, as an editor shows them
  std::size_t last_column = 0;
};

struct DecadalLine {
  std::size_t record = 0;  // index of the record in the file, from 0
  std::string text;        // the line as the file holds it
  // The line with a TAB in the identifier's columns expanded; empty when it
  // holds none.
  std::string fields;
  // A line that begins with a TAB (perhaps after blanks) taken apart as it
  // reads without it, when so it converts and holds values.
  std::shared_ptr<const DecadalLine> without_tab;
  // One byte per column, blank-padded to the title length; a TAB within the
  // identifier's columns of a ring-width line is expanded to column 9.
  std::string columns;
  LineHead head;
  bool year_blank = false;  // the year's columns proper (9-12, 7-10) are blank
  bool year_reads = false;
  FieldState year_state = FieldState::kBlank;
  int year = 0;
  // The year and every value and depth field read (split fields included).
  bool converted = false;
  // A TAB stands among the year and value columns.
  bool tab_in_fields = false;
  // Converted, but its fields are not in their columns: a field holds
  // digits split by blanks, or a number runs on from one field into the next
  // (a line shifted, numbers drawn across a field boundary). Read by its
  // numbers when they are its decade's values, else refused.
  bool out_of_columns = false;
  // The column (from 0) and width of the first field out of its columns.
  std::size_t misfit_column = 0;
  std::size_t misfit_width = 0;
  std::optional<UnreadNumber> past_fields;
  std::array<FieldState, kSlotsPerLine> state{};
  std::array<int, kSlotsPerLine> values{};  // 0 where blank or unreadable
  std::array<int, kSlotsPerLine> depths{};  // chronologies
  std::array<FieldState, kSlotsPerLine> depth_state{};
  // A line read by its numbers: an end mark after the ten values.
  std::optional<int> mark_after_fields;

  // The bytes the fields are taken from.
  const std::string& text_of_fields() const { return fields.empty() ? text : fields; }
  // A value field (index field of a chronology) holds anything.
  bool any_value_field() const {
    return std::any_of(state.begin(), state.end(), [](FieldState s) { return s != FieldState::kBlank; });
  }
};

DecadalLine parse_decadal_line(const DecadalLayout& layout, std::string text, std::size_t record);

// A line out of its columns read by its blank-separated numbers, which must
// be the values its decade holds from its year's slot (ten on a line after a
// series' first), perhaps closed early by an end mark or the fill: the line
// with its fields taken from those numbers, else nothing.
struct LineByNumbers {
  std::optional<DecadalLine> line;
  int numbers = 0;  // numbers written (for chronologies: index / depth pairs)
  int due = 0;      // values the decade holds from the line's first slot
};
LineByNumbers read_by_numbers(const DecadalLayout& layout, const DecadalLine& line, bool first_line);

}  // namespace qb
