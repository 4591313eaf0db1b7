// Pith offsets: the number of rings missing to the pith of each series, which
// the regional curve adds to the ring number to get a ring's cambial age.
#pragma once

#include <string_view>
#include <vector>

#include "platform/bounds.hpp"

namespace qb {

// Asks whether a pith offset file is to be used. Without `file_dialogue`
// (what both programs pass) or on a "no", every offset of `offsets` (sized to
// `max_series`) is 0 and false is returned. Otherwise the file dialogue runs:
// the file name (asked again until the file exists), the reading method and
// header lines, then one offset per record in series order; entries after
// the last value read keep their values, and true is returned.
// `data_set_name` is shown in the note on the order of the offsets.
bool pithy(std::vector<int>& offsets, bool file_dialogue, std::string_view data_set_name,
           int max_series = kMaxSeries);

}  // namespace qb
