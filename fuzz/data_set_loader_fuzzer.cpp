// The data-set loader in every layout, its console answers scripted.
//
// Input: the answers on the first line, separated by '|' (the layout 1-4,
// then for the column layouts the header lines to skip and, for multiple
// columns, the column count and the sentinel), the data file after it. Every
// later question gets an empty answer, its default.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_checks.hpp"
#include "platform/bounds.hpp"
#include "platform/program_stop.hpp"
#include "series/data_set_loader.hpp"

namespace {

using qb::fuzz::kHighestYear;
using qb::fuzz::kLowestYear;

bool is_year(long long year) { return year >= kLowestYear && year <= kHighestYear; }

void check_loaded(const qb::DataSet& data) {
  const int ns = data.ns();
  QB_FUZZ_CHECK(ns <= qb::kMaxSeriesInSet);
  QB_FUZZ_CHECK(data.ids.size() == data.spans.size());
  QB_FUZZ_CHECK(data.x.cols() == ns);
  if (ns == 0) return;  // the programs refuse an empty set with their own message

  int longest = 0;
  long long first = kHighestYear + 1;
  long long last = kLowestYear - 1;
  for (int s = 0; s < ns; ++s) {
    const qb::SeriesSpan& span = data.spans[static_cast<std::size_t>(s)];
    QB_FUZZ_CHECK(span.count >= 1);
    QB_FUZZ_CHECK(span.count <= qb::kMaxYears);
    QB_FUZZ_CHECK(is_year(span.first_year) && is_year(span.last_year));
    QB_FUZZ_CHECK(span.first_year <= span.last_year);
    QB_FUZZ_CHECK(static_cast<long long>(span.last_year) - span.first_year + 1 == span.count);
    QB_FUZZ_CHECK(span.count <= data.x.rows());
    const auto column = data.x.column(s);
    for (int row = 0; row < span.count; ++row) QB_FUZZ_CHECK(std::isfinite(column[static_cast<std::size_t>(row)]));
    for (int row = span.count; row < data.x.rows(); ++row) {
      QB_FUZZ_CHECK(qb::is_missing(column[static_cast<std::size_t>(row)]));
    }
    longest = std::max(longest, span.count);
    first = std::min<long long>(first, span.first_year);
    last = std::max<long long>(last, span.last_year);
  }
  QB_FUZZ_CHECK(data.x.rows() == longest);
  QB_FUZZ_CHECK(data.whole.first_year == first);
  QB_FUZZ_CHECK(data.whole.last_year == last);
  QB_FUZZ_CHECK(static_cast<long long>(data.whole.count) == last - first + 1);
  QB_FUZZ_CHECK(data.whole.count <= qb::kMaxYears);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t end = input.find('\n');
  std::string answers(input.substr(0, end));
  std::replace(answers.begin(), answers.end(), '|', '\n');
  answers += std::string(64, '\n');
  const std::string file(end == std::string_view::npos ? std::string_view() : input.substr(end + 1));

  qb::fuzz::SilentConsole console(std::move(answers));
  qb::TextInput text = qb::TextInput::from_text(file);
  qb::DataSet loaded;
  try {
    if (qb::loaddat(qb::FormatMenu::kListFile, text, loaded) == qb::LoadStatus::kLoaded) check_loaded(loaded);
  } catch (const qb::ProgramStop&) {
    // The dialogue ended the run (a quit answer, or the answers ran out).
  }
  return 0;
}
