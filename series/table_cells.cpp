#include "series/table_cells.hpp"

#include "platform/free_form.hpp"

namespace qb {
namespace {

char separator_char(CellSeparator separator) {
  switch (separator) {
    case CellSeparator::kBlanks: return ' ';
    case CellSeparator::kTab: return '\t';
    case CellSeparator::kComma: return ',';
    case CellSeparator::kSemicolon: return ';';
  }
  return ' ';
}

// A blank around a cell; a TAB is one too, unless it separates the cells.
bool is_pad(char c, char separator) { return c == ' ' || (c == '\t' && separator != '\t'); }

bool is_quote(char c) { return c == '"' || c == '\''; }

// Nothing to read at the end of a file: blanks, separators, end-of-file marks.
bool is_nothing(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\x1A'; }

bool only_nothing(std::string_view text) {
  for (char c : text) {
    if (!is_nothing(c)) return false;
  }
  return true;
}

// The cells of a line whose cells each end at one `separator`. A quote that
// opens a cell runs to its closing quote (a doubled one stands for itself),
// so a separator inside it is text.
std::vector<std::string> split_at(std::string_view line, char separator) {
  std::vector<std::string> cells;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && is_pad(line[i], separator)) ++i;
    std::string cell;
    if (i < line.size() && is_quote(line[i])) i = read_quoted(line, i, cell);
    while (i < line.size() && line[i] != separator) cell.push_back(line[i++]);
    const std::size_t first = cell.find_first_not_of(" \t");
    cells.push_back(first == std::string::npos ? std::string()
                                               : cell.substr(first, cell.find_last_not_of(" \t") - first + 1));
    if (i >= line.size()) break;
    ++i;  // the separator: a cell follows it, an empty one at the end of the line
  }
  return cells;
}

}  // namespace

CellSeparator separator_of(std::string_view names_line) {
  bool tab = false;
  bool semicolon = false;
  bool comma = false;
  bool cell_start = true;
  for (std::size_t i = 0; i < names_line.size(); ++i) {
    const char c = names_line[i];
    if (cell_start && is_quote(c)) {
      const std::size_t close = names_line.find(c, i + 1);
      if (close == std::string_view::npos) break;
      i = close;
      cell_start = false;
      continue;
    }
    tab = tab || c == '\t';
    semicolon = semicolon || c == ';';
    comma = comma || c == ',';
    cell_start = c == ' ' || c == '\t' || c == ';' || c == ',';
  }
  if (tab) return CellSeparator::kTab;
  if (semicolon) return CellSeparator::kSemicolon;
  if (comma) return CellSeparator::kComma;
  return CellSeparator::kBlanks;
}

bool ends_with_separator(std::string_view line, CellSeparator separator) {
  if (separator == CellSeparator::kBlanks) return false;
  const char s = separator_char(separator);
  std::size_t end = line.size();
  while (end > 0 && is_pad(line[end - 1], s)) --end;
  return end > 0 && line[end - 1] == s;
}

std::vector<std::string> cells_of(std::string_view line, CellSeparator separator, bool final_separator_is_no_cell) {
  if (line.find_first_not_of(" \t") == std::string_view::npos) {
    // A TAB-separated line of TABs holds empty cells; of blanks, none.
    if (separator != CellSeparator::kTab || line.find('\t') == std::string_view::npos) return {};
  }
  if (separator == CellSeparator::kBlanks) return split_cells(line);
  const char s = separator_char(separator);
  if (final_separator_is_no_cell && ends_with_separator(line, separator)) line = line.substr(0, line.rfind(s));
  return split_at(line, s);
}

bool all_empty(const std::vector<std::string>& cells) {
  for (const std::string& cell : cells) {
    if (!cell.empty()) return false;
  }
  return true;
}

std::string_view before_end_of_file_mark(std::string_view line, TextInput& input) {
  const std::size_t mark = line.find('\x1A');
  if (mark == std::string_view::npos || !only_nothing(line.substr(mark))) return line;
  const std::size_t next = input.position();
  bool at_end = true;
  while (const auto later = input.next_record()) {
    if (!only_nothing(*later)) {
      at_end = false;
      break;
    }
  }
  input.seek(next);
  return at_end ? line.substr(0, mark) : line;
}

}  // namespace qb
