#include "dialogue/chronology_files.hpp"

#include <cmath>
#include <span>

#include "platform/character_columns.hpp"
#include "platform/thread_pool.hpp"
#include "series/decadal_format.hpp"
#include "series/file_names.hpp"

namespace qb {
namespace {

constexpr std::size_t kLabelColumn = 82;  // columns 83-88 of a title line
constexpr std::size_t kLabelLength = 6;
constexpr std::size_t kChronologyIdLength = 6;

// The standard error of a mean of `depth` series; a year without series has
// none to divide by and shows 0.
float standard_error(float sd, int depth) {
  if (depth <= 0) return 0.0f;
  return sd / std::sqrt(static_cast<float>(depth));
}

void write_column_header(TextOutput& file, const DataSetChronologies& c) {
  std::string header = "  Year  SSize";
  std::vector<std::string> kinds = {"Crn", "Sig", "See"};
  if (c.stabilised()) kinds.push_back("Stb");
  for (const std::string& kind : kinds) {
    header += std::string("  ") + c.standard_prefix() + kind + "  " + c.signal_free_prefix() + kind;
  }
  file.write("(a)", header);
}

// Columns 11-80 of a decadal chronology line: the ten index / depth slots.
constexpr std::size_t kFirstSlotColumn = 10;
constexpr std::size_t kSlotColumns = 70;

// Whether a value or a depth of the records fills its field with asterisks:
// an index of 10 or more (10000 thousandths in four columns) or a sample
// depth of 1000 or more (three columns).
bool shows_asterisks(std::string_view records) {
  while (!records.empty()) {
    const std::size_t end = records.find('\n');
    const std::string_view line = records.substr(0, end);
    if (columns_of(line, kFirstSlotColumn, kSlotColumns).find('*') != std::string_view::npos) return true;
    if (end == std::string_view::npos) break;
    records.remove_prefix(end + 1);
  }
  return false;
}

struct Block {
  std::span<const float> values;
  const char* label;
  TextOutput* run_wide;
};

// Writes the block to the file and its run-wide file; true when a value or
// depth does not fit its field.
bool write_block(TextOutput& file, const DataSetChronologies& c, const Block& block, std::string_view id,
                 std::array<std::string, 3>& titles) {
  for (std::size_t line = 1; line < titles.size(); ++line) {
    replace_columns(titles[line], kLabelColumn, kLabelLength, block.label);
  }
  DecadalSeriesOut series;
  series.id = id;
  series.first_year = c.first_year;
  series.values = block.values;
  series.depths = c.sample_depth;
  series.tag = columns_of(titles[2], kLabelColumn, kLabelLength);
  // Rendered once for both files.
  std::string text;
  for (const std::string& title : titles) text += format_record("(a)", title);
  const std::size_t records = text.size();
  trrw(TrrwMode::kWriteIndices, text, series);
  for (TextOutput* out : {&file, block.run_wide}) {
    if (out != nullptr) out->put(text);
  }
  return shows_asterisks(std::string_view(text).substr(records));
}

}  // namespace

std::string column_file_name(std::string_view data_set_name) {
  return dataset_base_name(data_set_name) + "_crns_col.txt";
}

std::string tucson_file_name(std::string_view data_set_name) {
  return dataset_base_name(data_set_name) + "_crns_tuc.txt";
}

void write_column_file(const DataSetChronologies& c, std::string_view data_set_name) {
  TextOutput file = TextOutput::create_or_throw(column_file_name(data_set_name));
  write_column_header(file, c);
  file.put(render_in_parallel(c.years, 0, [&](int r) {
    const auto row = static_cast<std::size_t>(r);
    const int depth = c.sample_depth[row];
    const float se_standard = standard_error(c.standard_sd[row], depth);
    const float se_signal_free = standard_error(c.signal_free_sd[row], depth);
    if (c.stabilised()) {
      return format_record("(2i6,1x,12f8.3)", c.first_year + r, depth, c.standard[row], c.signal_free[row],
                           c.standard_sd[row], c.signal_free_sd[row], se_standard, se_signal_free,
                           c.stabilised_standard[row], c.stabilised_signal_free[row]);
    }
    return format_record("(2i6,1x,10f8.3)", c.first_year + r, depth, c.standard[row], c.signal_free[row],
                         c.standard_sd[row], c.signal_free_sd[row], se_standard, se_signal_free);
  }));
  file.close();
}

std::vector<std::string> write_tucson_file(const DataSetChronologies& c, std::string_view data_set_name,
                                           std::array<std::string, 3>& titles,
                                           const RunWideChronologyFiles& run_wide) {
  const std::string name = tucson_file_name(data_set_name);
  TextOutput file = TextOutput::create_or_throw(name);
  // A folder is no part of the site's name.
  const std::string_view site = data_set_name.substr(folder_length(data_set_name));
  const std::string id = fixed_columns(columns_of(site, 0, kChronologyIdLength), kIdLength);
  const bool raw = c.raw_data_average;
  std::vector<Block> blocks = {{c.standard, raw ? "rawcrn" : "stdcrn", run_wide[0]},
                               {c.signal_free, raw ? "adjcrn" : "ssfcrn", run_wide[1]}};
  if (c.stabilised()) {
    blocks.push_back({c.stabilised_standard, raw ? "rawstb" : "stdstb", run_wide[2]});
    blocks.push_back({c.stabilised_signal_free, raw ? "adjstb" : "ssfstb", run_wide[3]});
  }
  bool unfit_here = false;
  std::vector<std::string> unfit_run_wide;
  for (const Block& block : blocks) {
    if (!write_block(file, c, block, id, titles)) continue;
    unfit_here = true;
    if (block.run_wide != nullptr) unfit_run_wide.push_back(block.run_wide->path());
  }
  file.close();
  std::vector<std::string> unfit;
  if (unfit_here) unfit.push_back(name);
  unfit.insert(unfit.end(), unfit_run_wide.begin(), unfit_run_wide.end());
  return unfit;
}

void warn_of_asterisks(Console& console, ReportFile& report, std::span<const std::string> files,
                       std::string_view data_set_name) {
  constexpr const char* kWarning =
      "(/1x,'WARNING: ',a,': some values or sample depths do not fit their fields'/"
      "1x,'         and show as asterisks; ',a,' holds them all.')";
  const std::string column_file = column_file_name(data_set_name);
  for (const std::string& file : files) {
    console.write(kWarning, file, column_file);
    report.echo(kWarning, file, column_file);
  }
}

}  // namespace qb
