#include "engine/regional_curves_file.hpp"

#include <algorithm>

#include "platform/record_format.hpp"
#include "platform/text_file.hpp"

namespace qb {

namespace {

// The layout holds 199 fits a line; a run with more fits widens the line
// rather than wrapping a year's values over several lines.
constexpr int kHeaderSlots = 200;
constexpr int kValuesPerLine = 400;

float value_at(const std::vector<float>& curve, int age) {
  return age < static_cast<int>(curve.size()) ? curve[age] : kMissing;
}

}  // namespace

void write_regional_curves_file(const std::string& path, const std::vector<RegionalCurveSlot>& slots, int length) {
  TextOutput file = TextOutput::create_or_throw(path);
  const int count = static_cast<int>(slots.size());
  const std::string header_format =
      "(a10," + std::to_string(std::max(kHeaderSlots, count)) + "(a15,1x))";
  const std::string values_format = "(" + std::to_string(std::max(kValuesPerLine, 1 + 2 * count)) + "f8.2)";

  std::vector<FieldValue> fields;
  fields.reserve(1 + count);
  fields.emplace_back(std::string_view("Bio Year "));
  for (int k = 0; k < count; ++k) fields.emplace_back(std::string_view("   RC     fRC "));
  file.put(render_record(header_format, fields));

  for (int age = 0; age < length; ++age) {
    fields.clear();
    fields.emplace_back(static_cast<double>(static_cast<float>(age + 1)));
    for (const RegionalCurveSlot& slot : slots) {
      fields.emplace_back(static_cast<double>(value_at(slot.raw, age)));
      fields.emplace_back(static_cast<double>(value_at(slot.fitted, age)));
    }
    file.put(render_record(values_format, fields));
  }
  file.close();
}

}  // namespace qb
