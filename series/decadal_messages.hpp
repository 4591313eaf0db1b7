// The texts that tell the user how a decadal file was read: the warnings
// about lines read with a departure from the layout, about series without
// their end mark, and the refusals. Each names the line of the data file (as
// an editor numbers it).
#pragma once

#include <string>
#include <string_view>

#include "platform/text_file.hpp"
#include "series/decadal_line_rules.hpp"

namespace qb {

// The text of a note about series `id`; every reason has one.
std::string message(std::string_view id, const LineNote& note, const TextInput& input);

// The one warning about the lines of a file read by their numbers; empty
// when there were none.
std::string out_of_columns_warning(const FileSoFar& file, const TextInput& input);

}  // namespace qb
