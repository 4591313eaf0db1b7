// The interactive program: one data file per run, every analysis question
// asked for it.
#pragma once

#include "platform/console.hpp"

namespace qb {

// Seven characters: the trailing blank is part of the version in the texts
// that show it.
inline constexpr const char* kInteractiveVersion = "45_v2e ";

// Runs the program from its banner to its termination; ends by throwing
// ProgramStop, or the error that ended it (run_program tells it).
[[noreturn]] void run_interactive_program(Console& console);

}  // namespace qb
