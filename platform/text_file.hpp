// Text files read and written record by record.
#pragma once

#include <cstddef>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/record_format.hpp"

namespace qb {

// A text file held in memory as records. A record ends at LF, at CRLF or at a
// lone CR, so files written on Windows or old Macs read like Unix files.
class TextInput {
 public:
  // std::nullopt when the file does not exist or cannot be opened. A read
  // that fails later keeps what was read and the system's reason
  // (read_error()).
  static std::optional<TextInput> open(const std::string& path);
  static TextInput from_text(std::string contents);

  // The name the file was opened by; empty for a text given in memory.
  const std::string& name() const { return name_; }
  // Why the file was not read to its end ("Input/output error").
  const std::optional<std::string>& read_error() const { return read_error_; }
  // How the text shows that it is UTF-16, whose records are no text to any
  // reader here: a byte order mark, or NUL bytes.
  enum class Utf16Sign { kNone, kByteOrderMark, kNulBytes };
  Utf16Sign utf16_sign() const { return utf16_sign_; }

  // The next record without its line end; std::nullopt at end of file.
  std::optional<std::string> next_record();
  // The next record cut or blank-padded to `width` characters.
  std::optional<std::string> next_record(std::size_t width);
  // Steps back one record (nothing at the start of the file).
  void back();
  void rewind() { next_ = 0; }
  // Returns to a position taken from position() (a look ahead ends so).
  void seek(std::size_t position) { next_ = std::min(position, starts_.size()); }
  bool at_end() const { return next_ >= starts_.size(); }
  std::size_t position() const { return next_; }
  std::size_t record_count() const { return starts_.size(); }
  // The line number, from 1, that an editor shows for record `record` (from
  // 0): a file whose lines end in CR CR LF (or more CRs before the LF) holds
  // empty records between its lines, which are no lines of their own.
  std::size_t line_number(std::size_t record) const;
  // False for those empty records between the lines.
  bool is_line(std::size_t record) const;

  // Supplier for formatted and free-form reads from this file.
  RecordSupplier supplier() {
    return [this]() { return next_record(); };
  }

 private:
  explicit TextInput(std::string contents);

  std::string contents_;
  std::vector<std::size_t> starts_;
  std::vector<std::size_t> lengths_;
  // The records that are no line (those of CR CR LF line ends), in order.
  std::vector<std::size_t> between_lines_;
  std::size_t next_ = 0;
  std::string name_;
  std::optional<std::string> read_error_;
  Utf16Sign utf16_sign_ = Utf16Sign::kNone;
};

// An output file that cannot be created, written or closed. The message
// names the file and the system's reason ("Cannot write site_crns_col.txt: No
// space left on device"); the program ends abnormally with it, so that no run
// ends normally with a file cut short.
class OutputFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text file opened for writing (created or replaced). Every write and the
// close are checked: the first failure throws OutputFileError and leaves the
// file closed.
class TextOutput {
 public:
  TextOutput() = default;
  ~TextOutput();
  TextOutput(TextOutput&& other) noexcept;
  TextOutput& operator=(TextOutput&& other) noexcept;
  TextOutput(const TextOutput&) = delete;
  TextOutput& operator=(const TextOutput&) = delete;

  // std::nullopt when the file cannot be created.
  static std::optional<TextOutput> create(const std::string& path);
  // Throws OutputFileError ("Cannot create <path>: <reason>") when the file
  // cannot be created.
  static TextOutput create_or_throw(const std::string& path);

  template <class... Args>
  void write(std::string_view format, const Args&... args) {
    const FieldValue values[] = {detail::to_field_value(args)..., FieldValue{0LL}};
    write_record(format, std::span<const FieldValue>(values, sizeof...(Args)));
  }
  // Writes the records of one formatted write.
  void write_record(std::string_view format, std::span<const FieldValue> values);
  void put(std::string_view text);
  // Writes out what is buffered and closes; a file that is not open is left
  // as it is.
  void close();
  // Closes and removes the file.
  void close_and_delete();

  bool is_open() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

 private:
  [[noreturn]] void fail(int error);
  // The close of a destructor or a move, which cannot throw.
  void close_unchecked() noexcept;

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string record_;  // the records of the last write, storage kept for the next
};

// A file left open when a stop or an error unwound the program is closed by
// its destructor, which cannot throw: the first such close that failed is
// kept here, for the program's end to report. Returns it and forgets it.
std::optional<std::string> take_unreported_output_failure();

bool file_exists(const std::string& path);
// Whether a file of that name can be created (or replaced) here.
bool file_can_be_created(const std::string& path);

// Text without its trailing blanks.
std::string trim_right(std::string_view text);
// Text without the blanks around it.
std::string trim_blanks(std::string_view text);
// Text cut or blank-padded to exactly `width` characters.
std::string fixed_width(std::string_view text, std::size_t width);

}  // namespace qb
