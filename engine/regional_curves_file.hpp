// The regional curves file: the raw and fitted regional curve of every
// regional fit of a run, side by side, one line per biological year.
#pragma once

#include <string>
#include <vector>

#include "engine/engine_state.hpp"

namespace qb {

// Writes (replacing) the file: a header naming each fit's two columns, then
// biological years 1..length with each fit's raw and fitted value (-999.00
// where a fit has none). Throws OutputFileError when the file cannot be
// created or written.
void write_regional_curves_file(const std::string& path, const std::vector<RegionalCurveSlot>& slots, int length);

}  // namespace qb
