#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/character_columns.hpp"
#include "platform/console.hpp"
#include "platform/free_form.hpp"
#include "series/data_set_builder.hpp"
#include "series/data_set_loader.hpp"
#include "series/table_cells.hpp"

namespace qb {
namespace {

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

// The whole answer is the sentinel: a cell is compared with it whole.
std::string ask_sentinel() {
  console().write("(/1x,'Enter the sentinal value or character used to ')");
  console().write("(1x,'pad the records [can not be spaces, if ******* enter *] : ',$)");
  return trim_blanks(console().read_line());
}

// A cell holds no value when the whole cell is the sentinel: a value that
// merely begins like it is a value. A run of asterisks (a field too narrow
// for its number in the writing program) matches the sentinel "*".
class Sentinel {
 public:
  explicit Sentinel(std::string text) : text_(std::move(text)), asterisk_(text_.size() == 1 && text_[0] == '*') {}

  bool matches(std::string_view cell) const {
    if (cell == text_) return true;
    return asterisk_ && !cell.empty() && cell.find_first_not_of('*') == std::string_view::npos;
  }

 private:
  std::string text_;
  bool asterisk_;
};

std::string number(long long n) { return std::to_string(n); }

// The lines of the table that hold a cell with text, each split at the
// separator of the file, which its first such line (the names) decides.
// Lines of separators and blanks hold no value and are passed over, so are
// an end-of-file mark and what follows it.
class TableLines {
 public:
  explicit TableLines(TextInput& input) : input_(input) {}

  bool next() {
    while (const auto line = input_.next_record()) {
      record_ = input_.position() - 1;
      text_ = std::string(before_end_of_file_mark(*line, input_));
      const CellSeparator separator = separator_ ? *separator_ : separator_of(text_);
      // A separator that ends the names line ends every line of the file.
      const bool final_separator = separator_ ? final_separator_ : ends_with_separator(text_, separator);
      cells_ = cells_of(text_, separator, final_separator);
      if (all_empty(cells_)) continue;
      separator_ = separator;
      final_separator_ = final_separator;
      return true;
    }
    return false;
  }

  const std::vector<std::string>& cells() const { return cells_; }
  const std::string& text() const { return text_; }
  std::size_t record() const { return record_; }
  CellSeparator separator() const { return separator_.value_or(CellSeparator::kBlanks); }

