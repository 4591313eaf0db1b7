// The list-file program: every data set named in a data-set list file, one
// after the other.
#pragma once

#include "platform/console.hpp"

namespace qb {

inline constexpr const char* kBatchVersion = "47b_batch";

// Runs the program from its banner to its termination; ends by throwing
// ProgramStop, or the error that ended it (run_program tells it).
[[noreturn]] void run_batch_program(Console& console);

}  // namespace qb
