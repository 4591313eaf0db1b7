// A report file in a scratch folder (also the working folder), read back by
// the test once written.
#pragma once

#include <string>

#include "platform/report_file.hpp"
#include "tests/support/test_support.hpp"

namespace qb::testing {

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

}  // namespace qb::testing
