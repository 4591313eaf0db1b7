// The input-format help: an example page for each layout the loader reads.
#pragma once

#include "platform/text_file.hpp"

namespace qb {

// Shows the help menu until the user enters 0; an answer that is not a digit
// pages through the data file on `input` (left rewound).
void dathlp(TextInput& input);

}  // namespace qb
