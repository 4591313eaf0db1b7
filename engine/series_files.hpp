// The engine's series files: every series' data, fitted curve and index in
// the decadal ring-width layout, once for the standard (first) detrending
// and once for the last signal-free iteration.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "engine/engine_state.hpp"
#include "engine/sigfree.hpp"
#include "series/data_set.hpp"

namespace qb {

enum class SeriesPass { kStandard, kSignalFree };

// The three file names of a pass (data, curves, indices): ratios carry
// "_RAW_" and "_Ratios", residuals "_Resids", power-transformed residuals
// "_PTR_".
std::array<std::string, 3> series_file_names(std::string_view base_name, SeriesPass pass, IndexType index_type,
                                             bool power_transformed);

// Creates (replacing) the three files with title line 1 as their only line.
void create_series_files(const std::array<std::string, 3>& names, std::string_view title);

// Writes (replacing) the three files: title line 1, then every series of the
// store in series order, tagged by pass and file ("stdraw", "ssfcrv", ...).
// Without indices the index file holds the title line only.
void write_series_files(const std::array<std::string, 3>& names, const DataSet& data, const SeriesStore& store,
                        SeriesPass pass, bool with_indices);

}  // namespace qb
