// Text files read and written record by record.
#pragma once

#include <cstddef>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/record_format.hpp"

namespace qb {

// A text file held in memory as records. A record ends at LF, at CRLF or at a
// lone CR, so files written on Windows or old Macs read like Unix files.
class TextInput {
 public:
  // std::nullopt when the file does not exist or cannot be read.
  static std::optional<TextInput> open(const std::string& path);
  static TextInput from_text(std::string contents);

  // The next record without its line end; std::nullopt at end of file.
  std::optional<std::string> next_record();
  // The next record cut or blank-padded to `width` characters.
  std::optional<std::string> next_record(std::size_t width);
  // Steps back one record (nothing at the start of the file).
  void back();
  void rewind() { next_ = 0; }
  bool at_end() const { return next_ >= starts_.size(); }
  std::size_t position() const { return next_; }
  std::size_t record_count() const { return starts_.size(); }

  // Supplier for formatted and free-form reads from this file.
  RecordSupplier supplier() {
    return [this]() { return next_record(); };
  }

 private:
  explicit TextInput(std::string contents);

  std::string contents_;
  std::vector<std::size_t> starts_;
  std::vector<std::size_t> lengths_;
  std::size_t next_ = 0;
};

// A text file opened for writing (created or replaced).
class TextOutput {
 public:
  TextOutput() = default;
  // std::nullopt when the file cannot be created.
  static std::optional<TextOutput> create(const std::string& path);

  template <class... Args>
  void write(std::string_view format, const Args&... args) {
    const FieldValue values[] = {detail::to_field_value(args)..., FieldValue{0LL}};
    write_record(format, std::span<const FieldValue>(values, sizeof...(Args)));
  }
  // Writes the records of one formatted write.
  void write_record(std::string_view format, std::span<const FieldValue> values);
  void put(std::string_view text);
  void close();
  // Closes and removes the file.
  void close_and_delete();

  bool is_open() const { return stream_ && stream_->file.is_open(); }
  const std::string& path() const { return path_; }

 private:
  // Series files run to megabytes: a larger buffer than the stream's own
  // means far fewer writes to the system. The buffer is declared before the
  // stream so that it outlives it: closing writes out what it still holds.
  struct BufferedStream {
    char buffer[1 << 16];
    std::ofstream file;
  };
  std::unique_ptr<BufferedStream> stream_;
  std::string path_;
  std::string record_;  // the records of the last write, storage kept for the next
};

bool file_exists(const std::string& path);
// Whether a file of that name can be created (or replaced) here.
bool file_can_be_created(const std::string& path);

// Text without its trailing blanks.
std::string trim_right(std::string_view text);
// Text cut or blank-padded to exactly `width` characters.
std::string fixed_width(std::string_view text, std::size_t width);

}  // namespace qb
