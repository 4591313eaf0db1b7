// Free-form reading: splitting records into values, reading values across
// records, and converting them to integers and reals.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_checks.hpp"
#include "platform/free_form.hpp"

namespace {

void check_conversions(const std::string& value) {
  int i = 0;
  float f = 0.0f;
  double d = 0.0;
  const bool is_int = qb::parse_free_integer(value, i);
  const bool is_float = qb::parse_free_real(value, f);
  const bool is_double = qb::parse_free_real(value, d);
  if (is_float) QB_FUZZ_CHECK(std::isfinite(f));
  if (is_double) QB_FUZZ_CHECK(std::isfinite(d));
  // A value that reads in single precision reads in double precision.
  QB_FUZZ_CHECK(!is_float || is_double);
  // An integer reads as the same number when a real is asked for: both
  // conversions round the exact value once.
  if (is_int) {
    QB_FUZZ_CHECK(is_float && f == static_cast<float>(i));
    QB_FUZZ_CHECK(is_double && d == static_cast<double>(i));
  }
}

void check_split(std::string_view record, const std::vector<std::string>& values) {
  if (record.find_first_of("'\"") != std::string_view::npos) return;
  // Without quotes the values are the record's runs of non-separators.
  std::string joined;
  std::string kept;
  for (const auto& v : values) {
    QB_FUZZ_CHECK(!v.empty());
    QB_FUZZ_CHECK(v.find_first_of(" \t,") == std::string::npos);
    joined += v;
  }
  for (char c : record) {
    if (c != ' ' && c != '\t' && c != ',') kept.push_back(c);
  }
  QB_FUZZ_CHECK(joined == kept);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> records;
  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    records.emplace_back(input.substr(0, end));
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  }

  std::vector<std::string> all;
  std::vector<std::string> firsts;
  for (const auto& record : records) {
    const auto values = qb::split_free_form(record);
    check_split(record, values);
    for (const auto& v : values) check_conversions(v);
    all.insert(all.end(), values.begin(), values.end());
    if (!values.empty()) firsts.push_back(values.front());
  }

  // One list over every record delivers every value in order; ending the
  // list after each value delivers the first value of each record that has one.
  for (const bool one_per_record : {false, true}) {
    std::size_t next = 0;
    qb::FreeFormReader reader([&records, &next]() -> std::optional<std::string> {
      if (next == records.size()) return std::nullopt;
      return records[next++];
    });
    std::vector<std::string> read;
    while (auto value = reader.next_value()) {
      read.push_back(std::move(*value));
      if (one_per_record) reader.end_list();
    }
    QB_FUZZ_CHECK(read == (one_per_record ? firsts : all));
  }
  return 0;
}
