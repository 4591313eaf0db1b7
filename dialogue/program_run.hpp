// A program's run from its driver to its exit code.
#pragma once

#include <functional>
#include <string_view>

#include "platform/console.hpp"

namespace qb {

// Runs the driver until it stops and returns the exit code of the stop.
// Nothing thrown gets past it: a file that cannot be created or written, or
// any other error, ends the run with the reason, the abnormal termination
// text of the program `version`, a wait for Return and kExitAbnormal. The
// files the program held open are closed by then and keep what they hold; a
// stop that left a file open which then could not be written to the end
// ends the run in the same way.
int run_program(Console& console, std::string_view version, const std::function<void(Console&)>& driver);

}  // namespace qb
