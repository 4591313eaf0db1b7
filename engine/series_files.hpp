// The engine's series files: every series' data, fitted curve and index in
// the decadal ring-width layout, once for the standard (first) detrending
// and once for the last signal-free iteration.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// The three files of a pass in order.
enum class SeriesFile { kData, kCurves, kIndices };

// Fills `values` with what file `file` holds of series `series` (its rings,
// series-relative). Called for several series at once from different
// threads: it may only read what it shares.
using SeriesFileValues = std::function<void(int series, SeriesFile file, std::vector<float>& values)>;

// Writes (replacing) the three files: title line 1, then every series in
// series order, tagged by pass and file ("stdraw", "ssfcrv", ...). Without
// indices the index file holds the title line only. The series are rendered
// on up to `threads` threads (0: one per hardware thread) and written in
// order.
void write_series_files(const std::array<std::string, 3>& names, const DataSet& data, SeriesPass pass,
                        bool with_indices, const SeriesFileValues& values, int threads = 0);

}  // namespace qb
