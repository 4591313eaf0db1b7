// A pager over the data file, so the user can see which layout it has.
#pragma once

#include "platform/text_file.hpp"

namespace qb {

// Shows the file on `input` from its start, five numbered lines at a time
// (first 100 characters each), and returns with the file rewound.
void snoop(TextInput& input);

}  // namespace qb
