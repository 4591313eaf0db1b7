// Fixed columns of text lines counted in characters. Identifiers and titles
// may hold letters beyond ASCII (UTF-8); a column is one character however
// many bytes it takes, and a byte that does not belong to a valid UTF-8
// sequence is a character of its own, so text in a single-byte code page
// keeps its old columns.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qb {

// Number of characters (columns) of the text.
std::size_t column_count(std::string_view text);

// Byte length of the first `columns` characters (the whole text when it is
// shorter).
std::size_t bytes_of_columns(std::string_view text, std::size_t columns);

// The bytes of `columns` characters from column `first` (counted from 0);
// empty beyond the end of the text.
std::string_view columns_of(std::string_view text, std::size_t first, std::size_t columns);

// Text cut or blank-padded to exactly `columns` characters.
std::string fixed_columns(std::string_view text, std::size_t columns);

// Text blank-padded to at least `first` + `columns` characters whose columns
// from `first` on are replaced by the first `columns` characters of
// `replacement` (blank-padded).
void replace_columns(std::string& text, std::size_t first, std::size_t columns, std::string_view replacement);

// One byte per column: ASCII as it stands and every other character as
// `stand_in`, so that fixed-column record formats (which count bytes) find
// every field of the line in its column.
std::string single_byte_columns(std::string_view text, char stand_in = '?');

}  // namespace qb
