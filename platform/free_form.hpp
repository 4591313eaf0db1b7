// Free-form (list-directed) input: values separated by blanks or commas,
// quoted text allowed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/record_format.hpp"

namespace qb {

// The values of one record. Quotes around a value are removed.
std::vector<std::string> split_free_form(std::string_view record);

// The cells of one record of a table: as split_free_form(), but the empty
// cell between two commas, before a leading comma or after a trailing one
// (a spreadsheet's blank cell) is kept as an empty value.
std::vector<std::string> split_cells(std::string_view record);

// Appends to `value` the text of the quoted value that opens at `at` (a '
// or "), a doubled quote standing for itself; returns the position after its
// closing quote (the end of the record when it has none).
std::size_t read_quoted(std::string_view record, std::size_t at, std::string& value);

// Reads values across records, as one free-form list does: a list that needs
// more values than a record holds continues on the next record.
class FreeFormReader {
 public:
  explicit FreeFormReader(RecordSupplier next_record) : next_record_(std::move(next_record)) {}

  // The next value of the current list; std::nullopt at end of input.
  std::optional<std::string> next_value();
  // Drops the rest of the current record: the next list starts a new record.
  void end_list();

 private:
  RecordSupplier next_record_;
  std::vector<std::string> pending_;
  std::size_t next_ = 0;
  bool in_record_ = false;
};

// Conversions of one free-form value; false when it does not convert, and
// when it lies beyond the range of the type (no infinity is ever read).
bool parse_free_integer(std::string_view value, int& out);
bool parse_free_real(std::string_view value, float& out);
bool parse_free_real(std::string_view value, double& out);

}  // namespace qb
