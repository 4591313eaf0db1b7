// Fixed-layout records: one interpreter of Fortran-style format strings for
// every console line and every file line the system writes or reads.
//
// Descriptors: 'text' (or "text"), nX, Tn, TLn, TRn, Iw, Fw.d (Ew.d, Dw.d and
// Gw.d read like F), A and Aw, repeat counts before descriptors and
// parenthesised groups, "/" (new record), ":" (stop when no value is left)
// and a trailing "$" (no line end after the last record).
//
// Writing renders records into text; every record ends with '\n' except the
// last one when the format holds "$". Writing stops at the first value
// descriptor that has no value left; when values remain at the end of the
// format a new record starts and the format restarts at its last top-level
// parenthesised group (at its start when it has none). Reading follows the
// same reversion rule.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace qb {

// A format string that does not parse.
class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One value handed to a formatted write. Integers are kept as long long and
// reals as double: a float converts to double exactly, so F output of a float
// rounds its exact binary value.
using FieldValue = std::variant<long long, double, std::string_view>;

// Renders the records of one formatted write. Throws FormatError when the
// format does not parse or cannot take the values given.
std::string render_record(std::string_view format, std::span<const FieldValue> values);
// The same records appended to `out`.
void append_record(std::string& out, std::string_view format, std::span<const FieldValue> values);

namespace detail {
template <class T>
FieldValue to_field_value(const T& value) {
  if constexpr (std::is_same_v<T, bool>) {
    static_assert(!std::is_same_v<T, bool>, "no logical descriptor");
  } else if constexpr (std::is_integral_v<T>) {
    return static_cast<long long>(value);
  } else if constexpr (std::is_floating_point_v<T>) {
    return static_cast<double>(value);
  } else {
    return std::string_view(value);
  }
}
}  // namespace detail

template <class... Args>
std::string format_record(std::string_view format, const Args&... args) {
  const FieldValue values[] = {detail::to_field_value(args)..., FieldValue{0LL}};
  return render_record(format, std::span<const FieldValue>(values, sizeof...(Args)));
}

// Where a formatted read stores one value. A std::string target read with a
// bare A descriptor takes as many characters as the string holds (the
// caller sizes it like a fixed-length text variable); an empty string takes
// the rest of the record.
using FieldTarget = std::variant<int*, long long*, float*, double*, std::string*>;

enum class ReadStatus { kOk, kConversionError, kEndOfFile };

// Supplies the records of a formatted read, std::nullopt at end of file.
using RecordSupplier = std::function<std::optional<std::string>()>;

// Reads one list of values. A format that does not parse is a conversion
// error. Blanks inside I and F fields are ignored and an all-blank field reads
// as 0; records shorter than the format read as if padded with blanks; an F
// field without a decimal point gets one placed d digits from the right. A
// value beyond the range of its target (1e40 or "inf" for a float, 3000000000
// for an int) and "nan" are conversion errors.
ReadStatus read_record(std::string_view format, const RecordSupplier& next_record,
                       std::span<const FieldTarget> targets);

// Reads from a single record; a read that needs a further record meets end of
// file.
ReadStatus read_record(std::string_view format, std::string_view record,
                       std::span<const FieldTarget> targets);

template <class... Targets>
ReadStatus read_fields(std::string_view format, std::string_view record, Targets*... targets) {
  const FieldTarget list[] = {FieldTarget{targets}..., FieldTarget{static_cast<int*>(nullptr)}};
  return read_record(format, record, std::span<const FieldTarget>(list, sizeof...(Targets)));
}

// Whether a format string parses.
bool format_is_valid(std::string_view format);

// gfortran-style list-directed output of one record: integers in 12
// columns, reals in the processor's general form, text as it stands with a
// leading blank. Used where a line is written "in free format".
std::string render_list_directed(std::span<const FieldValue> values);

template <class... Args>
std::string list_directed(const Args&... args) {
  const FieldValue values[] = {detail::to_field_value(args)..., FieldValue{0LL}};
  return render_list_directed(std::span<const FieldValue>(values, sizeof...(Args)));
}

// Upper-cases ASCII letters (the report file echoes console messages so).
std::string to_upper(std::string_view text);

}  // namespace qb
