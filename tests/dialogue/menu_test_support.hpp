// Helpers of the dialogue tests: a report file read back once written, and
// counts of a text in a console transcript.
#pragma once

#include <string>

#include "platform/report_file.hpp"
#include "tests/support/test_support.hpp"

namespace qb::testing {

// A report file in a scratch folder, which is also the working folder.
class ReportCapture {
 public:
  ReportCapture() : report_(*TextOutput::create(dir_.file("report.txt"))) {}
  ReportFile& report() { return report_; }
  const ScratchDirectory& dir() const { return dir_; }
  // Closes the report and returns what was written.
  std::string text() {
    report_.close();
    return read_file(dir_.file("report.txt"));
  }

 private:
  ScratchDirectory dir_;
  ReportFile report_;
};

inline std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace qb::testing
