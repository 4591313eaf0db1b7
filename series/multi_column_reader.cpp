#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/character_columns.hpp"
#include "platform/console.hpp"
#include "platform/free_form.hpp"
#include "series/data_set_builder.hpp"
#include "series/data_set_loader.hpp"

namespace qb {
namespace {

constexpr std::size_t kCellLength = 8;

// The column count, "(i4)" of the answer. The layout cannot be read without
// it, so an answer that gives no count ends the run.
int ask_column_count() {
  console().write("(/1x,'Enter the total number of columns in your file')");
  console().write("(1x,'[Program assumes Col_1 contains the X values] : ',$)");
  const std::string answer = console().read_line();
  int columns = 0;
  if (read_fields("(i4)", answer, &columns) != ReadStatus::kOk || columns < 1) {
    console().write("(/1x,'The number of columns must be a whole number of at least 1.')");
    console().abnormal_termination();
  }
  return columns;
}

std::string ask_sentinel() {
  console().write("(/1x,'Enter the sentinal value or character used to ')");
  console().write("(1x,'pad the records [can not be spaces, if ******* enter *] : ',$)");
  return fixed_width(console().read_line(), kCellLength);
}

// Cells are compared with the sentinel over eight characters; a run of
// asterisks (a field too narrow for its number in the writing program)
// matches the sentinel "*".
class Sentinel {
 public:
  explicit Sentinel(std::string text) : text_(std::move(text)), asterisk_(trim_right(text_) == "*") {}

  bool matches(std::string_view cell) const {
    const std::string_view head = cell.substr(0, std::min(cell.size(), kCellLength));
    if (text_.compare(0, head.size(), head) == 0 &&
        text_.find_first_not_of(' ', head.size()) == std::string::npos) {
      return true;
    }
    return asterisk_ && !cell.empty() && cell.find_first_not_of('*') == std::string_view::npos;
  }

 private:
  std::string text_;  // kCellLength characters
  bool asterisk_;
};

// One series column while the records are read.
struct Column {
  std::string id;
  std::optional<int> first_year;
  std::vector<float> values;
  enum class Error { kNone, kValue, kYear } error = Error::kNone;
};

}  // namespace

LoadStatus rdmcol(TextInput& input, DataSet& data, LoadWarnings* warnings) {
  const int columns = ask_column_count();
  const Sentinel sentinel(ask_sentinel());
  const int series_columns = columns - 1;
  if (series_columns > kMaxSeriesInSet) {
    console().write("(/1x,'Data set refused: it holds more than ',i4,' series,'/1x,'the most this program can hold.')",
                    kMaxSeriesInSet);
    return LoadStatus::kRefused;
  }

  // Each record is one free-form list: the name record (the year column's
  // name is not kept), then the data records of one cell per column. A list
  // may run over several lines, and words beyond it on its last line are
  // ignored.
  std::vector<std::string> cells;
  const auto read_list = [&input, &cells](std::size_t length) {
    cells.clear();
    while (cells.size() < length) {
      const auto line = input.next_record();
      if (!line) return false;
      for (auto& word : split_free_form(*line)) {
        if (cells.size() == length) break;
        cells.push_back(std::move(word));
      }
    }
    return true;
  };

  std::vector<Column> table(static_cast<std::size_t>(series_columns));
  read_list(static_cast<std::size_t>(columns));
  for (std::size_t c = 0; c < table.size(); ++c) {
    table[c].id = fixed_columns(c + 1 < cells.size() ? cells[c + 1] : std::string(), kIdLength);
  }

  // Records are converted as they are read, so memory follows the values and
  // not the cells; the first failure of each column is kept so that the
  // error reported is the one met column by column. A record cut short by
  // the end of the file is not a record, and the user is told so.
  DataSetBuilder builder(warnings);
  int records = 0;
  while (read_list(static_cast<std::size_t>(columns))) {
    if (++records > kMaxYears) {
      console().write("(/1x,'Data set refused: the file holds more than ',i4,' data records,'/1x,'the most this program can hold.')",
                      kMaxYears);
      return LoadStatus::kRefused;
    }
    for (std::size_t c = 0; c < table.size(); ++c) {
      Column& column = table[c];
      const std::string& cell = cells[c + 1];
      if (column.error != Column::Error::kNone || sentinel.matches(cell)) continue;
      float value = 0.0f;
      if (!parse_free_real(cell, value)) {
        column.error = Column::Error::kValue;
        continue;
      }
      if (!column.first_year) {
        int first_year = 0;
        if (!parse_free_integer(cells[0], first_year)) {
          column.error = Column::Error::kYear;
          continue;
        }
        column.first_year = first_year;
      }
      column.values.push_back(value);
    }
  }
  if (!cells.empty()) {
    builder.warn(format_record("(/1x,'WARNING: The data file ends inside the record that begins ',a,';'/1x,'         that record is not read.')",
                               cells.front()));
  }

  for (Column& column : table) {
    if (column.error == Column::Error::kValue) {
      console().write("(/1x,'Error reading y values check sentinel if ******* enter *')");
      builder.fill(data);
      return LoadStatus::kNotLoaded;
    }
    if (column.error == Column::Error::kYear) {
      console().write("(/1x,'Error reading time steps')");
      builder.fill(data);
      return LoadStatus::kNotLoaded;
    }
    // A column that holds only the sentinel is no series: the builder leaves
    // it out with a warning.
    if (!builder.add(column.id, column.first_year.value_or(0), std::move(column.values))) return LoadStatus::kRefused;
  }
  builder.fill(data);
  if (!within_year_bound(data, warnings)) return LoadStatus::kRefused;
  return LoadStatus::kLoaded;
}

}  // namespace qb
