// Shared by the fuzz targets: a console that answers from a script and shows
// nothing, and the check that stops a run on a violated invariant.
#pragma once

#include <cstdio>
#include <istream>
#include <ostream>
#include <sstream>
#include <string>

#include "platform/console.hpp"

namespace qb::fuzz {

// A trap rather than an exception: the fuzzer records the input as a crash,
// and no handler on the way can swallow it.
[[noreturn]] inline void violated(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "invariant violated: %s (%s:%d)\n", condition, file, line);
  __builtin_trap();
}

#define QB_FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::qb::fuzz::violated(#condition, __FILE__, __LINE__))

// Replaces the process console for its lifetime: reads take the scripted
// answers, and output goes nowhere (a stream without a buffer drops what it
// is given), so the fuzzer's log stays readable and no time goes into text
// nobody reads.
class SilentConsole {
 public:
  explicit SilentConsole(std::string answers = {})
      : in_(std::move(answers)), out_(nullptr), console_(in_, out_), scope_(console_) {}

 private:
  std::istringstream in_;
  std::ostream out_;
  Console console_;
  ConsoleScope scope_;
};

// Years the decadal layouts' widest year field holds; no reader delivers a
// year outside them.
inline constexpr long long kLowestYear = -99999;
inline constexpr long long kHighestYear = 99999;

}  // namespace qb::fuzz
