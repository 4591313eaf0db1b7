// The record-format interpreter on a format and records from the input.
//
// Input: the format on the first line, the targets of the read on the second
// (one letter each: i int, l long long, f float, d double, a text taking the
// rest of the record, a digit 1-9 text of that many characters), the records
// on the lines after. The values read are then written back with the same
// format.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz/fuzz_checks.hpp"
#include "platform/record_format.hpp"

namespace {

using qb::FieldTarget;
using qb::FieldValue;

// Every target of a read, owned here: FieldTarget only points at them.
struct Slot {
  std::variant<int, long long, float, double, std::string> value;
  std::size_t text_length = 0;
};

constexpr std::size_t kMaxTargets = 64;

std::vector<Slot> slots_for(std::string_view letters) {
  std::vector<Slot> slots;
  for (char c : letters) {
    if (slots.size() == kMaxTargets) break;
    Slot s;
    if (c == 'i') s.value = 0;
    else if (c == 'l') s.value = 0LL;
    else if (c == 'f') s.value = 0.0f;
    else if (c == 'd') s.value = 0.0;
    else if (c == 'a') s.value = std::string();
    else if (c >= '1' && c <= '9') {
      s.text_length = static_cast<std::size_t>(c - '0');
      s.value = std::string(s.text_length, ' ');
    } else {
      continue;
    }
    slots.push_back(std::move(s));
  }
  return slots;
}

std::string_view next_line(std::string_view& text) {
  const std::size_t end = text.find('\n');
  const std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string format(next_line(input));
  std::vector<Slot> slots = slots_for(next_line(input));
  std::vector<std::string> records;
  while (!input.empty()) records.emplace_back(next_line(input));

  std::vector<FieldTarget> targets;
  for (Slot& s : slots) {
    std::visit([&targets](auto& v) { targets.emplace_back(&v); }, s.value);
  }
  std::size_t next = 0;
  const qb::RecordSupplier supplier = [&records, &next]() -> std::optional<std::string> {
    if (next == records.size()) return std::nullopt;
    return records[next++];
  };

  const bool valid = qb::format_is_valid(format);
  const qb::ReadStatus status = qb::read_record(format, supplier, targets);
  QB_FUZZ_CHECK(valid || status == qb::ReadStatus::kConversionError);
  QB_FUZZ_CHECK(next <= records.size());
  if (status == qb::ReadStatus::kOk) {
    for (const Slot& s : slots) {
      if (const auto* f = std::get_if<float>(&s.value)) QB_FUZZ_CHECK(std::isfinite(*f));
      if (const auto* d = std::get_if<double>(&s.value)) QB_FUZZ_CHECK(std::isfinite(*d));
      if (const auto* t = std::get_if<std::string>(&s.value); t && s.text_length > 0) {
        QB_FUZZ_CHECK(t->size() == s.text_length);
      }
    }
  }

  std::vector<FieldValue> values;
  for (const Slot& s : slots) {
    std::visit(
        [&values](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, std::string>) {
            values.emplace_back(std::string_view(v));
          } else if constexpr (std::is_integral_v<T>) {
            values.emplace_back(static_cast<long long>(v));
          } else {
            values.emplace_back(static_cast<double>(v));
          }
        },
        s.value);
  }
  // A format that does not parse, or values it cannot take, are the
  // caller's error and come back as FormatError; nothing else may escape.
  try {
    qb::render_record(format, values);
    QB_FUZZ_CHECK(valid);
  } catch (const qb::FormatError&) {
  }
  try {
    qb::render_record(format, {});
    QB_FUZZ_CHECK(valid);
  } catch (const qb::FormatError&) {
  }
  return 0;
}
