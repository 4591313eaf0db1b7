#include <optional>
#include <string>
#include <vector>

#include "platform/character_columns.hpp"
#include "platform/console.hpp"
#include "platform/free_form.hpp"
#include "platform/record_format.hpp"
#include "series/data_set_builder.hpp"
#include "series/data_set_loader.hpp"

namespace qb {
namespace {

// The free-form values of the next line that holds one (empty lines are
// passed over); std::nullopt at the end of the file.
std::optional<std::vector<std::string>> next_values(TextInput& input) {
  while (auto line = input.next_record()) {
    auto values = split_free_form(*line);
    if (!values.empty()) return values;
  }
  return std::nullopt;
}

std::optional<std::string> next_first_value(TextInput& input) {
  auto values = next_values(input);
  if (!values) return std::nullopt;
  return std::move(values->front());
}

// Value lines that hold more than one value (a decimal comma, say): only
// the first is read, and the file gets one warning naming the first line.
struct CrowdedLines {
  std::size_t first_record = 0;
  int count = 0;

  void note(const TextInput& input) {
    if (count++ == 0) first_record = input.position() - 1;
  }
  void warn(const TextInput& input, DataSetBuilder& builder) const {
    if (count == 0) return;
    const int later = count - 1;
    const std::string more = later == 0   ? std::string()
                             : later == 1 ? ", as does one later line"
                                          : ", as do " + std::to_string(later) + " later lines";
    builder.warn(format_record("(/1x,'WARNING: Line ',a,' of the data file holds more than one value',a,';'/1x,'         only the first value of a line is read (a decimal comma?).')",
                               std::to_string(input.line_number(first_record)), more));
  }
};

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
  CrowdedLines crowded;
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
    while (const auto line_values = next_values(input)) {
      float value = 0.0f;
      if (!parse_free_real(line_values->front(), value)) {
        input.back();  // the next block's identifier
        break;
      }
      if (line_values->size() > 1) crowded.note(input);
      if (static_cast<int>(values.size()) == kMaxYears) {
        builder.refuse(long_series_refusal(id));
        return LoadStatus::kRefused;
      }
      values.push_back(value);
    }
    if (!builder.add(id, first_year, std::move(values))) return LoadStatus::kRefused;
  }
  crowded.warn(input, builder);
  builder.fill(data);
  if (!within_year_bound(data, warnings)) return LoadStatus::kRefused;
  return LoadStatus::kLoaded;
}

}  // namespace qb