 private:
  TextInput& input_;
  std::optional<CellSeparator> separator_;
  bool final_separator_ = false;
  std::vector<std::string> cells_;
  std::string text_;
  std::size_t record_ = 0;
};

// One series column while the records are read.
struct Column {
  std::string id;
  std::optional<int> first_year;
  std::vector<float> values;
  // A sentinel after the first value: a gap, unless no value follows.
  std::optional<std::size_t> gap_record;
  int gap_year = 0;
  // The first cell that does not convert.
  std::optional<std::size_t> error_record;
  std::string error_cell;
};

// The warning for records holding fewer cells than the file has columns.
struct ShortRecords {
  std::size_t first_record = 0;
  std::size_t cells = 0;
  int count = 0;
};

// Why a line holds more cells than the file has columns.
const char* surplus_reason(const std::vector<std::string>& cells, std::size_t columns, CellSeparator separator) {
  bool surplus_empty = true;
  for (std::size_t c = columns; c < cells.size(); ++c) surplus_empty = surplus_empty && cells[c].empty();
  if (surplus_empty) return "a record holds no more cells than the names line, empty ones included";
  switch (separator) {
    case CellSeparator::kBlanks:
    case CellSeparator::kComma: return "a decimal comma, or a column count that does not match the file";
    case CellSeparator::kTab:
    case CellSeparator::kSemicolon: return "a column count that does not match the file";
  }
  return "";
}

// The year of a names line that is a record (the names line missing, or
// counted among the header lines), which would lose its year and name every
// series after a value: it is one when the next line holds the next year, or
// when it holds a cell for every column and each reads as a record's would.
std::optional<int> record_year(const std::vector<std::string>& names, const std::vector<std::string>* next,
                               int columns, const Sentinel& sentinel) {
  int year = 0;
  if (!parse_free_integer(names[0], year)) return std::nullopt;
  int next_year = 0;
  if (next && parse_free_integer((*next)[0], next_year) &&
      static_cast<long long>(next_year) == static_cast<long long>(year) + 1) {
    return year;
  }
  if (names.size() != static_cast<std::size_t>(columns)) return std::nullopt;
  float value = 0.0f;
  for (std::size_t c = 1; c < names.size(); ++c) {
    if (!names[c].empty() && !sentinel.matches(names[c]) && !parse_free_real(names[c], value)) return std::nullopt;
  }
  return year;
}

}  // namespace

LoadStatus rdmcol(TextInput& input, DataSet& data, LoadWarnings* warnings) {
  const int columns = ask_column_count();
  const Sentinel sentinel(ask_sentinel());
  const int series_columns = columns - 1;
  DataSetBuilder builder(warnings);
  if (series_columns > kMaxSeriesInSet) {
    builder.refuse(format_record("(/1x,'Data set refused: it holds more than ',i4,' series,'/1x,'the most this program can hold.')",
                                 kMaxSeriesInSet));
    return LoadStatus::kRefused;
  }
  const auto line_of = [&input](std::size_t record) {
    return number(static_cast<long long>(input.line_number(record)));
  };
  const auto columns_text = number(columns);

  // Every record is one line of cells: the name record (the year column's
  // name is not kept), then the data records of one cell per column.
  TableLines lines(input);
  // A file without lines holds no series, not columns without values.
  if (!lines.next()) {
    builder.fill(data);
    return LoadStatus::kLoaded;
  }
  const std::vector<std::string> names = lines.cells();
  const std::size_t names_record = lines.record();
  bool more = lines.next();
  if (const auto year = record_year(names, more ? &lines.cells() : nullptr, columns, sentinel)) {
    builder.refuse(format_record("(/1x,'Data set refused: line ',a,' of the data file, read as the names of the columns,'/1x,'reads as the record of the year ',a,': the names line is missing,'/1x,'or was counted among the header lines to skip.')",
                                 line_of(names_record), number(*year)));
    return LoadStatus::kRefused;
  }
  std::vector<Column> table(static_cast<std::size_t>(series_columns));
  // A table written with row names has no name over its year column; its
  // records then hold one cell more than its names line. Where they hold no
  // more, the count of columns is one too many, and every series would take
  // its neighbour's name.
  std::size_t first_name = 1;
  const bool row_names = names.size() + 1 == static_cast<std::size_t>(columns) && columns > 1 &&
                         (!more || lines.cells().size() == static_cast<std::size_t>(columns));
  if (row_names) {
    first_name = 0;
    builder.warn(format_record("(/1x,'WARNING: Line ',a,' of the data file, the names of the columns, holds one name'/1x,'         fewer than the ',a,' columns: they are read as the names of the series.')",
                               line_of(names_record), columns_text));
  } else if (names.size() != static_cast<std::size_t>(columns)) {
    builder.refuse(format_record("(/1x,'Data set refused: line ',a,' of the data file, the names of the columns,'/1x,'holds ',a,' names where the file has ',a,' columns.')",
                                 line_of(names_record), number(static_cast<long long>(names.size())), columns_text));
    return LoadStatus::kRefused;
  }
  for (std::size_t c = 0; c < table.size(); ++c) table[c].id = fixed_columns(names[c + first_name], kIdLength);

  // Records are converted as they are read, so memory follows the values and
  // not the cells; the first failure of each column is kept so that the
  // error reported is the one met column by column. A ring is never moved to
  // another year or series: the year cells must count up by one, a record
  // cannot hold more cells than the file has columns, and a sentinel between
  // two values of a series (a gap) refuses the set.
  int records = 0;
  std::optional<int> previous_year;
  ShortRecords short_records;
  for (; more; more = lines.next()) {
    const std::vector<std::string>& cells = lines.cells();
    const std::size_t record = lines.record();
    if (++records > kMaxYears) {
      builder.refuse(format_record("(/1x,'Data set refused: the file holds more than ',i4,' data records (line ',a,' holds one more),'/1x,'the most this program can hold.')",
                                   kMaxYears, line_of(record)));
      return LoadStatus::kRefused;
    }
    int year = 0;
    if (!parse_free_integer(cells[0], year)) {
      builder.refuse(format_record("(/1x,'Error reading time steps'/1x,'Line ',a,' of the data file: the year \"',a,'\" does not read as a whole number.')",
                                   line_of(record), cells[0]));
      builder.fill(data);
      return LoadStatus::kNotLoaded;
    }
    if (year < kEarliestYear || year > kLatestYear) {
      builder.refuse(format_record("(/1x,'Data set refused: line ',a,' of the data file holds the year ',a,';'/1x,'this program holds the years ',a,' to ',a,'.')",
                                   line_of(record), number(year), number(kEarliestYear), number(kLatestYear)));
      return LoadStatus::kRefused;
    }
    if (previous_year && year != *previous_year + 1) {
      builder.refuse(format_record("(/1x,'Data set refused: line ',a,' of the data file holds the year ',a,' where the year ',a,' is due;'/1x,'a record missing, written twice or out of order would move every later ring.')",
                                   line_of(record), number(year), number(*previous_year + 1)));
      return LoadStatus::kRefused;
    }
    previous_year = year;
    if (cells.size() > static_cast<std::size_t>(columns)) {
      builder.refuse(format_record("(/1x,'Data set refused: line ',a,' of the data file holds ',a,' cells where the file has ',a,' columns'/1x,'(',a,').')",
                                   line_of(record), number(static_cast<long long>(cells.size())), columns_text,
                                   surplus_reason(cells, static_cast<std::size_t>(columns), lines.separator())));
      return LoadStatus::kRefused;
    }
    if (cells.size() < static_cast<std::size_t>(columns)) {
      // Between blanks a run of TABs is one separator: the empty cells of a
      // line written with TABs could stand anywhere in it.
      if (lines.separator() == CellSeparator::kBlanks && lines.text().find('\t') != std::string::npos) {
        builder.refuse(format_record("(/1x,'Data set refused: line ',a,' of the data file holds ',a,' of the ',a,' cells of a record, separated by TABs,'/1x,'where the names line separates its names by blanks: an empty cell between two TABs'/1x,'cannot be placed.')",
                                     line_of(record), number(static_cast<long long>(cells.size())), columns_text));
        return LoadStatus::kRefused;
      }
      if (short_records.count++ == 0) {
        short_records.first_record = record;
        short_records.cells = cells.size();
      }
    }
    for (std::size_t c = 0; c < table.size(); ++c) {
      Column& column = table[c];
      if (column.error_record) continue;
      const std::string_view cell = c + 1 < cells.size() ? std::string_view(cells[c + 1]) : std::string_view();
      if (cell.empty() || sentinel.matches(cell)) {
        if (column.first_year && !column.gap_record) {
          column.gap_record = record;
          column.gap_year = year;
        }
        continue;
      }
      float value = 0.0f;
      if (!parse_free_real(cell, value)) {
        column.error_record = record;
        column.error_cell = std::string(cell);
        continue;
      }
      if (column.gap_record) {
        builder.refuse(format_record("(/1x,'Data set refused: series ',a,' has no value for the year ',a,' (line ',a,' of the data file)'/1x,'but one again for the year ',a,' (line ',a,'); this program fills no gaps.')",
                                     trim_right(column.id), number(column.gap_year), line_of(*column.gap_record),
                                     number(year), line_of(record)));
        return LoadStatus::kRefused;
      }
      if (!column.first_year) column.first_year = year;
      column.values.push_back(value);
    }
  }
  if (short_records.count > 0) {
    const std::string more_lines = later_lines(short_records.count - 1);
    builder.warn(format_record("(/1x,'WARNING: Line ',a,' of the data file holds ',a,' of the ',a,' cells of a record',a,';'/1x,'         the cells missing at the end of a line read as the sentinel.')",
                               line_of(short_records.first_record), number(static_cast<long long>(short_records.cells)),
                               columns_text, more_lines));
  }

  for (Column& column : table) {
    if (column.error_record) {
      builder.refuse(format_record("(/1x,'Error reading y values check sentinel if ******* enter *'/1x,'Line ',a,' of the data file, series ',a,': \"',a,'\" does not read as a number.')",
                                   line_of(*column.error_record), trim_right(column.id), column.error_cell));
      builder.fill(data);
      return LoadStatus::kNotLoaded;
    }
    // A column that holds only the sentinel is no series: the builder leaves
    // it out with a warning naming the line of its name.
    if (!builder.add(column.id, column.first_year.value_or(0), std::move(column.values),
                     input.line_number(names_record))) {
      return LoadStatus::kRefused;
    }
  }
  builder.fill(data);
  if (!within_year_bound(data, warnings)) return LoadStatus::kRefused;
  return LoadStatus::kLoaded;
}

}  // namespace qb
