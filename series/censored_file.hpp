// The censored data set file: the series set as selected, in the decadal
// ring-width layout, so that the loader can read it again.
//
// Its name is the data-set base name, a suffix naming the kind of selection
// and the value(s) chosen, then ".txt" ("site_mnsl= 5.txt",
// "site_comm=1900-1950.txt"). The three title lines head it, stamped with the
// kind of selection in columns 85-88; every series follows in 0.001 mm with
// the kind as its series tag.
#pragma once

#include <string>
#include <string_view>

#include "series/data_set.hpp"

namespace qb {

// Kinds of selection, by the series-processing menu's answer character.
inline constexpr char kCensorMinimumLength = '2';
inline constexpr char kCensorMaximumStart = '3';
inline constexpr char kCensorMinimumStart = '4';
inline constexpr char kTruncateBefore = '5';
inline constexpr char kTruncateAfter = '6';
inline constexpr char kCensorCommonPeriod = '7';

// The file name for a kind ('2' to '7'), its value and, for the common
// period, its last year; without trailing blanks.
std::string censored_file_name(char kind, int value, int end_value, std::string_view data_set_name);

// Stamps the title lines of `data` with the kind and writes the file; tells
// the console the file's name. Throws OutputFileError when the file cannot be
// created or written.
void savcen(char kind, int value, int end_value, DataSet& data, std::string_view data_set_name);

}  // namespace qb
