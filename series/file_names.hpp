// Names of the files written for a data set.
#pragma once

#include <string>
#include <string_view>

namespace qb {

// The data-set file name up to, not including, its first "." (before its last
// non-blank character), else up to its last non-blank character. An
// all-blank name gives one blank.
std::string dataset_base_name(std::string_view file_name);

// Base name + "_out_v" + version + ".txt" with every blank removed.
std::string report_file_name(std::string_view file_name, std::string_view version);

}  // namespace qb
