// The cells of the lines of a table file (the single- and multi-column
// layouts): what separates them, how a line splits into them, and where the
// file's text ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/text_file.hpp"

namespace qb {

// What separates the cells of a table file. Spreadsheets write a TAB, a
// comma or a semicolon between cells and nothing in an empty one, so there
// each separator ends exactly one cell; only a file written with blanks
// takes a run of them as one separator.
enum class CellSeparator {
  kBlanks,  // a run of blanks or TABs, or a comma as in a free-form list
  kTab,
  kComma,
  kSemicolon,
};

// The separator of a file, decided once from its names line: a TAB, else a
// semicolon, else a comma, standing outside quotes; else blanks.
CellSeparator separator_of(std::string_view names_line);

// Whether the line's last character, blanks after it aside, is a TAB, comma
// or semicolon separator.
bool ends_with_separator(std::string_view line, CellSeparator separator);

// The cells of one line: blanks around a cell and quotes around it are
// removed; two separators in a row hold an empty cell. With
// `final_separator_is_no_cell`, a separator that ends the line (one that ends
// every line of the file) leaves no empty cell after it. A line holding only
// blanks has no cells.
std::vector<std::string> cells_of(std::string_view line, CellSeparator separator,
                                  bool final_separator_is_no_cell = false);

// Whether every cell is empty: a line of separators and blanks.
bool all_empty(const std::vector<std::string>& cells);

// The line before a Ctrl-Z (0x1A), the end-of-file mark of old systems, that
// only blanks, separators, line ends and more such marks follow to the end of
// `input`, whose next record is the one after `line`; the whole line
// otherwise. Inside the text a Ctrl-Z is a character like any other.
std::string_view before_end_of_file_mark(std::string_view line, TextInput& input);

}  // namespace qb
