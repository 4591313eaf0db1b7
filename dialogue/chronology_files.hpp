// The chronology files of a data set: the chronologies, their standard
// deviations and standard errors as columns by year, and every chronology as
// a block in the decadal chronology layout (also appended to the list-file
// program's run-wide chronology files). A file that cannot be created or
// written throws OutputFileError.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/data_set_chronologies.hpp"
#include "platform/console.hpp"
#include "platform/report_file.hpp"
#include "platform/text_file.hpp"
#include "series/data_set.hpp"

namespace qb {

// "<base name>_crns_col.txt": year, sample depth, the standard and the
// signal-free chronology, their standard deviations and standard errors, and
// with stabilised chronologies those two as well.
std::string column_file_name(std::string_view data_set_name);
void write_column_file(const DataSetChronologies& chronologies, std::string_view data_set_name);

// The run-wide files in the order of the blocks: standard, signal-free,
// stabilised standard, stabilised signal-free. A null entry receives nothing.
using RunWideChronologyFiles = std::array<TextOutput*, 4>;

// "<base name>_crns_tuc.txt": every chronology under the data set's three
// title lines, its label in columns 83-88 of title lines 2 and 3 (the title
// lines keep the last label). Each block also goes to its run-wide file.
// Returns the files, of those written, in which a block of the data set
// shows asterisks: an index of 10 or more, or a sample depth of 1000 or
// more, does not fit the decadal chronology layout's fields.
std::string tucson_file_name(std::string_view data_set_name);
std::vector<std::string> write_tucson_file(const DataSetChronologies& chronologies, std::string_view data_set_name,
                                           std::array<std::string, 3>& titles,
                                           const RunWideChronologyFiles& run_wide = {});

// One warning for each of the files, on the console and in the report: the
// column file of the data set holds the values that show as asterisks.
void warn_of_asterisks(Console& console, ReportFile& report, std::span<const std::string> files,
                       std::string_view data_set_name);

}  // namespace qb
