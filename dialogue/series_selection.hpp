// Which of the loaded series are standardised: all of them, those that pass
// a censoring condition, or all of them truncated at a start or end year.
#pragma once

#include <string_view>

#include "dialogue/data_set_checks.hpp"
#include "platform/console.hpp"
#include "platform/report_file.hpp"
#include "series/data_set.hpp"
#include "series/matrix.hpp"

namespace qb {

// The series-processing menu. After any choice but "all": the selection's
// line in the report file, the censored data set file and the segment-length
// statistics of the selected set, which replace `lengths`. A censoring that
// leaves no series, or years that no series covers, is undone and the menu
// shown again.
void select_series(Console& console, ReportFile& report, DataSet& data, std::string_view data_set_name,
                   SegmentLengthStatistics& lengths);

// Truncation of every series that starts before `year` (after `year`) to
// begin (end) in it. A series left with fewer than 20 values ends the program.
void truncate_before(Console& console, DataSet& data, int year);
void truncate_after(Console& console, DataSet& data, int year);

// The measurements of the selected series (rows 1..n of each column, the
// rest kMissing): the copy every engine run rebuilds the matrix from.
Matrix saved_measurements(const DataSet& data);

}  // namespace qb
