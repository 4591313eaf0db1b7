// The report file of a data set: the upper-case echo of every choice,
// statistic and message.
#pragma once

#include <string>
#include <string_view>
#include <utility>

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

// The report that routines handed none (the plot menu) echo their messages
// to: the driver's report of the data set in hand, for the length of a scope.
class CurrentReportScope {
 public:
  explicit CurrentReportScope(ReportFile& report) : previous_(std::exchange(current(), &report)) {}
  ~CurrentReportScope() { current() = previous_; }
  CurrentReportScope(const CurrentReportScope&) = delete;
  CurrentReportScope& operator=(const CurrentReportScope&) = delete;

  // Writes the records in upper case to the current report, if there is one.
  template <class... Args>
  static void echo(std::string_view format, const Args&... args) {
    if (current() != nullptr) current()->echo(format, args...);
  }

 private:
  static ReportFile*& current() {
    static ReportFile* report = nullptr;
    return report;
  }
  ReportFile* previous_;
};

}  // namespace qb
