#include <optional>
#include <string>
#include <vector>

#include "platform/character_columns.hpp"
#include "platform/console.hpp"
#include "platform/free_form.hpp"
#include "series/data_set_builder.hpp"
#include "series/data_set_loader.hpp"

namespace qb {
namespace {

// The first free-form value of the next line that holds one (empty lines
// are passed over); std::nullopt at the end of the file.
std::optional<std::string> next_first_value(TextInput& input) {
  while (auto line = input.next_record()) {
    auto values = split_free_form(*line);
    if (!values.empty()) return values.front();
  }
  return std::nullopt;
}

LoadStatus read_error(const char* message, const std::string& id, int number) {
  console().write(message);
  console().write("(8x,'Series: ',a,' Number: ',i5)", id, number);
  console().pause(" Hit return to continue ");
  return LoadStatus::kNotLoaded;
}

}  // namespace

LoadStatus rd1col(TextInput& input, DataSet& data, LoadWarnings* warnings) {
  DataSetBuilder builder(warnings);
  std::vector<float> values;
  while (true) {
    const int number = builder.size() + 1;
    // An identifier must not read as a number: a number continues the block.
    const auto word = next_first_value(input);
    if (!word) break;
    const std::string id = fixed_columns(*word, kIdLength);

    // A file that ends right after an identifier ends with a series without
    // values.
    const auto year_text = next_first_value(input);
    if (!year_text) {
      builder.add(id, 0, {});
      break;
    }
    int first_year = 0;
    if (!parse_free_integer(*year_text, first_year)) {
      builder.fill(data);
      return read_error("(1x,'Rd1col: Error reading series IYR value')", id, number);
    }

    values.clear();
    while (const auto value_text = next_first_value(input)) {
      float value = 0.0f;
      if (!parse_free_real(*value_text, value)) {
        input.back();  // the next block's identifier
        break;
      }
      if (static_cast<int>(values.size()) == kMaxYears) {
        builder.refuse(long_series_refusal(id));
        return LoadStatus::kRefused;
      }
      values.push_back(value);
    }
    if (!builder.add(id, first_year, std::move(values))) return LoadStatus::kRefused;
  }
  builder.fill(data);
  if (!within_year_bound(data, warnings)) return LoadStatus::kRefused;
  return LoadStatus::kLoaded;
}

}  // namespace qb
