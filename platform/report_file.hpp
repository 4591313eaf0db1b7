// The report file of a data set: the upper-case echo of every choice,
// statistic and message.
#pragma once

#include <string>
#include <string_view>

#include "platform/record_format.hpp"
#include "platform/text_file.hpp"

namespace qb {

class ReportFile {
 public:
  ReportFile() = default;
  explicit ReportFile(TextOutput file) : file_(std::move(file)) {}

  // Writes the records as they stand.
  template <class... Args>
  void write(std::string_view format, const Args&... args) {
    file_.write(format, args...);
  }
  // Writes the records in upper case, as console messages are echoed.
  template <class... Args>
  void echo(std::string_view format, const Args&... args) {
    file_.put(to_upper(format_record(format, args...)));
  }

  bool is_open() const { return file_.is_open(); }
  void close() { file_.close(); }
  TextOutput& file() { return file_; }

 private:
  TextOutput file_;
};

}  // namespace qb
