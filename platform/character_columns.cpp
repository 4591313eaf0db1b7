#include "platform/character_columns.hpp"

namespace qb {
namespace {

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the character that begins at `at`: the length of a valid UTF-8
// sequence (overlong forms, surrogates and code points beyond U+10FFFF are
// not valid), else 1.
std::size_t character_length(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  if (at + length > text.size()) return 1;
  if (byte(1) < low || byte(1) > high) return 1;
  for (std::size_t k = 2; k < length; ++k) {
    if (!continuation(byte(k))) return 1;
  }
  return length;
}

bool all_ascii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::size_t column_count(std::string_view text) {
  std::size_t columns = 0;
  for (std::size_t at = 0; at < text.size(); at += character_length(text, at)) ++columns;
  return columns;
}

std::size_t bytes_of_columns(std::string_view text, std::size_t columns) {
  std::size_t at = 0;
  for (std::size_t c = 0; c < columns && at < text.size(); ++c) at += character_length(text, at);
  return at;
}

std::string_view columns_of(std::string_view text, std::size_t first, std::size_t columns) {
  const std::size_t begin = bytes_of_columns(text, first);
  const std::string_view rest = text.substr(begin);
  return rest.substr(0, bytes_of_columns(rest, columns));
}

std::string fixed_columns(std::string_view text, std::size_t columns) {
  const std::size_t bytes = bytes_of_columns(text, columns);
  std::string out(text.substr(0, bytes));
  out.append(columns - column_count(out), ' ');
  return out;
}

void replace_columns(std::string& text, std::size_t first, std::size_t columns, std::string_view replacement) {
  const std::size_t have = column_count(text);
  if (have < first + columns) text.append(first + columns - have, ' ');
  const std::size_t begin = bytes_of_columns(text, first);
  const std::size_t length = bytes_of_columns(std::string_view(text).substr(begin), columns);
  text.replace(begin, length, fixed_columns(replacement, columns));
}

std::string single_byte_columns(std::string_view text, char stand_in) {
  if (all_ascii(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = character_length(text, at);
    out += length == 1 && static_cast<unsigned char>(text[at]) < 0x80 ? text[at] : stand_in;
    at += length;
  }
  return out;
}

}  // namespace qb
