#include "dialogue/degenerate_chronologies.hpp"

#include <unordered_map>

#include "dialogue/chronology_files.hpp"
#include "platform/record_format.hpp"
#include "platform/text_file.hpp"

namespace qb {
namespace {

struct NamedChronology {
  std::string name;
  std::span<const float> values;
};

std::vector<NamedChronology> chronology_columns(const DataSetChronologies& c) {
  const std::string standard = c.standard_prefix();
  const std::string signal_free = c.signal_free_prefix();
  std::vector<NamedChronology> columns = {{standard + "Crn", c.standard}, {signal_free + "Crn", c.signal_free}};
  if (c.stabilised()) {
    columns.push_back({standard + "Stb", c.stabilised_standard});
    columns.push_back({signal_free + "Stb", c.stabilised_signal_free});
  }
  return columns;
}

// The column file's own field: two values that it writes alike are one
// value to the reader.
std::string as_written(float value) { return trim_blanks(format_record("(f8.3,$)", value)); }

}  // namespace

std::vector<DegenerateColumn> degenerate_columns(const DataSetChronologies& c) {
  // Ratios and ring widths are never negative; residuals may be.
  const bool never_negative = c.ratios || c.raw_data_average;
  std::vector<DegenerateColumn> found;
  for (const NamedChronology& column : chronology_columns(c)) {
    DegenerateColumn d;
    d.name = column.name;
    d.years = static_cast<int>(column.values.size());
    std::unordered_map<std::string, int> counts;
    std::string most;
    for (const float value : column.values) {
      std::string text = as_written(value);
      const int count = ++counts[text];
      if (count > d.repeated_years) {
        d.repeated_years = count;
        most = std::move(text);
      }
      if (never_negative && value < 0.0f) ++d.negative_years;
    }
    if (2 * d.repeated_years > d.years) {
      d.repeated = std::move(most);
    } else {
      d.repeated_years = 0;
    }
    if (!d.repeated.empty() || d.negative_years > 0) found.push_back(std::move(d));
  }
  return found;
}

void warn_of_degenerate_columns(Console& console, ReportFile& report, const DataSetChronologies& c,
                                std::string_view data_set_name) {
  const std::string file = column_file_name(data_set_name);
  const char* never_negative = c.raw_data_average ? "ring widths" : "ratios";
  for (const DegenerateColumn& d : degenerate_columns(c)) {
    std::string warning = format_record("(/1x,'WARNING: ',a,', column ',a,':')", file, d.name);
    const std::string of_years = " of its " + std::to_string(d.years) + " years";
    if (!d.repeated.empty()) {
      warning += format_record("(10x,'It holds ',a,' in ',a,a,': one value carries no signal.')", d.repeated,
                               std::to_string(d.repeated_years), of_years);
    }
    if (d.negative_years > 0) {
      warning += format_record("(10x,'It holds values below 0 in ',a,a,', which ',a,' never are.')",
                               std::to_string(d.negative_years), of_years, never_negative);
    }
    console.put(warning);
    report.echo("(a,$)", warning);
  }
}

}  // namespace qb
