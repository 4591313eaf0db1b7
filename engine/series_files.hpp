// The engine's series files: every series' data, fitted curve and index in
// the decadal ring-width layout, once for the standard (first) detrending
// and once for the last signal-free iteration.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "engine/sigfree.hpp"
#include "platform/text_file.hpp"

namespace qb {

enum class SeriesPass { kStandard, kSignalFree };
enum class SeriesFileKind { kData = 0, kCurves = 1, kIndices = 2 };

// The data-set file name up to its first ".", or up to its last non-blank
// character when it has none.
std::string data_set_base_name(std::string_view file_name);

// The three file names of a pass (data, curves, indices): ratios carry
// "_RAW_" and "_Ratios", residuals "_Resids", power-transformed residuals
// "_PTR_".
std::array<std::string, 3> series_file_names(std::string_view base_name, SeriesPass pass, IndexType index_type,
                                             bool power_transformed);

// The three files of one pass, created empty and headed by title line 1.
class SeriesFiles {
 public:
  SeriesFiles() = default;
  // A file that cannot be created stops the program with a message naming it.
  static SeriesFiles create(const std::array<std::string, 3>& names, std::string_view title);

  // One series in mode "mw"; an empty span writes nothing to that file.
  void write(SeriesFileKind kind, std::string_view id, int first_year, std::span<const float> values,
             std::string_view tag);
  void close(SeriesFileKind kind);
  void close_all();

 private:
  std::array<TextOutput, 3> files_;
};

}  // namespace qb
