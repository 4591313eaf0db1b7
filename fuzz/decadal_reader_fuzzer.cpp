// The decadal reader (`trrw`, and `datar` for column blocks) on a whole file,
// read as ring widths and as chronologies, with the full capacity and with a
// small one.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_checks.hpp"
#include "series/decadal_format.hpp"

namespace {

using qb::DecadalReadOptions;
using qb::DecadalReadState;
using qb::DecadalSeries;
using qb::TextInput;
using qb::TrrwMode;

void check_series(const DecadalSeries& s, TrrwMode mode, const DecadalReadOptions& options) {
  if (s.count == qb::kEndOfFile) {
    QB_FUZZ_CHECK(s.values.empty());
    return;
  }
  QB_FUZZ_CHECK(s.count >= 0);
  QB_FUZZ_CHECK(static_cast<std::size_t>(s.count) == s.values.size());
  QB_FUZZ_CHECK(s.count <= options.capacity);
  QB_FUZZ_CHECK(!s.overflow || s.count == options.capacity);
  // Depths, when there are any, go one to one with the values (a column
  // block has none).
  if (mode == TrrwMode::kReadIndices && options.store_depths) {
    QB_FUZZ_CHECK(s.depths.empty() || s.depths.size() == s.values.size());
  } else {
    QB_FUZZ_CHECK(s.depths.empty());
  }
  for (float v : s.values) QB_FUZZ_CHECK(std::isfinite(v));
}

void read_whole_file(const std::string& text, TrrwMode mode, int capacity) {
  TextInput input = TextInput::from_text(text);
  DecadalReadState state;
  DecadalReadOptions options;
  options.capacity = capacity;
  options.store_depths = true;
  while (true) {
    const std::size_t before = input.position();
    const DecadalSeries s = qb::trrw(mode, input, state, options);
    check_series(s, mode, options);
    if (state.series_counter == qb::kEndOfFile) return;
    // A call that does not end the file takes at least one record, so a file
    // of n records is read in at most n + 1 calls.
    QB_FUZZ_CHECK(input.position() > before);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  qb::fuzz::SilentConsole console;
  for (TrrwMode mode : {TrrwMode::kReadWidths, TrrwMode::kReadIndices}) {
    read_whole_file(text, mode, qb::kMaxYears);
    read_whole_file(text, mode, 25);
  }
  return 0;
}
