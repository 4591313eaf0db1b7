#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "platform/character_columns.hpp"
#include "platform/console.hpp"
#include "platform/free_form.hpp"
#include "platform/record_format.hpp"
#include "series/data_set_builder.hpp"
#include "series/data_set_loader.hpp"
#include "series/table_cells.hpp"

namespace qb {
namespace {

// A line that holds values, as the reader met it.
struct ValueLine {
  std::vector<std::string> values;
  std::string text;
  std::size_t record = 0;
  bool after_empty_line = false;  // empty lines were passed over before it
};

// The next line that holds a free-form value; std::nullopt at the end of
// the file (an end-of-file mark ends it too).
std::optional<ValueLine> next_values(TextInput& input) {
  bool empty_before = false;
  while (auto line = input.next_record()) {
    auto values = split_free_form(before_end_of_file_mark(*line, input));
    if (!values.empty()) return ValueLine{std::move(values), std::move(*line), input.position() - 1, empty_before};
    // A file whose lines end in CR CR LF holds an empty record between its
    // lines, which is no line of its own.
    empty_before = empty_before || input.is_line(input.position() - 1);
  }
  return std::nullopt;
}

std::string number_text(long long n) { return std::to_string(n); }

// Lines of one kind of departure: the file gets one warning, naming the
// first of them and counting the others.
struct DepartingLines {
  std::size_t first_record = 0;
  int count = 0;

  void note(std::size_t record) {
    if (count++ == 0) first_record = record;
  }
  // "<first> ... <more>;" then `second`.
  void warn(const TextInput& input, DataSetBuilder& builder, const std::string& first, const char* second) const {
    if (count == 0) return;
    builder.warn(format_record("(/1x,'WARNING: Line ',a,' of the data file ',a,a,';'/1x,'         ',a)",
                               number_text(static_cast<long long>(input.line_number(first_record))), first,
                               later_lines(count - 1), second));
  }
};

// How spreadsheets and statistics programs write a value that is missing.
bool is_missing_value_mark(std::string_view word) {
  static constexpr std::string_view kMarks[] = {"NA", "NAN", "N/A", "#N/A", "-", "."};
  for (std::string_view mark : kMarks) {
    if (word.size() == mark.size() &&
        std::equal(word.begin(), word.end(), mark.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) == b;
        })) {
      return true;
    }
  }
  return false;
}

LoadStatus read_error(DataSetBuilder& builder, const char* message, const std::string& id, int number,
                      const std::string& where) {
  builder.refuse(format_record("(1x,a/8x,'Series: ',a,' Number: ',i5/1x,a)", message, id, number, where));
  console().pause(" Hit return to continue ");
  return LoadStatus::kNotLoaded;
}

}  // namespace

LoadStatus rd1col(TextInput& input, DataSet& data, LoadWarnings* warnings) {
  DataSetBuilder builder(warnings);
  std::vector<float> values;
  // The identifier of the series last read, when it held values.
  std::string previous_id;
  DepartingLines crowded;
  DepartingLines empty_inside;
  const auto line_of = [&input](std::size_t record) {
    return number_text(static_cast<long long>(input.line_number(record)));
  };
  while (true) {
    const int number = builder.size() + 1;
    // An identifier must not read as a number: a number continues the block.
    const auto id_line = next_values(input);
    if (!id_line) break;
    // A mark of a missing value taken for an identifier would start a series
    // at the next value and end the one before it early.
    if (is_missing_value_mark(id_line->values.front())) {
      const std::string where = previous_id.empty() ? std::string("where an identifier is due")
                                                    : "after a value of series " + previous_id;
      builder.refuse(format_record("(/1x,'Data set refused: line ',a,' of the data file holds \"',a,'\", the mark of a missing value,'/1x,a,'. This program fills no gaps,'/1x,'and the mark is no identifier of a series.')",
                                   line_of(id_line->record), id_line->values.front(), where));
      return LoadStatus::kRefused;
    }
    const std::string id = fixed_columns(id_line->values.front(), kIdLength);
    // Two trees whose identifiers share their first eight columns would
    // become one series.
    if (id_line->values.size() > 1 || trim_right(id) != id_line->values.front()) {
      builder.warn(format_record("(/1x,'WARNING: Line ',a,' of the data file, \"',a,'\", gives the identifier ',a,';'/1x,'         an identifier is one word of at most 8 columns.')",
                                 line_of(id_line->record), trim_right(id_line->text), trim_right(id)));
    }

    // A file that ends right after an identifier ends with a series without
    // values.
    const auto id_line_number = input.line_number(id_line->record);
    const auto year_line = next_values(input);
    values.clear();
    if (!year_line) {
      builder.add(id, 0, {}, id_line_number);
      break;
    }
    int first_year = 0;
    if (!parse_free_integer(year_line->values.front(), first_year)) {
      builder.fill(data);
      return read_error(builder, "Rd1col: Error reading series IYR value", id, number,
                        "Line " + line_of(year_line->record) + " of the data file: \"" + trim_right(year_line->text) +
                            "\" does not read as a year.");
    }
    // A first value written on the year's line would be lost.
    if (year_line->values.size() > 1) crowded.note(year_line->record);

    while (const auto line = next_values(input)) {
      float value = 0.0f;
      if (!parse_free_real(line->values.front(), value)) {
        input.back();  // the next block's identifier
        break;
      }
      if (line->values.size() > 1) crowded.note(line->record);
      if (line->after_empty_line && !values.empty()) empty_inside.note(line->record - 1);
      if (static_cast<int>(values.size()) == kMaxYears) {
        builder.refuse(long_series_refusal(id, input.line_number(line->record)));
        return LoadStatus::kRefused;
      }
      values.push_back(value);
    }
    previous_id = values.empty() ? std::string() : trim_right(id);
    if (!builder.add(id, first_year, std::move(values), id_line_number)) return LoadStatus::kRefused;
  }
  crowded.warn(input, builder, "holds more than one value",
               "only the first value of a line is read (a decimal comma?).");
  empty_inside.warn(input, builder, "is empty between two values of a series",
                    "it is passed over, and no year is given to it.");
  builder.fill(data);
  if (!within_year_bound(data, warnings)) return LoadStatus::kRefused;
  return LoadStatus::kLoaded;
}

}  // namespace qb
