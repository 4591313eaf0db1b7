#include "platform/free_form.hpp"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace qb {

namespace {

// Values are separated by blanks, TABs or a comma with blanks around it. A
// comma that follows the start of the record or another comma, and one that
// ends the record, leaves an empty (null) value; `keep_null` keeps those.
std::vector<std::string> split_values(std::string_view record, bool keep_null) {
  std::vector<std::string> values;
  std::size_t i = 0;
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  const auto separator = [&blank](char c) { return blank(c) || c == ','; };
  bool value_since_comma = false;
  bool comma_seen = false;
  while (true) {
    while (i < record.size() && blank(record[i])) ++i;
    if (i >= record.size()) break;
    if (record[i] == ',') {
      if (keep_null && !value_since_comma) values.emplace_back();
      value_since_comma = false;
      comma_seen = true;
      ++i;
      continue;
    }
    std::string value;
    if (record[i] == '\'' || record[i] == '"') {
      i = read_quoted(record, i, value);
    } else {
      const std::size_t start = i;
      while (i < record.size() && !separator(record[i])) ++i;
      value.assign(record.substr(start, i - start));
    }
    values.push_back(std::move(value));
    value_since_comma = true;
  }
  if (keep_null && comma_seen && !value_since_comma) values.emplace_back();
  return values;
}

}  // namespace

std::size_t read_quoted(std::string_view record, std::size_t at, std::string& value) {
  const char quote = record[at++];
  while (at < record.size()) {
    if (record[at] == quote) {
      if (at + 1 < record.size() && record[at + 1] == quote) {
        value.push_back(quote);
        at += 2;
        continue;
      }
      return at + 1;
    }
    value.push_back(record[at++]);
  }
  return at;
}

std::vector<std::string> split_free_form(std::string_view record) { return split_values(record, false); }

std::vector<std::string> split_cells(std::string_view record) { return split_values(record, true); }

std::optional<std::string> FreeFormReader::next_value() {
  while (next_ >= pending_.size()) {
    auto record = next_record_();
    if (!record) return std::nullopt;
    pending_ = split_free_form(*record);
    next_ = 0;
    in_record_ = true;
  }
  return pending_[next_++];
}

void FreeFormReader::end_list() {
  pending_.clear();
  next_ = 0;
  in_record_ = false;
}

bool parse_free_integer(std::string_view value, int& out) {
  std::size_t start = (!value.empty() && value[0] == '+') ? 1 : 0;
  // from_chars takes a '-' of its own, so "+-7" would pass as -7.
  if (start == value.size() || (start == 1 && value[1] == '-')) return false;
  int parsed = 0;
  auto [ptr, ec] = std::from_chars(value.data() + start, value.data() + value.size(), parsed);
  if (ec != std::errc() || ptr != value.data() + value.size()) return false;
  out = parsed;
  return true;
}

namespace {
template <class Real>
bool parse_real(std::string_view value, Real& out) {
  if (value.empty()) return false;
  std::string text(value);
  // Fortran exponents may be written with D.
  for (auto& c : text) {
    if (c == 'd' || c == 'D') c = 'e';
  }
  bool digit = false;
  for (char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c))) digit = true;
    else if (c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E') return false;
  }
  if (!digit) return false;
  // from_chars rounds as strtod does and is much faster; it takes no leading
  // "+" and leaves ranges beyond the type to strtod.
  if (text.front() != '+') {
    Real parsed;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec == std::errc() && ptr == text.data() + text.size()) {
      out = parsed;
      return true;
    }
  }
  char* end = nullptr;
  Real parsed;
  if constexpr (std::is_same_v<Real, float>) {
    parsed = std::strtof(text.c_str(), &end);
  } else {
    parsed = std::strtod(text.c_str(), &end);
  }
  // A value beyond the type would enter every later sum as an infinity.
  if (end != text.c_str() + text.size() || !std::isfinite(parsed)) return false;
  out = parsed;
  return true;
}
}  // namespace

bool parse_free_real(std::string_view value, float& out) { return parse_real(value, out); }
bool parse_free_real(std::string_view value, double& out) { return parse_real(value, out); }

}  // namespace qb
