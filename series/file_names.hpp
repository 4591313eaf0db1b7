// Names of the files written for a data set.
//
// A data file named with a folder ("../a/site.rwl") keeps its folder in
// every name built from it, so the outputs go beside the data file; only
// the file name itself is cut at its "." or squeezed of its blanks.
#pragma once

#include <string>
#include <string_view>

namespace qb {

// The length of the folder part of a file name: up to and including its
// last "/", 0 when it has none.
std::size_t folder_length(std::string_view file_name);

// The folder part of the data-set file name followed by its file name up
// to, not including, the first "." (before its last non-blank character),
// else up to its last non-blank character. An all-blank name gives one
// blank.
std::string dataset_base_name(std::string_view file_name);

// Base name + "_out_v" + version + ".txt" with every blank after the folder
// part removed.
std::string report_file_name(std::string_view file_name, std::string_view version);

}  // namespace qb
