// The texts that tell the user how a decadal file was read: the warnings
// about lines read with a departure from the layout, and the refusals. Each
// names the line of the data file (as an editor numbers it).
#pragma once

#include <string>

#include "platform/text_file.hpp"
#include "series/decadal_format.hpp"

namespace qb {

// A line of the series read with a warning.
std::string line_warning(const DecadalSeries& series, const LineNote& note, const TextInput& input);

// A series without its end mark, which keeps its values up to `last_year`.
std::string end_mark_warning(const DecadalSeries& series, long long last_year, bool widths);

// Why the data set is refused (a call that ended in SeriesEnd::kRefused).
std::string refusal(const DecadalSeries& series, const TextInput& input);

}  // namespace qb
