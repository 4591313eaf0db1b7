// Chronologies of the column chronology file that no researcher could take
// as results: one value in most of the years (a chronology that carries no
// signal), or values below 0 where the indices are ratios or the
// measurements themselves. The numbers stay as the steps compute them; the
// user is told which column to distrust.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/data_set_chronologies.hpp"
#include "platform/console.hpp"
#include "platform/report_file.hpp"

namespace qb {

struct DegenerateColumn {
  // As the column file heads it ("StdCrn", "AdjStb").
  std::string name;
  int years = 0;
  // The value that more than half of the years hold, as the file writes it
  // (blanks trimmed); empty when no value does.
  std::string repeated;
  int repeated_years = 0;
  // Years below 0; counted for ratios and raw data only.
  int negative_years = 0;
};

// The chronology and stabilised chronology columns of the file that are
// degenerate, in the order of the file's columns.
std::vector<DegenerateColumn> degenerate_columns(const DataSetChronologies& chronologies);

// One warning for each column, on the console and in the report, naming the
// column file of the data set, the column and the count of its years.
void warn_of_degenerate_columns(Console& console, ReportFile& report, const DataSetChronologies& chronologies,
                                std::string_view data_set_name);

}  // namespace qb
